#include "tests/e2e/TextReading.h"

#include "tools/ChildProcess.h"
#include "picture/PngWriter.h"

#include <unistd.h>

#include <algorithm>
#include <cmath>
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
    // Lightness, interpolated between pixel centres: smooth strokes read better than blocks.
    const auto light = [&](int x, int y) {
        const Rgb colour = image.pixel(left + std::clamp(x, 0, width - 1), top + std::clamp(y, 0, height - 1));
        return static_cast<double>(std::max({colour.red, colour.green, colour.blue}));
    };
    RgbImage out(width * zoom, height * zoom);
    for (int y = 0; y < out.height(); ++y)
        for (int x = 0; x < out.width(); ++x) {
            const double fx = (x + 0.5) / zoom - 0.5;
            const double fy = (y + 0.5) / zoom - 0.5;
            const int x0 = static_cast<int>(std::floor(fx));
            const int y0 = static_cast<int>(std::floor(fy));
            const double ax = fx - x0;
            const double ay = fy - y0;
            const double value = (1 - ay) * ((1 - ax) * light(x0, y0) + ax * light(x0 + 1, y0))
                + ay * ((1 - ax) * light(x0, y0 + 1) + ax * light(x0 + 1, y0 + 1));
            const auto ink = static_cast<std::uint8_t>(255.0 - std::clamp(value, 0.0, 255.0));
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

int bandTop(const RgbImage& picture)
{
    int y = picture.height() - 1;
    while (y > 0 && picture.pixel(2, y).red > 0)
        --y;
    return y + 1;
}

std::vector<std::string> statusLines(const RgbImage& picture, std::string& error)
{
    const int top = bandTop(picture);
    return TextReading::lines(TextReading::forReading(picture, 0, top, picture.width(), picture.height() - top, 3),
                              error);
}

namespace {

std::string withoutSpaces(std::string text)
{
    text.erase(std::remove(text.begin(), text.end(), ' '), text.end());
    return text;
}

} // namespace

bool hasLineWith(const std::vector<std::string>& lines, const std::vector<std::string>& parts)
{
    for (const std::string& read : lines) {
        const std::string line = withoutSpaces(read);
        std::size_t at = 0;
        bool all = true;
        for (const std::string& words : parts) {
            const std::string part = withoutSpaces(words);
            at = line.find(part, at);
            all = all && at != std::string::npos;
            if (!all)
                break;
            at += part.size();
        }
        if (all)
            return true;
    }
    return false;
}

std::string joined(const std::vector<std::string>& lines)
{
    std::string text;
    for (const std::string& line : lines)
        text += "\n  " + line;
    return text;
}

} // namespace TextReading
