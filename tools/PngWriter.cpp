#include "tools/PngWriter.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <fstream>

namespace {

constexpr std::size_t kMaxStoredBlock = 65535;

void appendBigEndian(std::vector<std::uint8_t>& out, std::uint32_t value)
{
    out.push_back(static_cast<std::uint8_t>(value >> 24));
    out.push_back(static_cast<std::uint8_t>(value >> 16));
    out.push_back(static_cast<std::uint8_t>(value >> 8));
    out.push_back(static_cast<std::uint8_t>(value));
}

void appendChunk(std::vector<std::uint8_t>& out, const char type[4], const std::vector<std::uint8_t>& payload)
{
    appendBigEndian(out, static_cast<std::uint32_t>(payload.size()));
    const std::size_t typeAt = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), payload.begin(), payload.end());
    // The checksum covers the type and the payload, not the length.
    appendBigEndian(out, PngWriter::crc32(out.data() + typeAt, out.size() - typeAt));
}

// A zlib stream of stored blocks around the raw scanlines.
std::vector<std::uint8_t> storedZlibStream(const std::vector<std::uint8_t>& raw)
{
    std::vector<std::uint8_t> out;
    out.reserve(raw.size() + raw.size() / kMaxStoredBlock * 5 + 16);
    out.push_back(0x78); // deflate, 32K window
    out.push_back(0x01); // no preset dictionary, header check bits
    std::size_t offset = 0;
    do {
        const std::size_t count = std::min(kMaxStoredBlock, raw.size() - offset);
        const bool last = offset + count == raw.size();
        out.push_back(last ? 1 : 0);
        const auto length = static_cast<std::uint16_t>(count);
        const auto complement = static_cast<std::uint16_t>(~length);
        out.push_back(static_cast<std::uint8_t>(length & 0xff));
        out.push_back(static_cast<std::uint8_t>(length >> 8));
        out.push_back(static_cast<std::uint8_t>(complement & 0xff));
        out.push_back(static_cast<std::uint8_t>(complement >> 8));
        out.insert(out.end(), raw.begin() + static_cast<std::ptrdiff_t>(offset),
                   raw.begin() + static_cast<std::ptrdiff_t>(offset + count));
        offset += count;
    } while (offset < raw.size());
    appendBigEndian(out, PngWriter::adler32(raw));
    return out;
}

} // namespace

std::uint32_t PngWriter::crc32(const std::uint8_t* bytes, std::size_t count, std::uint32_t crc)
{
    static const std::array<std::uint32_t, 256> table = [] {
        std::array<std::uint32_t, 256> entries{};
        for (std::uint32_t n = 0; n < 256; ++n) {
            std::uint32_t c = n;
            for (int k = 0; k < 8; ++k)
                c = (c & 1) != 0 ? 0xedb88320u ^ (c >> 1) : c >> 1;
            entries[n] = c;
        }
        return entries;
    }();
    crc = ~crc;
    for (std::size_t i = 0; i < count; ++i)
        crc = table[(crc ^ bytes[i]) & 0xff] ^ (crc >> 8);
    return ~crc;
}

std::uint32_t PngWriter::adler32(const std::vector<std::uint8_t>& bytes)
{
    constexpr std::uint32_t kModulus = 65521;
    std::uint32_t a = 1;
    std::uint32_t b = 0;
    for (std::uint8_t byte : bytes) {
        a = (a + byte) % kModulus;
        b = (b + a) % kModulus;
    }
    return (b << 16) | a;
}

std::vector<std::uint8_t> PngWriter::encode(const RgbImage& image)
{
    const auto width = static_cast<std::size_t>(image.width());
    const auto height = static_cast<std::size_t>(image.height());

    std::vector<std::uint8_t> raw;
    raw.reserve(height * (width * 3 + 1));
    const auto& pixels = image.bytes();
    for (std::size_t y = 0; y < height; ++y) {
        raw.push_back(0); // filter: none
        const auto rowStart = pixels.begin() + static_cast<std::ptrdiff_t>(y * width * 3);
        raw.insert(raw.end(), rowStart, rowStart + static_cast<std::ptrdiff_t>(width * 3));
    }

    std::vector<std::uint8_t> header;
    appendBigEndian(header, static_cast<std::uint32_t>(width));
    appendBigEndian(header, static_cast<std::uint32_t>(height));
    header.push_back(8); // bits per channel
    header.push_back(2); // truecolour
    header.push_back(0); // deflate
    header.push_back(0); // adaptive filtering
    header.push_back(0); // no interlace

    std::vector<std::uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    appendChunk(png, "IHDR", header);
    appendChunk(png, "IDAT", storedZlibStream(raw));
    appendChunk(png, "IEND", {});
    return png;
}

bool PngWriter::write(const RgbImage& image, const std::string& path, std::string& error)
{
    if (image.empty()) {
        error = "nothing to write: the image is empty";
        return false;
    }
    const std::vector<std::uint8_t> png = encode(image);
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    if (!file) {
        error = "cannot open " + path + ": " + std::strerror(errno);
        return false;
    }
    file.write(reinterpret_cast<const char*>(png.data()), static_cast<std::streamsize>(png.size()));
    file.close();
    if (!file) {
        error = "cannot write " + path;
        return false;
    }
    return true;
}
