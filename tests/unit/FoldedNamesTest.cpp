#include "explore/FoldedNames.h"
#include "explore/NameSearch.h"
#include "text/CaseFold.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
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

// The folded buffer answers as matching each name on its own does: ASCII,
// other and invalid UTF-8 names, empty names, and never across two names.
TEST(FoldedNames, MatchEveryNameAsMatchingItAloneDoes)
{
    const std::vector<std::string> names = {"Makefile", "ab", "", "cd", "\xC3\x89T\xC3\xA9", "x\xFF", "007", "bcb"};
    const FoldedNames folded(names.size(), [&names](std::size_t i) { return std::string_view(names[i]); });
    ASSERT_EQ(folded.size(), names.size());
    std::string scratch;
    std::vector<std::uint8_t> all;
    for (const char* text : {"make", "FILE", "b", "bc", "dM", "\xC3\xA9t", "\xFF", "7", "", "zz"}) {
        const std::string query = CaseFold::fold(text);
        folded.matchAll(query, all);
        ASSERT_EQ(all.size(), names.size());
        for (std::size_t i = 0; i < names.size(); ++i) {
            const NameSearch::Match alone = matchAlone(names[i], query, scratch);
            EXPECT_EQ(folded.match(i, query), alone) << i << " / " << text;
            EXPECT_EQ(all[i], alone) << i << " / " << text;
        }
    }
}
