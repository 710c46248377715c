#include "explore/ExploreScene.h"

#include "explore/EntryTypes.h"
#include "explore/ExploreState.h"
#include "explore/PathText.h"
#include "explore/ProgressEstimate.h"
#include "explore/SizeScale.h"
#include "explore/StatusText.h"
#include "explore/TypeLegend.h"
#include "scene/ScanControl.h"

#include <GL/gl.h>

#include <algorithm>
#include <string>

namespace {

// While the scan runs, the legend is counted again after this many more
// entries have been listed.
constexpr std::uint64_t kRecountEntries = 65536;

StatusText::Lines statusLines(const ExploreState& state)
{
    const EntryId folder = state.shownFolder();
    if (folder == kNoEntry)
        return StatusText::Lines();
    const EntryTree& tree = *state.shownTree();
    if (state.selectedEntry() != kNoEntry) {
        const EntryId entry = state.selectedEntry();
        return StatusText::forEntry(tree, entry, EntryTypes::describe(tree, entry));
    }
    // The top folder's path is as the command line gave it.
    return StatusText::forFolder(tree, folder, PathText::normal(tree.path(folder)));
}

// The find field while it is open, the state's own message, or while the
// scan runs beside the window, its progress (with a bar when its end is
// known); the scan's end when it stopped for want of memory.
std::string statusMessage(const ExploreState& state, std::optional<std::uint64_t> expected)
{
    if (state.finding()) {
        const std::string field = "Find: " + state.findText() + "\u2502";
        return state.status().empty() ? field : field + "   " + state.status();
    }
    if (!state.status().empty())
        return state.status();
    const ScanControl::Progress progress = state.scanProgress();
    if (progress.running && !progress.outOfMemory)
        return ProgressEstimate::statusText(progress, expected);
    if (progress.running || progress.outOfMemory)
        return ScanControl::statusText(progress);
    return state.selectedEntry() != kNoEntry ? std::string() : state.sourceNote();
}

} // namespace

ExploreScene::ExploreScene(FontSet& fonts) : text(fonts), row(text), status(text), keyHelp(text)
{
    // The first frame samples the names without mipmaps; prepareMipmaps turns them on.
    text.setSceneMipmaps(false);
}

void ExploreScene::setViewSize(int width, int height, std::size_t entryCount)
{
    const double aspect = static_cast<double>(width) / std::max(height, 1);
    const Camera start = StartView::pose(row.rowShape(), entryCount, aspect);
    row.nameView().setView(height, start.position.z - row.rowShape().symbol.high[2]);
    status.setWindowSize(width, height);
    keyHelp.setWindowSize(width, height);
}

void ExploreScene::setTextScale(double scale)
{
    status.setTextScale(scale);
}

void ExploreScene::draw(const ExploreState& state)
{
    row.drawView(state, 0.0);
    drawOverlays(state);
}

void ExploreScene::drawOverlays(const ExploreState& state)
{
    // Overlays in window pixels come after the scene, drawn with the names.
    status.queue(statusMessage(state, expectedEntries), statusLines(state), legendLines(state));
    text.draw();
    if (state.keyHelpShown())
        keyHelp.draw();
}

std::vector<StatusBand::LegendLine> ExploreScene::legendLines(const ExploreState& state)
{
    const EntryTree* tree = state.shownTree();
    const EntryId folder = state.shownFolder();
    if (!state.legendShown() || tree == nullptr || folder == kNoEntry)
        return {};
    // Counted again for another folder, and while its counts can still grow
    // only after the scan has listed many more entries, or when it ends:
    // counting a large subtree every frame would slow the scan's frames.
    const ScanControl::Progress scan = state.scanProgress();
    const bool otherFolder = tree != legendTree || folder != legendFolder;
    const bool scanMoved = !scan.running || scan.entries >= legendScanEntries + kRecountEntries;
    if (otherFolder || (!legendFinal && scanMoved)) {
        legend.clear();
        for (const TypeLegend::Row& sum : TypeLegend::tally(*tree, folder))
            legend.push_back({groupColour(sum.group), TypeLegend::describe(sum)});
        legendTree = tree;
        legendFolder = folder;
        legendFinal = tree->isComplete(folder);
        legendScanEntries = scan.entries;
    }
    return legend;
}

void ExploreScene::prepareMipmaps(const ExploreState& state)
{
    text.setSceneMipmaps(true);
    row.nameView().queue(state, row.layout(state));
    text.drawScene();
    glFinish();
}
