#include "text/LineRaster.h"

#include <algorithm>
#include <climits>
#include <cmath>

namespace {

// The atlas sampled at texel coordinates (s, t) as bilinear filtering does:
// the four texels around the point, weighted by its distance to their centres.
double bilinear(const std::uint8_t* atlas, int edge, double s, double t)
{
    const double x = s - 0.5;
    const double y = t - 0.5;
    const double fx = std::floor(x);
    const double fy = std::floor(y);
    const double ax = x - fx;
    const double ay = y - fy;
    const auto texel = [&](double tx, double ty) {
        const int cx = std::clamp(static_cast<int>(tx), 0, edge - 1);
        const int cy = std::clamp(static_cast<int>(ty), 0, edge - 1);
        return atlas[static_cast<std::size_t>(cy) * static_cast<std::size_t>(edge) + static_cast<std::size_t>(cx)]
            / 255.0;
    };
    const double top = texel(fx, fy) * (1.0 - ax) + texel(fx + 1.0, fy) * ax;
    const double bottom = texel(fx, fy + 1.0) * (1.0 - ax) + texel(fx + 1.0, fy + 1.0) * ax;
    return top * (1.0 - ay) + bottom * ay;
}

// The pixels [first, end) whose centres lie in [low, high).
void pixelsIn(double low, double high, int& first, int& end)
{
    first = static_cast<int>(std::ceil(low - 0.5));
    end = static_cast<int>(std::ceil(high - 0.5));
}

} // namespace

int LineRaster::stepOf(double pixelsPerEm)
{
    if (!(pixelsPerEm > kStepPixels))
        return 1;
    return static_cast<int>(std::lround(std::min(pixelsPerEm, 1e6) / kStepPixels));
}

LineRaster::Bitmap LineRaster::render(const std::vector<Glyph>& glyphs, double scale, const std::uint8_t* atlas,
                                      int edge)
{
    Bitmap bitmap;
    if (glyphs.empty() || !(scale > 0.0))
        return bitmap;
    // The pixels the glyph boxes reach; x runs along, y up (rows counted from the top).
    int left = INT_MAX, right = INT_MIN, bottom = INT_MAX, top = INT_MIN;
    for (const Glyph& g : glyphs) {
        int x0, x1, y0, y1;
        pixelsIn(g.x0 * scale, g.x1 * scale, x0, x1);
        pixelsIn(g.y0 * scale, g.y1 * scale, y0, y1);
        if (x0 >= x1 || y0 >= y1)
            continue;
        left = std::min(left, x0);
        right = std::max(right, x1);
        bottom = std::min(bottom, y0);
        top = std::max(top, y1);
    }
    if (left >= right)
        return bitmap;
    const int width = right - left;
    const int rows = top - bottom;
    // What each pixel lets through of the background, multiplied glyph by glyph.
    std::vector<double> through(static_cast<std::size_t>(width) * static_cast<std::size_t>(rows), 1.0);
    for (const Glyph& g : glyphs) {
        const double gx0 = g.x0 * scale, gx1 = g.x1 * scale, gy0 = g.y0 * scale, gy1 = g.y1 * scale;
        int x0, x1, y0, y1;
        pixelsIn(gx0, gx1, x0, x1);
        pixelsIn(gy0, gy1, y0, y1);
        for (int y = y0; y < y1; ++y) {
            const double t = (g.v0 + (g.v1 - g.v0) * ((y + 0.5 - gy0) / (gy1 - gy0))) * edge;
            double* out = &through[static_cast<std::size_t>(top - 1 - y) * static_cast<std::size_t>(width)];
            for (int x = x0; x < x1; ++x) {
                const double s = (g.u0 + (g.u1 - g.u0) * ((x + 0.5 - gx0) / (gx1 - gx0))) * edge;
                out[x - left] *= 1.0 - bilinear(atlas, edge, s, t);
            }
        }
    }
    // Trimmed to the rows and columns with ink.
    std::vector<std::uint8_t> ink(through.size());
    int inkLeft = width, inkRight = -1, inkTop = rows, inkBottom = -1;
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < width; ++c) {
            const std::size_t i
                = static_cast<std::size_t>(r) * static_cast<std::size_t>(width) + static_cast<std::size_t>(c);
            ink[i] = static_cast<std::uint8_t>(std::lround((1.0 - through[i]) * 255.0));
            if (ink[i] != 0) {
                inkLeft = std::min(inkLeft, c);
                inkRight = std::max(inkRight, c);
                inkTop = std::min(inkTop, r);
                inkBottom = std::max(inkBottom, r);
            }
        }
    if (inkRight < 0)
        return bitmap;
    bitmap.left = left + inkLeft;
    bitmap.top = top - inkTop;
    bitmap.width = inkRight - inkLeft + 1;
    bitmap.rows = inkBottom - inkTop + 1;
    bitmap.coverage.resize(static_cast<std::size_t>(bitmap.width) * static_cast<std::size_t>(bitmap.rows));
    for (int r = 0; r < bitmap.rows; ++r)
        std::copy_n(&ink[static_cast<std::size_t>(inkTop + r) * static_cast<std::size_t>(width)
                         + static_cast<std::size_t>(inkLeft)],
                    bitmap.width,
                    &bitmap.coverage[static_cast<std::size_t>(r) * static_cast<std::size_t>(bitmap.width)]);
    return bitmap;
}
