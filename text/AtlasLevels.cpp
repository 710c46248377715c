#include "text/AtlasLevels.h"

#include <algorithm>

AtlasLevels::AtlasLevels(int edgeLength) : fullEdge(edgeLength)
{
    for (int e = edgeLength / 2; e >= 1; e /= 2) {
        levels.emplace_back(static_cast<std::size_t>(e) * static_cast<std::size_t>(e), 0);
        low.push_back(e);
        high.push_back(0);
    }
}

int AtlasLevels::edge(int level) const
{
    return std::max(1, fullEdge >> level);
}

void AtlasLevels::update(const unsigned char* full, int rowLow, int rowHigh)
{
    const unsigned char* above = full;
    int aboveEdge = fullEdge;
    for (int level = 1; level <= count() && rowLow < rowHigh; ++level) {
        const int e = edge(level);
        // A texel of this level is the mean of rows 2y and 2y + 1 above (an
        // odd edge's last row and column above are left out).
        rowLow = std::min(rowLow / 2, e);
        rowHigh = std::min((rowHigh + 1) / 2, e);
        unsigned char* out = levels[static_cast<std::size_t>(level - 1)].data();
        for (int y = rowLow; y < rowHigh; ++y) {
            const int y0 = 2 * y;
            const int y1 = 2 * y + 1;
            for (int x = 0; x < e; ++x) {
                const int x0 = 2 * x;
                const int x1 = 2 * x + 1;
                const unsigned sum = above[y0 * aboveEdge + x0] + above[y0 * aboveEdge + x1]
                    + above[y1 * aboveEdge + x0] + above[y1 * aboveEdge + x1];
                out[y * e + x] = static_cast<unsigned char>((sum + 2) / 4);
            }
        }
        low[static_cast<std::size_t>(level - 1)] = std::min(low[static_cast<std::size_t>(level - 1)], rowLow);
        high[static_cast<std::size_t>(level - 1)] = std::max(high[static_cast<std::size_t>(level - 1)], rowHigh);
        above = out;
        aboveEdge = e;
    }
}

void AtlasLevels::clearChanged()
{
    for (std::size_t i = 0; i < levels.size(); ++i) {
        low[i] = edge(static_cast<int>(i) + 1);
        high[i] = 0;
    }
}
