#include "tests/e2e/TextReading.h"

#include "tools/ChildProcess.h"
#include "tools/PngWriter.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <sstream>

namespace TextReading {

RgbImage turnedLeft(const RgbImage& image)
{
    RgbImage turned(image.height(), image.width());
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            turned.setPixel(y, image.width() - 1 - x, image.pixel(x, y));
    return turned;
}

RgbImage forReading(const RgbImage& image, int left, int top, int width, int height, int zoom)
{
    RgbImage out(width * zoom, height * zoom);
    for (int y = 0; y < out.height(); ++y)
        for (int x = 0; x < out.width(); ++x) {
            const Rgb colour = image.pixel(left + x / zoom, top + y / zoom);
            const int light = std::max({colour.red, colour.green, colour.blue});
            const auto ink = static_cast<std::uint8_t>(255 - light);
            out.setPixel(x, y, {ink, ink, ink});
        }
    return out;
}

std::vector<std::string> lines(const RgbImage& image, std::string& error)
{
    char path[] = "/tmp/lumenfold-reading-XXXXXX.png";
    const int fd = mkstemps(path, 4);
    if (fd < 0) {
        error = "cannot make a file for the picture";
        return {};
    }
    close(fd);
    std::vector<std::string> found;
    if (PngWriter::write(image, path, error)) {
        ChildProcess reader;
        // One uniform block of text.
        if (!reader.start({"tesseract", path, "stdout", "--psm", "6", "-l", "eng"}))
            error = reader.error();
        else if (!reader.waitForExit(60000) || reader.exitCode() != 0)
            error = "tesseract failed: " + reader.standardError();
        else {
            std::istringstream text(reader.standardOutput());
            for (std::string line; std::getline(text, line);)
                if (line.find_first_not_of(" \t\f") != std::string::npos)
                    found.push_back(line);
        }
    }
    std::remove(path);
    return found;
}

} // namespace TextReading
