#include "text/GlyphSheet.h"

#include "text/FontSet.h"

#include <algorithm>

namespace {

// Raster sizes a glyph of which always fits an atlas of the given size.
int clampedPixelSize(int pixels, int atlasSize)
{
    return std::clamp(pixels, 4, std::max(4, atlasSize / 4));
}

} // namespace

GlyphSheet::GlyphSheet(FontSet& fontSet, int atlasSize, bool mipmapReady, int pixelSize)
    : fonts(fontSet), texture(atlasSize, mipmapReady), pixels(clampedPixelSize(pixelSize, atlasSize))
{
}

const PlacedGlyph* GlyphSheet::find(char32_t c)
{
    const auto known = glyphs.find(c);
    if (known != glyphs.end())
        return &known->second;
    const GlyphBitmap bitmap = fonts.render(c, pixels);
    PlacedGlyph glyph;
    glyph.advance = bitmap.advance;
    if (bitmap.width > 0 && bitmap.rows > 0) {
        GlyphAtlas::Region where;
        if (!texture.add(bitmap.width, bitmap.rows, bitmap.coverage.data(), where))
            return nullptr;
        glyph.left = static_cast<float>(bitmap.left);
        glyph.top = static_cast<float>(bitmap.top);
        glyph.width = static_cast<float>(bitmap.width);
        glyph.rows = static_cast<float>(bitmap.rows);
        glyph.u0 = where.u0;
        glyph.v0 = where.v0;
        glyph.u1 = where.u1;
        glyph.v1 = where.v1;
    }
    return &glyphs.emplace(c, glyph).first->second;
}

void GlyphSheet::reset()
{
    glyphs.clear();
    texture.clear();
    ++resets;
}

void GlyphSheet::setPixelSize(int pixelSize)
{
    const int clamped = clampedPixelSize(pixelSize, texture.size());
    if (clamped == pixels)
        return;
    pixels = clamped;
    reset();
}
