#include "geometry/Camera.h"

#include <algorithm>
#include <cmath>

Camera::Camera(Vector3 initialPosition, Vector3 initialLookDirection, Vector3 initialUp)
    : position(initialPosition), lookDirection(initialLookDirection), up(initialUp)
{
}

Camera Camera::atStart()
{
    return Camera(Vector3(0.0f, 1.0f, 30.0f), Vector3(0.0f, 0.0f, -1.0f), Vector3(0.0f, 1.0f, 0.0f));
}

Vector3 Camera::viewCentre() const
{
    const float k = lookBack ? -1.0f : 1.0f;
    return position + lookDirection * k;
}

void Camera::turnLeft(float angle)
{
    // Doubled, so the key step of 0.5 turns the view by one degree per pass.
    const float doubled = angle + angle;
    lookDirection = lookDirection.rotated(doubled, Vector3(0.0f, 1.0f, 0.0f));
}

void Camera::turnRight(float angle)
{
    turnLeft(360.0f - angle);
}

void Camera::moveForward(float step)
{
    // Integer division on purpose: slow motion divides by 3, normal speed by 1.
    const int divisor = 15 / (slowMotion ? 4 : 10);
    const float scaledStep = step / static_cast<float>(divisor);

    const Vector3 previous = position;
    position = position + lookDirection.normalized() * scaledStep;

    for (const auto& [key, wall] : walls) {
        (void)key;
        const float distance = wallDistance(position, *wall);
        if (distance != -1.0f && distance < 1.0f)
            position = previous;
    }
}

void Camera::moveBackward(float step)
{
    moveForward(-step);
}

void Camera::pitch(float amount)
{
    // The view stops short of the vertical: there the turns about the vertical
    // axis would no longer turn it, and walking would lead straight up or down.
    const float horizontal = std::sqrt(lookDirection.x * lookDirection.x + lookDirection.z * lookDirection.z);
    const float limit = horizontal * kMaxPitchSlope;
    lookDirection.y = std::clamp(lookDirection.y + amount / 40.0f, -limit, limit);
}

void Camera::setLookBack(bool on)
{
    lookBack = on;
}

void Camera::setSlowMotion(bool on)
{
    slowMotion = on;
}

void Camera::setWalls(const WallMap& newWalls)
{
    if (&newWalls == &walls)
        return;
    walls = newWalls;
}
