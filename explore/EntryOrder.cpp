#include "explore/EntryOrder.h"

#include "explore/NameOrder.h"
#include "scene/FsNode.h"

#include <algorithm>
#include <cstddef>

namespace {

bool standsAsFolder(const FsNode& entry)
{
    return entry.kind == EntryKind::Folder || entry.kind == EntryKind::FolderLink;
}

// One entry while sorting by name: its first eight key bytes as a number
// decide most comparisons without touching the key's string.
struct NameItem {
    std::uint64_t head;
    std::uint32_t index;
    bool folder;
};

std::uint64_t headOf(const std::string& key)
{
    std::uint64_t head = 0;
    for (std::size_t i = 0; i < 8; ++i)
        head = (head << 8) | (i < key.size() ? static_cast<unsigned char>(key[i]) : 0u);
    return head;
}

std::vector<FsNode*> sortedByName(const std::vector<FsNode*>& entries)
{
    std::vector<std::string> keys(entries.size());
    std::vector<NameItem> items(entries.size());
    for (std::size_t i = 0; i < entries.size(); ++i) {
        keys[i] = NameOrder::key(entries[i]->name);
        items[i] = {headOf(keys[i]), static_cast<std::uint32_t>(i), standsAsFolder(*entries[i])};
    }
    std::sort(items.begin(), items.end(), [&](const NameItem& a, const NameItem& b) {
        if (a.folder != b.folder)
            return a.folder;
        if (a.head != b.head)
            return a.head < b.head;
        const int byKey = keys[a.index].compare(keys[b.index]);
        if (byKey != 0)
            return byKey < 0;
        const int byName = entries[a.index]->name.compare(entries[b.index]->name);
        return byName != 0 ? byName < 0 : a.index < b.index;
    });
    std::vector<FsNode*> sorted;
    sorted.reserve(entries.size());
    for (const NameItem& item : items)
        sorted.push_back(entries[item.index]);
    return sorted;
}

std::uint64_t shownSize(const FsNode& entry)
{
    return entry.kind == EntryKind::Folder || entry.kind == EntryKind::FolderLink ? entry.totalSize : entry.fullSize();
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
    case SortOrder::Listing:
        break;
    }
    return "In listing order";
}

std::vector<FsNode*> EntryOrder::sorted(const std::vector<FsNode*>& entries, SortOrder order)
{
    if (order == SortOrder::Listing)
        return entries;
    std::vector<FsNode*> sorted = sortedByName(entries);
    if (order == SortOrder::Size)
        std::stable_sort(sorted.begin(), sorted.end(),
                         [](const FsNode* a, const FsNode* b) { return shownSize(*a) > shownSize(*b); });
    else if (order == SortOrder::Time)
        std::stable_sort(sorted.begin(), sorted.end(),
                         [](const FsNode* a, const FsNode* b) { return a->modifiedTime > b->modifiedTime; });
    return sorted;
}
