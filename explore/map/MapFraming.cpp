#include "explore/map/MapFraming.h"

#include "explore/StartView.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kPi = 3.14159265358979323846;

} // namespace

Camera MapFraming::framing(const MapBox& platform, double aspect)
{
    if (!std::isfinite(aspect) || aspect <= 0.0)
        aspect = 4.0 / 3.0;
    const double halfY = StartView::kFieldOfViewY * kPi / 360.0;
    const double halfX = std::atan(std::tan(halfY) * aspect);
    const double half = std::min(halfX, halfY);
    const double width = platform.high[0] - platform.low[0];
    const double depth = platform.high[2] - platform.low[2];
    // A sphere around the platform and the blocks on it.
    const double radius = 0.5 * std::sqrt(width * width + depth * depth + 4.0 * MapModel::kBlockUnit) * (1.0 + kRoom);
    const double distance = std::max(radius / std::sin(half), 0.5);
    const double pitch = kPitchDegrees * kPi / 180.0;
    const double centre[3]
        = {0.5 * (platform.low[0] + platform.high[0]), platform.high[1], 0.5 * (platform.low[2] + platform.high[2])};
    const Vector3 eye(static_cast<float>(centre[0]), static_cast<float>(centre[1] + distance * std::sin(pitch)),
                      static_cast<float>(centre[2] + distance * std::cos(pitch)));
    const Vector3 look(0.0f, static_cast<float>(-std::sin(pitch)), static_cast<float>(-std::cos(pitch)));
    return Camera(eye, look, Vector3(0.0f, 1.0f, 0.0f));
}

Camera MapFraming::home(double aspect)
{
    MapBox top;
    top.low[0] = top.low[1] = top.low[2] = 0.0f;
    top.high[0] = top.high[2] = static_cast<float>(MapModel::kSide);
    top.high[1] = static_cast<float>(MapModel::kStep);
    return framing(top, aspect);
}
