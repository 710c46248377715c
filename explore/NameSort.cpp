#include "explore/NameSort.h"

#include "explore/NameOrder.h"

#include <algorithm>
#include <array>
#include <string>

namespace {

// Key bytes distributed by; longer keys tie-break on their whole key.
constexpr std::size_t kPrefixBytes = 16;
// Below this a range is sorted by comparison: distributing it costs more.
constexpr std::size_t kSmallRange = 48;

struct Item {
    std::uint64_t head[2]; // the key's first bytes, most significant first, zero-padded
    std::uint32_t length; // of the key
    std::uint32_t index;
    std::uint8_t group;
};

std::uint64_t word(const std::string& key, std::size_t from)
{
    std::uint64_t value = 0;
    for (std::size_t i = from; i < from + 8; ++i)
        value = (value << 8) | (i < key.size() ? static_cast<unsigned char>(key[i]) : 0u);
    return value;
}

class Sorter {
public:
    Sorter(std::uint32_t count, const NameSort::NameOf& names) : nameOf(names), keyStart(count, 0) {}

    void keep(const Item& item, const std::string& key)
    {
        if (key.size() <= kPrefixBytes)
            return;
        keyStart[item.index] = longKeys.size();
        longKeys += key;
    }

    // The byte a range is distributed by at `depth`: the group, then the key's bytes.
    static unsigned byteAt(const Item& item, std::size_t depth)
    {
        if (depth == 0)
            return item.group;
        const std::size_t at = depth - 1;
        return static_cast<unsigned>((item.head[at / 8] >> (56 - 8 * (at % 8))) & 0xFFu);
    }

    bool less(const Item& a, const Item& b) const
    {
        if (a.group != b.group)
            return a.group < b.group;
        if (a.head[0] != b.head[0])
            return a.head[0] < b.head[0];
        if (a.head[1] != b.head[1])
            return a.head[1] < b.head[1];
        if (a.length > kPrefixBytes && b.length > kPrefixBytes) {
            const std::string_view keyA(longKeys.data() + keyStart[a.index], a.length);
            const std::string_view keyB(longKeys.data() + keyStart[b.index], b.length);
            const int byKey = keyA.compare(keyB);
            if (byKey != 0)
                return byKey < 0;
        } else if (a.length != b.length) {
            // The same first bytes and one key ends within them: it is the shorter.
            return a.length < b.length;
        }
        const int byName = nameOf(a.index).compare(nameOf(b.index));
        return byName != 0 ? byName < 0 : a.index < b.index;
    }

    // Sorts items[begin, end), whose bytes before `depth` are all equal.
    void sort(std::vector<Item>& items, std::vector<Item>& spare, std::size_t begin, std::size_t end, std::size_t depth)
    {
        if (end - begin < kSmallRange || depth > kPrefixBytes) {
            std::sort(items.begin() + static_cast<std::ptrdiff_t>(begin),
                      items.begin() + static_cast<std::ptrdiff_t>(end),
                      [this](const Item& a, const Item& b) { return less(a, b); });
            return;
        }
        std::array<std::size_t, 257> start{};
        for (std::size_t i = begin; i < end; ++i)
            ++start[byteAt(items[i], depth) + 1];
        if (std::count(start.begin() + 1, start.end(), end - begin) == 1) {
            // One byte for all: nothing to distribute at this depth.
            sort(items, spare, begin, end, depth + 1);
            return;
        }
        for (std::size_t b = 1; b < start.size(); ++b)
            start[b] += start[b - 1];
        std::array<std::size_t, 257> next = start;
        for (std::size_t i = begin; i < end; ++i)
            spare[begin + next[byteAt(items[i], depth)]++] = items[i];
        std::copy(spare.begin() + static_cast<std::ptrdiff_t>(begin), spare.begin() + static_cast<std::ptrdiff_t>(end),
                  items.begin() + static_cast<std::ptrdiff_t>(begin));
        for (std::size_t b = 0; b < 256; ++b)
            if (start[b + 1] - start[b] > 1)
                sort(items, spare, begin + start[b], begin + start[b + 1], depth + 1);
    }

private:
    const NameSort::NameOf& nameOf;
    std::vector<std::size_t> keyStart;
    std::string longKeys; // the keys longer than the prefix, one after another
};

} // namespace

std::vector<std::uint32_t> NameSort::sorted(std::uint32_t count, const NameOf& nameOf, const GroupOf& groupOf)
{
    Sorter sorter(count, nameOf);
    std::vector<Item> items(count);
    std::string key;
    for (std::uint32_t i = 0; i < count; ++i) {
        NameOrder::keyInto(nameOf(i), key);
        items[i] = {{word(key, 0), word(key, 8)}, static_cast<std::uint32_t>(key.size()), i, groupOf(i)};
        sorter.keep(items[i], key);
    }
    std::vector<Item> spare(count);
    sorter.sort(items, spare, 0, count, 0);
    std::vector<std::uint32_t> order;
    order.reserve(count);
    for (const Item& item : items)
        order.push_back(item.index);
    return order;
}
