#include "bench/AlternatingTimer.h"
#include "bench/QuietCommand.h"
#include "bench/ResidentMemory.h"

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

TEST(QuietCommand, ReportsTheExitStatusOfTheProgram)
{
    QuietCommand succeeds({"true"});
    EXPECT_TRUE(succeeds.run()) << succeeds.error();

    QuietCommand fails({"false"});
    EXPECT_FALSE(fails.run());
    EXPECT_NE(fails.error().find("false"), std::string::npos);
}

TEST(QuietCommand, MissingProgramOrNoneIsAnErrorNotACrash)
{
    QuietCommand missing({"lumenfold-no-such-program"});
    EXPECT_FALSE(missing.run());
    EXPECT_FALSE(missing.error().empty());

    QuietCommand empty({});
    EXPECT_FALSE(empty.run());
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
