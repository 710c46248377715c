#pragma once

#include "explore/KeyHelpPanel.h"
#include "explore/RowScene.h"
#include "explore/StatusBand.h"
#include "text/TextRenderer.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

class ExploreState;
class FontSet;

// Everything the explore view draws over the axes, under the current view:
// the row with each symbol grown by its entry's size, the names, the status
// band, and the key help when it shows. The application and the benchmarks draw through this one class.
class ExploreScene {
public:
    // Call with the GL context current and the symbols loaded.
    explicit ExploreScene(FontSet& fonts);

    // The row's shape as the loaded symbols make it.
    const RowShape& rowShape() const { return row.rowShape(); }
    // The row as a view of the shown folder.
    RowScene& rowView() { return row; }

    // The window's size in pixels: the names' raster size and the band follow it.
    void setViewSize(int width, int height, std::size_t entryCount);
    // How many entries the scan will find, when that is known: the status
    // line shows a bar while it runs.
    void setExpectedEntries(std::optional<std::uint64_t> count) { expectedEntries = count; }
    // The status line and the key help drawn `scale` times their size.
    void setTextScale(double scale);

    // The shown row's layout, with each entry's height: what picking reads.
    const RowLayout& layout(const ExploreState& state) { return row.layout(state); }

    // The row with its overlays.
    void draw(const ExploreState& state);
    // What stands over any view, in window pixels: the status band telling
    // of the selected entry (or the shown folder) and the key help; draws
    // the scene text that the view queued too.
    void drawOverlays(const ExploreState& state);
    // The renderer the names are drawn with, for another view's names.
    TextRenderer& textRenderer() { return text; }

    // Names below the symbols (on at first); without them the row and the
    // status band are drawn as ever.
    void setNamesShown(bool shown) { row.setNamesShown(shown); }

    // Builds mipmapped sampling of the names (slow at its first use on a
    // software GL) by drawing them into the back buffer: call after the first
    // frame is shown; the next frame clears what it leaves.
    void prepareMipmaps(const ExploreState& state);

private:
    std::vector<StatusBand::LegendLine> legendLines(const ExploreState& state);

    TextRenderer text;
    RowScene row;
    StatusBand status;
    // The legend as last counted, for which folder, and the scan as it was then.
    std::vector<StatusBand::LegendLine> legend;
    const EntryTree* legendTree = nullptr;
    EntryId legendFolder = kNoEntry;
    bool legendFinal = false;
    std::uint64_t legendScanEntries = 0;
    KeyHelpPanel keyHelp;
    std::optional<std::uint64_t> expectedEntries;
};
