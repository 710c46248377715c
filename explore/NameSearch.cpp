#include "explore/NameSearch.h"

#include "text/CaseFold.h"

#include <algorithm>
#include <string>

namespace {

constexpr std::size_t kNowhere = std::string_view::npos;

char asciiLower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c + ('a' - 'A')) : c;
}

// Where the folded `wanted` first occurs in `name` folded, or kNowhere. An
// ASCII name is compared in place, byte by byte; any other is folded first.
std::size_t findFolded(std::string_view name, const std::string& wanted, std::string& scratch)
{
    const bool ascii
        = std::all_of(name.begin(), name.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    if (!ascii) {
        CaseFold::foldInto(name, scratch);
        return scratch.find(wanted);
    }
    if (wanted.size() > name.size())
        return kNowhere;
    for (std::size_t at = 0; at + wanted.size() <= name.size(); ++at) {
        std::size_t i = 0;
        while (i < wanted.size() && asciiLower(name[at + i]) == wanted[i])
            ++i;
        if (i == wanted.size())
            return at;
    }
    return kNowhere;
}

// The matches among `count` candidates, the i-th being slot `slotOf(i)`, in row order.
template <typename SlotOf>
std::vector<std::size_t> search(std::size_t count, SlotOf slotOf, const NameSearch::NameOf& nameOf,
                                std::string_view text)
{
    std::vector<std::size_t> starting;
    std::vector<std::size_t> containing;
    if (text.empty())
        return starting;
    const std::string wanted = CaseFold::fold(text);
    std::string scratch;
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t slot = slotOf(i);
        const std::size_t at = findFolded(nameOf(slot), wanted, scratch);
        if (at == 0)
            starting.push_back(slot);
        else if (at != kNowhere)
            containing.push_back(slot);
    }
    starting.insert(starting.end(), containing.begin(), containing.end());
    return starting;
}

} // namespace

std::vector<std::size_t> NameSearch::matches(std::size_t count, const NameOf& nameOf, std::string_view text)
{
    return search(
        count, [](std::size_t i) { return i; }, nameOf, text);
}

std::vector<std::size_t> NameSearch::narrowed(const std::vector<std::size_t>& earlier, const NameOf& nameOf,
                                              std::string_view text)
{
    std::vector<std::size_t> inRowOrder = earlier;
    std::sort(inRowOrder.begin(), inRowOrder.end());
    return search(
        inRowOrder.size(), [&inRowOrder](std::size_t i) { return inRowOrder[i]; }, nameOf, text);
}
