#pragma once

#include "explore/ExploreView.h"
#include "explore/map/MapModel.h"
#include "explore/map/MapNameView.h"
#include "explore/map/MapView.h"
#include "explore/map/MapViewFraming.h"

#include <cstdint>
#include <memory>
#include <string>

class TextRenderer;

// The map as a view of the shown folder: its whole subtree as boxes with
// their names, under the camera the state moves, the selected entry framed.
// The map's model is made for the state's tree when first needed and kept
// while the tree stays; files are coloured by their type's group.
class MapScene : public ExploreView {
public:
    explicit MapScene(TextRenderer& text);

    ViewFraming& framing() override { return poses; }
    void drawView(const ExploreState& state, double now) override;
    void pick(ExploreState& state, bool centre) override;
    void selectNearestCentre(ExploreState& state, double now) override;
    // The folders whose platforms (with their entries on them) the last
    // picture drew.
    std::vector<EntryId> foldersOnScreen() const override;

    // `s` on the map: the treemaps are filled largest first (the squarest
    // pieces) or by name, in turn; the row keeps its own order. Returns the
    // status line's words for the new order.
    std::string cycleOrder();

    // The entry whose box is under window pixel (x, y) (origin top left) in
    // the last drawn map, through the current GL matrices; kNoEntry off the map.
    EntryId entryAt(const ExploreState& state, double x, double y) const;

private:
    // The model for the state's tree, showing its shown folder.
    MapModel* modelFor(const ExploreState& state);

    std::unique_ptr<MapModel> model;
    MapOrder order = MapOrder::Size;
    std::uint64_t seenTreeRevision = 0;
    const EntryTree* tree = nullptr;
    MapViewFraming poses;
    MapView view;
    MapNameView names;
};
