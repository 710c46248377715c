#pragma once

#include "explore/StartView.h"

#include <functional>

class ExploreState;
class FsNode;
class RowLayout;

// Draws the shown folder's entries in view order: each entry's symbol standing at its slot,
// grown upwards from its base by the entry's height factor, and only the
// slots whose symbols can reach the picture under the current GL matrices.
class RowView {
public:
    // How many times its model's height an entry's symbol stands (at least 1).
    using HeightFactor = std::function<float(const FsNode&)>;

    // The row's shape as the loaded symbol models make it; call after the scan.
    static RowShape shapeOfLoadedSymbols();
    // The row's layout with the loaded symbols, for picking.
    static RowLayout layoutOfLoadedSymbols();
    // Projection times model-view, as GL will transform the symbols' vertices.
    static void readClipFromScene(double out[16]);

    // `largest` bounds every factor the function gives, for culling. Without
    // a function every symbol stands at its model's height.
    void setHeightFactor(HeightFactor factor, float largest);

    // The shown folder's entries, seen through the current matrices.
    void draw(const ExploreState& state) const;

private:
    HeightFactor heightFactor;
    float largestFactor = 1.0f;
};
