#pragma once

#include <cstddef>

// Which slots of the icon row can reach the picture. Slot i holds a symbol
// inside `box` moved by i * pitch along x; a slot is left out only when its
// whole box lies outside one of the six planes of the clip volume, with room
// for the rounding of GL's float arithmetic and of the slot positions. So no
// slot any pixel of which could show is ever left out.
class VisibleSlots {
public:
    // An axis-aligned box in scene coordinates, around the symbol of slot 0.
    struct Box {
        double low[3] = {0.0, 0.0, 0.0};
        double high[3] = {0.0, 0.0, 0.0};
    };

    // The slots [first, end) of a row of `count` that can show through
    // clipFromScene (projection times model-view, column-major as GL keeps it).
    // A matrix or box that is not finite leaves every slot in.
    static VisibleSlots of(const double clipFromScene[16], double pitch, const Box& box, std::size_t count);

    bool empty() const { return first >= end; }

    std::size_t first = 0;
    std::size_t end = 0;
};
