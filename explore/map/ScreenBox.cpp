#include "explore/map/ScreenBox.h"

#include <algorithm>
#include <limits>

ScreenBox::ScreenBox(const double clipFromScene[16], const int viewport[4], const float low[3], const float high[3])
{
    // Bits of the planes each corner lies beyond; a box is outside when all
    // corners share one.
    unsigned common = 0x3fu;
    bool behind = false;
    double minX = std::numeric_limits<double>::infinity();
    double maxX = -minX;
    double minY = minX;
    double maxY = -minX;
    for (int corner = 0; corner < 8; ++corner) {
        const double point[3] = {(corner & 1) != 0 ? high[0] : low[0], (corner & 2) != 0 ? high[1] : low[1],
                                 (corner & 4) != 0 ? high[2] : low[2]};
        double clip[4];
        for (int row = 0; row < 4; ++row)
            clip[row] = clipFromScene[row] * point[0] + clipFromScene[4 + row] * point[1]
                + clipFromScene[8 + row] * point[2] + clipFromScene[12 + row];
        const double w = clip[3];
        unsigned beyond = 0;
        for (int axis = 0; axis < 3; ++axis) {
            beyond |= clip[axis] < -w ? 1u << (2 * axis) : 0u;
            beyond |= clip[axis] > w ? 2u << (2 * axis) : 0u;
        }
        common &= beyond;
        if (!(w > 1e-9)) {
            behind = true;
            continue;
        }
        minX = std::min(minX, clip[0] / w);
        maxX = std::max(maxX, clip[0] / w);
        minY = std::min(minY, clip[1] / w);
        maxY = std::max(maxY, clip[1] / w);
    }
    isOutside = common != 0;
    const double wide = 0.5 * (maxX - minX) * viewport[2];
    const double tall = 0.5 * (maxY - minY) * viewport[3];
    spanPixels = behind ? std::numeric_limits<double>::infinity() : std::max(wide, tall);
    // Only what falls inside the window counts; a box reaching behind the
    // eye may cover all of it.
    const double inWide = behind ? viewport[2] : 0.5 * (std::min(maxX, 1.0) - std::max(minX, -1.0)) * viewport[2];
    const double inTall = behind ? viewport[3] : 0.5 * (std::min(maxY, 1.0) - std::max(minY, -1.0)) * viewport[3];
    areaPixels = std::max(inWide, 0.0) * std::max(inTall, 0.0);
}
