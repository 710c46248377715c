#pragma once

#include "text/GlyphSheet.h"
#include "text/LineSheet.h"
#include "text/LineLayout.h"
#include "text/LruCache.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class FontSet;

// Draws lines of text in fixed-function GL from two glyph atlases: screen
// text at window pixels (sharp, bilinear, pixel-aligned) and scene text on
// planes in the 3D scene (mipmapped). Text is queued with add* and drawn,
// batched into one draw call per atlas, by draw*. Any bytes are accepted:
// they are decoded as by Utf8Decoder and never break the line. Laid-out
// lines are kept in a bounded cache, so the same names drawn every frame
// cost a lookup and a copy of their quads.
//
// Drawing saves and restores the GL state it changes (enables, blending,
// depth mask, texture binding and environment, current colour, client
// arrays, matrices), so what is drawn afterwards looks as before. A full
// atlas is started afresh, after the text queued so far has been drawn: queue
// and draw under the same model-view matrix. Needs the GL context current
// for add*, draw* and destruction; measuring needs no context.
class TextRenderer {
public:
    struct Color {
        float r, g, b, a;
    };
    struct Point {
        float x, y, z;
    };
    static constexpr size_t kWhole = SIZE_MAX;
    static constexpr int kScreenAtlasSize = 512;
    static constexpr int kSceneAtlasSize = 1024;

    explicit TextRenderer(FontSet& fonts, int screenPixels = 14, int scenePixels = 32);

    // Raster sizes, pixels per em; changing one re-rasterises its glyphs.
    void setScreenPixelSize(int pixels);
    void setScenePixelSize(int pixels);
    int screenPixelSize() const { return screenSheet.pixelSize(); }
    int scenePixelSize() const { return sceneSheet.pixelSize(); }

    // Mipmapped scene text (on at first) keeps far names from shimmering.
    // Software GL (llvmpipe) compiles its trilinear sampling at the first
    // draw that uses it, which costs about as much as opening the window:
    // to keep that out of start-up, draw the first frame with them off.
    void setSceneMipmaps(bool on) { sceneSheet.atlas().setMipmaps(on); }

    // The window the screen text is placed in, in pixels (after each resize).
    void setWindowSize(int width, int height);

    // Screen font metrics, pixels.
    int screenAscent();
    int screenDescent();
    int screenLineHeight();

    // Width of a line as it would be drawn, shortened as asked.
    float screenWidth(const std::string& bytes, size_t maxCharacters = kWhole, float maxWidth = LineLayout::kUnlimited);
    // In scene units, for a glyph height (one em) of `height`.
    float sceneWidth(const std::string& bytes, float height, size_t maxCharacters = LineLayout::kNameCharacters,
                     float maxWidth = LineLayout::kUnlimited);

    // A filled rectangle under the screen text, window pixels from the top left.
    void addScreenBand(float left, float top, float width, float height, Color color);
    // A line whose baseline starts at (left, baseline), window pixels from
    // the top left; both are rounded to whole pixels.
    void addScreenText(const std::string& bytes, float left, float baseline, Color color, size_t maxCharacters = kWhole,
                       float maxWidth = LineLayout::kUnlimited);
    // Draws the queued bands, then the queued screen text, over everything.
    void drawScreen();

    // How a scene line is seen against its raster size. Text seen at least
    // that large (nowhere more than one texel to a pixel) samples the full-size
    // glyphs alone, which looks the same and costs a software GL a fraction of
    // sampling the mipmaps.
    enum class Seen { Smaller, AtSizeOrLarger };

    // A line on the plane through `origin` (the left end of its baseline)
    // spanned by the unit vectors `along` (reading direction) and `up`, one
    // em `height` scene units tall, `maxWidth` in scene units.
    void addSceneText(const std::string& bytes, Point origin, Point along, Point up, float height, Color color,
                      size_t maxCharacters = LineLayout::kNameCharacters, float maxWidth = LineLayout::kUnlimited,
                      Seen seen = Seen::Smaller);
    // A scene line whose plane faces the window: its reading direction and
    // its up direction each fall on one of the window's axes, and one em is
    // `pixelsPerEm` pixels both ways everywhere on it. Such a line is drawn
    // from one bitmap of the whole line rasterised at its size on screen (in
    // steps of LineRaster::kStepPixels), as one quad on whole pixels, which
    // looks as the glyphs drawn one by one would.
    struct Facing {
        double x, y; // the origin in window pixels from the viewport's bottom left
        double depth; // its depth, -1 (near) to 1 (far) as GL's projection gives it
        int along[2]; // unit window axes, y up
        int up[2];
        double pixelsPerEm;
        int viewport[2]; // the viewport's width and height
    };
    // Queues a facing line (`maxWidth` in ems), drawn with the scene text;
    // false when it is too large to keep as one bitmap (longer than
    // LineSheet::kLargestLine pixels either way) and nothing was queued.
    bool addFacingSceneText(const std::string& bytes, const Facing& facing, Color color,
                            size_t maxCharacters = LineLayout::kNameCharacters,
                            float maxWidth = LineLayout::kUnlimited);

    // Draws the queued scene text: blended, depth-tested against what is
    // already drawn but not writing depth (glyph quads overlap and must not
    // hide each other, and names are drawn after the symbols), unlit, both
    // faces.
    void drawScene();

    // Draws the queued scene text, then the queued bands and screen text
    // over everything, as drawScene and drawScreen would in turn, with one
    // save and restore of the GL state: what a frame's text costs once.
    void draw();

private:
    struct Quad {
        float x0, y0, x1, y1; // pixels, y up from the baseline
        float u0, v0, u1, v1;
    };
    struct Line {
        unsigned generation = 0;
        float width = 0.0f;
        std::vector<Quad> quads;
    };
    struct Vertex {
        float x, y, z;
        float u, v;
        std::uint8_t rgba[4];
    };
    struct Queue {
        GlyphSheet* sheet;
        LruCache<std::string, Line>* lines;
        std::vector<Vertex> vertices;
        // Scene text seen at its raster size or larger, drawn from the full-size level.
        std::vector<Vertex> fullSize;
        // Facing lines in window pixels, drawn from the line sheet.
        std::vector<Vertex> facing;
        bool screen;
    };

    const Line& lineFor(Queue& queue, const std::string& bytes, size_t maxCharacters, float maxWidth);
    bool build(GlyphSheet& sheet, const std::u32string& text, size_t maxCharacters, float maxWidth, Line& line);
    bool hasWork(const Queue& queue) const;
    void flush(Queue& queue);
    // The GL state text drawing changes, saved and set up; and given back.
    static void saveState();
    static void restoreState();
    // Draws and empties one queue, inside saveState and restoreState.
    void drawQueue(Queue& queue);
    static void drawQuads(const std::vector<Vertex>& vertices);
    void drawFacing(Queue& queue);

    GlyphSheet screenSheet;
    GlyphSheet sceneSheet;
    LruCache<std::string, Line> screenLines;
    LruCache<std::string, Line> sceneLines;
    Queue screenQueue;
    Queue sceneQueue;
    LineSheet lineSheet;
    int facingViewport[2] = {1, 1};
    std::vector<Vertex> bands;
    bool bandsBlend = false; // a queued band is translucent
    int windowWidth = 800;
    int windowHeight = 600;
};
