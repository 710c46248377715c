#pragma once

#include "explore/map/MapModel.h"

#include <cstdint>
#include <vector>

// The order the map draws its boxes in, and which of their faces it sends,
// for one view as GL was given it (projection times model-view). Blocks and
// lumps go nearest first and the platforms under them after, so that the
// depth test turns the hidden fragments away before they are shaded; a face
// whose outer side looks away from the eye can never show and is not sent.
// Works for a perspective view (the eye a point) and a parallel one (the eye
// a direction).
class MapDrawOrder {
public:
    // clipFromScene: column-major, as GL multiplies it.
    explicit MapDrawOrder(const double clipFromScene[16]);

    // Whether the eye lies beyond the plane of the box's face on `side` of
    // `axis` (0 its low face, 1 its high one): only then can the face show.
    bool facesEye(const MapBox& box, int axis, int side) const
    {
        return side == 0 ? box.low[axis] * eye[3] - eye[axis] > 0.0 : eye[axis] - box.high[axis] * eye[3] > 0.0;
    }

    // The indices of `boxes` in the order to draw them.
    void order(const std::vector<MapBox>& boxes, std::vector<std::uint32_t>& out) const;

private:
    // How far from the eye along the view the box's nearest corner lies.
    double nearest(const MapBox& box) const;

    // The eye in homogeneous scene coordinates: the one point (or, for a
    // parallel view, direction) that projects onto no place on the screen.
    double eye[4] = {0.0, 0.0, 0.0, 0.0};
    // The clip row that grows with the distance from the eye.
    double depthRow[4] = {0.0, 0.0, 0.0, 0.0};
};
