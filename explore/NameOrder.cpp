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
    const std::string folded = CaseFold::fold(name);
    std::string key;
    key.reserve(folded.size() + 4);
    for (std::size_t at = 0; at < folded.size();) {
        if (!isDigit(folded[at])) {
            key += folded[at++];
            continue;
        }
        while (at + 1 < folded.size() && folded[at] == '0' && isDigit(folded[at + 1]))
            ++at;
        std::size_t end = at;
        while (end < folded.size() && isDigit(folded[end]))
            ++end;
        // The marker keeps numbers where '0' sorts among other characters; the
        // count makes shorter numbers come first; a lone zero counts 0 digits.
        const std::size_t digits = folded[at] == '0' ? 0 : end - at;
        key += '0';
        key += static_cast<char>(std::min<std::size_t>(digits, 0xFF));
        key.append(folded, at + (digits == 0 ? 1 : 0), digits);
        at = end;
    }
    return key;
}

int NameOrder::compare(std::string_view a, std::string_view b)
{
    const int byKey = key(a).compare(key(b));
    if (byKey != 0)
        return byKey;
    return a.compare(b);
}
