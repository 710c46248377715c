#include "app/StartupWatch.h"

#include "app/Application.h"
#include "app/QuitSignals.h"

#include <algorithm>
#include <deque>

namespace {

// Shared by every watch: SDL has one queue and one filter.
std::deque<SDL_Event> gKept;
bool gKeeping = false;
bool gOver = false;
bool gQuitSeen = false;
// A button whose press was merged away, so its release goes too.
int gSwallowedButton = 0;

bool isQuitRequest(const SDL_Event& event)
{
    return event.type == SDL_QUIT || (event.type == SDL_KEYDOWN && event.key.keysym.sym == SDLK_ESCAPE);
}

bool dragging(const SDL_Event& motion)
{
    return (motion.motion.state & SDL_BUTTON(SDL_BUTTON_LEFT)) != 0;
}

// Into the last kept event, when that is a motion of the same kind (a drag
// or not) and nothing came between.
bool mergedMotion(const SDL_Event& motion)
{
    if (gKept.empty() || gKept.back().type != SDL_MOUSEMOTION || dragging(gKept.back()) != dragging(motion))
        return false;
    SDL_Event& last = gKept.back();
    const int xrel = std::clamp(last.motion.xrel + motion.motion.xrel, -32768, 32767);
    const int yrel = std::clamp(last.motion.yrel + motion.motion.yrel, -32768, 32767);
    last = motion;
    last.motion.xrel = static_cast<Sint16>(xrel);
    last.motion.yrel = static_cast<Sint16>(yrel);
    return true;
}

// A press right after a full click of the same button, and its release.
bool mergedButton(const SDL_Event& event)
{
    const int button = event.button.button;
    if (event.type == SDL_MOUSEBUTTONUP && button == gSwallowedButton) {
        gSwallowedButton = 0;
        return true;
    }
    const std::size_t count = gKept.size();
    if (event.type != SDL_MOUSEBUTTONDOWN || count < 2)
        return false;
    const SDL_Event& press = gKept[count - 2];
    const SDL_Event& release = gKept[count - 1];
    if (press.type != SDL_MOUSEBUTTONDOWN || press.button.button != button || release.type != SDL_MOUSEBUTTONUP
        || release.button.button != button)
        return false;
    gSwallowedButton = button;
    return true;
}

void keep(const SDL_Event& event)
{
    if (isQuitRequest(event))
        gQuitSeen = true;
    if (event.type == SDL_MOUSEMOTION && mergedMotion(event))
        return;
    if ((event.type == SDL_MOUSEBUTTONDOWN || event.type == SDL_MOUSEBUTTONUP) && mergedButton(event))
        return;
    gKept.push_back(event);
}

// SDL's event filter from takeOver on: while start-up runs every event goes
// to the buffer instead of SDL's queue; afterwards each goes to the queue. It
// stays set for good, because setting a filter (even none) on classic SDL 1.2
// empties the queue by polling it, which first reads in whatever the X server
// sent meanwhile and then throws it away: a key pressed as the loop begins.
int SDLCALL keepOutOfQueue(const SDL_Event* event)
{
    if (!gKeeping)
        return 1;
    keep(*event);
    return 0;
}

// Whatever SDL's queue holds, in order, to the buffer.
void drainQueue()
{
    SDL_Event event;
    while (SDL_PeepEvents(&event, 1, SDL_GETEVENT, SDL_ALLEVENTS) > 0)
        keep(event);
}

} // namespace

StartupWatch::StartupWatch(ProgressListener* nextListener) : next(nextListener)
{
}

void StartupWatch::progressed(std::uint64_t done)
{
    if (next != nullptr)
        next->progressed(done);
    if (gOver || SDL_WasInit(SDL_INIT_VIDEO) == 0)
        return;
    // Pumping talks to the X server: often enough to answer within a fraction
    // of the allowed time, rarely enough that the scan does not notice.
    const std::uint32_t now = SDL_GetTicks();
    if (now - lastCheck < kCheckIntervalMs)
        return;
    lastCheck = now;

    takeOver();
    SDL_PumpEvents();
    if (gQuitSeen)
        Application::quit(0);
}

void StartupWatch::finished()
{
    if (next != nullptr)
        next->finished();
}

void StartupWatch::takeOver()
{
    if (gKeeping || gOver)
        return;
    // Setting a filter empties SDL's queue: what it holds is kept first, and
    // what the setting reads in meanwhile passes the filter, so it is kept too.
    drainQueue();
    gKeeping = true;
    SDL_SetEventFilter(keepOutOfQueue);
}

void StartupWatch::handOver()
{
    if (gKeeping) {
        // Anything SDL queued past the filter comes after what was kept. The
        // filter stays: from now on it lets every event into the queue.
        drainQueue();
        gKeeping = false;
    }
    gOver = true;
    QuitSignals::startupOver();
}

bool StartupWatch::takeKept(SDL_Event& event)
{
    if (gKept.empty())
        return false;
    event = gKept.front();
    gKept.pop_front();
    return true;
}
