#pragma once

#include "explore/ExploreView.h"
#include "explore/NameView.h"
#include "explore/RowFraming.h"
#include "explore/RowView.h"

class TextRenderer;

// The row as a view of the shown folder: its symbols grown by their entries'
// sizes, their names below them, picking among the row's slots.
class RowScene : public ExploreView {
public:
    // Call with the GL context current and the symbols loaded.
    explicit RowScene(TextRenderer& text);

    const RowShape& rowShape() const { return rowFraming.rowShape(); }
    // The shown row's layout, with each entry's height: what picking reads.
    const RowLayout& layout(const ExploreState& state) { return row.layout(state); }
    NameView& nameView() { return names; }
    void setNamesShown(bool shown) { namesShown = shown; }

    ViewFraming& framing() override { return rowFraming; }
    // Queues the names; the text renderer's draw draws them.
    void drawView(const ExploreState& state, double now) override;
    void pick(ExploreState& state, bool centre) override;
    void selectNearestCentre(ExploreState& state, double now) override;
    std::vector<EntryId> foldersOnScreen() const override;

private:
    RowFraming rowFraming;
    RowView row;
    NameView names;
    bool namesShown = true;
    EntryId drawnFolder = kNoEntry;
};
