#include "app/FirstStart.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <string>

namespace fs = std::filesystem;

TEST(FirstStart, OnlyTheFirstStartFindsNoSettingsFolderAndItIsMadeThen)
{
    EXPECT_EQ(FirstStart::settingsFolder("/cfg", "/home/u"), "/cfg/lumenfold");
    EXPECT_EQ(FirstStart::settingsFolder("relative", "/home/u"), "/home/u/.config/lumenfold");
    EXPECT_EQ(FirstStart::settingsFolder(nullptr, "/home/u"), "/home/u/.config/lumenfold");
    EXPECT_EQ(FirstStart::settingsFolder("", ""), "");

    std::string pattern = (fs::temp_directory_path() / "lumenfold-first-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    const std::string folder = FirstStart::settingsFolder(nullptr, pattern.c_str());
    EXPECT_TRUE(FirstStart::claim(folder));
    EXPECT_TRUE(fs::is_directory(folder));
    EXPECT_FALSE(FirstStart::claim(folder)) << "the second start is not a first one";
    // A folder that cannot be made is a first start each time, and no failure.
    EXPECT_TRUE(FirstStart::claim("/proc/lumenfold-cannot/lumenfold"));
    EXPECT_FALSE(FirstStart::claim(""));
    fs::remove_all(pattern);
}
