#include "explore/map/MapScene.h"

#include "explore/ExploreState.h"

MapScene::MapScene(TextRenderer& text) : names(text)
{
}

void MapScene::draw(const ExploreState& state, std::int64_t nowMs)
{
    if (state.shownTree() == nullptr || state.shownFolder() == kNoEntry)
        return;
    if (state.shownTree() != tree) {
        tree = state.shownTree();
        model = std::make_unique<MapModel>(*tree);
    }
    if (model->shown() != state.shownFolder())
        model->show(state.shownFolder());
    const EntryId selected = state.selectedEntry();
    view.draw(*model, nowMs, selected);
    names.draw(*model, selected);
}
