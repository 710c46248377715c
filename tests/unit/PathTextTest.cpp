#include "explore/FolderCaption.h"
#include "explore/PathText.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <string>

// Without "..", the plain spelling is the standard library's lexical normal
// form, on paths of every shape.
TEST(PathText, SpellsPathsAsTheLexicalNormalFormButKeepsDotDot)
{
    std::mt19937 random(5);
    const char* parts[] = {"a", "bc", ".", "", ".x", "d e"};
    for (int round = 0; round < 5000; ++round) {
        std::string path = random() % 2 == 0 ? "/" : "";
        const int count = static_cast<int>(random() % 6);
        for (int i = 0; i < count; ++i)
            path += std::string(parts[random() % 6]) + (i + 1 < count || random() % 2 == 0 ? "/" : "");
        if (path.compare(0, 2, "//") == 0)
            continue; // a leading "//" may name something else
        EXPECT_EQ(PathText::normal(path), std::filesystem::path(path).lexically_normal().string()) << path;
    }
    EXPECT_EQ(PathText::normal("/tmp/x/tree//Harbor/"), "/tmp/x/tree/Harbor/");
    EXPECT_EQ(PathText::normal("/w/./odd//sub/"), "/w/odd/sub/");
    EXPECT_EQ(PathText::normal("/w/link/../odd/"), "/w/link/../odd/");
}

TEST(PathText, TheCaptionShowsTheShownFolderPlainlyWithTheHomeFolderShort)
{
    EXPECT_EQ(FolderCaption::of("/home/u/./odd//sub/", "/home/u//"), "Lumenfold \xE2\x80\x94 ~/odd/sub");
    EXPECT_EQ(FolderCaption::of("//", ""), "Lumenfold \xE2\x80\x94 /");
}
