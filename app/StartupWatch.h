#pragma once

#include "support/ProgressListener.h"

#include <cstdint>

// Answers a request to quit while start-up work (the scan, a symbol model's
// load) holds the main thread and the event loop has not begun. Between pieces
// of that work, at most once every kCheckIntervalMs, it pumps SDL's events and
// looks into the queue without taking anything out: SDL_QUIT (the window's
// close button; SDL turns SIGINT and SIGTERM into it as well) or a pressed
// Escape ends the process with exit code 0, as in the event loop. Events stay
// queued, so the event loop still sees resizes and keys that came early; only
// pointer motion is merged, so that it cannot fill the queue.
// Does nothing until SDL's video is up.
class StartupWatch : public ProgressListener {
public:
    static constexpr std::uint32_t kCheckIntervalMs = 20;

    // Every report is passed on to `next` first, when given.
    explicit StartupWatch(ProgressListener* next = nullptr);

    void progressed(std::uint64_t done) override;
    void finished() override;

private:
    ProgressListener* next;
    std::uint32_t lastCheck = 0;
};
