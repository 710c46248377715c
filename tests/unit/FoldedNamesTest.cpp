#include "explore/FoldedNames.h"
#include "explore/NameSearch.h"
#include "text/CaseFold.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace {

char asciiLower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c + ('a' - 'A')) : c;
}

NameSearch::Match matchAt(std::size_t at)
{
    return at == 0 ? NameSearch::kStarts : at == std::string::npos ? NameSearch::kNone : NameSearch::kContains;
}

// How one name on its own holds `folded`: ASCII compared in place, others folded.
NameSearch::Match matchAlone(std::string_view name, const std::string& folded, std::string& scratch)
{
    if (folded.empty())
        return NameSearch::kNone;
    const bool ascii
        = std::all_of(name.begin(), name.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    if (!ascii) {
        CaseFold::foldInto(name, scratch);
        return matchAt(scratch.find(folded));
    }
    for (std::size_t at = 0; at + folded.size() <= name.size(); ++at) {
        std::size_t i = 0;
        while (i < folded.size() && asciiLower(name[at + i]) == folded[i])
            ++i;
        if (i == folded.size())
            return matchAt(at);
    }
    return NameSearch::kNone;
}

} // namespace

// The names found holding `query`, as matching each name on its own gives
// them: the starting ones first, then the others, each in name order.
std::vector<std::size_t> foundAlone(const std::vector<std::string>& names, const std::string& query)
{
    std::string scratch;
    std::vector<std::size_t> found;
    for (const NameSearch::Match wanted : {NameSearch::kStarts, NameSearch::kContains})
        for (std::size_t i = 0; i < names.size(); ++i)
            if (matchAlone(names[i], query, scratch) == wanted)
                found.push_back(i);
    return found;
}

std::size_t startingAlone(const std::vector<std::string>& names, const std::string& query)
{
    std::string scratch;
    std::size_t starting = 0;
    for (const std::string& name : names)
        starting += matchAlone(name, query, scratch) == NameSearch::kStarts ? 1 : 0;
    return starting;
}

// The folded buffer answers as matching each name on its own does: ASCII,
// other and invalid UTF-8 names, empty names, and never across two names.
TEST(FoldedNames, MatchEveryNameAsMatchingItAloneDoes)
{
    const std::vector<std::string> names = {"Makefile", "ab", "", "cd", "\xC3\x89T\xC3\xA9", "x\xFF", "007", "bcb"};
    const FoldedNames folded(names.size(), [&names](std::size_t i) { return std::string_view(names[i]); });
    ASSERT_EQ(folded.size(), names.size());
    std::string scratch;
    std::vector<std::size_t> found;
    std::vector<std::size_t> spare;
    for (const char* text : {"make", "FILE", "b", "bc", "dM", "\xC3\xA9t", "\xFF", "7", "", "zz"}) {
        const std::string query = CaseFold::fold(text);
        for (std::size_t i = 0; i < names.size(); ++i)
            EXPECT_EQ(folded.match(i, query), matchAlone(names[i], query, scratch)) << i << " / " << text;
        EXPECT_EQ(folded.findAll(query, found, spare), startingAlone(names, query)) << text;
        EXPECT_EQ(found, foundAlone(names, query)) << text;
    }
    EXPECT_EQ(folded.findAll(std::string("b\0c", 3), found, spare), 0u);
    EXPECT_TRUE(found.empty());
}

// Random rows over a small alphabet, so that hits are dense, names repeat
// letters and hits lie at names' ends; each text typed a character at a
// time, narrowing what the shorter text found, and in another order.
TEST(FoldedNames, FindingAndNarrowingAgreeWithMatchingEachNameAlone)
{
    std::mt19937 random(5);
    const std::string letters = "abAB7.\xC3\xA9";
    std::vector<std::size_t> found;
    std::vector<std::size_t> spare;
    for (int round = 0; round < 60; ++round) {
        std::vector<std::string> names(random() % 50);
        for (std::string& name : names)
            for (std::size_t length = random() % 7; length > 0; --length)
                name += letters[random() % letters.size()];
        const FoldedNames listed(names.size(), [&names](std::size_t i) { return std::string_view(names[i]); });
        std::vector<std::uint32_t> reversed(names.size());
        for (std::size_t i = 0; i < names.size(); ++i)
            reversed[i] = static_cast<std::uint32_t>(names.size() - 1 - i);
        FoldedNames folded;
        folded.assignInOrder(listed, reversed.data(), reversed.size());
        const std::vector<std::string> inOrder(names.rbegin(), names.rend());
        std::string query;
        std::size_t starting = 0;
        for (int typed = 0; typed < 4; ++typed) {
            query += CaseFold::fold(std::string(1, "ab7."[random() % 4]));
            starting = typed == 0 ? folded.findAll(query, found, spare) : folded.narrow(query, starting, found, spare);
            ASSERT_EQ(found, foundAlone(inOrder, query)) << round << " / " << query;
            ASSERT_EQ(starting, startingAlone(inOrder, query)) << round << " / " << query;
        }
    }
}
