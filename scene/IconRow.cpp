#include "scene/IconRow.h"

#include "model/Model.h"
#include "scene/FsNode.h"
#include "scene/SymbolLibrary.h"
#include "scene/RowLayout.h"

#include <GL/gl.h>

namespace {

bool cullingOn = true;

// The standard layout with the bounds of every symbol loaded so far.
RowLayout loadedLayout()
{
    RowLayout layout = RowLayout::standard();
    for (const Model* model : SymbolLibrary::instance()->models)
        layout.includeSymbol(model->lowest, model->highest);
    return layout;
}

} // namespace

void IconRow::readClipFromScene(double out[16])
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

void IconRow::setCulling(bool on)
{
    cullingOn = on;
}

void IconRow::draw(const std::vector<FsNode*>& nodes)
{
    VisibleSlots slots;
    slots.end = nodes.size();
    if (cullingOn && !nodes.empty()) {
        double clipFromScene[16];
        readClipFromScene(clipFromScene);
        slots = loadedLayout().visibleSlots(clipFromScene, nodes.size());
    }
    for (std::size_t i = slots.first; i < slots.end; ++i)
        nodes[i]->draw(static_cast<int>(i));
}
