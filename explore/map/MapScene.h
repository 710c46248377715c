#pragma once

#include "explore/map/MapModel.h"
#include "explore/map/MapNameView.h"
#include "explore/map/MapView.h"

#include <cstdint>
#include <memory>

class ExploreState;
class TextRenderer;

// The map as the explore view shows it: the shown folder's subtree as boxes
// with their names, under the camera the state moves. The map's model is
// made for the state's tree when first drawn and kept while the tree stays.
class MapScene {
public:
    explicit MapScene(TextRenderer& text);

    // Draws the map of the state's shown folder under the current GL
    // matrices, at `nowMs` (for folders still being counted).
    void draw(const ExploreState& state, std::int64_t nowMs);

    // The entry whose box is under the state's pointer in the last drawn
    // map, through the current GL matrices; kNoEntry outside the window or
    // off the map. What the map frames and the status line tells of.
    EntryId pick(const ExploreState& state);
    EntryId picked() const { return pickedEntry; }
    // Whether the last draw framed another entry than the last pick found.
    bool framedStale() const { return framedEntry != pickedEntry; }

private:
    std::unique_ptr<MapModel> model;
    const EntryTree* tree = nullptr;
    MapView view;
    MapNameView names;
    EntryId pickedEntry = kNoEntry;
    EntryId framedEntry = kNoEntry;
};
