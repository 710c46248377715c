#include "picture/PngReader.h"

#include <png.h>

#include <cstring>
#include <vector>

bool PngReader::read(const std::string& path, RgbImage& image, std::string& error)
{
    png_image png;
    std::memset(&png, 0, sizeof png);
    png.version = PNG_IMAGE_VERSION;
    if (png_image_begin_read_from_file(&png, path.c_str()) == 0) {
        error = "cannot read " + path + ": " + png.message;
        return false;
    }
    png.format = PNG_FORMAT_RGB;
    std::vector<std::uint8_t> bytes(PNG_IMAGE_SIZE(png));
    if (png_image_finish_read(&png, nullptr, bytes.data(), 0, nullptr) == 0) {
        error = "cannot read " + path + ": " + png.message;
        png_image_free(&png);
        return false;
    }
    const int width = static_cast<int>(png.width);
    const int height = static_cast<int>(png.height);
    image = RgbImage(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const std::uint8_t* pixel = &bytes[(static_cast<std::size_t>(y) * width + x) * 3];
            image.setPixel(x, y, Rgb{pixel[0], pixel[1], pixel[2]});
        }
    return true;
}
