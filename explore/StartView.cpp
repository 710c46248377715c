#include "explore/StartView.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kPi = 3.14159265358979323846;

} // namespace

Camera StartView::pose(const RowShape& row, std::size_t count, double aspect)
{
    if (!std::isfinite(aspect) || aspect <= 0.0)
        aspect = 4.0 / 3.0;
    const double tanHalfY = std::tan(kFieldOfViewY * kPi / 360.0);
    const double tanHalfX = tanHalfY * aspect;
    const VisibleSlots::Box& box = row.symbol;

    // Distance from the symbols' front face that fits the framed width and the band.
    const double left = box.low[0] - kMarginX;
    const double framedRight = static_cast<double>(kFramedSlots - 1) * row.pitch + box.high[0] + kMarginX;
    const double bandLow = box.low[1] - kRoomBelow;
    const double bandHigh = box.high[1] + kRoomAbove;
    const double distance = std::max(0.5 * (framedRight - left) / tanHalfX, 0.5 * (bandHigh - bandLow) / tanHalfY);

    const double halfSeen = distance * tanHalfX;
    const double lastSlot = static_cast<double>(count > 0 ? count - 1 : 0);
    const double rowRight = lastSlot * row.pitch + box.high[0] + kMarginX;
    const double x = rowRight - left <= 2.0 * halfSeen ? 0.5 * (left + rowRight) : left + halfSeen;

    const Vector3 eye(static_cast<float>(x), static_cast<float>(0.5 * (bandLow + bandHigh)),
                      static_cast<float>(box.high[2] + distance));
    return Camera(eye, Vector3(0.0f, 0.0f, -1.0f), Vector3(0.0f, 1.0f, 0.0f));
}

Camera StartView::facing(const RowShape& row, std::size_t slot, double aspect)
{
    Camera view = pose(row, 1, aspect);
    const VisibleSlots::Box& box = row.symbol;
    view.position.x = static_cast<float>(static_cast<double>(slot) * row.pitch + 0.5 * (box.low[0] + box.high[0]));
    return view;
}
