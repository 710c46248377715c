#include "app/FrameRate.h"

#include <gtest/gtest.h>

TEST(FrameRateLine, ReportsFramesSecondsAndRateWithShortestFormatting)
{
    EXPECT_EQ(formatFrameRate(300, 5012), "300 frames in 5.012 seconds = 59.8563 FPS\n");
    EXPECT_EQ(formatFrameRate(1, 5000), "1 frames in 5 seconds = 0.2 FPS\n");
}

TEST(FrameRateLine, LongIntervalsKeepSixSignificantDigits)
{
    EXPECT_EQ(formatFrameRate(123456, 61234), "123456 frames in 61.234 seconds = 2016.13 FPS\n");
}
