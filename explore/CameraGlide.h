#pragma once

#include "geometry/Camera.h"

// The camera carried from one pose to another over a fixed time, easing in
// and out, so a jump the keys or the wheel ask for is seen as a move rather
// than a cut. Position and view direction are blended; the direction's
// length is the target's at the end. Pure: the caller gives the time.
class CameraGlide {
public:
    // Seconds a glide takes.
    static constexpr double kDuration = 0.25;

    CameraGlide() = default;
    // From `from` at `start` to `to` at start + kDuration.
    CameraGlide(const Camera& from, const Camera& to, double start);

    bool active() const { return running; }
    // Where the glide ends, for a next glide to start from its end.
    const Camera& target() const { return to; }
    // The pose at `now`; past the end, the target, and the glide is over.
    Camera at(double now);
    void stop() { running = false; }

private:
    Camera from = Camera::atStart();
    Camera to = Camera::atStart();
    double start = 0.0;
    bool running = false;
};
