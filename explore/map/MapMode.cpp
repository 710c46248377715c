#include "explore/map/MapMode.h"

#include "explore/ExploreState.h"
#include "explore/map/MapFraming.h"

#include <algorithm>

void MapMode::toggle(ExploreState& state)
{
    show(state, !mapShown);
}

void MapMode::show(ExploreState& state, bool map)
{
    mapShown = map;
    if (mapShown)
        goHome(state);
    else
        state.goHome();
    state.requestRedraw();
}

void MapMode::goHome(ExploreState& state) const
{
    const double aspect = static_cast<double>(state.viewWidth()) / std::max(state.viewHeight(), 1);
    state.placeView(MapFraming::home(aspect));
}
