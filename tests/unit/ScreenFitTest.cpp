#include "app/CommandLine.h"
#include "app/ScreenFit.h"

#include <gtest/gtest.h>

TEST(ScreenFit, TheWindowIsTwoThirdsOfTheScreenButNeverBelowEightHundredBySixHundred)
{
    const struct {
        int screenWidth, screenHeight, width, height;
    } cases[] = {{1920, 1080, 1280, 720}, {2560, 1440, 1706, 960}, {1200, 900, 800, 600},
                 {1024, 768, 800, 600},   {0, 0, 800, 600},        {3840, 600, 2560, 600}};
    for (const auto& c : cases) {
        const ScreenFit::Size size = ScreenFit::window(c.screenWidth, c.screenHeight);
        EXPECT_EQ(size.width, c.width) << c.screenWidth << " x " << c.screenHeight;
        EXPECT_EQ(size.height, c.height) << c.screenWidth << " x " << c.screenHeight;
    }
}

TEST(ScreenFit, TheTextScaleIsXftDpiOverNinetySixOrGivenOnTheCommandLine)
{
    EXPECT_DOUBLE_EQ(ScreenFit::textScale("Xft.antialias:\t1\nXft.dpi:\t192\nXft.hinting:\t1\n", 0.5, 4.0), 2.0);
    EXPECT_DOUBLE_EQ(ScreenFit::textScale("Xft.dpi: 144", 0.5, 4.0), 1.5);
    // Missing, not a number, or beyond the bounds.
    EXPECT_DOUBLE_EQ(ScreenFit::textScale("", 0.5, 4.0), 1.0);
    EXPECT_DOUBLE_EQ(ScreenFit::textScale("Xft.dpi:\tlarge\n", 0.5, 4.0), 1.0);
    EXPECT_DOUBLE_EQ(ScreenFit::textScale("Xft.dpi:\t9600\n", 0.5, 4.0), 4.0);
    EXPECT_DOUBLE_EQ(ScreenFit::textScale("*Xft.dpi:\t192\n", 0.5, 4.0), 1.0) << "another resource";

    EXPECT_DOUBLE_EQ(CommandLine({"--explore", "--text-scale", "2"}).textScale(), 2.0);
    EXPECT_DOUBLE_EQ(CommandLine({"--explore"}).textScale(), 0.0) << "the display decides";
    for (const char* value : {"0", "5", "x", "1.5x", "nan", ""}) {
        const CommandLine wrong({"--explore", "--text-scale", value});
        EXPECT_EQ(wrong.action(), CommandLine::Action::UsageError) << value;
        EXPECT_NE(wrong.problem().find("--text-scale"), std::string::npos) << value;
    }
    EXPECT_EQ(CommandLine({"--text-scale"}).action(), CommandLine::Action::UsageError);
}
