#pragma once

#include "geometry/Vector3.h"
#include "geometry/Wall.h"

// The first-person viewpoint. Turns, pitches and moves on request and sets
// the view transformation once per frame.
class Camera {
public:
    // How far pitch may tip the view from the horizontal, and the tangent of that angle.
    static constexpr float kMaxPitchDegrees = 89.0f;
    static constexpr float kMaxPitchSlope = 57.2899616f; // tan(89 degrees)

    Camera(Vector3 position, Vector3 lookDirection, Vector3 up);
    // Where the viewer starts: one unit above the ground, 30 out along +z,
    // looking towards -z with +y up.
    static Camera atStart();

    // Multiplies the eye's look-at matrix onto the current GL matrix.
    void applyView() const;
    // The point applyView looks at: ahead along lookDirection, or behind it while looking back.
    Vector3 viewCentre() const;

    // Turns about the vertical axis by twice the angle, in degrees; positive turns left.
    void turnLeft(float angle);
    void turnRight(float angle);
    // Moves along the normalised view direction; undone if it ends too close in front of a wall.
    void moveForward(float step);
    void moveBackward(float step);
    // Tips the view up (positive) or down by adding amount / 40 to the direction's
    // y, but never beyond kMaxPitchDegrees above or below the horizontal.
    void pitch(float amount);

    void setLookBack(bool on);
    void setSlowMotion(bool on);
    void setWalls(const WallMap& newWalls);

    // Distance from point to where a horizontal ray along the view direction meets
    // the wall, or -1 when it does not meet it ahead.
    float wallDistance(Vector3 point, const Wall& wall) const;

    Vector3 position;
    Vector3 lookDirection; // not kept at unit length
    Vector3 up;
    bool lookBack = false;
    bool slowMotion = false;
    WallMap walls;
};
