#pragma once

#include <SDL/SDL.h>

// Where an event loop takes its events from once start-up is over: first the
// events the start-up watch kept in order, then SDL's queue, and last a quit
// asked for by SIGINT or SIGTERM, which arrives as SDL_QUIT, as the window's
// close button does.
class EventSource {
public:
    // SDL's video is up: until beginLoop, the start-up watch keeps every
    // event. Call right after SDL_Init, before the window opens.
    static void beginStartup();
    // Start-up is over: SDL queues events again and signals are recorded for
    // the loop instead of ending the process. Call once, as the loop begins.
    static void beginLoop();
    // The next event, without waiting; false when there is none.
    static bool poll(SDL_Event& event);

    // Called as the loop begins, before start-up hands over; none by default.
    // A test build slows the last moment of start-up with it, so that keys
    // sent as the window appears reach the hand-over.
    static void setBeforeLoop(void (*hook)());
};
