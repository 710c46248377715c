#include "explore/map/MapMode.h"

#include "explore/ExploreState.h"
#include "explore/map/MapFraming.h"

#include <algorithm>
#include <vector>

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

bool MapMode::enter(ExploreState& state, EntryId folder) const
{
    const EntryTree* tree = state.shownTree();
    if (tree == nullptr || folder == kNoEntry || folder == state.shownFolder())
        return false;
    std::vector<EntryId> way;
    for (EntryId at = folder; at != state.shownFolder(); at = tree->parent(at)) {
        if (at == kNoEntry || at == tree->root())
            return false;
        way.push_back(at);
    }
    for (auto step = way.rbegin(); step != way.rend(); ++step) {
        const std::vector<EntryId>& entries = state.entries();
        const auto slot = std::find(entries.begin(), entries.end(), *step);
        if (slot == entries.end() || !state.enter(static_cast<std::size_t>(slot - entries.begin())))
            break;
    }
    goHome(state);
    return state.shownFolder() != kNoEntry;
}

bool MapMode::back(ExploreState& state) const
{
    const bool out = state.back();
    goHome(state);
    return out;
}

void MapMode::goTop(ExploreState& state) const
{
    state.goTop();
    goHome(state);
}
