#pragma once

#include "picture/RgbImage.h"

#include <string>

// Saves an RgbImage as an 8-bit RGB PNG file.
class PngWriter {
public:
    // False with a reason in `error` when the image is empty or the file can't be written.
    static bool write(const RgbImage& image, const std::string& path, std::string& error);
};
