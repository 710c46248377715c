#include "app/ServerClock.h"

#include <gtest/gtest.h>

#include <chrono>

using std::chrono::milliseconds;

// A press read 300 ms late and its release read at once: until the clock is
// settled again, both are placed with the same offset, so they lie as far
// apart as the server stamped them, also across a wrap of the server's clock.
// Settled, the estimate from the release holds.
TEST(ServerClock, StampsKeepTheirDistanceUntilSettledAndThenTakeTheBestOffset)
{
    ServerClock clock;
    const ServerClock::TimePoint t0{milliseconds(1'000'000)};
    const std::uint32_t nearWrap = 0xFFFFFF00u;
    const auto press = clock.observe(nearWrap, t0 + milliseconds(300));
    clock.settle();
    const auto release = clock.observe(nearWrap + 1000u, t0 + milliseconds(1000));
    EXPECT_EQ(clock.place(press), t0 + milliseconds(300));
    EXPECT_EQ(clock.place(release) - clock.place(press), milliseconds(1000));

    clock.settle();
    EXPECT_EQ(clock.place(release), t0 + milliseconds(1000));
    const auto late = clock.observe(nearWrap + 2000u, t0 + milliseconds(2400));
    EXPECT_EQ(clock.place(late), t0 + milliseconds(2000));
}
