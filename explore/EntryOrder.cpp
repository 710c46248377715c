#include "explore/EntryOrder.h"

#include "explore/EntryTypes.h"
#include "explore/NameOrder.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <utility>

namespace {

bool standsAsFolder(EntryKind kind)
{
    return kind == EntryKind::Folder || kind == EntryKind::FolderLink;
}

// One entry while sorting by name: its key's first sixteen bytes as two
// numbers and its length decide nearly every comparison; only entries whose
// keys are longer keep the whole key.
struct NameItem {
    std::uint64_t head[2];
    std::uint32_t length;
    std::uint32_t index;
    bool folder;
};

constexpr std::size_t kHeadBytes = 16;

std::uint64_t word(const std::string& key, std::size_t from)
{
    std::uint64_t value = 0;
    for (std::size_t i = from; i < from + 8; ++i)
        value = (value << 8) | (i < key.size() ? static_cast<unsigned char>(key[i]) : 0u);
    return value;
}

std::vector<std::uint32_t> sortedByName(const EntryTree& tree, EntryRange entries)
{
    std::vector<std::string> longKeys(entries.size());
    std::vector<NameItem> items(entries.size());
    std::string key;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        NameOrder::keyInto(tree.name(entries[static_cast<std::uint32_t>(i)]), key);
        items[i] = {{word(key, 0), word(key, 8)},
                    static_cast<std::uint32_t>(key.size()),
                    static_cast<std::uint32_t>(i),
                    standsAsFolder(tree.kind(entries[static_cast<std::uint32_t>(i)]))};
        if (key.size() > kHeadBytes)
            longKeys[i] = key;
    }
    std::sort(items.begin(), items.end(), [&](const NameItem& a, const NameItem& b) {
        if (a.folder != b.folder)
            return a.folder;
        if (a.head[0] != b.head[0])
            return a.head[0] < b.head[0];
        if (a.head[1] != b.head[1])
            return a.head[1] < b.head[1];
        if (a.length > kHeadBytes && b.length > kHeadBytes) {
            const int byKey = longKeys[a.index].compare(longKeys[b.index]);
            if (byKey != 0)
                return byKey < 0;
        } else if (a.length != b.length) {
            // The same first bytes and one key ends within them: it is the shorter.
            return a.length < b.length;
        }
        const int byName = tree.name(entries[a.index]).compare(tree.name(entries[b.index]));
        return byName != 0 ? byName < 0 : a.index < b.index;
    });
    std::vector<std::uint32_t> sorted;
    sorted.reserve(entries.size());
    for (const NameItem& item : items)
        sorted.push_back(item.index);
    return sorted;
}

std::uint64_t shownSize(const EntryTree& tree, EntryId entry)
{
    return standsAsFolder(tree.kind(entry)) ? tree.totalSize(entry) : tree.byteSize(entry);
}

// Reorders `sorted` (positions in name order) by a key, largest first,
// ties kept in name order. Each key is made once, in listing order, which
// reads the entries in the order the scan stored them; then the keys are
// distributed a byte at a time from the lowest (a radix sort, which keeps
// the order of equal keys), skipping the bytes all keys share, as the
// high bytes of sizes and times mostly are.
template <typename KeyOf>
void byKeyLargestFirst(std::vector<std::uint32_t>& sorted, std::size_t count, KeyOf keyOf)
{
    struct Keyed {
        std::uint64_t key; // inverted, so that the largest comes first
        std::uint32_t position;
    };
    std::vector<std::uint64_t> keys(count);
    for (std::uint32_t position = 0; position < count; ++position)
        keys[position] = ~keyOf(position);
    std::vector<Keyed> items(sorted.size());
    std::vector<std::array<std::size_t, 256>> counts(8, std::array<std::size_t, 256>{});
    for (std::size_t rank = 0; rank < sorted.size(); ++rank) {
        items[rank] = {keys[sorted[rank]], sorted[rank]};
        for (std::size_t byte = 0; byte < 8; ++byte)
            ++counts[byte][(items[rank].key >> (8 * byte)) & 0xFFu];
    }
    std::vector<Keyed> spare(items.size());
    for (std::size_t byte = 0; byte < 8; ++byte) {
        std::array<std::size_t, 256>& next = counts[byte];
        if (std::find(next.begin(), next.end(), items.size()) != next.end())
            continue;
        std::size_t place = 0;
        for (std::size_t& start : next)
            place += std::exchange(start, place);
        for (const Keyed& item : items)
            spare[next[(item.key >> (8 * byte)) & 0xFFu]++] = item;
        items.swap(spare);
    }
    for (std::size_t i = 0; i < items.size(); ++i)
        sorted[i] = items[i].position;
}

// Reorders `sorted` by group, smaller first, each group in the order it had:
// a count of each group, then every position put straight into its place.
void byGroup(std::vector<std::uint32_t>& sorted, const std::vector<TypeGroup>& groups)
{
    std::vector<std::size_t> next(256, 0);
    for (const TypeGroup group : groups)
        ++next[static_cast<std::uint8_t>(group)];
    std::size_t place = 0;
    for (std::size_t& start : next)
        place += std::exchange(start, place);
    std::vector<std::uint32_t> grouped(sorted.size());
    for (const std::uint32_t position : sorted)
        grouped[next[static_cast<std::uint8_t>(groups[position])]++] = position;
    sorted.swap(grouped);
}

} // namespace

SortOrder EntryOrder::next(SortOrder order)
{
    switch (order) {
    case SortOrder::Name:
        return SortOrder::Size;
    case SortOrder::Size:
        return SortOrder::Time;
    case SortOrder::Time:
        return SortOrder::Type;
    case SortOrder::Type:
        return SortOrder::Listing;
    case SortOrder::Listing:
        break;
    }
    return SortOrder::Name;
}

std::string EntryOrder::describe(SortOrder order)
{
    switch (order) {
    case SortOrder::Name:
        return "Sorted by name";
    case SortOrder::Size:
        return "Sorted by size, largest first";
    case SortOrder::Time:
        return "Sorted by time, newest first";
    case SortOrder::Type:
        return "Sorted by type";
    case SortOrder::Listing:
        break;
    }
    return "In listing order";
}

std::vector<std::uint32_t> EntryOrder::byName(const EntryTree& tree, EntryRange entries)
{
    return sortedByName(tree, entries);
}

std::vector<std::uint32_t> EntryOrder::sorted(const EntryTree& tree, EntryRange entries, SortOrder order)
{
    return sortedFrom(tree, entries, nullptr, order);
}

std::vector<std::uint32_t> EntryOrder::sorted(const EntryTree& tree, EntryId folder, SortOrder order)
{
    return sortedListing(tree, tree.entries(folder), order);
}

std::vector<std::uint32_t> EntryOrder::sortedListing(const EntryTree& tree, EntryRange listing, SortOrder order)
{
    return sortedFrom(tree, listing, EntryTree::nameOrderOf(listing), order);
}

std::vector<std::uint32_t> EntryOrder::sortedFrom(const EntryTree& tree, EntryRange entries,
                                                  const std::uint32_t* nameOrder, SortOrder order)
{
    if (order == SortOrder::Listing) {
        std::vector<std::uint32_t> listed(entries.size());
        for (std::size_t i = 0; i < listed.size(); ++i)
            listed[i] = static_cast<std::uint32_t>(i);
        return listed;
    }
    std::vector<std::uint32_t> sorted = nameOrder != nullptr
        ? std::vector<std::uint32_t>(nameOrder, nameOrder + entries.size())
        : sortedByName(tree, entries);
    if (order == SortOrder::Size) {
        byKeyLargestFirst(sorted, entries.size(), [&](std::uint32_t p) { return shownSize(tree, entries[p]); });
    } else if (order == SortOrder::Time) {
        // Two's complement times, as unsigned numbers in the same order.
        byKeyLargestFirst(sorted, entries.size(), [&](std::uint32_t p) {
            return static_cast<std::uint64_t>(tree.modifiedTime(entries[p])) ^ (std::uint64_t{1} << 63);
        });
    } else if (order == SortOrder::Type) {
        std::vector<TypeGroup> groups(entries.size());
        for (std::uint32_t i = 0; i < entries.size(); ++i)
            groups[i] = EntryTypes::groupOf(tree, entries[i]);
        byGroup(sorted, groups);
    }
    return sorted;
}
