#include "explore/map/MapScene.h"

#include "explore/ExploreState.h"

#include <optional>

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
    framedEntry = pickedEntry;
    view.draw(*model, nowMs, pickedEntry);
    names.draw(*model, pickedEntry);
}

EntryId MapScene::pick(const ExploreState& state)
{
    pickedEntry = kNoEntry;
    if (model == nullptr || !state.pointerInside())
        return pickedEntry;
    double clipFromScene[16];
    int viewport[4];
    MapView::currentView(clipFromScene, viewport);
    const std::optional<SlotPicker::Ray> ray = SlotPicker::rayThrough(clipFromScene, viewport, state.pointerX() + 0.5,
                                                                      state.viewHeight() - state.pointerY() - 0.5);
    if (!ray)
        return pickedEntry;
    if (const std::optional<std::size_t> hit = model->pick(*ray))
        pickedEntry = model->boxes()[*hit].entry;
    return pickedEntry;
}
