#include "app/EventWait.h"

#include "app/EventSource.h"

#include <SDL/SDL_syswm.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>

namespace {

// The descriptor of the connection SDL reads its X events from; -1 when
// SDL does not say (another video driver).
int eventConnection()
{
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (SDL_GetWMInfo(&info) != 1 || info.subsystem != SDL_SYSWM_X11 || info.info.x11.display == nullptr)
        return -1;
    return ConnectionNumber(info.info.x11.display);
}

int gWake = -1;

// Sleeps until the X connection or the wake descriptor is readable, or
// timeoutMs passed; true when the wake descriptor woke it (emptied now).
bool sleepOn(int connection, int timeoutMs)
{
    pollfd readable[2] = {{connection, POLLIN, 0}, {gWake, POLLIN, 0}};
    const int count = gWake >= 0 ? 2 : 1;
    if (poll(readable, static_cast<nfds_t>(count), timeoutMs) <= 0 || (readable[1].revents & POLLIN) == 0 || count == 1)
        return false;
    char drained[64];
    while (read(gWake, drained, sizeof drained) > 0) {}
    return true;
}

void userEvent(SDL_Event& event)
{
    event = SDL_Event();
    event.type = SDL_USEREVENT;
}

} // namespace

void EventWait::wakeOn(int descriptor)
{
    gWake = descriptor;
}

bool EventWait::next(SDL_Event& event)
{
    const int connection = eventConnection();
    if (connection < 0)
        return SDL_WaitEvent(&event) != 0;
    // An empty SDL queue after a poll means Xlib's queue is empty too: SDL
    // took every event Xlib had read. So the next one arrives on the socket.
    while (!EventSource::poll(event)) {
        pollfd readable{connection, POLLIN, 0};
        if (gWake >= 0) {
            if (sleepOn(connection, kRecheckMs)) {
                userEvent(event);
                return true;
            }
            continue;
        }
        if (poll(&readable, 1, kRecheckMs) < 0 && errno != EINTR)
            return SDL_WaitEvent(&event) != 0; // SDL's own, slower wait still works
    }
    return true;
}

bool EventWait::next(SDL_Event& event, int timeoutMs)
{
    const int connection = eventConnection();
    const std::uint32_t start = SDL_GetTicks();
    while (!EventSource::poll(event)) {
        const int left = timeoutMs - static_cast<int>(SDL_GetTicks() - start);
        if (left <= 0)
            return false;
        if (connection < 0) {
            SDL_Delay(static_cast<std::uint32_t>(std::min(left, 10)));
            continue;
        }
        if (sleepOn(connection, std::min(left, kRecheckMs))) {
            userEvent(event);
            return true;
        }
    }
    return true;
}
