#include "explore/NameOrder.h"
#include "explore/NameSort.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <random>
#include <string>
#include <vector>

namespace {

// Names that stress the sort: shared prefixes past its fixed prefix, digit
// runs with leading zeros, case pairs, non-ASCII and invalid bytes, NULs in
// keys (a lone zero), exact repeats, empty-looking ones.
std::vector<std::string> randomNames(std::size_t count, unsigned seed)
{
    static const std::vector<std::string> pieces
        = {"a",  "A", "b",     "file", "File", "0",        "00",       "007",  "7",
           "10", "9", "x.txt", "-",    ".",    "\xC3\x89", "\xC3\xA9", "\xFF", "long-shared-prefix-of-many-names-",
           "z",  " ", "_"};
    std::mt19937 random(seed);
    std::uniform_int_distribution<std::size_t> piece(0, pieces.size() - 1);
    std::uniform_int_distribution<int> parts(1, 5);
    std::vector<std::string> names(count);
    for (std::string& name : names) {
        for (int i = parts(random); i > 0; --i)
            name += pieces[piece(random)];
        // Some repeats of earlier names.
        if (random() % 16 == 0 && &name != &names.front())
            name = names[random() % static_cast<std::size_t>(&name - &names.front())];
    }
    return names;
}

} // namespace

TEST(NameSort, OrdersEachGroupAsNameOrderDoesWithEqualNamesByPosition)
{
    for (const std::size_t count : {0u, 1u, 2u, 47u, 48u, 300u, 20000u}) {
        const std::vector<std::string> names = randomNames(count, static_cast<unsigned>(count) + 1);
        const auto groupOf = [&names](std::uint32_t i) { return static_cast<std::uint8_t>(names[i].size() % 3); };
        std::vector<std::uint32_t> expected(count);
        std::iota(expected.begin(), expected.end(), 0u);
        std::stable_sort(expected.begin(), expected.end(), [&](std::uint32_t a, std::uint32_t b) {
            if (groupOf(a) != groupOf(b))
                return groupOf(a) < groupOf(b);
            return NameOrder::before(names[a], names[b]);
        });
        const std::vector<std::uint32_t> sorted = NameSort::sorted(
            static_cast<std::uint32_t>(count), [&names](std::uint32_t i) { return std::string_view(names[i]); },
            groupOf);
        ASSERT_EQ(sorted, expected) << count << " names";
    }
}
