#pragma once

#include <cstddef>
#include <optional>

class RowLayout;

// Which slot of the icon row a point of the window shows, worked out from the
// row's layout and the view's matrices alone: exact against the symbols' boxes
// (RowLayout::slotBox, height factors included), the nearest along the ray.
// No GL calls: the caller hands over what GL was given.
class SlotPicker {
public:
    // The points origin + t * direction for t in [0, 1]: from the near plane
    // (t 0) to the far plane (t 1), in scene coordinates.
    struct Ray {
        double origin[3] = {0.0, 0.0, 0.0};
        double direction[3] = {0.0, 0.0, 0.0};
    };

    // The ray through a point of the window. clipFromScene is projection times
    // model-view (column-major as GL keeps it), viewport GL's (x, y, width,
    // height). windowX and windowY are GL window coordinates: origin at the
    // window's bottom-left corner, pixel (c, r) covering [c, c + 1) x [r, r + 1)
    // counted from there; for SDL's pointer at (px, py) in a window of height
    // h pass (px + 0.5, h - py - 0.5). Empty when the matrix cannot be inverted
    // or the viewport is empty.
    static std::optional<Ray> rayThrough(const double clipFromScene[16], const int viewport[4], double windowX,
                                         double windowY);

    // The first of the slots [0, count) whose box the ray enters, the nearest
    // along it; the lower slot on a tie. Empty when it hits none. Walks only
    // the slots the ray passes near, in its order, and stops at the first hit
    // no later slot can come before.
    static std::optional<std::size_t> pick(const RowLayout& layout, std::size_t count, const Ray& ray);

    // The slot for the middle of the view when no pointer says which: the pick
    // through the viewport's centre or, when that hits nothing, the slot that
    // can show whose box centre lies inside the view and projects nearest to
    // its centre (in pixels). Empty when no slot's centre is in view.
    static std::optional<std::size_t> nearestToCentre(const double clipFromScene[16], const int viewport[4],
                                                      const RowLayout& layout, std::size_t count);
};
