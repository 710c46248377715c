#include "tests/gl/GlContext.h"

#include <SDL/SDL.h>
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cstdlib>

namespace gltest {

bool ensureContext()
{
    static bool ready = [] {
        setenv("SDL_VIDEODRIVER", "x11", 0);
        if (SDL_Init(SDL_INIT_VIDEO) < 0)
            return false;
        std::atexit(SDL_Quit);
        SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
        return SDL_SetVideoMode(800, 600, 32, SDL_OPENGL | SDL_RESIZABLE) != nullptr;
    }();
    return ready;
}

void currentModelview(float out[16])
{
    glGetFloatv(GL_MODELVIEW_MATRIX, out);
}

void currentProjection(float out[16])
{
    glGetFloatv(GL_PROJECTION_MATRIX, out);
}

} // namespace gltest
