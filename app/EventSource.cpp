#include "app/EventSource.h"

#include "app/QuitSignals.h"
#include "app/StartupWatch.h"

void EventSource::beginStartup()
{
    StartupWatch::takeOver();
}

void EventSource::beginLoop()
{
    StartupWatch::handOver();
}

bool EventSource::poll(SDL_Event& event)
{
    if (StartupWatch::takeKept(event) || SDL_PollEvent(&event) != 0)
        return true;
    if (!QuitSignals::takeRequest())
        return false;
    event.type = SDL_QUIT;
    return true;
}
