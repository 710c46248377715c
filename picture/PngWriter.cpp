#include "picture/PngWriter.h"

#include <png.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

namespace {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

// The simplified writing interface: no callbacks, no longjmp; failures come
// back as a false return with the reason in the image's message.
bool writePng(std::FILE* file, const RgbImage& image, std::string& error)
{
    png_image png;
    std::memset(&png, 0, sizeof png);
    png.version = PNG_IMAGE_VERSION;
    png.width = static_cast<png_uint_32>(image.width());
    png.height = static_cast<png_uint_32>(image.height());
    png.format = PNG_FORMAT_RGB;
    const bool written = png_image_write_to_stdio(&png, file, 0, image.bytes().data(), 0, nullptr) != 0;
    if (!written)
        error = png.message;
    png_image_free(&png);
    return written;
}

} // namespace

bool PngWriter::write(const RgbImage& image, const std::string& path, std::string& error)
{
    if (image.empty()) {
        error = "nothing to write: the image is empty";
        return false;
    }
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "wb"));
    if (!file) {
        error = "cannot open " + path + ": " + std::strerror(errno);
        return false;
    }
    if (!writePng(file.get(), image, error)) {
        error = "cannot write " + path + ": " + error;
        return false;
    }
    if (std::fclose(file.release()) != 0) {
        error = "cannot write " + path + ": " + std::strerror(errno);
        return false;
    }
    return true;
}
