// Feeds arbitrary bytes to the model reader, through memory and through a
// stream; both must survive anything and agree on the result.
#include "model/AseReader.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

namespace {

void check(bool condition)
{
    if (!condition)
        __builtin_trap();
}

// The records are plain floats and ints without padding, so bytes compare
// NaN payloads and signed zeros too.
template <typename Record>
bool sameRecords(const std::vector<Record>& a, const std::vector<Record>& b)
{
    return a.size() == b.size() && (a.empty() || std::memcmp(a.data(), b.data(), a.size() * sizeof(Record)) == 0);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const MeshLists fromText = AseReader::readText(text);

    std::istringstream stream{std::string(text)};
    const MeshLists fromStream = AseReader::readStream(stream);

    check(sameRecords(fromText.vertices, fromStream.vertices));
    check(sameRecords(fromText.faces, fromStream.faces));
    check(sameRecords(fromText.materials, fromStream.materials));

    // Every record comes from a line of its own.
    std::size_t lines = 1;
    for (char c : text)
        lines += c == '\n' ? 1 : 0;
    check(fromText.vertices.size() + fromText.faces.size() + fromText.materials.size() <= lines);
    return 0;
}
