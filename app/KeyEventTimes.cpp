#include "app/KeyEventTimes.h"

#include "app/ServerClock.h"

#include <deque>
#include <set>

#include <SDL/SDL.h>
#include <SDL/SDL_syswm.h>
// Last: it defines min and max as macros.
#include <X11/Xlibint.h>

namespace {

struct KeyTime {
    bool pressed;
    unsigned keycode;
    Time stamp;
    std::int64_t counted;
};

// Taken on the thread that reads SDL's connection, which is the one that
// pumps SDL's events and takes the times.
std::deque<KeyTime> gTimes;
ServerClock gClock;
// The keys whose press was taken and whose release was not.
std::set<unsigned> gHeld;
using WireToEvent = Bool (*)(Display*, XEvent*, xEvent*);
WireToEvent gPressToEvent = nullptr;
WireToEvent gReleaseToEvent = nullptr;
// More than any burst SDL reads at once; older ones have no event left.
constexpr std::size_t kKept = 256;

void record(const XEvent& event)
{
    const auto readAt = std::chrono::steady_clock::now();
    if (gTimes.size() == kKept)
        gTimes.pop_front();
    const XKeyEvent& key = event.xkey;
    gTimes.push_back(KeyTime{event.type == KeyPress, key.keycode, key.time,
                             gClock.observe(static_cast<std::uint32_t>(key.time), readAt)});
}

// Xlib's own conversion of a key event off the wire, then its time recorded.
Bool pressToEvent(Display* display, XEvent* event, xEvent* wire)
{
    const Bool made = gPressToEvent(display, event, wire);
    if (made != False && event->type == KeyPress)
        record(*event);
    return made;
}

Bool releaseToEvent(Display* display, XEvent* event, xEvent* wire)
{
    const Bool made = gReleaseToEvent(display, event, wire);
    if (made != False && event->type == KeyRelease)
        record(*event);
    return made;
}

// A release and a press of the same key at the same moment: a held key's
// repeat, which SDL drops both of.
bool repeatAtFront()
{
    if (gTimes.size() < 2)
        return false;
    const KeyTime& release = gTimes[0];
    const KeyTime& press = gTimes[1];
    return !release.pressed && press.pressed && press.keycode == release.keycode && press.stamp - release.stamp < 2;
}

} // namespace

void KeyEventTimes::watch()
{
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (gPressToEvent != nullptr || SDL_GetWMInfo(&info) != 1 || info.subsystem != SDL_SYSWM_X11
        || info.info.x11.display == nullptr)
        return;
    Display* display = info.info.x11.display;
    XLockDisplay(display);
    gPressToEvent = XESetWireToEvent(display, KeyPress, pressToEvent);
    gReleaseToEvent = XESetWireToEvent(display, KeyRelease, releaseToEvent);
    XUnlockDisplay(display);
}

std::optional<KeyEventTimes::TimePoint> KeyEventTimes::take(bool pressed)
{
    while (!gTimes.empty()) {
        if (repeatAtFront()) {
            gTimes.erase(gTimes.begin(), gTimes.begin() + 2);
            continue;
        }
        const KeyTime front = gTimes.front();
        gTimes.pop_front();
        // A press SDL made no event of (a repeat's, where the server sends
        // presses only), or a release whose press went unseen: skipped.
        if (front.pressed != pressed)
            continue;
        // While a key is held its press and release are placed alike, so it
        // counts for as long as the server saw it held.
        if (gHeld.empty())
            gClock.settle();
        if (pressed)
            gHeld.insert(front.keycode);
        else
            gHeld.erase(front.keycode);
        return gClock.place(front.counted);
    }
    return std::nullopt;
}

void KeyEventTimes::forgetHeld()
{
    gHeld.clear();
}
