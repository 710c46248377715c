#include "explore/map/MapSwitch.h"

#include "explore/ExploreState.h"
#include "explore/ExploreView.h"

MapSwitch::MapSwitch(ExploreView& rowView, ExploreView& mapView) : row(rowView), map(mapView)
{
}

void MapSwitch::show(ExploreState& state, bool showMap)
{
    onMap = showMap;
    state.setFraming(&shown().framing());
    state.requestRedraw();
}
