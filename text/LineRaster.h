#pragma once

#include <cstdint>
#include <vector>

// A line of glyph quads resampled on the CPU into one bitmap at the size it
// has on screen, the way a bilinear draw of the quads from their atlas would
// cover the pixels of a window whose pixel grid the line's origin sits on:
// drawn one texel to a pixel it looks the same as the glyphs drawn one by one.
// Line space runs x along the line and y up from the baseline, in raster
// pixels for the quads and in window pixels for the bitmap. No GL.
class LineRaster {
public:
    // One glyph: its box in raster pixels and its texture coordinates in an
    // atlas of `edge` x `edge` texels (v grows down the atlas's rows).
    struct Glyph {
        float x0, y0, x1, y1;
        float u0, v0, u1, v1;
    };
    // The coverage of the pixels the line inks, rows from the top down; the
    // box's top-left corner at (left, top) in window pixels of line space.
    struct Bitmap {
        int left = 0;
        int top = 0;
        int width = 0;
        int rows = 0;
        std::vector<std::uint8_t> coverage;
    };

    // On-screen sizes come in steps of this many pixels per em: a line seen
    // at a size keeps its bitmap until its size moves by half a step.
    static constexpr double kStepPixels = 0.25;
    // The step nearest `pixelsPerEm` (at least one), and its size in pixels.
    static int stepOf(double pixelsPerEm);
    static double pixelsOf(int step) { return step * kStepPixels; }

    // The line scaled by `scale` window pixels per raster pixel, its origin on
    // a pixel corner, sampled from `atlas`; the box trimmed to its ink.
    // Overlapping glyphs combine as blending one over the other would.
    static Bitmap render(const std::vector<Glyph>& glyphs, double scale, const std::uint8_t* atlas, int edge);
};
