#include "explore/SelectionFrame.h"

#include <GL/gl.h>

void SelectionFrame::draw(const double boxLow[3], const double boxHigh[3], double room)
{
    double low[3];
    double high[3];
    for (int axis = 0; axis < 3; ++axis) {
        low[axis] = boxLow[axis] - room;
        high[axis] = boxHigh[axis] + room;
    }
    glPushAttrib(GL_ENABLE_BIT | GL_CURRENT_BIT | GL_LINE_BIT);
    glDisable(GL_LIGHTING);
    glDisable(GL_TEXTURE_2D);
    glLineWidth(2.0f);
    glColor3f(1.0f, 0.85f, 0.2f);
    glBegin(GL_LINES);
    for (int edge = 0; edge < 12; ++edge) {
        // Edges along each axis (edge / 4) at the four corners of the other two.
        const int axis = edge / 4;
        const int a = (axis + 1) % 3;
        const int b = (axis + 2) % 3;
        double from[3];
        from[a] = (edge & 1) != 0 ? high[a] : low[a];
        from[b] = (edge & 2) != 0 ? high[b] : low[b];
        from[axis] = low[axis];
        double to[3] = {from[0], from[1], from[2]};
        to[axis] = high[axis];
        glVertex3dv(from);
        glVertex3dv(to);
    }
    glEnd();
    glPopAttrib();
}
