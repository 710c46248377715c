#pragma once

#include <SDL/SDL.h>

// Waits for the next SDL event without waking up while nothing happens.
// SDL's own wait looks into the queue a hundred times a second, which costs
// an idle window about 1 % of a core; this one sleeps on the X connection
// until the server sends something. It looks at the queue again at least
// every kRecheckMs, and whenever a signal cuts the sleep short, for events
// that come from elsewhere (a SIGTERM recorded as a quit request).
class EventWait {
public:
    static constexpr int kRecheckMs = 250;

    // Fills `event` with the next event; false only when SDL's wait fails.
    static bool next(SDL_Event& event);
    // The same, waiting at most timeoutMs; false when none came by then.
    static bool next(SDL_Event& event, int timeoutMs);

    // A descriptor that another thread makes readable to wake the wait
    // (writing a byte to a pipe): the wait then empties it and gives an
    // SDL_USEREVENT. -1 (the default) for none.
    static void wakeOn(int descriptor);
};
