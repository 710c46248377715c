#include "explore/SubtreeFind.h"

#include "text/CaseFold.h"

#include <string>

std::vector<EntryId> SubtreeFind::matches(const EntryTree& tree, EntryId folder, std::string_view folded,
                                          bool hideDotNames)
{
    std::vector<EntryId> starting;
    std::vector<EntryId> holding;
    if (folded.empty() || folder == kNoEntry)
        return starting;
    std::vector<EntryId> pending{folder};
    while (!pending.empty() && starting.size() < kMostMatches) {
        const EntryId at = pending.back();
        pending.pop_back();
        const EntryRange listing = tree.entries(at);
        // Pushed in reverse, so the folder's sub-folders are visited in listing order.
        for (std::uint32_t i = listing.size(); i-- > 0;) {
            const EntryId entry = listing[i];
            if (hideDotNames && tree.hidden(entry))
                continue;
            if (tree.kind(entry) == EntryKind::Folder && tree.isListed(entry)) {
                const EntryId contents = tree.contents(entry);
                if (contents != kNoEntry)
                    pending.push_back(contents);
            }
        }
        for (const EntryId entry : listing) {
            if (hideDotNames && tree.hidden(entry))
                continue;
            const std::string name = CaseFold::fold(tree.name(entry));
            const std::size_t found = name.find(folded);
            if (found == 0)
                starting.push_back(entry);
            else if (found != std::string::npos && holding.size() < kMostMatches)
                holding.push_back(entry);
        }
    }
    starting.insert(starting.end(), holding.begin(), holding.end());
    if (starting.size() > kMostMatches)
        starting.resize(kMostMatches);
    return starting;
}
