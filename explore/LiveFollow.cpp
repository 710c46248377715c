#include "explore/LiveFollow.h"

#include <algorithm>

#include "explore/StatusText.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

LiveFollow::LiveFollow(EntryTree& tree, LiveUpdates::Options options)
{
    int ends[2];
    if (pipe2(ends, O_CLOEXEC | O_NONBLOCK) == 0) {
        wakeRead = ends[0];
        wakeWrite = ends[1];
    }
    live = std::make_unique<LiveUpdates>(
        tree, [this] { wake(); }, options);
}

LiveFollow::~LiveFollow()
{
    live.reset();
    if (wakeRead >= 0)
        close(wakeRead);
    if (wakeWrite >= 0)
        close(wakeWrite);
}

void LiveFollow::wake()
{
    const char byte = 1;
    // A full pipe is readable already.
    while (wakeWrite >= 0 && write(wakeWrite, &byte, 1) < 0 && errno == EINTR) {}
}

void LiveFollow::follow(ExploreState& state, bool sourceEnded, std::vector<EntryId> onScreen)
{
    const EntryId shown = state.shownFolder();
    // The shown folder first, whatever the view lists.
    onScreen.erase(std::remove(onScreen.begin(), onScreen.end(), shown), onScreen.end());
    if (shown != kNoEntry)
        onScreen.insert(onScreen.begin(), shown);
    if (onScreen.size() > kMostWatched)
        onScreen.resize(kMostWatched);
    if (onScreen != watched || (sourceEnded && !endSeen)) {
        watched = std::move(onScreen);
        endSeen = sourceEnded;
        if (shown != offReported)
            offReported = kNoEntry;
        live->watchOnly(watched);
    }
    const std::uint64_t revision = live->revision();
    if (revision != seenRevision) {
        seenRevision = revision;
        state.treeChanged();
    }
    const std::uint64_t watchRevision = live->watchRevision();
    if (watchRevision != seenWatches) {
        seenWatches = watchRevision;
        reportOff(state);
    }
    if (!refreshAsked)
        return;
    const ScanControl::Progress progress = live->refreshProgress();
    if (live->refreshPending()) {
        // Shown as the scan's is: entries so far and seconds, each tenth of a second.
        const auto tenths = static_cast<std::uint64_t>(progress.seconds * 10.0);
        if (tenths != refreshTenths || state.status().empty()) {
            refreshTenths = tenths;
            const std::string text = ScanControl::statusText(progress);
            state.setStatus("Refreshing" + text.substr(text.find(':')));
        }
        return;
    }
    refreshAsked = false;
    const ListingMerge::Counts counts = live->lastRefresh();
    state.setStatus(counts.any() ? "Refreshed: " + std::to_string(counts.added) + " added, "
                            + std::to_string(counts.removed) + " gone, " + std::to_string(counts.updated) + " changed"
                                 : std::string("Refreshed: nothing changed"));
}

void LiveFollow::refresh(ExploreState& state)
{
    const EntryTree* tree = state.shownTree();
    const EntryId shown = state.shownFolder();
    if (tree == nullptr || shown == kNoEntry)
        return;
    if (!tree->isComplete(shown)) {
        state.setStatus("The scan is still in this folder: refresh once it is done");
        return;
    }
    refreshAsked = true;
    refreshTenths = 0;
    state.setStatus("Refreshing: 0 entries, 0.0 s");
    live->refresh(shown);
}

void LiveFollow::reportOff(ExploreState& state)
{
    const EntryId shown = state.shownFolder();
    if (shown == kNoEntry || shown == offReported)
        return;
    const auto off = live->updatesOff();
    const auto found = off.find(shown);
    if (found == off.end())
        return;
    offReported = shown;
    const std::string why = found->second == ENOSPC ? std::string("the system's limit of watches is reached")
                                                    : std::string(std::strerror(found->second));
    state.setStatus("Live updates off for this folder: " + why + " (F5 refreshes)");
}
