#pragma once

class ExploreState;
class ExploreView;

// Which of the two views of the shown folder shows, the row or the map, and
// the switch between them (m): the navigation (shown folder, trail, order,
// selection) stays as it is; the camera goes to the other view's Home.
class MapSwitch {
public:
    MapSwitch(ExploreView& row, ExploreView& map);

    bool mapShown() const { return onMap; }
    ExploreView& shown() { return onMap ? map : row; }

    void show(ExploreState& state, bool showMap);
    void toggle(ExploreState& state) { show(state, !onMap); }

private:
    ExploreView& row;
    ExploreView& map;
    bool onMap = false;
};
