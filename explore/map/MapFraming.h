#pragma once

#include "explore/map/MapModel.h"
#include "geometry/Camera.h"

#include <cstdint>

// Where the camera stands to frame a platform of the map: in front of it
// (on its +z side), looking down on it at kPitchDegrees with +y up, so far
// back that the platform and what stands on it fit the view's narrower
// extent. Home frames the shown folder's platform this way.
class MapFraming {
public:
    static constexpr double kPitchDegrees = 50.0;
    // Room around the platform, as a share of its size.
    static constexpr double kRoom = 0.08;

    // The pose for `platform` in a window of aspect width / height (4:3 when
    // not finite and positive), with the projection's field of view.
    static Camera framing(const MapBox& platform, double aspect);
    // Home: the shown folder's whole platform.
    static Camera home(double aspect);
};

// The camera's short flight from one pose to another: eased in and out, over
// kFlightMs, and stopped where it is by cancel() (any key).
class MapFlight {
public:
    static constexpr std::int64_t kFlightMs = 400;

    void start(const Camera& from, const Camera& to, std::int64_t nowMs);
    void cancel() { active = false; }
    // Whether the camera is still on its way at `nowMs`.
    bool flying(std::int64_t nowMs) const { return active && nowMs < startMs + kFlightMs; }
    bool started() const { return active; }
    // The pose at `nowMs`: the target once the time is over.
    Camera at(std::int64_t nowMs) const;
    const Camera& target() const { return to; }

private:
    Camera from = Camera::atStart();
    Camera to = Camera::atStart();
    std::int64_t startMs = 0;
    bool active = false;
};
