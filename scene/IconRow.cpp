#include "scene/IconRow.h"

#include "model/Model.h"
#include "scene/FsNode.h"
#include "scene/IconSettings.h"
#include "scene/SymbolLibrary.h"
#include "scene/VisibleSlots.h"

#include <GL/gl.h>

#include <algorithm>
#include <cstdlib>

namespace {

bool cullingOn = true;

// Projection times model-view, as GL will transform the icons' vertices.
void readClipFromScene(double out[16])
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

// The box around every loaded symbol as an icon places it at slot 0: scaled
// by `scale`, stood upright (model z up, model y towards -z) at (0, 1, 1).
VisibleSlots::Box symbolBox(double scale)
{
    VisibleSlots::Box box;
    bool first = true;
    for (const Model* model : SymbolLibrary::instance()->models) {
        const double low[3] = {scale * model->lowest.x, 1.0 + scale * model->lowest.z, 1.0 - scale * model->highest.y};
        const double high[3]
            = {scale * model->highest.x, 1.0 + scale * model->highest.z, 1.0 - scale * model->lowest.y};
        for (int axis = 0; axis < 3; ++axis) {
            // A negative scale swaps the ends.
            const double from = std::min(low[axis], high[axis]);
            const double to = std::max(low[axis], high[axis]);
            box.low[axis] = first ? from : std::min(box.low[axis], from);
            box.high[axis] = first ? to : std::max(box.high[axis], to);
        }
        first = false;
    }
    return box;
}

} // namespace

void IconRow::setCulling(bool on)
{
    cullingOn = on;
}

void IconRow::draw(const std::vector<FsNode*>& nodes)
{
    VisibleSlots slots;
    slots.end = nodes.size();
    if (cullingOn && !nodes.empty()) {
        // The same settings the icons read, once for the whole row.
        const IconSettings* settings = IconSettings::instance();
        const double size = std::atof(settings->get("iconsize").c_str());
        const double spaceX = std::atof(settings->get("iconspace_x").c_str());
        double clipFromScene[16];
        readClipFromScene(clipFromScene);
        slots = VisibleSlots::of(clipFromScene, size + spaceX, symbolBox(static_cast<float>(size)), nodes.size());
    }
    for (std::size_t i = slots.first; i < slots.end; ++i)
        nodes[i]->draw(static_cast<int>(i));
}
