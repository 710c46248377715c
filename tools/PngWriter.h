#pragma once

#include "tools/RgbImage.h"

#include <cstdint>
#include <string>
#include <vector>

// Encodes an RgbImage as an 8-bit RGB PNG. The pixel data goes into stored
// (uncompressed) deflate blocks, so no compression library is needed; the
// files are larger than they could be, which does not matter for screenshots.
class PngWriter {
public:
    static std::vector<std::uint8_t> encode(const RgbImage& image);
    // False with a reason in `error` when the image is empty or the file can't be written.
    static bool write(const RgbImage& image, const std::string& path, std::string& error);

    static std::uint32_t crc32(const std::uint8_t* bytes, std::size_t count, std::uint32_t crc = 0);
    static std::uint32_t adler32(const std::vector<std::uint8_t>& bytes);
};
