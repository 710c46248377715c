#include "explore/map/MapView.h"

#include "explore/RowView.h"
#include "explore/SelectionFrame.h"

#include <GL/gl.h>

#include <algorithm>
#include <utility>

namespace {

// The share of a colour given to the material, so that the viewer's bright
// ambient light and the light from the left leave the faces apart.
constexpr float kMaterialShare = 0.55f;

std::uint8_t channel(float value)
{
    return static_cast<std::uint8_t>(std::clamp(value * kMaterialShare, 0.0f, 1.0f) * 255.0f + 0.5f);
}

} // namespace

MapView::Colour MapView::kindColour(EntryKind kind)
{
    return MapColour::ofKind(kind);
}

void MapView::setColourOf(ColourOf colour)
{
    colourOf = std::move(colour);
    builtFrom = 0;
}

void MapView::currentView(double clipFromScene[16], int viewport[4])
{
    const RowView::SceneTransform transform = RowView::currentTransform();
    std::copy(transform.clipFromScene, transform.clipFromScene + 16, clipFromScene);
    std::copy(transform.viewport, transform.viewport + 4, viewport);
}

void MapView::addBox(const MapBox& box, Colour colour, bool withBottom, const MapDrawOrder& drawOrder)
{
    const std::uint8_t rgba[4] = {channel(colour.r), channel(colour.g), channel(colour.b), 255};
    // Each face: the axis it faces along, the side, and its corners in
    // counter-clockwise order seen from outside.
    for (int axis = 0; axis < 3; ++axis) {
        const int a = (axis + 1) % 3;
        const int b = (axis + 2) % 3;
        for (int side = 0; side < 2; ++side) {
            if ((axis == 1 && side == 0 && !withBottom) || !drawOrder.facesEye(box, axis, side))
                continue;
            const float at = side == 0 ? box.low[axis] : box.high[axis];
            const int corners[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
            for (int k = 0; k < 4; ++k) {
                // The low side runs the corners the other way round.
                const int* corner = corners[side == 0 ? (4 - k) % 4 : k];
                Vertex vertex{};
                vertex.position[axis] = at;
                vertex.position[a] = corner[0] != 0 ? box.high[a] : box.low[a];
                vertex.position[b] = corner[1] != 0 ? box.high[b] : box.low[b];
                vertex.normal[axis] = side == 0 ? -1.0f : 1.0f;
                std::copy(rgba, rgba + 4, vertex.colour);
                vertices.push_back(vertex);
            }
        }
    }
}

void MapView::build(const std::vector<MapBox>& boxes, const double clipFromScene[16])
{
    vertices.clear();
    const MapDrawOrder drawOrder(clipFromScene);
    drawOrder.order(boxes, order);
    for (const std::uint32_t index : order) {
        const MapBox& box = boxes[index];
        Colour colour = colourOf ? colourOf(box.entry, box.entryKind) : kindColour(box.entryKind);
        if (box.counting) {
            colour.r *= kCountingShade;
            colour.g *= kCountingShade;
            colour.b *= kCountingShade;
        }
        // Only the lowest platform's bottom can be seen, from below the ground.
        addBox(box, colour, index == 0, drawOrder);
    }
}

void MapView::draw(MapModel& model, std::int64_t nowMs, EntryId selected)
{
    double clipFromScene[16];
    int viewport[4];
    currentView(clipFromScene, viewport);
    const std::vector<MapBox>& boxes = model.collect(clipFromScene, viewport, nowMs);
    if (model.collection() != builtFrom) {
        build(boxes, clipFromScene);
        builtFrom = model.collection();
    }
    const MapBox* framed = selected == kNoEntry ? nullptr : model.boxOf(selected);
    glPushAttrib(GL_ENABLE_BIT | GL_LIGHTING_BIT | GL_CURRENT_BIT | GL_POLYGON_BIT);
    glPushClientAttrib(GL_CLIENT_VERTEX_ARRAY_BIT);
    glDisable(GL_TEXTURE_2D);
    glEnable(GL_LIGHTING);
    glEnable(GL_NORMALIZE);
    // Faces turned away are not sent (see MapDrawOrder); GL's own culling
    // stays on for the faces seen exactly edge on.
    glEnable(GL_CULL_FACE);
    glCullFace(GL_BACK);
    glFrontFace(GL_CCW);
    glEnable(GL_COLOR_MATERIAL);
    glColorMaterial(GL_FRONT, GL_AMBIENT_AND_DIFFUSE);
    const GLfloat noSpecular[] = {0.0f, 0.0f, 0.0f, 1.0f};
    glMaterialfv(GL_FRONT, GL_SPECULAR, noSpecular);
    if (!vertices.empty()) {
        glEnableClientState(GL_VERTEX_ARRAY);
        glEnableClientState(GL_NORMAL_ARRAY);
        glEnableClientState(GL_COLOR_ARRAY);
        glVertexPointer(3, GL_FLOAT, sizeof(Vertex), vertices[0].position);
        glNormalPointer(GL_FLOAT, sizeof(Vertex), vertices[0].normal);
        glColorPointer(4, GL_UNSIGNED_BYTE, sizeof(Vertex), vertices[0].colour);
        glDrawArrays(GL_QUADS, 0, static_cast<GLsizei>(vertices.size()));
    }
    glPopClientAttrib();
    glPopAttrib();
    if (framed != nullptr)
        drawFrame(*framed);
}

void MapView::drawFrame(const MapBox& box)
{
    // A little outside the box, so its faces do not hide the frame.
    const double room = 0.02 + 0.02 * std::min(box.high[0] - box.low[0], box.high[2] - box.low[2]);
    const double low[3] = {box.low[0], box.low[1], box.low[2]};
    const double high[3] = {box.high[0], box.high[1], box.high[2]};
    SelectionFrame::draw(low, high, room);
}
