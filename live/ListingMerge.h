#pragma once

#include "tree/EntryTree.h"

#include <cstddef>
#include <vector>

// Makes a complete folder of the tree hold what a fresh look at the disk
// found, by name: an entry whose name and kind are still there keeps its
// id (its facts updated where they changed), one whose name is gone leaves,
// a new name joins at the folder's end. So a rename is a removal and an
// addition, and nothing depends on the order in which the system reported
// the changes. One thread (the tree's live writer) calls it.
class ListingMerge {
public:
    struct Counts {
        std::size_t added = 0;
        std::size_t removed = 0;
        std::size_t updated = 0;
        bool any() const { return added + removed + updated != 0; }
    };
    struct Result {
        // For each fresh entry, its id in the tree.
        std::vector<EntryId> ids;
        // Whether it was added now (a folder added is empty so far).
        std::vector<bool> added;
    };
    // How a merge of one level treats what it cannot know from that level.
    struct Level {
        // Folders keep the time they were listed at, so a folder whose time
        // moved on is known to want listing again.
        bool keepFolderTimes = false;
        // Files keep whether their bytes count (a file with several names
        // counts at one of them): the fresh facts' counted size is used only
        // for entries added.
        bool keepCounting = false;
    };

    // The folder's entries made those of `fresh` (one entry per name).
    static Result mergeFolder(EntryTree& tree, EntryId folder, const std::vector<EntryFacts>& fresh, Level level,
                              Counts& counts);
    // The folder's whole subtree made the one below `freshFolder` of `fresh`,
    // a tree of it scanned just now (complete). Folders not complete in the
    // tree (not walked yet) and links to folders expanded elsewhere keep their entries.
    static void mergeSubtree(EntryTree& tree, EntryId folder, const EntryTree& fresh, EntryId freshFolder,
                             Counts& counts);
};
