#include "explore/NameOrder.h"
#include "explore/NameSearch.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

TEST(NameOrder, SortsWithoutCaseAndNumbersAsNumbersIntoOneTotalOrder)
{
    const std::vector<std::string> expected = {
        "-x",         ".hidden", "0",     "00",          "01",
        "1",          "2",       "10",    "a",           "A1",
        "a2",         "a2b",     "a10",   "a010b",       "B",
        "b",          "file",    "file2", "File10",      "file10",
        "file10.txt", "file100", "zeta",  "\xC3\x89lan", "\xC3\xA9t\xC3\xA9",
        "\xFF\xFE",
    };
    std::vector<std::string> shuffled = expected;
    std::shuffle(shuffled.begin(), shuffled.end(), std::mt19937(7));
    std::sort(shuffled.begin(), shuffled.end(), NameOrder::before);
    EXPECT_EQ(shuffled, expected);

    // Equal without case or leading zeros, yet never equal: the bytes decide.
    EXPECT_LT(NameOrder::compare("File", "file"), 0);
    EXPECT_LT(NameOrder::compare("007", "7"), 0);
    EXPECT_EQ(NameOrder::compare("same", "same"), 0);
    // Accented capitals fold as their small letters do.
    EXPECT_EQ(NameOrder::key("\xC3\x89T\xC3\x89"), NameOrder::key("\xC3\xA9t\xC3\xA9"));
}

TEST(NameSearch, FindsNamesStartingWithTheTextFirstThenContainingItInRowOrder)
{
    const std::vector<std::string> row
        = {"Makefile", "readme", "src", "make.sh", "CMAKE", "notes", "\xC3\x89t\xC3\xA9"};
    const auto nameOf = [&row](std::size_t slot) { return std::string_view(row[slot]); };
    EXPECT_EQ(NameSearch::matches(row.size(), nameOf, "MAKE"), (std::vector<std::size_t>{0, 3, 4}));
    EXPECT_EQ(NameSearch::matches(row.size(), nameOf, "e"), (std::vector<std::size_t>{0, 1, 3, 4, 5}));
    EXPECT_EQ(NameSearch::matches(row.size(), nameOf, "\xC3\xA9T"), (std::vector<std::size_t>{6}));
    EXPECT_TRUE(NameSearch::matches(row.size(), nameOf, "").empty());
    EXPECT_TRUE(NameSearch::matches(row.size(), nameOf, "zzz").empty());
}

TEST(NameSearch, OrderingMatchesGivesTheStartingSlotsThenTheContainingOnesWhateverTheMix)
{
    std::mt19937 random(11);
    std::vector<std::size_t> reused;
    for (int round = 0; round < 200; ++round) {
        // Empty rows, rows of one kind only, and mixes of every density.
        const std::size_t count = random() % 40;
        const unsigned kinds = 1 + random() % 3;
        std::vector<std::uint8_t> perSlot(count);
        for (std::uint8_t& match : perSlot)
            match = static_cast<std::uint8_t>(random() % 3 % (kinds + 1));
        std::vector<std::size_t> expected;
        for (const NameSearch::Match wanted : {NameSearch::kStarts, NameSearch::kContains})
            for (std::size_t slot = 0; slot < count; ++slot)
                if (perSlot[slot] == wanted)
                    expected.push_back(slot);
        EXPECT_EQ(NameSearch::ordered(perSlot), expected);
        NameSearch::order(perSlot, reused);
        EXPECT_EQ(reused, expected);
    }
}
