#include "bench/AlternatingTimer.h"
#include "bench/ResidentMemory.h"
#include "tools/ChildProcess.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

TEST(ResidentMemory, PeakFollowsMemoryTheProcessTouchedAndGaveBack)
{
    ASSERT_TRUE(ResidentMemory::resetPeak());
    const std::uint64_t before = ResidentMemory::current();
    ASSERT_GT(before, 0u);
    {
        constexpr std::size_t kBytes = 64u << 20;
        std::unique_ptr<char[]> block(new char[kBytes]);
        std::memset(block.get(), 1, kBytes);
    }
    // Freed, and a block this large goes straight back to the system.
    EXPECT_GE(ResidentMemory::peak(), before + (60u << 20));
    EXPECT_LT(ResidentMemory::current(), before + (16u << 20));
}

// The reference runs of the scan benchmark: output thrown away, waited for to the end.
TEST(ChildProcess, QuietRunEndsWithTheProgramsExitStatus)
{
    ChildOptions quiet;
    quiet.discardOutput = true;
    ChildProcess succeeds;
    ASSERT_TRUE(succeeds.start({"sh", "-c", "echo listing; echo noise >&2"}, quiet)) << succeeds.error();
    EXPECT_TRUE(succeeds.waitForExit());
    EXPECT_EQ(succeeds.exitCode(), 0);
    EXPECT_EQ(succeeds.standardOutput(), "");

    ChildProcess fails;
    ASSERT_TRUE(fails.start({"false"}, quiet)) << fails.error();
    EXPECT_TRUE(fails.waitForExit());
    EXPECT_EQ(fails.exitCode(), 1);
}

TEST(ChildProcess, MissingProgramOrNoneIsAnErrorNotACrash)
{
    ChildProcess missing;
    EXPECT_FALSE(missing.start({"lumenfold-no-such-program"}));
    EXPECT_FALSE(missing.error().empty());

    ChildProcess empty;
    EXPECT_FALSE(empty.start({}));
}

TEST(AlternatingTimer, MedianIgnoresAFewDisturbedSamples)
{
    EXPECT_DOUBLE_EQ(AlternatingTimer::median({}), 0.0);
    EXPECT_DOUBLE_EQ(AlternatingTimer::median({3.0}), 3.0);
    EXPECT_DOUBLE_EQ(AlternatingTimer::median({5.0, 1.0, 100.0}), 5.0);
    EXPECT_DOUBLE_EQ(AlternatingTimer::median({4.0, 1.0, 2.0, 900.0}), 3.0);
}

TEST(ResidentMemory, CountedSizeSeesEveryTouchedPage)
{
    const std::uint64_t before = ResidentMemory::counted();
    ASSERT_GT(before, 0u);
    constexpr std::size_t kBytes = 8u << 20;
    std::unique_ptr<char[]> block(new char[kBytes]);
    std::memset(block.get(), 1, kBytes);
    const std::uint64_t after = ResidentMemory::counted();
    EXPECT_GE(after, before + kBytes);
    EXPECT_LT(after, before + kBytes + (1u << 20));
}
