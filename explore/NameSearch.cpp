#include "explore/NameSearch.h"

#include "text/CaseFold.h"

#include <algorithm>

namespace {

char asciiLower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c + ('a' - 'A')) : c;
}

NameSearch::Match matchAt(std::size_t at)
{
    return at == 0 ? NameSearch::kStarts : at == std::string::npos ? NameSearch::kNone : NameSearch::kContains;
}

} // namespace

NameSearch::Match NameSearch::match(std::string_view name, const std::string& folded, std::string& scratch)
{
    if (folded.empty())
        return kNone;
    const bool ascii
        = std::all_of(name.begin(), name.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    if (!ascii) {
        CaseFold::foldInto(name, scratch);
        return matchAt(scratch.find(folded));
    }
    for (std::size_t at = 0; at + folded.size() <= name.size(); ++at) {
        std::size_t i = 0;
        while (i < folded.size() && asciiLower(name[at + i]) == folded[i])
            ++i;
        if (i == folded.size())
            return matchAt(at);
    }
    return kNone;
}

std::vector<std::size_t> NameSearch::ordered(const std::vector<std::uint8_t>& perSlot)
{
    std::vector<std::size_t> slots;
    for (const Match wanted : {kStarts, kContains})
        for (std::size_t slot = 0; slot < perSlot.size(); ++slot)
            if (perSlot[slot] == wanted)
                slots.push_back(slot);
    return slots;
}

std::vector<std::size_t> NameSearch::matches(std::size_t count, const NameOf& nameOf, std::string_view text)
{
    const std::string folded = CaseFold::fold(text);
    std::string scratch;
    std::vector<std::uint8_t> perSlot(count, kNone);
    for (std::size_t slot = 0; slot < count; ++slot)
        perSlot[slot] = match(nameOf(slot), folded, scratch);
    return ordered(perSlot);
}
