#pragma once

#include "geometry/Camera.h"
#include "scene/VisibleSlots.h"

#include <cstddef>

// How a folder's row stands in the scene: slot i's symbol lies inside
// `symbol` moved by i * pitch along x.
struct RowShape {
    double pitch = 1.3;
    VisibleSlots::Box symbol;
};

// Where the camera stands when a folder is shown, and again on Home: in front
// of the row, looking along -z with +y up, so that the first kFramedSlots
// slots fill the window's width with a margin on either side. A wide window
// keeps the band of kRoomBelow and kRoomAbove around the symbols in view
// instead, and shows more slots. A row that fits the view entirely stands in
// its middle; a longer one starts at the left edge.
class StartView {
public:
    static constexpr std::size_t kFramedSlots = 12;
    // Scene units kept free on either side of the framed slots.
    static constexpr double kMarginX = 0.3;
    // Scene units kept in view below and above the symbols, where names stand.
    static constexpr double kRoomBelow = 1.0;
    static constexpr double kRoomAbove = 1.0;
    // The projection's vertical field of view, in degrees.
    static constexpr double kFieldOfViewY = 60.0;

    // The pose for a row of `count` slots seen in a window of aspect ratio
    // width / height. A ratio that is not finite or not positive counts as 4:3.
    static Camera pose(const RowShape& row, std::size_t count, double aspect);
    // The same view moved along the row to stand straight in front of `slot`.
    static Camera facing(const RowShape& row, std::size_t slot, double aspect);
};
