#pragma once

#include "text/GlyphAtlas.h"

#include <unordered_map>

class FontSet;

// Where a glyph of a sheet lies in its atlas and how it sits on the baseline.
struct PlacedGlyph {
    float advance = 0.0f;
    float left = 0.0f; // bitmap's left edge from the pen, pixels
    float top = 0.0f; // bitmap's top edge above the baseline, pixels
    float width = 0.0f; // 0 for glyphs without ink (a space)
    float rows = 0.0f;
    float u0 = 0.0f, v0 = 0.0f, u1 = 0.0f, v1 = 0.0f; // texture coordinates, v0 at the top row
};

// The glyphs of one raster size in one atlas, rasterised on first use. When
// the atlas is full, `find` says so instead of evicting, because quads
// already handed out still point into it: the owner draws those, then calls
// `reset`, which starts the atlas afresh and moves `generation` on.
class GlyphSheet {
public:
    GlyphSheet(FontSet& fonts, int atlasSize, bool mipmapReady, int pixelSize);

    // The glyph drawn for `c`; nullptr when the atlas has no room for it.
    const PlacedGlyph* find(char32_t c);

    void reset();

    // Changing the raster size forgets every glyph (a reset).
    void setPixelSize(int pixels);
    int pixelSize() const { return pixels; }

    unsigned generation() const { return resets; }
    GlyphAtlas& atlas() { return texture; }
    FontSet& fontSet() { return fonts; }

private:
    FontSet& fonts;
    GlyphAtlas texture;
    int pixels;
    unsigned resets = 0;
    std::unordered_map<char32_t, PlacedGlyph> glyphs;
};
