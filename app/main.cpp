#include "app/Application.h"

#include <SDL/SDL.h>

#include <cstdlib>

int main(int, char**)
{
    // Only the X11 video driver gives an OpenGL context. Without this default,
    // SDL would fall back to a text-mode driver when no display is reachable,
    // take over the terminal and only then fail to set the GL mode.
    setenv("SDL_VIDEODRIVER", "x11", 0);
    std::atexit(SDL_Quit);
    new Application();
    return 0; // not reached: the application ends the process itself
}
