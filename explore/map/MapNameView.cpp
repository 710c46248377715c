#include "explore/map/MapNameView.h"

#include "explore/map/MapModel.h"
#include "explore/map/MapView.h"
#include "text/TextRenderer.h"

#include <string>

namespace {

constexpr TextRenderer::Color kNameColour{0.95f, 0.95f, 0.95f, 1.0f};
constexpr TextRenderer::Color kSelectedColour{1.0f, 0.85f, 0.2f, 1.0f};

} // namespace

MapNameView::MapNameView(TextRenderer& renderer) : text(renderer)
{
}

void MapNameView::draw(const MapModel& model, EntryId selected)
{
    double clipFromScene[16];
    int viewport[4];
    MapView::currentView(clipFromScene, viewport);
    const EntryTree& tree = model.entryTree();
    drawn = MapLabels::place(model.boxes(), clipFromScene, viewport,
                             [&](EntryId entry) { return text.sceneWidth(std::string(tree.name(entry)), 1.0f); });
    for (const MapLabels::Label& label : drawn) {
        TextRenderer::Color colour = label.entry == selected ? kSelectedColour : kNameColour;
        colour.a = label.alpha;
        text.addSceneText(std::string(tree.name(label.entry)), {label.origin[0], label.origin[1], label.origin[2]},
                          {1.0f, 0.0f, 0.0f}, {MapLabels::kUp[0], MapLabels::kUp[1], MapLabels::kUp[2]}, label.em,
                          colour);
    }
    text.drawScene();
}
