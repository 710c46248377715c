#pragma once

#include <vector>

class FsNode;

// Draws nodes' icons in the row, each at its position in the list, leaving
// out the slots that cannot reach the picture under the current GL matrices.
// The work per frame follows the slots that can show, not the list's length.
class IconRow {
public:
    // Draws the icon of nodes[i] at slot i for every i whose symbol could show.
    static void draw(const std::vector<FsNode*>& nodes);

    // For tests: with culling off every slot is drawn, to compare pictures.
    static void setCulling(bool on);

    // Projection times model-view (column-major), as GL will transform the
    // icons' vertices under the current matrices.
    static void readClipFromScene(double out[16]);
};
