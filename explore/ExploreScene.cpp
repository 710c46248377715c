#include "explore/ExploreScene.h"

#include "explore/ExploreState.h"
#include "explore/PathText.h"
#include "explore/SizeScale.h"
#include "explore/StatusText.h"
#include "scene/ScanControl.h"

#include <GL/gl.h>

#include <algorithm>
#include <string>

namespace {

StatusText::Lines statusLines(const ExploreState& state)
{
    const EntryId folder = state.shownFolder();
    if (folder == kNoEntry)
        return StatusText::Lines();
    const EntryTree& tree = *state.shownTree();
    if (state.selected() < state.entryCount())
        return StatusText::forEntry(tree, state.entries()[state.selected()]);
    // The top folder's path is as the command line gave it.
    return StatusText::forFolder(tree, folder, PathText::normal(tree.path(folder)));
}

// The find field while it is open, the state's own message, or while the
// scan runs beside the window, its progress; the scan's end when it stopped
// for want of memory.
std::string statusMessage(const ExploreState& state)
{
    if (state.finding()) {
        const std::string field = "Find: " + state.findText() + "\u2502";
        return state.status().empty() ? field : field + "   " + state.status();
    }
    if (!state.status().empty())
        return state.status();
    const ScanControl::Progress progress = state.scanProgress();
    return progress.running || progress.outOfMemory ? ScanControl::statusText(progress) : std::string();
}

} // namespace

ExploreScene::ExploreScene(FontSet& fonts)
    : shape(RowView::shapeOfLoadedSymbols()), text(fonts), names(text), status(text)
{
    row.setHeightFactor([](const EntryTree& tree, EntryId entry) {
        return SizeScale::heightFactor(SizeScale::shownBytes(tree, entry));
    });
    // The first frame samples the names without mipmaps; prepareMipmaps turns them on.
    text.setSceneMipmaps(false);
}

void ExploreScene::setViewSize(int width, int height, std::size_t entryCount)
{
    const double aspect = static_cast<double>(width) / std::max(height, 1);
    const Camera start = StartView::pose(shape, entryCount, aspect);
    names.setView(height, start.position.z - shape.symbol.high[2]);
    status.setWindowSize(width, height);
}

void ExploreScene::draw(const ExploreState& state)
{
    row.draw(state);
    names.draw(state, row.layout(state));
    // Overlays in window pixels come after the scene.
    status.draw(statusMessage(state), statusLines(state));
}

void ExploreScene::drawStatus(const ExploreState& state, EntryId entry)
{
    const bool ofEntry = entry != kNoEntry && entry != state.shownFolder();
    status.draw(statusMessage(state), ofEntry ? StatusText::forEntry(*state.shownTree(), entry) : statusLines(state));
}

void ExploreScene::prepareMipmaps(const ExploreState& state)
{
    text.setSceneMipmaps(true);
    names.draw(state, row.layout(state));
    glFinish();
}
