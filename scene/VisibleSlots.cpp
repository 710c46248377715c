#include "scene/VisibleSlots.h"

#include <algorithm>
#include <cmath>

namespace {

// Relative room for rounding: GL transforms in float (about 6e-8 relative per
// step), slot positions are rounded to float, and the model is turned upright
// by a float rotation whose cosine is not exactly 0.
constexpr double kRoundingRoom = 1e-5;
// The same for the part that grows with the slot number, as a share of it.
constexpr double kSlotRoom = 1e-5;
// GL rounds w and each of x, y, z in clip space on its own before it compares
// them, each by a share of its size. Near the far plane w and z are large and
// nearly equal, so that rounding is far larger than the plane's value w - z
// and than the room above, which is measured from it. Inside the clip volume
// |c| <= w, so both roundings are shares of w: the volume is grown to
// |c| <= (1 + kClipRoom) w, a few float steps of w.
constexpr double kClipRoom = 8.0 / (1 << 24);

bool allFinite(const double* values, int count)
{
    for (int i = 0; i < count; ++i)
        if (!std::isfinite(values[i]))
            return false;
    return true;
}

} // namespace

VisibleSlots VisibleSlots::of(const double clipFromScene[16], double pitch, const Box& box, std::size_t count)
{
    VisibleSlots all;
    all.end = count;
    if (count == 0 || !allFinite(clipFromScene, 16) || !std::isfinite(pitch) || !allFinite(box.low, 3)
        || !allFinite(box.high, 3))
        return all;

    double centre[3];
    double half[3];
    double reach = 0.0;
    for (int axis = 0; axis < 3; ++axis) {
        centre[axis] = 0.5 * (box.low[axis] + box.high[axis]);
        half[axis] = 0.5 * std::fabs(box.high[axis] - box.low[axis]);
        reach = std::max(reach, std::fabs(centre[axis]) + half[axis]);
    }
    for (double& extent : half)
        extent += kRoundingRoom * (reach + 1.0);
    const double lastSlot = static_cast<double>(count - 1);

    // Row r of the matrix is (m[r], m[4 + r], m[8 + r], m[12 + r]). A point is
    // inside when w + c >= 0 and w - c >= 0 for each of x, y, z of clip space
    // (here with w grown by kClipRoom).
    double low = 0.0;
    double high = lastSlot;
    for (int row = 0; row < 3; ++row) {
        for (const double sign : {1.0, -1.0}) {
            double plane[4];
            for (int column = 0; column < 4; ++column)
                plane[column]
                    = (1.0 + kClipRoom) * clipFromScene[4 * column + 3] + sign * clipFromScene[4 * column + row];

            // The box's farthest corner on the inner side, as a linear function
            // a * i + b of the slot, each part with room for rounding.
            const double slope = plane[0] * pitch;
            const double a = slope + kSlotRoom * std::fabs(slope);
            double b = plane[3];
            double magnitude = std::fabs(plane[3]);
            for (int axis = 0; axis < 3; ++axis) {
                b += plane[axis] * centre[axis] + std::fabs(plane[axis]) * half[axis];
                magnitude += std::fabs(plane[axis]) * (std::fabs(centre[axis]) + half[axis]);
            }
            b += kRoundingRoom * magnitude;

            if (a > 0.0)
                low = std::max(low, -b / a);
            else if (a < 0.0)
                high = std::min(high, -b / a);
            else if (b < 0.0)
                return VisibleSlots();
        }
    }
    // One more slot on each side: the bound is worked out in double, the slot
    // positions are floats.
    low = std::floor(low) - 1.0;
    high = std::ceil(high) + 1.0;
    if (!(low <= high) || high < 0.0 || low > lastSlot)
        return VisibleSlots();

    VisibleSlots slots;
    slots.first = low <= 0.0 ? 0 : static_cast<std::size_t>(low);
    slots.end = high >= lastSlot ? count : static_cast<std::size_t>(high) + 1;
    return slots;
}
