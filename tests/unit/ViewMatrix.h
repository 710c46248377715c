#pragma once

#include <array>

namespace viewmatrix {

using Matrix = std::array<double, 16>; // column-major, as GL keeps it
using Point = std::array<double, 3>;

// The viewer's projection (60 degrees vertically, near 0.1, far 1000) times an
// eye at `eye` looking along `direction` with +y up: what GL's matrices hold.
Matrix clipFromScene(Point eye, Point direction, double aspect);

} // namespace viewmatrix
