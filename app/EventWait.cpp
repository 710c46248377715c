#include "app/EventWait.h"

#include "app/EventSource.h"

#include <SDL/SDL_syswm.h>
#include <poll.h>

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

} // namespace

bool EventWait::next(SDL_Event& event)
{
    const int connection = eventConnection();
    if (connection < 0)
        return SDL_WaitEvent(&event) != 0;
    // An empty SDL queue after a poll means Xlib's queue is empty too: SDL
    // took every event Xlib had read. So the next one arrives on the socket.
    while (!EventSource::poll(event)) {
        pollfd readable{connection, POLLIN, 0};
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
        pollfd readable{connection, POLLIN, 0};
        poll(&readable, 1, std::min(left, kRecheckMs));
    }
    return true;
}
