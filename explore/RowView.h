#pragma once

#include "explore/StartView.h"
#include "scene/RowLayout.h"
#include "tree/EntryTree.h"
#include "types/TypeGroup.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

class ExploreState;
class Model;

// Draws the shown folder's entries in view order: each entry's symbol at its slot,
// grown upwards from its base by the entry's height factor, and only the
// slots whose symbols can reach the picture under the current GL matrices.
// The selected slot gets a frame around its symbol's box.
class RowView {
public:
    // How many times its model's height an entry's symbol stands (at least 1).
    using HeightFactor = std::function<float(const EntryTree&, EntryId)>;

    // What GL transforms the scene with: projection times model-view
    // (column-major) and the viewport.
    struct SceneTransform {
        double clipFromScene[16];
        int viewport[4];
    };

    // The row's shape as the loaded symbol models make it; call after the scan.
    static RowShape shapeOfLoadedSymbols();
    // The current GL matrices and viewport.
    static SceneTransform currentTransform();

    // Without a function every symbol stands at its model's height. `largest`
    // is kept for callers that know it; the layout finds the largest itself.
    void setHeightFactor(HeightFactor factor, float largest = 1.0f);

    // The shown folder's row: the loaded symbols, each slot with its entry's
    // height factor. Worked out again only when the shown entries change.
    const RowLayout& layout(const ExploreState& state);

    // The shown folder's entries, seen through the current matrices.
    void draw(const ExploreState& state);

private:
    void drawFrame(const RowLayout::Box& box) const;
    // The group's symbol model, loaded when first asked for.
    Model* symbolOf(TypeGroup group);

    std::array<Model*, kTypeGroupCount> groupSymbols{};

    HeightFactor heightFactor;
    bool factorChanged = true;
    // The scan as the heights were last worked out.
    bool scanRunning = false;
    std::uint64_t scanEntries = 0;
    RowLayout rowLayout = RowLayout::standard();
    // The state and its entries' revision the heights were worked out for.
    const ExploreState* laidOutState = nullptr;
    std::uint64_t laidOutRevision = 0;
};
