#pragma once

#include "live/ListingMerge.h"
#include "tree/EntryTree.h"

#include <string>

// One folder of the tree listed again from the disk and merged into it
// (ListingMerge): the live update of a folder whose watch reported a change,
// or whose time moved on since it was listed. A folder new in it is scanned
// with everything below it; folders already there keep their entries (their
// own watch, or a refresh, updates them). Never writes to the disk.
class FolderRelist {
public:
    struct Outcome {
        // The folder is not there any more (or is no folder now): its own
        // folder is the one to list again.
        bool gone = false;
        // It could not be listed (an errno value); the tree is left as it was.
        int error = 0;
        ListingMerge::Counts counts;
    };

    // Lists `folder` (complete, the copy a link leads to) at `path`, ending with '/'.
    static Outcome run(EntryTree& tree, EntryId folder, const std::string& path);
    // Whether the folder at `path` has a time other than the tree's for it
    // (it changed since it was listed); false when it cannot be looked up.
    static bool timeMoved(const EntryTree& tree, EntryId folder, const std::string& path);
    // Scans the folder at `path` with all below it beside the tree and
    // merges it into `folder` (a refresh), telling `listener` of progress.
    static ListingMerge::Counts rescan(EntryTree& tree, EntryId folder, const std::string& path,
                                       class ProgressListener* listener);
};
