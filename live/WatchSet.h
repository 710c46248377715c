#pragma once

#include "live/FolderWatcher.h"
#include "tree/EntryTree.h"

#include <cstddef>
#include <limits>
#include <string>
#include <unordered_map>
#include <vector>

// The watches held for the folders on screen, and what their events mean
// for the tree: which folders to list again. Only the folders last given to
// watchOnly() are watched; the others' watches are given back, so the number
// held stays that of the folders shown. A folder the system will not watch
// (its limit reached, ENOSPC) has updates off, and nothing else changes.
// One thread uses it.
class WatchSet {
public:
    struct Folder {
        EntryId entry = kNoEntry;
        std::string path;
    };
    // Folders to list again, each once however many events came.
    struct Changes {
        // Entries in them were made, gone, renamed or changed.
        std::vector<EntryId> changed;
        // They themselves were deleted or moved away: their folder is the one to list.
        std::vector<EntryId> gone;
    };

    // At most maxWatches watches (the system's own limit applies too); a
    // folder past them has updates off as if the system had said so.
    explicit WatchSet(FolderWatcher& watcher, std::size_t maxWatches = std::numeric_limits<std::size_t>::max());
    ~WatchSet();
    WatchSet(const WatchSet&) = delete;
    WatchSet& operator=(const WatchSet&) = delete;

    // Watches exactly these folders from now on; the ones newly watched, in
    // the order given (whoever watches compares them with the disk now, as a
    // change before the watch went unseen).
    std::vector<EntryId> watchOnly(const std::vector<Folder>& folders);
    // Reads the events waiting and adds what they mean to `changes`.
    void take(Changes& changes);

    std::size_t held() const { return byWatch.size(); }
    bool watched(EntryId folder) const { return byFolder.count(folder) != 0; }
    // The folders given last that have no watch, and why (an errno value).
    const std::unordered_map<EntryId, int>& refused() const { return off; }

private:
    FolderWatcher& source;
    std::size_t limit;
    std::unordered_map<int, EntryId> byWatch;
    std::unordered_map<EntryId, int> byFolder;
    std::unordered_map<EntryId, int> off;
    std::vector<FolderWatcher::Event> events;
};
