#include "explore/map/MapDrawOrder.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace {

double det3(const double a[3], const double b[3], const double c[3])
{
    return a[0] * (b[1] * c[2] - b[2] * c[1]) - a[1] * (b[0] * c[2] - b[2] * c[0]) + a[2] * (b[0] * c[1] - b[1] * c[0]);
}

} // namespace

MapDrawOrder::MapDrawOrder(const double m[16])
{
    // The rows giving clip x, y and w; the eye is what all three send to 0,
    // found as their four-dimensional cross product.
    double rows[3][4];
    const int taken[3] = {0, 1, 3};
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 4; ++c)
            rows[r][c] = m[4 * c + taken[r]];
    for (int skip = 0; skip < 4; ++skip) {
        double minor[3][3];
        for (int r = 0; r < 3; ++r)
            for (int c = 0, k = 0; c < 4; ++c)
                if (c != skip)
                    minor[r][k++] = rows[r][c];
        eye[skip] = ((skip % 2) == 0 ? 1.0 : -1.0) * det3(minor[0], minor[1], minor[2]);
    }
    // The sign: GL's projections send the eye (or the direction towards the
    // viewer) to a negative clip depth.
    const double clipDepth = m[2] * eye[0] + m[6] * eye[1] + m[10] * eye[2] + m[14] * eye[3];
    if (clipDepth > 0.0)
        for (double& value : eye)
            value = -value;
    // Clip w is the distance along the view under a perspective; a parallel
    // view keeps w fixed and its clip depth grows instead.
    const double scale = std::abs(eye[0]) + std::abs(eye[1]) + std::abs(eye[2]) + std::abs(eye[3]);
    const int row = std::abs(eye[3]) > 1e-9 * scale ? 3 : 2;
    for (int c = 0; c < 4; ++c)
        depthRow[c] = m[4 * c + row];
}

double MapDrawOrder::nearest(const MapBox& box) const
{
    double depth = depthRow[3];
    for (int axis = 0; axis < 3; ++axis)
        depth += std::min(depthRow[axis] * box.low[axis], depthRow[axis] * box.high[axis]);
    return depth;
}

void MapDrawOrder::order(const std::vector<MapBox>& boxes, std::vector<std::uint32_t>& out) const
{
    // Platforms lie under what stands on them, so they go after all else.
    std::vector<std::pair<double, std::uint32_t>> keyed(boxes.size());
    std::size_t blocks = 0;
    for (std::uint32_t i = 0; i < boxes.size(); ++i)
        if (boxes[i].kind != MapBoxKind::Platform)
            keyed[blocks++] = {nearest(boxes[i]), i};
    std::size_t platforms = blocks;
    for (std::uint32_t i = 0; i < boxes.size(); ++i)
        if (boxes[i].kind == MapBoxKind::Platform)
            keyed[platforms++] = {nearest(boxes[i]), i};
    std::sort(keyed.begin(), keyed.begin() + static_cast<std::ptrdiff_t>(blocks));
    std::sort(keyed.begin() + static_cast<std::ptrdiff_t>(blocks), keyed.end());
    out.resize(keyed.size());
    for (std::size_t i = 0; i < keyed.size(); ++i)
        out[i] = keyed[i].second;
}
