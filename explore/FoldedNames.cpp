#include "explore/FoldedNames.h"

#include "text/CaseFold.h"

#include <cstring>

FoldedNames::FoldedNames(std::size_t count, const NameSearch::NameOf& nameOf)
{
    starts.reserve(count + 1);
    std::string scratch;
    for (std::size_t i = 0; i < count; ++i) {
        starts.push_back(static_cast<std::uint32_t>(text.size()));
        const std::string_view name = nameOf(i);
        bool ascii = true;
        for (const char c : name)
            ascii = ascii && static_cast<unsigned char>(c) < 0x80;
        if (ascii) {
            for (const char c : name)
                text += c >= 'A' && c <= 'Z' ? static_cast<char>(c + ('a' - 'A')) : c;
        } else {
            CaseFold::foldInto(name, scratch);
            text += scratch;
        }
        text += '\0';
    }
    starts.push_back(static_cast<std::uint32_t>(text.size()));
}

void FoldedNames::assignInOrder(const FoldedNames& source, const std::uint32_t* positions, std::size_t count)
{
    starts.resize(count + 1);
    std::size_t bytes = 0;
    for (std::size_t i = 0; i < count; ++i) {
        starts[i] = static_cast<std::uint32_t>(bytes);
        bytes += source.starts[positions[i] + 1] - source.starts[positions[i]];
    }
    starts[count] = static_cast<std::uint32_t>(bytes);
    text.resize(bytes);
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint32_t from = source.starts[positions[i]];
        std::memcpy(&text[starts[i]], source.text.data() + from, source.starts[positions[i] + 1] - from);
    }
}

NameSearch::Match FoldedNames::match(std::size_t i, std::string_view folded) const
{
    if (folded.empty())
        return NameSearch::kNone;
    const std::size_t at = name(i).find(folded);
    return at == 0 ? NameSearch::kStarts : at == std::string_view::npos ? NameSearch::kNone : NameSearch::kContains;
}

std::size_t FoldedNames::findAll(std::string_view folded, std::vector<std::size_t>& found,
                                 std::vector<std::size_t>& spare) const
{
    found.clear();
    spare.clear();
    // A zero byte would match the ends of names, which hold nothing.
    if (folded.empty() || folded.find('\0') != std::string_view::npos)
        return 0;
    const char* const all = text.data();
    const char* const end = all + text.size();
    const char first = folded.front();
    const char* const rest = folded.data() + 1;
    const std::size_t restSize = folded.size() - 1;
    const std::uint32_t* const start = starts.data();
    std::size_t name = 0;
    const char* at = all;
    while (at < end) {
        at = static_cast<const char*>(std::memchr(at, first, static_cast<std::size_t>(end - at)));
        if (at == nullptr)
            break;
        const auto offset = static_cast<std::size_t>(at - all);
        if (restSize != 0
            && (static_cast<std::size_t>(end - at) <= restSize || std::memcmp(at + 1, rest, restSize) != 0)) {
            ++at;
            continue;
        }
        while (start[name + 1] <= offset)
            ++name;
        (offset == start[name] ? found : spare).push_back(name);
        at = all + start[++name];
    }
    const std::size_t starting = found.size();
    found.insert(found.end(), spare.begin(), spare.end());
    return starting;
}

std::size_t FoldedNames::narrow(std::string_view folded, std::size_t starting, std::vector<std::size_t>& found,
                                std::vector<std::size_t>& spare) const
{
    // A name that started with the shorter text starts with the longer one,
    // holds it further on, or not at all; one that held the shorter text
    // further on can hold the longer one only there.
    spare.clear();
    std::size_t kept = 0;
    for (std::size_t i = 0; i < starting; ++i) {
        const NameSearch::Match now = match(found[i], folded);
        if (now == NameSearch::kStarts)
            found[kept++] = found[i];
        else if (now == NameSearch::kContains)
            spare.push_back(found[i]);
    }
    std::size_t further = starting;
    for (std::size_t i = starting; i < found.size(); ++i)
        if (match(found[i], folded) != NameSearch::kNone)
            found[further++] = found[i];
    // Both in name order, merged into place after the starting ones: the
    // place written never passes the one read next.
    std::size_t to = kept;
    std::size_t fromSpare = 0;
    std::size_t fromFurther = starting;
    while (fromSpare < spare.size() || fromFurther < further) {
        if (fromFurther == further || (fromSpare < spare.size() && spare[fromSpare] < found[fromFurther]))
            found[to++] = spare[fromSpare++];
        else
            found[to++] = found[fromFurther++];
    }
    found.resize(to);
    return kept;
}
