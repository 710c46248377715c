#pragma once

#include "picture/RgbImage.h"

#include <string>

// Reads a PNG file of any colour type as 8-bit RGB, for checking the
// pictures the program writes.
class PngReader {
public:
    // False with a reason in `error` when the file cannot be read as a PNG.
    static bool read(const std::string& path, RgbImage& image, std::string& error);
};
