#include "explore/map/MapScene.h"

#include "explore/EntryTypes.h"
#include "explore/ExploreState.h"
#include "types/TypeGroup.h"

#include <optional>

MapScene::MapScene(TextRenderer& text) : names(text)
{
}

MapModel* MapScene::modelFor(const ExploreState& state)
{
    if (state.shownTree() == nullptr || state.shownFolder() == kNoEntry)
        return nullptr;
    if (state.shownTree() != tree) {
        tree = state.shownTree();
        model = std::make_unique<MapModel>(*tree);
        poses.setModel(model.get());
        const EntryTree& shown = *tree;
        // Files by their type's group, as the row's symbols are; folders,
        // links and the rest by their kind.
        view.setColourOf([&shown](EntryId entry, EntryKind kind) {
            if (kind != EntryKind::File)
                return MapView::kindColour(kind);
            const GroupColour colour = groupColour(EntryTypes::groupOf(shown, entry));
            return MapColour{colour.r / 255.0f, colour.g / 255.0f, colour.b / 255.0f};
        });
    }
    if (model->shown() != state.shownFolder())
        model->show(state.shownFolder());
    // Ctrl+H as in the row: names starting with a dot leave the map.
    MapLayouts& layouts = model->layouts();
    // A live update or a refresh changed sizes or entries: laid out again.
    if (state.treeRevision() != seenTreeRevision) {
        seenTreeRevision = state.treeRevision();
        layouts.clear();
    }
    if (layouts.showsHidden() == state.dotNamesHidden())
        layouts.setShowHidden(!state.dotNamesHidden());
    layouts.setOrder(order);
    return model.get();
}

std::string MapScene::cycleOrder()
{
    order = order == MapOrder::Size ? MapOrder::Name : MapOrder::Size;
    return order == MapOrder::Size ? "Map laid out by size, largest first" : "Map laid out by name";
}

void MapScene::drawView(const ExploreState& state, double now)
{
    const std::int64_t nowMs = static_cast<std::int64_t>(now * 1000.0);
    poses.setTime(nowMs);
    MapModel* map = modelFor(state);
    if (map == nullptr)
        return;
    const EntryId selected = state.selectedEntry();
    view.draw(*map, nowMs, selected);
    names.draw(*map, selected);
}

EntryId MapScene::entryAt(const ExploreState& state, double x, double y) const
{
    if (model == nullptr || model->shown() != state.shownFolder())
        return kNoEntry;
    double clipFromScene[16];
    int viewport[4];
    MapView::currentView(clipFromScene, viewport);
    const std::optional<SlotPicker::Ray> ray
        = SlotPicker::rayThrough(clipFromScene, viewport, x + 0.5, state.viewHeight() - y - 0.5);
    if (!ray)
        return kNoEntry;
    const std::optional<std::size_t> hit = model->pick(*ray);
    return hit ? model->boxes()[*hit].entry : kNoEntry;
}

void MapScene::pick(ExploreState& state, bool centre)
{
    if (!state.pickIsPending())
        return;
    modelFor(state);
    const bool atPointer = state.pointerInside() && !centre;
    const double x = atPointer ? state.pointerX() : 0.5 * state.viewWidth();
    const double y = atPointer ? state.pointerY() : 0.5 * state.viewHeight();
    const EntryId under = entryAt(state, x, y);
    // The shown folder's own platform is the map's ground, not a selection.
    state.takePick(under == state.shownFolder() ? kNoEntry : under);
}

void MapScene::selectNearestCentre(ExploreState& state, double)
{
    modelFor(state);
    const EntryId under = entryAt(state, 0.5 * state.viewWidth(), 0.5 * state.viewHeight());
    state.selectEntry(under == state.shownFolder() ? kNoEntry : under);
}

std::vector<EntryId> MapScene::foldersOnScreen() const
{
    std::vector<EntryId> folders;
    if (model == nullptr)
        return folders;
    for (const MapBox& box : model->boxes())
        if (box.kind == MapBoxKind::Platform)
            folders.push_back(box.entry);
    return folders;
}
