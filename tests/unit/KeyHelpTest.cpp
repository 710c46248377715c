#include "explore/KeyHelp.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <fstream>
#include <sstream>
#include <string>

namespace {

std::string lowered(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

std::string sourceFile(const std::string& path)
{
    std::ifstream file(std::string(LUMENFOLD_SOURCE_DIR) + "/" + path);
    std::stringstream text;
    text << file.rdbuf();
    return lowered(text.str());
}

} // namespace

TEST(KeyHelp, EveryKeyOfThePanelIsInTheReadmeAndTheManPage)
{
    const std::string readme = sourceFile("README.md");
    const std::string manual = sourceFile("packaging/lumenfold.1.in");
    ASSERT_FALSE(readme.empty());
    ASSERT_FALSE(manual.empty());
    for (const KeyHelp::Key& key : KeyHelp::keys()) {
        // "Tab / Shift+Tab": each key of the pair on its own.
        std::string keys = key.keys;
        for (std::size_t at = 0; at != std::string::npos;) {
            const std::size_t slash = keys.find(" / ", at);
            const std::string one = lowered(keys.substr(at, slash == std::string::npos ? slash : slash - at));
            at = slash == std::string::npos ? slash : slash + 3;
            EXPECT_NE(readme.find(one), std::string::npos) << one << " is missing from the README";
            EXPECT_NE(manual.find(one), std::string::npos) << one << " is missing from the man page";
        }
    }
    // The panel's text lines up its actions in one column.
    const std::string text = KeyHelp::text("  ");
    EXPECT_NE(text.find("  Escape"), std::string::npos);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), static_cast<long>(KeyHelp::keys().size()));
}
