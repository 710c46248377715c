#include "app/StartupWatch.h"

#include "app/Application.h"

#include <SDL/SDL.h>

#include <algorithm>

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

// SDL's queue drops whatever comes once it is full. Pointer motion over the
// window alone fills it during a long start-up, and a request to quit would
// then be dropped. So once motion events take half the queue they are merged
// into at most two, one for the motion made with the left button held and one
// for the rest, each carrying the summed relative motion and the last
// position: all the event loop takes from them.
void mergeMotion()
{
    SDL_Event motions[kQueueCapacity];
    const int count = SDL_PeepEvents(motions, kQueueCapacity, SDL_PEEKEVENT, SDL_MOUSEMOTIONMASK);
    if (count < kQueueCapacity / 2)
        return;
    SDL_PeepEvents(motions, count, SDL_GETEVENT, SDL_MOUSEMOTIONMASK);
    SDL_Event merged[2] = {};
    int xrel[2] = {0, 0};
    int yrel[2] = {0, 0};
    bool seen[2] = {false, false};
    for (int i = 0; i < count; ++i) {
        const int dragged = (motions[i].motion.state & SDL_BUTTON(SDL_BUTTON_LEFT)) != 0 ? 1 : 0;
        merged[dragged] = motions[i];
        xrel[dragged] += motions[i].motion.xrel;
        yrel[dragged] += motions[i].motion.yrel;
        seen[dragged] = true;
    }
    for (int kind = 0; kind < 2; ++kind) {
        if (!seen[kind])
            continue;
        merged[kind].motion.xrel = static_cast<Sint16>(std::clamp(xrel[kind], -32768, 32767));
        merged[kind].motion.yrel = static_cast<Sint16>(std::clamp(yrel[kind], -32768, 32767));
        SDL_PushEvent(&merged[kind]);
    }
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
    mergeMotion();
}

void StartupWatch::finished()
{
    if (next != nullptr)
        next->finished();
}
