#include "explore/RowView.h"

#include "explore/EntryTypes.h"
#include "explore/ExploreState.h"
#include "explore/SelectionFrame.h"
#include "model/Model.h"
#include "scene/Icon.h"
#include "scene/IconRow.h"
#include "scene/ScanControl.h"
#include "scene/SlotPicker.h"
#include "scene/SymbolLibrary.h"

#include <GL/gl.h>

#include <algorithm>
#include <utility>

namespace {

// While the scan runs, the heights are worked out again after this many more
// entries have been scanned.
constexpr std::uint64_t kRelayoutEntries = 65536;

// The loaded symbols' row without height factors.
RowLayout layoutOfLoadedSymbols()
{
    RowLayout layout = RowLayout::standard();
    for (const Model* model : SymbolLibrary::instance()->models)
        layout.includeSymbol(model->lowest, model->highest);
    return layout;
}

} // namespace

RowShape RowView::shapeOfLoadedSymbols()
{
    const RowLayout layout = layoutOfLoadedSymbols();
    RowShape shape;
    shape.pitch = layout.pitch();
    shape.symbol = layout.symbolBox();
    return shape;
}

RowView::SceneTransform RowView::currentTransform()
{
    SceneTransform out{};
    IconRow::readClipFromScene(out.clipFromScene);
    glGetIntegerv(GL_VIEWPORT, out.viewport);
    return out;
}

void RowView::setHeightFactor(HeightFactor factor, float /*largest*/)
{
    heightFactor = std::move(factor);
    factorChanged = true;
}

const RowLayout& RowView::layout(const ExploreState& state)
{
    // A folder's entries are there to read only once it is listed.
    const std::vector<EntryId>& entries = state.entries();
    // Folders' totals grow final while the scan runs beside the window, so
    // their heights are worked out again now and then, and once at its end.
    const ScanControl::Progress scan = state.scanProgress();
    const bool scanMoved
        = scan.running != scanRunning || (scan.running && scan.entries >= scanEntries + kRelayoutEntries);
    // The revision catches a folder shown anew and one reordered, without
    // comparing a list that may hold every entry of a large folder.
    if (!factorChanged && !scanMoved && &state == laidOutState && state.entriesRevision() == laidOutRevision)
        return rowLayout;
    scanRunning = scan.running;
    scanEntries = scan.entries;
    rowLayout = layoutOfLoadedSymbols();
    std::vector<float> factors;
    if (heightFactor) {
        factors.reserve(entries.size());
        for (const EntryId entry : entries)
            factors.push_back(heightFactor(*state.shownTree(), entry));
    }
    rowLayout.setHeightFactors(std::move(factors));
    laidOutState = &state;
    laidOutRevision = state.entriesRevision();
    factorChanged = false;
    return rowLayout;
}

void RowView::draw(const ExploreState& state)
{
    // Nothing of a folder shows until it is listed.
    const std::size_t count = state.entryCount();
    if (count == 0)
        return;
    const std::vector<EntryId>& entries = state.entries();
    const EntryTree& tree = *state.shownTree();
    const RowLayout& row = layout(state);
    const VisibleSlots slots = row.visibleSlots(currentTransform().clipFromScene, count);
    // By the entry's group: a tree scanned beside the window has no icons.
    for (std::size_t i = slots.first; i < slots.end; ++i) {
        Model* model = symbolOf(EntryTypes::groupOf(tree, entries[i]));
        if (model != nullptr)
            Icon::drawModelAt(*model, row.placement(static_cast<std::int64_t>(i)));
    }
    const std::size_t selected = state.selected();
    if (selected >= slots.first && selected < slots.end)
        drawFrame(row.slotBox(selected));
}

Model* RowView::symbolOf(TypeGroup group)
{
    Model*& model = groupSymbols[static_cast<std::size_t>(group)];
    if (model == nullptr) {
        // Loaded the first time a group shows; a symbol folder without the
        // group's file shows the group as a file.
        SymbolLibrary* library = SymbolLibrary::instance();
        const std::string name(groupSymbol(group));
        const std::size_t loaded = library->models.size();
        model = name == "folder" || name == "file" ? library->get(name) : library->getIfPresent(name);
        if (model == nullptr)
            model = library->get("file");
        // Loading a model leaves a placement open on the matrix stack (the
        // start-up loads keep it for the lights); one loaded while the row
        // is drawn must close it, or every later symbol stands off its slot.
        if (library->models.size() > loaded)
            glPopMatrix();
    }
    return model;
}

void RowView::drawFrame(const RowLayout::Box& box) const
{
    // A little outside the box, so the symbol's faces do not hide the frame.
    SelectionFrame::draw(box.low, box.high, 0.04);
}
