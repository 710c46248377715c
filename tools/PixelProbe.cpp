#include "tools/PixelProbe.h"

#include <algorithm>

bool PixelProbe::isLit(Rgb colour)
{
    return std::max({colour.red, colour.green, colour.blue}) > kLitThreshold;
}

float PixelProbe::litCentreInColumn(const RgbImage& image, int x, int fromY, int toY)
{
    double sum = 0.0;
    int count = 0;
    for (int y = std::max(fromY, 0); y < std::min(toY, image.height()); ++y) {
        if (isLit(image.pixel(x, y))) {
            sum += y + 0.5;
            ++count;
        }
    }
    return count == 0 ? -1.0f : static_cast<float>(sum / count);
}

float PixelProbe::litCentreInRow(const RgbImage& image, int y, int fromX, int toX)
{
    double sum = 0.0;
    int count = 0;
    for (int x = std::max(fromX, 0); x < std::min(toX, image.width()); ++x) {
        if (isLit(image.pixel(x, y))) {
            sum += x + 0.5;
            ++count;
        }
    }
    return count == 0 ? -1.0f : static_cast<float>(sum / count);
}
