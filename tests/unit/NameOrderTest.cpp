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
