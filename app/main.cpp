#include "app/Application.h"
#include "app/StartupWatch.h"
#include "model/Model.h"
#include "scene/SceneRoot.h"

#include <SDL/SDL.h>

#include <cstdlib>

int main(int, char**)
{
    // Only the X11 video driver gives an OpenGL context. Without this default,
    // SDL would fall back to a text-mode driver when no display is reachable,
    // take over the terminal and only then fail to set the GL mode.
    setenv("SDL_VIDEODRIVER", "x11", 0);
    std::atexit(SDL_Quit);
    // The scan and the symbol loads report to it, so a quit is answered before
    // the event loop runs.
    static StartupWatch startupWatch(nullptr);
    SceneRoot::setProgressListener(&startupWatch);
    Model::setProgressListener(&startupWatch);
    new Application();
    return 0; // not reached: the application ends the process itself
}
