#include "text/ByteSize.h"

#include <gtest/gtest.h>

#include <cstdint>

TEST(ByteSize, ReadsInDecimalUnitsWithOneDecimal)
{
    EXPECT_EQ(ByteSize::format(0), "0 B");
    EXPECT_EQ(ByteSize::format(999), "999 B");
    EXPECT_EQ(ByteSize::format(1000), "1.0 kB");
    EXPECT_EQ(ByteSize::format(12345), "12.3 kB");
    EXPECT_EQ(ByteSize::format(999949), "999.9 kB");
    EXPECT_EQ(ByteSize::format(999950), "1.0 MB");
    EXPECT_EQ(ByteSize::format(4100000000ULL), "4.1 GB");
    EXPECT_EQ(ByteSize::format(UINT64_MAX), "18.4 EB");
}
