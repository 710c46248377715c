#pragma once

#include "live/FolderWatcher.h"
#include "live/ListingMerge.h"
#include "scene/ScanControl.h"
#include "tree/EntryTree.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <limits>
#include <mutex>
#include <thread>
#include <unordered_map>
#include <vector>

// Keeps the folders on screen true to the disk, on a thread of its own that
// is the tree's live writer (beside its source, which by then writes only
// folders not complete): the folders given to watchOnly() are watched; a
// burst of changes in one is one listing of it again, merged into the tree
// (FolderRelist) once the burst settles, and `applied` is called on that
// thread to wake the window, which never polls. A folder newly watched is
// listed again when its time moved on since it was listed. A folder that is
// not complete yet (the scan has still to walk it) is listed once
// watchOnly() is called again. refresh() scans a folder's subtree again and
// merges the result. Never writes to the disk.
class LiveUpdates {
public:
    struct Options {
        // Watches held at most (the system's own limit applies too).
        std::size_t maxWatches = std::numeric_limits<std::size_t>::max();
        // A folder is listed once no event came for it this long, or at
        // the latest this long after the first, however long a burst lasts.
        int settleMs = 30;
        int longestWaitMs = 150;
    };

    // Starts the thread; `applied` is called there whenever the tree changed
    // or the watches were taken anew.
    LiveUpdates(EntryTree& shownTree, std::function<void()> onApplied, Options chosen);
    LiveUpdates(EntryTree& shownTree, std::function<void()> onApplied)
        : LiveUpdates(shownTree, std::move(onApplied), Options{})
    {
    }
    // Stops the thread and gives back every watch.
    ~LiveUpdates();
    LiveUpdates(const LiveUpdates&) = delete;
    LiveUpdates& operator=(const LiveUpdates&) = delete;

    // Whether the system gave a notification (an errno value when not).
    int unavailable() const { return watcher.openError(); }

    // Watches exactly these folders (contents copies, as shown) from now on.
    void watchOnly(std::vector<EntryId> folders);
    // Scans the folder's subtree again beside the window and merges it in.
    void refresh(EntryId folder);

    // Moves on each time changes were merged into the tree or a refresh ended.
    std::uint64_t revision() const { return changes.load(std::memory_order_acquire); }
    // Moves on each time the watches were taken anew for the folders given.
    std::uint64_t watchRevision() const { return watchChanges.load(std::memory_order_acquire); }
    // Of the folders last given, those without a watch, and why (an errno value).
    std::unordered_map<EntryId, int> updatesOff() const;
    // The refresh's progress (running while one runs) and what its merge changed.
    ScanControl::Progress refreshProgress() const { return refreshing.progress(); }
    ListingMerge::Counts lastRefresh() const;
    // A refresh asked for has yet to end.
    bool refreshPending() const
    {
        return refreshesEnded.load(std::memory_order_acquire) != refreshesAsked.load(std::memory_order_acquire);
    }
    // Watches held now.
    std::size_t watchesHeld() const { return held.load(std::memory_order_relaxed); }

private:
    void run();
    void wake();

    EntryTree& tree;
    std::function<void()> applied;
    Options options;
    FolderWatcher watcher;
    int wakeRead = -1;
    int wakeWrite = -1;
    ScanControl refreshing;
    std::atomic<std::uint64_t> changes{0};
    std::atomic<std::uint64_t> watchChanges{0};
    std::atomic<std::size_t> held{0};
    std::atomic<std::uint64_t> refreshesAsked{0};
    std::atomic<std::uint64_t> refreshesEnded{0};

    // Shared with the thread, under the lock.
    mutable std::mutex lock;
    bool stopping = false;
    bool wantedChanged = false;
    std::vector<EntryId> wanted;
    std::vector<EntryId> refreshWanted;
    std::unordered_map<EntryId, int> off;
    ListingMerge::Counts refreshCounts;

    std::thread worker;
};
