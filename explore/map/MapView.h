#pragma once

#include "explore/map/MapColour.h"
#include "explore/map/MapDrawOrder.h"
#include "explore/map/MapModel.h"

#include <cstdint>
#include <functional>
#include <vector>

// Draws the map's boxes under the current GL matrices: lit, in their entry's
// colour (a folder still being counted dimmer), the selected one framed. The
// one place the map's boxes meet GL.
class MapView {
public:
    using Colour = MapColour;
    // The colour of an entry's box; by default by its kind.
    using ColourOf = std::function<Colour(EntryId entry, EntryKind kind)>;

    static Colour kindColour(EntryKind kind);
    // How much darker a folder still being counted is drawn.
    static constexpr float kCountingShade = 0.55f;

    // Another colouring, e.g. by type; an empty function goes back to kinds.
    void setColourOf(ColourOf colourOf);

    // The current GL matrices and viewport, as the model collects with.
    static void currentView(double clipFromScene[16], int viewport[4]);

    // Collects the model's boxes for the current view at `nowMs` and draws
    // them; `selected` (kNoEntry for none) is framed. The faces sent are
    // made again only when the collection or the colouring changed.
    void draw(MapModel& model, std::int64_t nowMs, EntryId selected);

private:
    struct Vertex {
        float position[3];
        float normal[3];
        std::uint8_t colour[4];
    };

    void build(const std::vector<MapBox>& boxes, const double clipFromScene[16]);
    void addBox(const MapBox& box, Colour colour, bool withBottom, const MapDrawOrder& drawOrder);
    static void drawFrame(const MapBox& box);

    ColourOf colourOf;
    std::vector<Vertex> vertices;
    std::vector<std::uint32_t> order;
    // The collection the vertices were made from; 0 for none.
    std::uint64_t builtFrom = 0;
};
