#include "text/AtlasLevels.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace {

// Each level made whole from the one above, the slow way.
std::vector<std::vector<unsigned char>> pyramid(const std::vector<unsigned char>& full, int edge)
{
    std::vector<std::vector<unsigned char>> out;
    const std::vector<unsigned char>* above = &full;
    int aboveEdge = edge;
    for (int e = edge / 2; e >= 1; e /= 2) {
        std::vector<unsigned char> level(static_cast<size_t>(e * e));
        for (int y = 0; y < e; ++y)
            for (int x = 0; x < e; ++x) {
                unsigned sum = 0;
                for (int dy = 0; dy < 2; ++dy)
                    for (int dx = 0; dx < 2; ++dx)
                        sum += (*above)[static_cast<size_t>((2 * y + dy) * aboveEdge + 2 * x + dx)];
                level[static_cast<size_t>(y * e + x)] = static_cast<unsigned char>((sum + 2) / 4);
            }
        out.push_back(std::move(level));
        above = &out.back();
        aboveEdge = e;
    }
    return out;
}

} // namespace

// Glyphs land in a few rows at a time; the levels kept up to date from only
// those rows equal the levels made again from the whole image, and the rows
// reported changed cover every texel that differs.
TEST(AtlasLevels, LevelsUpdatedFromChangedRowsEqualTheWholePyramidMadeAgain)
{
    constexpr int kEdge = 64;
    std::vector<unsigned char> full(kEdge * kEdge, 0);
    AtlasLevels levels(kEdge);
    levels.update(full.data(), 0, kEdge);
    ASSERT_EQ(levels.count(), 6);
    std::mt19937 random(7);
    for (int round = 0; round < 200; ++round) {
        levels.clearChanged();
        const std::vector<std::vector<unsigned char>> before = pyramid(full, kEdge);
        const int low = static_cast<int>(random() % kEdge);
        const int high = std::min(kEdge, low + 1 + static_cast<int>(random() % 9));
        for (int y = low; y < high; ++y)
            for (int x = 0; x < kEdge; ++x)
                if (random() % 3 == 0)
                    full[static_cast<size_t>(y * kEdge + x)] = static_cast<unsigned char>(random());
        levels.update(full.data(), low, high);
        const std::vector<std::vector<unsigned char>> expected = pyramid(full, kEdge);
        for (int level = 1; level <= levels.count(); ++level) {
            const int e = levels.edge(level);
            const std::vector<unsigned char>& want = expected[static_cast<size_t>(level - 1)];
            const std::vector<unsigned char>& old = before[static_cast<size_t>(level - 1)];
            for (int i = 0; i < e * e; ++i) {
                ASSERT_EQ(levels.pixels(level)[i], want[static_cast<size_t>(i)])
                    << "round " << round << " level " << level;
                if (want[static_cast<size_t>(i)] != old[static_cast<size_t>(i)]) {
                    EXPECT_GE(i / e, levels.changedLow(level)) << "level " << level;
                    EXPECT_LT(i / e, levels.changedHigh(level)) << "level " << level;
                }
            }
        }
    }
}
