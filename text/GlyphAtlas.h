#pragma once

#include "text/AtlasLevels.h"

#include <vector>

// A square GL_ALPHA texture that glyph bitmaps are packed into, row by row
// (shelves). Pixels are kept in memory too and only the rows changed since
// the last bind are sent to GL, in one upload. An atlas made mipmap-ready
// leaves wider gaps between glyphs, so that smaller levels do not blend
// neighbours into each other; while its mipmaps are on, the smaller levels
// are made here from the changed rows and sent with them (a software GL's own
// generation redoes the whole pyramid on every upload, and takes hundreds of
// milliseconds for the first), and sampled trilinearly.
class GlyphAtlas {
public:
    GlyphAtlas(int size, bool withMipmaps);
    ~GlyphAtlas(); // deletes the texture: call with the GL context current
    GlyphAtlas(const GlyphAtlas&) = delete;
    GlyphAtlas& operator=(const GlyphAtlas&) = delete;

    // Where a bitmap lies, in texture coordinates; v0 at its top row.
    struct Region {
        float u0 = 0.0f, v0 = 0.0f, u1 = 0.0f, v1 = 0.0f;
    };
    // Copies a width x rows bitmap in and tells where it lies. False when
    // there is no room left (clear, then add again) or it can never fit.
    bool add(int width, int rows, const unsigned char* coverage, Region& where);

    // Forgets every glyph; the next bind sends the blank texture.
    void clear();

    // Creates the texture on first use, uploads the changed rows, binds it.
    void bind();

    // After bind: whether the next draws sample the smaller levels (while
    // mipmaps are on) or the full-size level alone. Text seen at its raster
    // size or larger never reaches the smaller levels, and sampling them
    // costs a software GL several times the plain lookup.
    void sampleLevels(bool smaller);

    int size() const { return edge; }

    // Mipmaps on or off (only for a mipmap-ready atlas); turning them on
    // sends the whole texture again at the next bind, to build the levels.
    void setMipmaps(bool on);
    bool mipmaps() const { return mipmapped; }

    // Nearest sampling (before the first bind), for texels drawn one to a pixel.
    void setNearest(bool on) { nearest = on; }

    // The texels as kept in memory, rows from the top, size() x size().
    const unsigned char* texels() const { return pixels.data(); }

private:
    void sendLevels();

    int edge;
    bool mipmapReady;
    bool mipmapped;
    bool filterChanged = false;
    bool nearest = false;
    int minFilter = 0; // the texture's minification filter as last set
    int gap;
    std::vector<unsigned char> pixels;
    AtlasLevels levels;
    // The smaller levels exist in the texture (they are made at the first
    // bind with mipmaps on).
    bool levelsSent = false;
    int shelfX = 0;
    int shelfY = 0;
    int shelfHeight = 0;
    int dirtyLow; // rows [dirtyLow, dirtyHigh) changed since the last upload
    int dirtyHigh;
    unsigned texture = 0;
};
