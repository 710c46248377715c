#include "bench/BenchWindow.h"

#include <SDL/SDL.h>

#include <cstdlib>

bool BenchWindow::open()
{
    // Only the X11 driver gives a GL context; see the viewer's main.
    setenv("SDL_VIDEODRIVER", "x11", 0);
    if (SDL_Init(SDL_INIT_VIDEO) < 0) {
        lastError = std::string("Video initialization failed: ") + SDL_GetError();
        return false;
    }
    std::atexit(SDL_Quit);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_WM_SetCaption("Lumenfold benchmark", "Lumenfold benchmark");
    if (SDL_SetVideoMode(kWidth, kHeight, 32, SDL_OPENGL | SDL_RESIZABLE) == nullptr) {
        lastError = std::string("Video mode set failed: ") + SDL_GetError();
        return false;
    }
    return true;
}
