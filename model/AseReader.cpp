#include "model/AseReader.h"

#include "support/ProgressListener.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <limits>
#include <locale.h>

namespace {

struct Keyword {
    std::string_view text;
    std::size_t index;
};

constexpr Keyword kVertex{"*MESH_VERTEX ", 3};
constexpr Keyword kFace{"*MESH_FACE ", 3};
constexpr Keyword kVertexNormal{"*MESH_VERTEXNORMAL ", 4};
constexpr Keyword kAmbient{"*MATERIAL_AMBIENT ", 2};
constexpr Keyword kDiffuse{"*MATERIAL_DIFFUSE ", 2};
constexpr Keyword kSpecular{"*MATERIAL_SPECULAR ", 2};
constexpr Keyword kShineStrength{"*MATERIAL_SHINESTRENGTH ", 2};
constexpr Keyword kShine{"*MATERIAL_SHINE ", 2};
constexpr Keyword kTransparency{"*MATERIAL_TRANSPARENCY ", 2};

// The keyword contains its '*' only at its start, so it cannot also occur
// earlier in the line overlapping this place: matching here is the same as
// its first occurrence beginning here.
bool matches(std::string_view line, const Keyword& keyword)
{
    return line.size() >= keyword.index + keyword.text.size()
        && line.compare(keyword.index, keyword.text.size(), keyword.text) == 0;
}

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// Reads the fields of one line the way formatted stream extraction does
// (words, decimal integers, floats), except that a failed field never
// touches its destination. After the first failure every field fails.
class FieldCursor {
public:
    explicit FieldCursor(std::string_view text) : line(text) {}

    void skipWord()
    {
        if (!start())
            return;
        while (pos < line.size() && !isBlank(line[pos]))
            ++pos;
    }

    void readInt(int& slot)
    {
        if (!start())
            return;
        bool negative = false;
        if (line[pos] == '+' || line[pos] == '-') {
            negative = line[pos] == '-';
            ++pos;
        }
        const std::size_t digitsBegin = pos;
        // Saturates just past the int range, so any overflow is still seen.
        const std::int64_t limit = std::int64_t{std::numeric_limits<int>::max()} + 2;
        std::int64_t value = 0;
        while (pos < line.size() && isDigit(line[pos])) {
            if (value < limit)
                value = value * 10 + (line[pos] - '0');
            ++pos;
        }
        if (pos == digitsBegin)
            return fail();
        if (negative)
            value = -value;
        if (value < std::numeric_limits<int>::min() || value > std::numeric_limits<int>::max())
            return fail();
        slot = static_cast<int>(value);
    }

    void readFloat(float& slot)
    {
        if (!start())
            return;
        // The characters a float extraction takes: sign, digits, one decimal
        // point, and an exponent once a digit has been seen.
        const std::size_t begin = pos;
        if (line[pos] == '+' || line[pos] == '-')
            ++pos;
        bool seenDigit = false;
        bool seenPoint = false;
        bool seenExponent = false;
        while (pos < line.size()) {
            const char c = line[pos];
            if (isDigit(c)) {
                seenDigit = true;
            } else if (c == '.' && !seenPoint && !seenExponent) {
                seenPoint = true;
            } else if ((c == 'e' || c == 'E') && !seenExponent && seenDigit) {
                seenExponent = true;
                if (pos + 1 < line.size() && (line[pos + 1] == '+' || line[pos + 1] == '-'))
                    ++pos;
            } else {
                break;
            }
            ++pos;
        }
        float value = 0.0f;
        if (!convertFloat(line.substr(begin, pos - begin), value))
            return fail();
        slot = value;
    }

private:
    // Skips blanks; false when this field fails (earlier failure or no text left).
    bool start()
    {
        if (failed)
            return false;
        while (pos < line.size() && isBlank(line[pos]))
            ++pos;
        if (pos == line.size())
            failed = true;
        return !failed;
    }

    void fail() { failed = true; }

    // The whole text must be one number; a result too large for a float fails,
    // one too small becomes zero.
    static bool convertFloat(std::string_view text, float& value)
    {
        if (!text.empty() && text.front() == '+')
            text.remove_prefix(1);
        const char* end = text.data() + text.size();
        const auto result = std::from_chars(text.data(), end, value);
        if (result.ec == std::errc() && result.ptr == end)
            return true;
        if (result.ec != std::errc::result_out_of_range || result.ptr != end)
            return false;
        // Out of range is either an overflow or an underflow; let the C library,
        // in the C locale, tell which.
        static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", locale_t{});
        const std::string copy(text);
        const float converted = strtof_l(copy.c_str(), nullptr, cLocale);
        if (converted == std::numeric_limits<float>::infinity() || converted == -std::numeric_limits<float>::infinity())
            return false;
        value = converted;
        return true;
    }

    std::string_view line;
    std::size_t pos = 0;
    bool failed = false;
};

} // namespace

namespace {

// Why a file of this kind is no symbol model; empty for a regular file.
std::string refusal(const struct stat& info)
{
    if (S_ISREG(info.st_mode))
        return std::string();
    if (S_ISDIR(info.st_mode))
        return std::strerror(EISDIR);
    return "not a regular file";
}

// Opens a regular file for reading, or says why not. The type is checked before
// opening, so a FIFO or a device is never opened (opening a FIFO blocks until a
// writer comes); the open itself does not block, and the type is checked again
// on the open descriptor in case the path changed in between.
int openRegularFile(const std::string& path, std::string& failure)
{
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        failure = std::strerror(errno);
        return -1;
    }
    failure = refusal(info);
    if (!failure.empty())
        return -1;
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        failure = std::strerror(errno);
        return -1;
    }
    if (::fstat(fd, &info) != 0)
        failure = std::strerror(errno);
    else
        failure = refusal(info);
    if (!failure.empty()) {
        ::close(fd);
        return -1;
    }
    return fd;
}

} // namespace

bool AseReader::readFile(const std::string& path, MeshLists& out, std::string* failure, ProgressListener* listener)
{
    std::string reason;
    const int fd = openRegularFile(path, reason);
    if (fd < 0) {
        if (failure != nullptr)
            *failure = reason;
        return false;
    }
    std::cout << "Loading " << path << std::endl;

    AseReader reader;
    std::uint64_t lines = 0;
    std::string partial;
    std::string block(1 << 16, '\0');
    for (;;) {
        const ssize_t got = ::read(fd, block.data(), block.size());
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break; // the end, or a read error: keep what was read
        lines += reader.readChunk(std::string_view(block.data(), static_cast<std::size_t>(got)), partial);
        // A block takes well under a millisecond to read.
        if (listener != nullptr)
            listener->progressed(lines);
    }
    ::close(fd);
    reader.readLastLine(partial);
    out = reader.takeLists();
    return true;
}

MeshLists AseReader::readText(std::string_view text)
{
    AseReader reader;
    std::string partial;
    reader.readChunk(text, partial);
    reader.readLastLine(partial);
    return reader.takeLists();
}

MeshLists AseReader::readStream(std::istream& in)
{
    AseReader reader;
    std::string partial;
    char block[1 << 14];
    while (in.read(block, sizeof block) || in.gcount() > 0)
        reader.readChunk(std::string_view(block, static_cast<std::size_t>(in.gcount())), partial);
    reader.readLastLine(partial);
    return reader.takeLists();
}

std::uint64_t AseReader::readChunk(std::string_view chunk, std::string& partial)
{
    // Whole lines are read straight from the chunk; only a line cut by its
    // end is copied, to be completed by the next chunks.
    std::uint64_t lines = 0;
    for (std::size_t end = chunk.find('\n'); end != std::string_view::npos; end = chunk.find('\n')) {
        if (partial.empty()) {
            readLine(chunk.substr(0, end));
        } else {
            keepPart(partial, chunk.substr(0, end));
            readLine(partial);
            partial.clear();
        }
        chunk.remove_prefix(end + 1);
        ++lines;
    }
    keepPart(partial, chunk);
    return lines;
}

void AseReader::keepPart(std::string& partial, std::string_view part)
{
    const std::size_t room = kMaxLineLength + 1 - std::min(partial.size(), kMaxLineLength + 1);
    partial.append(part.data(), std::min(part.size(), room));
}

void AseReader::readLastLine(std::string& partial)
{
    if (!partial.empty())
        readLine(partial);
    partial.clear();
}

MeshLists AseReader::takeLists()
{
    return std::move(lists);
}

void AseReader::readLine(std::string_view line)
{
    if (!line.empty() && line.back() == '\r')
        line.remove_suffix(1);
    line = line.substr(0, kMaxLineLength);
    // Every keyword starts with '*' at index 2, 3 or 4: a cheap first test.
    if (line.size() < 5 || (line[2] != '*' && line[3] != '*' && line[4] != '*'))
        return;

    if (matches(line, kVertex))
        readVertex(line);
    else if (matches(line, kFace))
        readFace(line);
    else if (matches(line, kVertexNormal))
        readVertexNormal(line);
    else if (matches(line, kAmbient))
        readAmbient(line);
    else if (matches(line, kDiffuse))
        readColour(line, &MeshMaterial::diffuse);
    else if (matches(line, kSpecular))
        readColour(line, &MeshMaterial::specular);
    else if (matches(line, kShineStrength))
        readScalar(line, &MeshMaterial::shineStrength);
    else if (matches(line, kShine))
        readScalar(line, &MeshMaterial::shine);
    else if (matches(line, kTransparency))
        readTransparency(line);
}

void AseReader::readNumberedTriple(std::string_view line)
{
    FieldCursor fields(line);
    fields.skipWord();
    fields.readInt(discardSlot);
    fields.readFloat(floatSlots[0]);
    fields.readFloat(floatSlots[1]);
    fields.readFloat(floatSlots[2]);
}

void AseReader::readTriple(std::string_view line)
{
    FieldCursor fields(line);
    fields.skipWord();
    fields.readFloat(floatSlots[0]);
    fields.readFloat(floatSlots[1]);
    fields.readFloat(floatSlots[2]);
}

void AseReader::readVertex(std::string_view line)
{
    readNumberedTriple(line);
    lists.vertices.push_back(MeshVertex{floatSlots[0], floatSlots[1], floatSlots[2]});
}

void AseReader::readFace(std::string_view line)
{
    // Fields by position: "0:  A: a  B: b  C: c  AB: f  BC: f  CA: f  *MESH_SMOOTHING g  *MESH_MTLID m".
    FieldCursor fields(line);
    fields.skipWord();
    fields.skipWord();
    for (int& corner : cornerSlots) {
        fields.skipWord();
        fields.readInt(corner);
    }
    for (int edge = 0; edge < 3; ++edge) {
        fields.skipWord();
        fields.readInt(discardSlot);
    }
    fields.skipWord();
    fields.readInt(discardSlot);
    fields.skipWord();
    fields.readInt(materialSlot);

    MeshFace face;
    face.vertexA = cornerSlots[0];
    face.vertexB = cornerSlots[1];
    face.vertexC = cornerSlots[2];
    face.materialIndex = materialSlot;
    lists.faces.push_back(face);
}

void AseReader::readVertexNormal(std::string_view line)
{
    if (normalFace >= lists.faces.size())
        return;
    readNumberedTriple(line);
    lists.faces[normalFace].normals[normalCorner] = MeshNormal{floatSlots[0], floatSlots[1], floatSlots[2]};
    if (++normalCorner == 3) {
        normalCorner = 0;
        ++normalFace;
    }
}

void AseReader::readAmbient(std::string_view line)
{
    readTriple(line);
    MeshMaterial material;
    material.ambient = MeshColour{floatSlots[0], floatSlots[1], floatSlots[2]};
    lists.materials.push_back(material);
}

MeshMaterial* AseReader::currentMaterial()
{
    return materialCounter < lists.materials.size() ? &lists.materials[materialCounter] : nullptr;
}

void AseReader::readColour(std::string_view line, MeshColour MeshMaterial::*colour)
{
    MeshMaterial* material = currentMaterial();
    if (material == nullptr)
        return;
    readTriple(line);
    material->*colour = MeshColour{floatSlots[0], floatSlots[1], floatSlots[2]};
}

void AseReader::readScalar(std::string_view line, float MeshMaterial::*field)
{
    MeshMaterial* material = currentMaterial();
    if (material == nullptr)
        return;
    FieldCursor fields(line);
    fields.skipWord();
    fields.readFloat(floatSlots[0]);
    material->*field = floatSlots[0];
}

void AseReader::readTransparency(std::string_view line)
{
    if (currentMaterial() == nullptr)
        return;
    readScalar(line, &MeshMaterial::transparency);
    ++materialCounter;
}
