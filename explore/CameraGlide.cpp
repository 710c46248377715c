#include "explore/CameraGlide.h"

#include <algorithm>

CameraGlide::CameraGlide(const Camera& origin, const Camera& goal, double startTime)
    : from(origin), to(goal), start(startTime), running(true)
{
}

Camera CameraGlide::at(double now)
{
    const double t = std::clamp((now - start) / kDuration, 0.0, 1.0);
    if (t >= 1.0) {
        running = false;
        return to;
    }
    // Smoothstep: no jolt at either end.
    const float s = static_cast<float>(t * t * (3.0 - 2.0 * t));
    Camera pose = to;
    pose.position = from.position + (to.position - from.position) * s;
    const Vector3 fromLook = from.lookDirection.normalized();
    const Vector3 toLook = to.lookDirection.normalized();
    const Vector3 look = fromLook + (toLook - fromLook) * s;
    // Half-way between opposite directions the blend vanishes: keep the target's.
    pose.lookDirection = look.length() > 1e-4f ? look.normalized() * to.lookDirection.length() : to.lookDirection;
    return pose;
}
