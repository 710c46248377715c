#include "bench/ViewerFrame.h"

#include "app/Application.h"
#include "geometry/Camera.h"
#include "scene/FsNode.h"

#include <SDL/SDL.h>
#include <GL/gl.h>

void ViewerFrame::draw(FsNode& root)
{
    static const Camera start = Camera::atStart();
    draw([&root] { root.drawChildren(); }, start);
}

void ViewerFrame::begin(const Camera& camera)
{
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
    camera.applyView();
    Application::drawAxes();
}

void ViewerFrame::end()
{
    SDL_GL_SwapBuffers();
    // The frame counter's clock read.
    volatile Uint32 ticks = SDL_GetTicks();
    (void)ticks;
    // Not in the viewer: the frame's cost lands in its own timing.
    glFinish();
}
