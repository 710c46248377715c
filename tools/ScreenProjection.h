#pragma once

#include "geometry/Vector3.h"

// Where the viewer draws a world point: the eye's look-at transform followed by
// the 60-degree perspective (near 0.1) for a w x h window, worked out here
// independently of GL so tests can predict pixels.
struct ScreenPoint {
    // Window coordinates with the origin at the top-left corner; pixel (c, r)
    // covers [c, c + 1) x [r, r + 1).
    double x = 0.0;
    double y = 0.0;
    bool inFront = false; // false when the point lies behind the near plane
};

class ScreenProjection {
public:
    ScreenProjection(Vector3 eye, Vector3 lookDirection, int width, int height);

    ScreenPoint project(Vector3 world) const;

    // The viewer's start (Camera::atStart).
    static ScreenProjection atStart(int width, int height);

private:
    Vector3 eye;
    Vector3 forward;
    Vector3 side;
    Vector3 upward;
    int width;
    int height;
};
