#pragma once

#include "text/GlyphAtlas.h"
#include "text/LineRaster.h"
#include "text/LruCache.h"

#include <cstddef>
#include <string>

// Whole lines rasterised at their size on screen, packed into one atlas that
// is sampled nearest, one texel to a pixel. A line is kept under its key (its
// text, limits and size step) until the least recently used lines make room
// for newer ones or the atlas fills: then, as with a glyph sheet, the owner
// draws what it queued and calls `reset`, which starts the atlas afresh.
class LineSheet {
public:
    // Where a line lies in the atlas and where its box sits in line space.
    struct Placed {
        int left = 0;
        int top = 0;
        int width = 0; // 0 for a line without ink
        int rows = 0;
        float u0 = 0.0f, v0 = 0.0f, u1 = 0.0f, v1 = 0.0f; // v0 at the top row
        unsigned generation = 0;
    };
    static constexpr int kAtlasSize = 1024;
    static constexpr std::size_t kLines = 512;
    // The longest side of a line worth keeping, in pixels.
    static constexpr int kLargestLine = kAtlasSize / 2;

    explicit LineSheet(int atlasSize = kAtlasSize, std::size_t lines = kLines);

    // The line kept under `key`; nullptr when it is not (or no longer) there.
    const Placed* find(const std::string& key);
    // Copies `bitmap` in under `key`; nullptr when the atlas has no room left
    // for it (draw, reset, add again) or it can never fit.
    const Placed* add(const std::string& key, const LineRaster::Bitmap& bitmap);
    void reset();

    unsigned generation() const { return resets; }
    GlyphAtlas& atlas() { return texture; }

private:
    GlyphAtlas texture;
    LruCache<std::string, Placed> lines;
    unsigned resets = 0;
};
