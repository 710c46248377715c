#include "explore/NameOrder.h"

#include "text/CaseFold.h"

#include <algorithm>

namespace {

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

} // namespace

std::string NameOrder::key(std::string_view name)
{
    std::string key;
    keyInto(name, key);
    return key;
}

void NameOrder::keyInto(std::string_view name, std::string& key)
{
    // Most names are ASCII: they are folded here, in the same pass.
    const bool ascii
        = std::all_of(name.begin(), name.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    std::string foldedCopy;
    if (!ascii) {
        foldedCopy = CaseFold::fold(name);
        name = foldedCopy;
    }
    key.clear();
    for (std::size_t at = 0; at < name.size();) {
        if (!isDigit(name[at])) {
            const char c = name[at++];
            key += c >= 'A' && c <= 'Z' ? static_cast<char>(c + ('a' - 'A')) : c;
            continue;
        }
        while (at + 1 < name.size() && name[at] == '0' && isDigit(name[at + 1]))
            ++at;
        std::size_t end = at;
        while (end < name.size() && isDigit(name[end]))
            ++end;
        // The marker keeps numbers where '0' sorts among other characters; the
        // count makes shorter numbers come first; a lone zero counts 0 digits.
        const std::size_t digits = name[at] == '0' ? 0 : end - at;
        key += '0';
        key += static_cast<char>(std::min<std::size_t>(digits, 0xFF));
        key.append(name.data() + at + (digits == 0 ? 1 : 0), digits);
        at = end;
    }
}

int NameOrder::compare(std::string_view a, std::string_view b)
{
    const int byKey = key(a).compare(key(b));
    if (byKey != 0)
        return byKey;
    return a.compare(b);
}
