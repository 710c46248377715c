#pragma once

#include "tree/EntryTree.h"

#include <cstddef>
#include <string_view>
#include <vector>

// Finding a name anywhere below a folder, for a view that shows the whole
// subtree: the entries whose names start with the text, then those that hold
// it further on, each in depth-first order (a folder's own entries before its sub-folders'),
// without regard to case. Folder links are not followed; names starting with
// a dot, and all below them, are left out when hidden.
class SubtreeFind {
public:
    // At most this many matches are kept.
    static constexpr std::size_t kMostMatches = 10000;

    // `folded` is the text as CaseFold::fold gives it; empty finds nothing.
    static std::vector<EntryId> matches(const EntryTree& tree, EntryId folder, std::string_view folded,
                                        bool hideDotNames);
};
