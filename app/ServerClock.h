#pragma once

#include <chrono>
#include <cstdint>

// Places the X server's event times (milliseconds on the server's own clock,
// wrapping at 2^32) on this process's steady clock. An event is read after
// the server stamped it, so the moment it was read minus its stamp is the
// offset between the two clocks plus a delay that is never negative: the
// smallest such difference seen is the best estimate of the offset.
//
// Stamps are placed with the estimate taken at the last settle(), not the
// newest: a press read late and its release read at once would otherwise come
// out closer together than the server took them. Settle while nothing is held.
class ServerClock {
public:
    using TimePoint = std::chrono::steady_clock::time_point;

    // An event stamped `stampMs` was read at `readAt`; its stamp counted on
    // from the first one seen, past any wrap of the server's clock.
    std::int64_t observe(std::uint32_t stampMs, TimePoint readAt);
    // Places stamps with the best estimate so far from now on.
    void settle() { placing = best; }
    // The moment of an event whose counted stamp is `stamp`.
    TimePoint place(std::int64_t stamp) const { return placing + std::chrono::milliseconds(stamp); }

private:
    bool started = false;
    std::uint32_t lastStamp = 0;
    std::int64_t counted = 0;
    // The moment of the first stamp on this process's clock.
    TimePoint best;
    TimePoint placing;
};
