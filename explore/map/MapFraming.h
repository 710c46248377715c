#pragma once

#include "explore/map/MapModel.h"
#include "geometry/Camera.h"

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
