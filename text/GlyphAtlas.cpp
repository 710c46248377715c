#include "text/GlyphAtlas.h"

#include <GL/gl.h>
#include <GL/glext.h>

#include <algorithm>
#include <cstring>

GlyphAtlas::GlyphAtlas(int size, bool withMipmaps)
    : edge(size), mipmapReady(withMipmaps), mipmapped(withMipmaps), gap(withMipmaps ? 4 : 1),
      pixels(static_cast<size_t>(size) * static_cast<size_t>(size), 0), levels(withMipmaps ? size : 1), dirtyLow(0),
      dirtyHigh(size)
{
}

GlyphAtlas::~GlyphAtlas()
{
    if (texture != 0)
        glDeleteTextures(1, &texture);
}

bool GlyphAtlas::add(int width, int rows, const unsigned char* coverage, Region& where)
{
    if (width + gap > edge || rows + gap > edge)
        return false;
    if (shelfX + width + gap > edge) {
        shelfY += shelfHeight;
        shelfX = 0;
        shelfHeight = 0;
    }
    if (shelfY + rows + gap > edge)
        return false;
    // Glyphs start one gap in from the texture's edges too.
    const int x = shelfX + gap;
    const int y = shelfY + gap;
    if (x + width > edge || y + rows > edge)
        return false;
    for (int row = 0; row < rows; ++row)
        std::memcpy(&pixels[static_cast<size_t>(y + row) * static_cast<size_t>(edge) + static_cast<size_t>(x)],
                    coverage + static_cast<size_t>(row) * static_cast<size_t>(width), static_cast<size_t>(width));
    shelfX += width + gap;
    shelfHeight = std::max(shelfHeight, rows + gap);
    dirtyLow = std::min(dirtyLow, y);
    dirtyHigh = std::max(dirtyHigh, y + rows);
    const float scale = 1.0f / static_cast<float>(edge);
    where.u0 = static_cast<float>(x) * scale;
    where.v0 = static_cast<float>(y) * scale;
    where.u1 = static_cast<float>(x + width) * scale;
    where.v1 = static_cast<float>(y + rows) * scale;
    return true;
}

void GlyphAtlas::clear()
{
    std::fill(pixels.begin(), pixels.end(), 0);
    shelfX = shelfY = shelfHeight = 0;
    dirtyLow = 0;
    dirtyHigh = edge;
}

void GlyphAtlas::setMipmaps(bool on)
{
    on = on && mipmapReady;
    if (on == mipmapped)
        return;
    mipmapped = on;
    filterChanged = true;
    if (on) {
        dirtyLow = 0;
        dirtyHigh = edge;
    }
}

void GlyphAtlas::bind()
{
    if (texture == 0) {
        glGenTextures(1, &texture);
        glBindTexture(GL_TEXTURE_2D, texture);
        filterChanged = false;
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, nearest ? GL_NEAREST : GL_LINEAR);
        minFilter = nearest ? GL_NEAREST : (mipmapped ? GL_LINEAR_MIPMAP_LINEAR : GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, minFilter);
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_ALPHA, edge, edge, 0, GL_ALPHA, GL_UNSIGNED_BYTE, pixels.data());
        if (mipmapped)
            sendLevels();
        dirtyLow = edge;
        dirtyHigh = 0;
        return;
    }
    glBindTexture(GL_TEXTURE_2D, texture);
    if (filterChanged) {
        minFilter = mipmapped ? GL_LINEAR_MIPMAP_LINEAR : GL_LINEAR;
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, minFilter);
        filterChanged = false;
    }
    if (dirtyLow < dirtyHigh) {
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
        glTexSubImage2D(GL_TEXTURE_2D, 0, 0, dirtyLow, edge, dirtyHigh - dirtyLow, GL_ALPHA, GL_UNSIGNED_BYTE,
                        &pixels[static_cast<size_t>(dirtyLow) * static_cast<size_t>(edge)]);
        if (mipmapped)
            sendLevels();
        dirtyLow = edge;
        dirtyHigh = 0;
    }
}

void GlyphAtlas::sendLevels()
{
    // Whole levels the first time (they do not exist in the texture yet),
    // then only the rows that the changed rows above reach.
    levels.update(pixels.data(), levelsSent ? dirtyLow : 0, levelsSent ? dirtyHigh : edge);
    for (int level = 1; level <= levels.count(); ++level) {
        const int e = levels.edge(level);
        const unsigned char* data = levels.pixels(level);
        if (!levelsSent) {
            glTexImage2D(GL_TEXTURE_2D, level, GL_ALPHA, e, e, 0, GL_ALPHA, GL_UNSIGNED_BYTE, data);
            continue;
        }
        const int low = levels.changedLow(level);
        const int high = levels.changedHigh(level);
        if (low < high)
            glTexSubImage2D(GL_TEXTURE_2D, level, 0, low, e, high - low, GL_ALPHA, GL_UNSIGNED_BYTE,
                            data + static_cast<size_t>(low) * static_cast<size_t>(e));
    }
    levels.clearChanged();
    levelsSent = true;
}

void GlyphAtlas::sampleLevels(bool smaller)
{
    const int wanted = smaller && mipmapped ? GL_LINEAR_MIPMAP_LINEAR : GL_LINEAR;
    if (wanted == minFilter)
        return;
    minFilter = wanted;
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, minFilter);
}
