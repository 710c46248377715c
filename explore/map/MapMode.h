#pragma once

#include "tree/EntryTree.h"

class ExploreState;

// Whether the explore view shows the map or the row, and what the map's own
// keys do to the state: the navigation (shown folder, trail, selection) is
// the state's and stays as it is across a switch; only the camera changes,
// to the map's Home or back to the row's start view.
class MapMode {
public:
    bool shown() const { return mapShown; }

    // `m`: the map when the row shows, the row when the map does.
    void toggle(ExploreState& state);
    // Shows the map (or the row) whichever shows now.
    void show(ExploreState& state, bool map);
    // Home: the camera sees the shown folder's whole map.
    void goHome(ExploreState& state) const;

    // Enter on the map: makes `folder`, anywhere below the shown folder, the
    // shown folder, going in through each folder between as the row would,
    // and shows its whole map. False, leaving the shown folder, when it is
    // not a folder below the shown one or one on the way cannot be entered.
    bool enter(ExploreState& state, EntryId folder) const;
    // Backspace and Alt+Home on the map: out to the parent or to the top, the
    // camera at the map's Home.
    bool back(ExploreState& state) const;
    void goTop(ExploreState& state) const;

private:
    bool mapShown = false;
};
