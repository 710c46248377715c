#pragma once

#include <cstdint>
#include <vector>

struct Rgb {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
};

// A grabbed picture: rows top to bottom, three bytes per pixel.
class RgbImage {
public:
    RgbImage() = default;
    RgbImage(int width, int height);

    int width() const { return imageWidth; }
    int height() const { return imageHeight; }
    bool empty() const { return imageWidth == 0 || imageHeight == 0; }

    // Out-of-range coordinates read as black and ignore writes.
    Rgb pixel(int x, int y) const;
    void setPixel(int x, int y, Rgb colour);

    // Row-major RGB bytes, width * height * 3 of them.
    const std::vector<std::uint8_t>& bytes() const { return data; }

private:
    int imageWidth = 0;
    int imageHeight = 0;
    std::vector<std::uint8_t> data;
};
