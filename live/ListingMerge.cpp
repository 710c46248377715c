#include "live/ListingMerge.h"

#include <string_view>
#include <unordered_map>
#include <utility>

namespace {

bool mayBeFolder(EntryKind kind)
{
    return kind == EntryKind::Folder || kind == EntryKind::FolderLink;
}

bool counted(const EntryTree& tree, EntryId entry)
{
    return tree.totalSize(entry) != 0 || tree.byteSize(entry) == 0;
}

// The facts the tree holds of an entry, as a source would give them.
EntryFacts factsIn(const EntryTree& tree, EntryId entry)
{
    EntryFacts facts;
    facts.name = tree.name(entry);
    facts.kind = tree.kind(entry);
    facts.size = tree.byteSize(entry);
    facts.countedSize = mayBeFolder(facts.kind) ? 0 : tree.totalSize(entry);
    facts.modifiedTime = tree.modifiedTime(entry);
    facts.mode = tree.mode(entry);
    return facts;
}

} // namespace

ListingMerge::Result ListingMerge::mergeFolder(EntryTree& tree, EntryId folder, const std::vector<EntryFacts>& fresh,
                                               Level level, Counts& counts)
{
    std::unordered_map<std::string_view, EntryId> present;
    const EntryRange listing = tree.entries(folder);
    present.reserve(listing.size());
    for (const EntryId each : listing)
        present.emplace(tree.name(each), each);

    Result result;
    result.ids.assign(fresh.size(), kNoEntry);
    result.added.assign(fresh.size(), false);
    std::vector<EntryFacts> adding;
    std::vector<std::size_t> addingAt;
    for (std::size_t i = 0; i < fresh.size(); ++i) {
        const EntryFacts& now = fresh[i];
        const auto found = present.find(now.name);
        if (found == present.end() || tree.kind(found->second) != now.kind) {
            adding.push_back(now);
            addingAt.push_back(i);
            continue;
        }
        const EntryId kept = found->second;
        // Matched: whatever is left in `present` at the end is gone.
        present.erase(found);
        result.ids[i] = kept;
        EntryFacts wanted = now;
        if (level.keepFolderTimes && mayBeFolder(now.kind))
            wanted.modifiedTime = tree.modifiedTime(kept);
        if (level.keepCounting && !mayBeFolder(now.kind))
            wanted.countedSize = counted(tree, kept) ? wanted.size : 0;
        const EntryFacts had = factsIn(tree, kept);
        const bool changed = had.size != wanted.size || had.modifiedTime != wanted.modifiedTime
            || had.mode != wanted.mode || (!mayBeFolder(now.kind) && had.countedSize != wanted.countedSize);
        if (changed) {
            tree.update(kept, wanted);
            ++counts.updated;
        }
    }
    std::vector<EntryId> gone;
    gone.reserve(present.size());
    for (const auto& [name, entry] : present)
        gone.push_back(entry);
    if (gone.empty() && adding.empty())
        return result;
    const std::vector<EntryId> made = tree.change(folder, gone, adding);
    for (std::size_t k = 0; k < made.size(); ++k) {
        result.ids[addingAt[k]] = made[k];
        result.added[addingAt[k]] = true;
    }
    counts.added += made.size();
    counts.removed += gone.size();
    return result;
}

void ListingMerge::mergeSubtree(EntryTree& tree, EntryId folder, const EntryTree& fresh, EntryId freshFolder,
                                Counts& counts)
{
    // Depth first with a stack of its own: a tree may be thousands of folders deep.
    std::vector<std::pair<EntryId, EntryId>> stack{{folder, freshFolder}};
    std::vector<EntryFacts> facts;
    while (!stack.empty()) {
        const auto [into, from] = stack.back();
        stack.pop_back();
        if (!tree.isComplete(into) || tree.contents(into) != into)
            continue;
        const EntryRange listing = fresh.entries(from);
        facts.clear();
        facts.reserve(listing.size());
        for (const EntryId each : listing) {
            facts.push_back(factsIn(fresh, each));
            // A file's counted size; a folder's totals are its entries'.
            if (mayBeFolder(facts.back().kind))
                facts.back().countedSize = 0;
        }
        const Result merged = mergeFolder(tree, into, facts, Level{}, counts);
        for (std::uint32_t i = 0; i < listing.size(); ++i) {
            const EntryId source = listing[i];
            if (fresh.contents(source) == source && tree.isFolder(merged.ids[i]))
                stack.emplace_back(merged.ids[i], source);
        }
    }
}
