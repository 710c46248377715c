#pragma once

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

private:
    bool mapShown = false;
};
