#include "scene/IconSettings.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(IconSettingsTable, AnswersTheThreeLayoutValuesAsText)
{
    IconSettings* settings = IconSettings::instance();
    EXPECT_EQ(settings, IconSettings::instance());
    EXPECT_EQ(settings->get("iconsize"), "0.5");
    EXPECT_EQ(settings->get("iconspace_x"), "0.8");
    EXPECT_EQ(settings->get("iconspace_y"), "1");
}

TEST(IconSettingsTable, UnknownKeysGiveEmptyText)
{
    IconSettings* settings = IconSettings::instance();
    EXPECT_EQ(settings->get("IconSize"), "");
    EXPECT_EQ(settings->get("iconsize "), "");
    EXPECT_EQ(settings->get("icon"), "");
    EXPECT_EQ(settings->get(""), "");
    EXPECT_EQ(settings->get(std::string("iconsize\0x", 10)), "");
}

} // namespace
