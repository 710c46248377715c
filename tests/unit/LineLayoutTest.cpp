#include "text/LineLayout.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// Advances 1 per character, 3 for "W" and 2 for the ellipsis.
float advance(char32_t c)
{
    if (c == LineLayout::kEllipsis)
        return 2.0f;
    return c == U'W' ? 3.0f : 1.0f;
}

TEST(LineLayout, PlacesCharactersByTheirAdvances)
{
    const LineLayout line = LineLayout::build(U"aWb", advance);
    EXPECT_EQ(line.characters, U"aWb");
    EXPECT_EQ(line.penX, (std::vector<float>{0.0f, 1.0f, 4.0f}));
    EXPECT_EQ(line.width, 5.0f);
    EXPECT_FALSE(line.shortened);
}

TEST(LineLayout, ShortensToTheCharacterLimitWithAnEllipsis)
{
    const std::u32string forty(40, U'x');
    EXPECT_EQ(LineLayout::build(forty, advance).characters, forty);

    const LineLayout line = LineLayout::build(forty + U"y", advance);
    EXPECT_TRUE(line.shortened);
    EXPECT_EQ(line.characters, std::u32string(39, U'x') + U"\u2026");
    EXPECT_EQ(line.width, 39.0f + 2.0f);
}

TEST(LineLayout, ShortensToAWidthKeepingTheLongestPrefixThatFitsWithTheEllipsis)
{
    EXPECT_EQ(LineLayout::build(U"abcdef", advance, 40, 6.0f).characters, U"abcdef");
    EXPECT_EQ(LineLayout::build(U"abcdefg", advance, 40, 6.0f).characters, U"abcd\u2026");
    EXPECT_EQ(LineLayout::build(U"aWWb", advance, 40, 5.0f).characters, U"a\u2026");
    EXPECT_LE(LineLayout::build(U"aWWb", advance, 40, 5.0f).width, 5.0f);
    EXPECT_EQ(LineLayout::build(U"abc", advance, 40, 2.0f).characters, U"\u2026");
    EXPECT_EQ(LineLayout::build(U"abc", advance, 40, 1.0f).characters, U"");
    EXPECT_EQ(LineLayout::build(U"abc", advance, 0).characters, U"");
}

} // namespace
