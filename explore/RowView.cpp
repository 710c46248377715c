#include "explore/RowView.h"

#include "explore/ExploreState.h"
#include "model/Model.h"
#include "scene/FsNode.h"
#include "scene/Icon.h"
#include "scene/IconSettings.h"
#include "scene/RowLayout.h"
#include "scene/SymbolLibrary.h"
#include "scene/VisibleSlots.h"

#include <GL/gl.h>

#include <algorithm>
#include <cstdlib>
#include <utility>

namespace {

struct RowSettings {
    double size = 0.0;
    double spaceX = 0.0;
};

// The layout values the icons read, once.
RowSettings rowSettings()
{
    const IconSettings* settings = IconSettings::instance();
    return {std::atof(settings->get("iconsize").c_str()), std::atof(settings->get("iconspace_x").c_str())};
}

} // namespace

void RowView::readClipFromScene(double out[16])
{
    GLfloat projection[16];
    GLfloat modelview[16];
    glGetFloatv(GL_PROJECTION_MATRIX, projection);
    glGetFloatv(GL_MODELVIEW_MATRIX, modelview);
    for (int column = 0; column < 4; ++column)
        for (int row = 0; row < 4; ++row) {
            double sum = 0.0;
            for (int k = 0; k < 4; ++k)
                sum += static_cast<double>(projection[4 * k + row]) * modelview[4 * column + k];
            out[4 * column + row] = sum;
        }
}

namespace {

// Places the model at slot x, scaled by `size`, its height times `factor`
// grown from its base, and draws it. At factor 1 this is Icon::draw's
// placement: the origin at (x, 1, 1), scaled evenly.
void drawSymbol(Model& model, float x, float size, float factor)
{
    float originY = 1.0f;
    if (factor != 1.0f) {
        const float base = 1.0f + size * model.lowest.z;
        originY = base + factor * (1.0f - base);
    }
    model.translate(x, originY, 1.0f);
    glScalef(size, size * factor, size);
    model.draw();
}

} // namespace

RowShape RowView::shapeOfLoadedSymbols()
{
    const RowSettings settings = rowSettings();
    const double scale = static_cast<float>(settings.size);
    RowShape shape;
    shape.pitch = settings.size + settings.spaceX;
    // Stood upright (model z up, model y towards -z) at (0, 1, 1).
    bool first = true;
    for (const Model* model : SymbolLibrary::instance()->models) {
        const double low[3] = {scale * model->lowest.x, 1.0 + scale * model->lowest.z, 1.0 - scale * model->highest.y};
        const double high[3]
            = {scale * model->highest.x, 1.0 + scale * model->highest.z, 1.0 - scale * model->lowest.y};
        for (int axis = 0; axis < 3; ++axis) {
            const double from = std::min(low[axis], high[axis]);
            const double to = std::max(low[axis], high[axis]);
            shape.symbol.low[axis] = first ? from : std::min(shape.symbol.low[axis], from);
            shape.symbol.high[axis] = first ? to : std::max(shape.symbol.high[axis], to);
        }
        first = false;
    }
    return shape;
}

RowLayout RowView::layoutOfLoadedSymbols()
{
    RowLayout layout(*IconSettings::instance());
    for (const Model* model : SymbolLibrary::instance()->models)
        layout.includeSymbol(model->lowest, model->highest);
    return layout;
}

void RowView::setHeightFactor(HeightFactor factor, float largest)
{
    heightFactor = std::move(factor);
    largestFactor = std::max(largest, 1.0f);
}

void RowView::draw(const ExploreState& state) const
{
    const std::vector<FsNode*>& entries = state.entries();
    if (entries.empty())
        return;
    const RowSettings settings = rowSettings();

    RowShape shape = shapeOfLoadedSymbols();
    VisibleSlots::Box& box = shape.symbol;
    box.high[1] = box.low[1] + largestFactor * (box.high[1] - box.low[1]);
    double clipFromScene[16];
    readClipFromScene(clipFromScene);
    const VisibleSlots slots = VisibleSlots::of(clipFromScene, shape.pitch, box, entries.size());

    const float size = static_cast<float>(settings.size);
    for (std::size_t i = slots.first; i < slots.end; ++i) {
        const FsNode& entry = *entries[i];
        if (entry.icon == nullptr || entry.icon->model == nullptr)
            continue;
        // Summed in double and rounded once, as the icons place slot i.
        const double index = static_cast<double>(i);
        const float x = static_cast<float>(settings.size * index + settings.spaceX * index);
        const float factor = heightFactor ? std::max(heightFactor(entry), 1.0f) : 1.0f;
        drawSymbol(*entry.icon->model, x, size, factor);
    }
}
