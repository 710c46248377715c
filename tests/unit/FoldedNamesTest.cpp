#include "explore/FoldedNames.h"
#include "explore/NameSearch.h"
#include "text/CaseFold.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

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
            const NameSearch::Match alone = NameSearch::match(names[i], query, scratch);
            EXPECT_EQ(folded.match(i, query), alone) << i << " / " << text;
            EXPECT_EQ(all[i], alone) << i << " / " << text;
        }
    }
}
