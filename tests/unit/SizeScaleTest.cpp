#include "explore/SizeScale.h"
#include "explore/StatusText.h"

#include <gtest/gtest.h>

TEST(SizeScale, GrowsFromOnceWhenEmptyToThreeTimesAtAHundredGigabytes)
{
    EXPECT_FLOAT_EQ(SizeScale::heightFactor(0), 1.0f);
    EXPECT_NEAR(SizeScale::heightFactor(100'000'000'000ull), 3.0f, 1e-5f);
    EXPECT_LT(SizeScale::heightFactor(UINT64_MAX), 4.6f);
    float previous = 1.0f;
    for (std::uint64_t bytes = 1; bytes < 1'000'000'000'000ull; bytes *= 10) {
        EXPECT_GT(SizeScale::heightFactor(bytes), previous) << bytes;
        previous = SizeScale::heightFactor(bytes);
    }
}

TEST(StatusText, CountsReadInThousands)
{
    EXPECT_EQ(StatusText::entries(1), "1 entry");
    EXPECT_EQ(StatusText::entries(999), "999 entries");
    EXPECT_EQ(StatusText::entries(1234567), "1,234,567 entries");
}
