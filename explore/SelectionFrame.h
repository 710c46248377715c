#pragma once

// The frame around the selected entry, in every view: the twelve edges of a
// box a little larger than the entry's, in the highlight colour, unlit.
class SelectionFrame {
public:
    // Draws the edges of the box from `low` to `high` grown by `room` on
    // every side, under the current GL matrices.
    static void draw(const double low[3], const double high[3], double room);
};
