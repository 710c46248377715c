#include "bench/ViewerFrame.h"

#include "app/Application.h"
#include "geometry/Camera.h"
#include "scene/FsNode.h"

#include <SDL/SDL.h>
#include <GL/gl.h>

void ViewerFrame::draw(FsNode& root)
{
    // Where the viewer starts: one unit up, 30 out, looking towards -z.
    static const Camera camera(Vector3(0.0f, 1.0f, 30.0f), Vector3(0.0f, 0.0f, -1.0f), Vector3(0.0f, 1.0f, 0.0f));
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
    camera.applyView();
    Application::drawAxes();
    root.drawChildren();
    SDL_GL_SwapBuffers();
    glFinish();
}
