#pragma once

#include "explore/map/MapLabels.h"

#include <cstddef>
#include <vector>

class MapModel;
class TextRenderer;

// Draws the names MapLabels places for the map's last collected boxes, after
// the boxes and depth-tested against them; the selected entry's name in the
// highlight colour.
class MapNameView {
public:
    explicit MapNameView(TextRenderer& text);

    void draw(const MapModel& model, EntryId selected);

    // The names the last draw drew, largest first.
    const std::vector<MapLabels::Label>& drawnNames() const { return drawn; }

private:
    TextRenderer& text;
    std::vector<MapLabels::Label> drawn;
};
