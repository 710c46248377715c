#pragma once

#include <chrono>
#include <optional>

// When the X server says each key was pressed or released, on this process's
// steady clock. SDL 1.2's key events carry no time, and a process starved of
// processor time reads them late; the X events they are made from carry the
// server's time. Those are taken as Xlib reads them off SDL's connection, so
// they come in the order of SDL's key events. A time may lie a little ahead
// of the moment the event is handled: a key's release is placed as far after
// its press as the server took them, also when the press was read late.
class KeyEventTimes {
public:
    using TimePoint = std::chrono::steady_clock::time_point;

    // Starts taking the times from the connection SDL reads its events from;
    // does nothing without one (another video driver). Call once the window
    // is open.
    static void watch();
    // The time of the oldest key event of this kind not taken yet, matched to
    // SDL's key events in order: what SDL drops (the release and press of a
    // held key's repeat) is skipped. Empty when there is none to take.
    static std::optional<TimePoint> take(bool pressed);
    // The keyboard went to another window, which gets the releases of the
    // keys held now.
    static void forgetHeld();
};
