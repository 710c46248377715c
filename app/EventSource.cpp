#include "app/EventSource.h"

#include "app/QuitSignals.h"
#include "app/StartupWatch.h"

namespace {

void (*gBeforeLoop)() = nullptr;

} // namespace

void EventSource::setBeforeLoop(void (*hook)())
{
    gBeforeLoop = hook;
}

void EventSource::beginStartup()
{
    StartupWatch::takeOver();
}

void EventSource::beginLoop()
{
    if (gBeforeLoop != nullptr)
        gBeforeLoop();
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
