#include "tools/ScreenProjection.h"

#include "geometry/Camera.h"

#include <cmath>

namespace {

constexpr double kFieldOfViewDegrees = 60.0;
constexpr double kNear = 0.1;

double dot(Vector3 a, Vector3 b)
{
    return static_cast<double>(a.x) * b.x + static_cast<double>(a.y) * b.y + static_cast<double>(a.z) * b.z;
}

Vector3 cross(Vector3 a, Vector3 b)
{
    return Vector3(a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x);
}

} // namespace

ScreenProjection::ScreenProjection(Vector3 eyePoint, Vector3 lookDirection, int windowWidth, int windowHeight)
    : eye(eyePoint), width(windowWidth), height(windowHeight)
{
    forward = lookDirection.normalized();
    side = cross(forward, Vector3(0.0f, 1.0f, 0.0f)).normalized();
    upward = cross(side, forward);
}

ScreenProjection ScreenProjection::atStart(int windowWidth, int windowHeight)
{
    const Camera start = Camera::atStart();
    return ScreenProjection(start.position, start.lookDirection, windowWidth, windowHeight);
}

ScreenPoint ScreenProjection::project(Vector3 world) const
{
    const Vector3 offset = world - eye;
    const double depth = dot(offset, forward);
    ScreenPoint point;
    point.inFront = depth > kNear;
    if (!point.inFront)
        return point;
    const double pi = std::acos(-1.0);
    const double focal = 1.0 / std::tan(kFieldOfViewDegrees / 2.0 * pi / 180.0);
    const double aspect = static_cast<double>(width) / (height == 0 ? 1 : height);
    const double ndcX = focal / aspect * dot(offset, side) / depth;
    const double ndcY = focal * dot(offset, upward) / depth;
    point.x = (ndcX + 1.0) / 2.0 * width;
    point.y = height - (ndcY + 1.0) / 2.0 * height;
    return point;
}
