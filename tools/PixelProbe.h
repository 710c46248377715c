#pragma once

#include "picture/RgbImage.h"

// Finding the viewer's thin white lines in a grabbed picture. The background
// is black, so any pixel with a bright channel belongs to something drawn.
class PixelProbe {
public:
    static constexpr int kLitThreshold = 60;

    static bool isLit(Rgb colour);
    // Centre of the lit pixels in column x between rows fromY (inclusive) and
    // toY (exclusive), as a window coordinate (pixel index + 0.5); -1 when none is lit.
    static float litCentreInColumn(const RgbImage& image, int x, int fromY, int toY);
    // The same along row y, between columns fromX and toX.
    static float litCentreInRow(const RgbImage& image, int y, int fromX, int toX);
};
