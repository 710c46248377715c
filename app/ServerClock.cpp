#include "app/ServerClock.h"

std::int64_t ServerClock::observe(std::uint32_t stampMs, TimePoint readAt)
{
    if (!started) {
        started = true;
        lastStamp = stampMs;
        best = readAt;
        placing = readAt;
        return 0;
    }
    // Events arrive in the server's order, so the step is small either way.
    counted += static_cast<std::int32_t>(stampMs - lastStamp);
    lastStamp = stampMs;
    const TimePoint stamped = best + std::chrono::milliseconds(counted);
    // Read sooner after its stamp than any event before: the offset is smaller.
    if (stamped > readAt)
        best -= stamped - readAt;
    return counted;
}
