#pragma once

#include "explore/ExploreState.h"
#include "live/LiveUpdates.h"
#include "tree/EntryTree.h"

#include <cstdint>
#include <memory>
#include <vector>

// The explore view's side of live updates and refresh: the shown folder is
// watched while it is shown (LiveUpdates, on a thread of its own), the view
// follows the tree's changes (ExploreState::treeChanged), F5 scans the shown
// folder's subtree again, and the status line tells the refresh's progress
// and a folder whose updates are off. The window waits on wakeDescriptor(),
// which turns readable when there is something to show, so it never polls.
class LiveFollow {
public:
    explicit LiveFollow(EntryTree& tree, LiveUpdates::Options options = LiveUpdates::Options{});
    ~LiveFollow();
    LiveFollow(const LiveFollow&) = delete;
    LiveFollow& operator=(const LiveFollow&) = delete;

    // Readable when the tree changed; the window's wait empties it.
    int wakeDescriptor() const { return wakeRead; }

    // Each time round the window's loop: the watches follow the folders whose
    // entries are on screen (the shown one in the row; the map's platforms,
    // at most kMostWatched of them, the first given first), the view the
    // tree's changes. `sourceEnded`: the scan is over, so folders it had yet
    // to finish can be listed now.
    static constexpr std::size_t kMostWatched = 256;
    void follow(ExploreState& state, bool sourceEnded, std::vector<EntryId> onScreen = {});
    // F5: the shown folder's subtree scanned again beside the window.
    void refresh(ExploreState& state);
    // A refresh runs: the window wakes now and then to show its progress.
    bool refreshing() const { return refreshAsked; }

    LiveUpdates& updates() { return *live; }

private:
    void wake();
    void reportOff(ExploreState& state);

    int wakeRead = -1;
    int wakeWrite = -1;
    std::unique_ptr<LiveUpdates> live;
    std::vector<EntryId> watched;
    bool endSeen = false;
    std::uint64_t seenRevision = 0;
    std::uint64_t seenWatches = 0;
    bool refreshAsked = false;
    std::uint64_t refreshTenths = 0;
    // The shown folder whose updates were last said to be off.
    EntryId offReported = kNoEntry;
};
