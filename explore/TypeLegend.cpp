#include "explore/TypeLegend.h"

#include "explore/EntryTypes.h"
#include "explore/StatusText.h"
#include "text/ByteSize.h"

#include <algorithm>
#include <array>

std::vector<TypeLegend::Row> TypeLegend::tally(const EntryTree& tree, EntryId folder)
{
    std::array<Row, kTypeGroupCount> sums{};
    for (int i = 0; i < kTypeGroupCount; ++i)
        sums[static_cast<std::size_t>(i)].group = static_cast<TypeGroup>(i);
    // Depth first with a list of its own: a chain of folders may be deeper than the stack.
    std::vector<EntryId> pending{folder};
    while (!pending.empty()) {
        const EntryId node = pending.back();
        pending.pop_back();
        if (tree.kind(node) != EntryKind::Folder || !tree.isListed(node))
            continue;
        for (const EntryId entry : tree.entries(node)) {
            Row& row = sums[static_cast<std::size_t>(EntryTypes::groupOf(tree, entry))];
            ++row.entries;
            if (tree.kind(entry) != EntryKind::Folder)
                row.bytes += tree.totalSize(entry);
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
