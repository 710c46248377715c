#pragma once

#include "support/ProgressListener.h"

#include <SDL/SDL.h>

#include <cstdint>

// Answers a request to quit while start-up work (the scan, a symbol model's
// load) holds the main thread and the event loop has not begun. Between pieces
// of that work, at most once every kCheckIntervalMs, it pumps SDL's events:
// SDL_QUIT (the window's close button) or a pressed Escape ends the process
// with exit code 0, as in the event loop. (SIGINT and SIGTERM are answered by
// QuitSignals.)
//
// From takeOver (or else its first check) on, every event SDL receives is
// taken out of SDL's queue into a buffer of the watch's own, in order, so that
// no number of events can fill SDL's queue and crowd out a request to quit or
// a key. Merged, since
// the loop would lose nothing by it: pointer motion with nothing between, into
// one motion carrying the summed relative motion and the last position; a
// click (or wheel notch) right after a click of the same button, which the
// loop reads nothing from. The loop takes the kept events first (takeKept),
// so keys and resizes made during start-up arrive as made.
// Does nothing until SDL's video is up.
class StartupWatch : public ProgressListener {
public:
    static constexpr std::uint32_t kCheckIntervalMs = 20;

    // Every report is passed on to `next` first, when given.
    explicit StartupWatch(ProgressListener* next = nullptr);

    void progressed(std::uint64_t done) override;
    void finished() override;

    // SDL's video is up and the window is about to open: events are kept
    // from now on, also those SDL takes in while it opens the window (some
    // SDL builds read the display's events then). Call right after SDL_Init,
    // which would drop the filter this sets.
    static void takeOver();
    // Start-up is over, as the event loop begins: SDL queues events again, and
    // QuitSignals records signals for the loop. Watches then only pass
    // reports on.
    static void handOver();
    // The oldest event kept during start-up, taken out; false when none is left.
    static bool takeKept(SDL_Event& event);

private:
    ProgressListener* next;
    std::uint32_t lastCheck = 0;
};
