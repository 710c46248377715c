#include "explore/TypeLegend.h"

#include "explore/EntryTypes.h"
#include "explore/StatusText.h"
#include "scene/FsNode.h"
#include "text/ByteSize.h"

#include <algorithm>
#include <array>

std::vector<TypeLegend::Row> TypeLegend::tally(const FsNode& folder)
{
    std::array<Row, kTypeGroupCount> sums{};
    for (int i = 0; i < kTypeGroupCount; ++i)
        sums[static_cast<std::size_t>(i)].group = static_cast<TypeGroup>(i);
    // Depth first with a list of its own: a chain of folders may be deeper than the stack.
    std::vector<const FsNode*> pending{&folder};
    while (!pending.empty()) {
        const FsNode* node = pending.back();
        pending.pop_back();
        if (node->kind != EntryKind::Folder || !node->isListed())
            continue;
        for (const FsNode* entry : node->children) {
            Row& row = sums[static_cast<std::size_t>(EntryTypes::groupOf(*entry))];
            ++row.entries;
            if (entry->kind != EntryKind::Folder)
                row.bytes += entry->totalSize;
            pending.push_back(entry);
        }
    }
    std::vector<Row> rows;
    for (const Row& row : sums)
        if (row.entries > 0)
            rows.push_back(row);
    std::stable_sort(rows.begin(), rows.end(), [](const Row& a, const Row& b) {
        return a.bytes != b.bytes ? a.bytes > b.bytes : a.entries > b.entries;
    });
    return rows;
}

std::string TypeLegend::describe(const Row& row)
{
    return std::string(groupName(row.group)) + "  \xC2\xB7  " + StatusText::entries(row.entries) + "  \xC2\xB7  "
        + ByteSize::format(row.bytes);
}
