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
        int x = 0;
        int y = 0;
        if (!texture.add(bitmap.width, bitmap.rows, bitmap.coverage.data(), x, y))
            return nullptr;
        const float scale = 1.0f / static_cast<float>(texture.size());
        glyph.left = static_cast<float>(bitmap.left);
        glyph.top = static_cast<float>(bitmap.top);
        glyph.width = static_cast<float>(bitmap.width);
        glyph.rows = static_cast<float>(bitmap.rows);
        glyph.u0 = static_cast<float>(x) * scale;
        glyph.v0 = static_cast<float>(y) * scale;
        glyph.u1 = static_cast<float>(x + bitmap.width) * scale;
        glyph.v1 = static_cast<float>(y + bitmap.rows) * scale;
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
