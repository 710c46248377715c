#include "picture/RgbImage.h"

#include <cstddef>

RgbImage::RgbImage(int width, int height)
{
    if (width <= 0 || height <= 0)
        return;
    imageWidth = width;
    imageHeight = height;
    data.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 3, 0);
}

Rgb RgbImage::pixel(int x, int y) const
{
    if (x < 0 || y < 0 || x >= imageWidth || y >= imageHeight)
        return Rgb{};
    const std::size_t at
        = (static_cast<std::size_t>(y) * static_cast<std::size_t>(imageWidth) + static_cast<std::size_t>(x)) * 3;
    return Rgb{data[at], data[at + 1], data[at + 2]};
}

void RgbImage::setPixel(int x, int y, Rgb colour)
{
    if (x < 0 || y < 0 || x >= imageWidth || y >= imageHeight)
        return;
    const std::size_t at
        = (static_cast<std::size_t>(y) * static_cast<std::size_t>(imageWidth) + static_cast<std::size_t>(x)) * 3;
    data[at] = colour.red;
    data[at + 1] = colour.green;
    data[at + 2] = colour.blue;
}
