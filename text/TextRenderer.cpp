#include "text/TextRenderer.h"

#include "text/FontSet.h"
#include "text/Utf8Decoder.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

constexpr size_t kScreenLines = 64; // a status line and a few labels
constexpr size_t kSceneLines = 1024; // the names on screen, several times over

std::string cacheKey(const std::string& bytes, size_t maxCharacters, float maxWidth)
{
    // The limits first, in fixed size, so no two different requests share a key.
    std::string key(sizeof maxCharacters + sizeof maxWidth, '\0');
    std::memcpy(&key[0], &maxCharacters, sizeof maxCharacters);
    std::memcpy(&key[sizeof maxCharacters], &maxWidth, sizeof maxWidth);
    key += bytes;
    return key;
}

std::uint8_t channel(float value)
{
    return static_cast<std::uint8_t>(std::lround(std::clamp(value, 0.0f, 1.0f) * 255.0f));
}

} // namespace

TextRenderer::TextRenderer(FontSet& fonts, int screenPixels, int scenePixels)
    : screenSheet(fonts, kScreenAtlasSize, false, screenPixels), sceneSheet(fonts, kSceneAtlasSize, true, scenePixels),
      screenLines(kScreenLines), sceneLines(kSceneLines), screenQueue{&screenSheet, &screenLines, {}, {}, {}, true},
      sceneQueue{&sceneSheet, &sceneLines, {}, {}, {}, false}
{
}

void TextRenderer::setScreenPixelSize(int pixels)
{
    if (pixels != screenSheet.pixelSize())
        flush(screenQueue);
    screenSheet.setPixelSize(pixels);
}

void TextRenderer::setScenePixelSize(int pixels)
{
    if (pixels != sceneSheet.pixelSize())
        flush(sceneQueue);
    sceneSheet.setPixelSize(pixels);
}

void TextRenderer::setWindowSize(int width, int height)
{
    windowWidth = std::max(1, width);
    windowHeight = std::max(1, height);
}

int TextRenderer::screenAscent()
{
    return screenSheet.fontSet().ascent(screenSheet.pixelSize());
}

int TextRenderer::screenDescent()
{
    return screenSheet.fontSet().descent(screenSheet.pixelSize());
}

int TextRenderer::screenLineHeight()
{
    return screenSheet.fontSet().lineHeight(screenSheet.pixelSize());
}

bool TextRenderer::build(GlyphSheet& sheet, const std::u32string& text, size_t maxCharacters, float maxWidth,
                         Line& line)
{
    bool complete = true;
    const auto advance = [&](char32_t c) {
        const PlacedGlyph* glyph = sheet.find(c);
        complete = complete && glyph != nullptr;
        return glyph != nullptr ? glyph->advance : 0.0f;
    };
    const LineLayout layout = LineLayout::build(text, advance, maxCharacters, maxWidth);
    line.width = layout.width;
    line.quads.clear();
    for (size_t i = 0; i < layout.characters.size(); ++i) {
        const PlacedGlyph* glyph = sheet.find(layout.characters[i]);
        if (glyph == nullptr || glyph->width == 0.0f)
            continue;
        const float x = layout.penX[i] + glyph->left;
        line.quads.push_back(
            {x, glyph->top - glyph->rows, x + glyph->width, glyph->top, glyph->u0, glyph->v1, glyph->u1, glyph->v0});
    }
    return complete;
}

const TextRenderer::Line& TextRenderer::lineFor(Queue& queue, const std::string& bytes, size_t maxCharacters,
                                                float maxWidth)
{
    GlyphSheet& sheet = *queue.sheet;
    const std::string key = cacheKey(bytes, maxCharacters, maxWidth);
    if (Line* cached = queue.lines->find(key))
        if (cached->generation == sheet.generation())
            return *cached;
    const std::u32string text = Utf8Decoder::decode(bytes);
    Line line;
    if (!build(sheet, text, maxCharacters, maxWidth, line)) {
        // The queued text still points into the full atlas: draw it, then
        // start the atlas afresh. A line needing more than a whole atlas
        // keeps the glyphs that fit.
        flush(queue);
        sheet.reset();
        build(sheet, text, maxCharacters, maxWidth, line);
    }
    line.generation = sheet.generation();
    return queue.lines->put(key, std::move(line));
}

float TextRenderer::screenWidth(const std::string& bytes, size_t maxCharacters, float maxWidth)
{
    return lineFor(screenQueue, bytes, maxCharacters, maxWidth).width;
}

float TextRenderer::sceneWidth(const std::string& bytes, float height, size_t maxCharacters, float maxWidth)
{
    const float pixelsPerUnit = static_cast<float>(sceneSheet.pixelSize()) / height;
    return lineFor(sceneQueue, bytes, maxCharacters, maxWidth * pixelsPerUnit).width / pixelsPerUnit;
}

void TextRenderer::addScreenBand(float left, float top, float width, float height, Color color)
{
    const std::uint8_t rgba[4] = {channel(color.r), channel(color.g), channel(color.b), channel(color.a)};
    const float corners[4][2] = {{left, top + height}, {left + width, top + height}, {left + width, top}, {left, top}};
    for (const auto& corner : corners)
        bands.push_back({corner[0], corner[1], 0.0f, 0.0f, 0.0f, {rgba[0], rgba[1], rgba[2], rgba[3]}});
    bandsBlend = bandsBlend || rgba[3] != 255;
}

void TextRenderer::addScreenText(const std::string& bytes, float left, float baseline, Color color,
                                 size_t maxCharacters, float maxWidth)
{
    const Line& line = lineFor(screenQueue, bytes, maxCharacters, maxWidth);
    const std::uint8_t rgba[4] = {channel(color.r), channel(color.g), channel(color.b), channel(color.a)};
    const float x = std::round(left);
    const float y = std::round(baseline);
    for (const Quad& quad : line.quads) {
        // Glyph bitmaps are whole pixels; only the pen may fall between them.
        const float x0 = x + std::round(quad.x0);
        const float x1 = x0 + (quad.x1 - quad.x0);
        const float corners[4][4] = {{x0, y - quad.y0, quad.u0, quad.v0},
                                     {x1, y - quad.y0, quad.u1, quad.v0},
                                     {x1, y - quad.y1, quad.u1, quad.v1},
                                     {x0, y - quad.y1, quad.u0, quad.v1}};
        for (const auto& c : corners)
            screenQueue.vertices.push_back({c[0], c[1], 0.0f, c[2], c[3], {rgba[0], rgba[1], rgba[2], rgba[3]}});
    }
}

void TextRenderer::addSceneText(const std::string& bytes, Point origin, Point along, Point up, float height,
                                Color color, size_t maxCharacters, float maxWidth, Seen seen)
{
    const float pixels = static_cast<float>(sceneSheet.pixelSize());
    const float scale = height / pixels;
    const Line& line = lineFor(sceneQueue, bytes, maxCharacters, maxWidth / scale);
    const std::uint8_t rgba[4] = {channel(color.r), channel(color.g), channel(color.b), channel(color.a)};
    const auto at = [&](float x, float y, float u, float v) {
        const float a = x * scale;
        const float b = y * scale;
        return Vertex{origin.x + along.x * a + up.x * b,
                      origin.y + along.y * a + up.y * b,
                      origin.z + along.z * a + up.z * b,
                      u,
                      v,
                      {rgba[0], rgba[1], rgba[2], rgba[3]}};
    };
    std::vector<Vertex>& vertices = seen == Seen::AtSizeOrLarger ? sceneQueue.fullSize : sceneQueue.vertices;
    for (const Quad& quad : line.quads) {
        vertices.push_back(at(quad.x0, quad.y0, quad.u0, quad.v0));
        vertices.push_back(at(quad.x1, quad.y0, quad.u1, quad.v0));
        vertices.push_back(at(quad.x1, quad.y1, quad.u1, quad.v1));
        vertices.push_back(at(quad.x0, quad.y1, quad.u0, quad.v1));
    }
}

bool TextRenderer::addFacingSceneText(const std::string& bytes, const Facing& facing, Color color, size_t maxCharacters,
                                      float maxWidth)
{
    const int raster = sceneSheet.pixelSize();
    const int step = LineRaster::stepOf(facing.pixelsPerEm);
    std::string key = cacheKey(bytes, maxCharacters, maxWidth);
    key.append(reinterpret_cast<const char*>(&step), sizeof step);
    key.append(reinterpret_cast<const char*>(&raster), sizeof raster);
    const LineSheet::Placed* placed = lineSheet.find(key);
    if (placed == nullptr) {
        // Laid out from the glyphs at the raster size, then resampled at the size on screen.
        const Line& line = lineFor(sceneQueue, bytes, maxCharacters, maxWidth * static_cast<float>(raster));
        const double scale = LineRaster::pixelsOf(step) / raster;
        std::vector<LineRaster::Glyph> glyphs;
        glyphs.reserve(line.quads.size());
        float low = 0.0f, high = 0.0f, bottom = 0.0f, top = 0.0f;
        for (const Quad& q : line.quads) {
            glyphs.push_back({q.x0, q.y0, q.x1, q.y1, q.u0, q.v0, q.u1, q.v1});
            low = std::min(low, q.x0);
            high = std::max(high, q.x1);
            bottom = std::min(bottom, q.y0);
            top = std::max(top, q.y1);
        }
        // A line seen very large stays glyph by glyph: its bitmap would cost
        // more to make than it saves, and crowd out every other line.
        if ((high - low) * scale + 2.0 > LineSheet::kLargestLine
            || (top - bottom) * scale + 2.0 > LineSheet::kLargestLine)
            return false;
        GlyphAtlas& atlas = sceneSheet.atlas();
        const LineRaster::Bitmap bitmap = LineRaster::render(glyphs, scale, atlas.texels(), atlas.size());
        placed = lineSheet.add(key, bitmap);
        if (placed == nullptr) {
            // Queued lines still point into the full sheet: draw them, then start it afresh.
            flush(sceneQueue);
            lineSheet.reset();
            placed = lineSheet.add(key, bitmap);
        }
        if (placed == nullptr)
            return false;
    }
    facingViewport[0] = std::max(1, facing.viewport[0]);
    facingViewport[1] = std::max(1, facing.viewport[1]);
    if (placed->width == 0)
        return true;
    const std::uint8_t rgba[4] = {channel(color.r), channel(color.g), channel(color.b), channel(color.a)};
    // Line space maps onto whole window pixels from the origin's pixel corner.
    const double ox = std::round(facing.x);
    const double oy = std::round(facing.y);
    const auto at = [&](int x, int y, float u, float v) {
        return Vertex{static_cast<float>(ox + facing.along[0] * x + facing.up[0] * y),
                      static_cast<float>(oy + facing.along[1] * x + facing.up[1] * y),
                      static_cast<float>(-facing.depth),
                      u,
                      v,
                      {rgba[0], rgba[1], rgba[2], rgba[3]}};
    };
    const int right = placed->left + placed->width;
    const int bottom = placed->top - placed->rows;
    sceneQueue.facing.push_back(at(placed->left, placed->top, placed->u0, placed->v0));
    sceneQueue.facing.push_back(at(right, placed->top, placed->u1, placed->v0));
    sceneQueue.facing.push_back(at(right, bottom, placed->u1, placed->v1));
    sceneQueue.facing.push_back(at(placed->left, bottom, placed->u0, placed->v1));
    return true;
}

void TextRenderer::drawScreen()
{
    flush(screenQueue);
}

void TextRenderer::drawScene()
{
    flush(sceneQueue);
}

bool TextRenderer::hasWork(const Queue& queue) const
{
    return !queue.vertices.empty() || !queue.fullSize.empty() || !queue.facing.empty()
        || (queue.screen && !bands.empty());
}

void TextRenderer::draw()
{
    const bool scene = hasWork(sceneQueue);
    const bool screen = hasWork(screenQueue);
    if (!scene && !screen)
        return;
    saveState();
    if (scene)
        drawQueue(sceneQueue);
    if (screen)
        drawQueue(screenQueue);
    restoreState();
}

void TextRenderer::flush(Queue& queue)
{
    if (!hasWork(queue))
        return;
    saveState();
    drawQueue(queue);
    restoreState();
}

void TextRenderer::drawQuads(const std::vector<Vertex>& vertices)
{
    const Vertex* first = vertices.data();
    glVertexPointer(3, GL_FLOAT, sizeof(Vertex), &first->x);
    glTexCoordPointer(2, GL_FLOAT, sizeof(Vertex), &first->u);
    glColorPointer(4, GL_UNSIGNED_BYTE, sizeof(Vertex), first->rgba);
    glDrawArrays(GL_QUADS, 0, static_cast<GLsizei>(vertices.size()));
}

void TextRenderer::drawFacing(Queue& queue)
{
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_ALPHA_TEST);
    glAlphaFunc(GL_GREATER, 0.0f);
    lineSheet.atlas().bind();
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    // Window pixels, y up, and the depth as the scene's projection gave it.
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(0.0, facingViewport[0], 0.0, facingViewport[1], -1.0, 1.0);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    drawQuads(queue.facing);
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
}

void TextRenderer::saveState()
{
    glPushAttrib(GL_ENABLE_BIT | GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_TEXTURE_BIT | GL_CURRENT_BIT);
    glPushClientAttrib(GL_CLIENT_VERTEX_ARRAY_BIT | GL_CLIENT_PIXEL_STORE_BIT);
    glDisable(GL_LIGHTING);
    glDisable(GL_CULL_FACE);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_COLOR_ARRAY);
}

void TextRenderer::restoreState()
{
    glPopClientAttrib();
    glPopAttrib();
}

void TextRenderer::drawQueue(Queue& queue)
{
    if (queue.screen) {
        glDisable(GL_DEPTH_TEST);
        glMatrixMode(GL_PROJECTION);
        glPushMatrix();
        glLoadIdentity();
        glOrtho(0.0, windowWidth, windowHeight, 0.0, -1.0, 1.0);
        glMatrixMode(GL_MODELVIEW);
        glPushMatrix();
        glLoadIdentity();
    } else {
        glEnable(GL_DEPTH_TEST);
        glDepthMask(GL_FALSE);
    }
    if (!bands.empty() && queue.screen) {
        glDisable(GL_TEXTURE_2D);
        glDisableClientState(GL_TEXTURE_COORD_ARRAY);
        glVertexPointer(3, GL_FLOAT, sizeof(Vertex), &bands[0].x);
        glColorPointer(4, GL_UNSIGNED_BYTE, sizeof(Vertex), bands[0].rgba);
        // Bands are opaque unless asked otherwise: blending only those that need it.
        if (!bandsBlend)
            glDisable(GL_BLEND);
        glDrawArrays(GL_QUADS, 0, static_cast<GLsizei>(bands.size()));
        glEnable(GL_BLEND);
    }
    if (!queue.vertices.empty() || !queue.fullSize.empty()) {
        glEnable(GL_TEXTURE_2D);
        glEnable(GL_ALPHA_TEST);
        glAlphaFunc(GL_GREATER, 0.0f);
        GlyphAtlas& atlas = queue.sheet->atlas();
        atlas.bind();
        glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
        glEnableClientState(GL_TEXTURE_COORD_ARRAY);
        if (!queue.fullSize.empty()) {
            atlas.sampleLevels(false);
            drawQuads(queue.fullSize);
        }
        if (!queue.vertices.empty()) {
            atlas.sampleLevels(true);
            drawQuads(queue.vertices);
        }
    }
    if (!queue.facing.empty())
        drawFacing(queue);
    if (queue.screen) {
        glMatrixMode(GL_PROJECTION);
        glPopMatrix();
        glMatrixMode(GL_MODELVIEW);
        glPopMatrix();
    }
    queue.vertices.clear();
    queue.fullSize.clear();
    queue.facing.clear();
    if (queue.screen) {
        bands.clear();
        bandsBlend = false;
    }
}
