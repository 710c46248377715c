#pragma once

#include <cstddef>
#include <vector>

// The smaller levels of a square one-byte-per-texel image, each half the
// edge of the one above (rounded down, at least 1), down to 1 x 1, kept
// up to date row range by row range: a change to a few rows of the full-size
// image costs those rows' share of each level, not the whole pyramid. Each
// texel is the mean of the 2 x 2 texels above it.
class AtlasLevels {
public:
    explicit AtlasLevels(int edge);

    // The rows [low, high) of `full` (edge x edge, row-major) changed: updates
    // every level from them, and widens each level's changed rows.
    void update(const unsigned char* full, int low, int high);
    void clearChanged();

    // Levels 1 .. count(); level 0 is the full-size image itself.
    int count() const { return static_cast<int>(levels.size()); }
    int edge(int level) const;
    const unsigned char* pixels(int level) const { return levels[static_cast<std::size_t>(level - 1)].data(); }
    // The rows [low, high) of `level` changed since clearChanged(); low >= high when none did.
    int changedLow(int level) const { return low[static_cast<std::size_t>(level - 1)]; }
    int changedHigh(int level) const { return high[static_cast<std::size_t>(level - 1)]; }

private:
    int fullEdge;
    std::vector<std::vector<unsigned char>> levels;
    std::vector<int> low;
    std::vector<int> high;
};
