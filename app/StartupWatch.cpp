#include "app/StartupWatch.h"

#include "app/Application.h"

#include <SDL/SDL.h>

namespace {

// As many events as SDL's queue holds.
constexpr int kQueueCapacity = 128;

bool quitQueued()
{
    SDL_Event quit;
    return SDL_PeepEvents(&quit, 1, SDL_PEEKEVENT, SDL_QUITMASK) > 0;
}

bool escapePressed()
{
    SDL_Event events[kQueueCapacity];
    const int count = SDL_PeepEvents(events, kQueueCapacity, SDL_PEEKEVENT, SDL_KEYDOWNMASK);
    for (int i = 0; i < count; ++i)
        if (events[i].key.keysym.sym == SDLK_ESCAPE)
            return true;
    return false;
}

} // namespace

StartupWatch::StartupWatch(ProgressListener* nextListener) : next(nextListener)
{
}

void StartupWatch::progressed(std::uint64_t done)
{
    if (next != nullptr)
        next->progressed(done);
    if (SDL_WasInit(SDL_INIT_VIDEO) == 0)
        return;
    // Pumping talks to the X server: often enough to answer within a fraction
    // of the allowed time, rarely enough that the scan does not notice.
    const std::uint32_t now = SDL_GetTicks();
    if (now - lastCheck < kCheckIntervalMs)
        return;
    lastCheck = now;

    SDL_PumpEvents();
    if (quitQueued() || escapePressed())
        Application::quit(0);
}
