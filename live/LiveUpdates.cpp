#include "live/LiveUpdates.h"

#include "live/FolderRelist.h"
#include "live/WatchSet.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <deque>
#include <utility>

namespace {

using Clock = std::chrono::steady_clock;

// Neither the folder nor any above it was taken out of the tree.
bool inTree(const EntryTree& tree, EntryId folder)
{
    for (EntryId at = folder; at != kNoEntry; at = tree.parent(at))
        if (tree.isRemoved(at))
            return false;
    return true;
}

void addOnce(std::vector<EntryId>& into, EntryId folder)
{
    if (folder != kNoEntry && std::find(into.begin(), into.end(), folder) == into.end())
        into.push_back(folder);
}

} // namespace

LiveUpdates::LiveUpdates(EntryTree& shownTree, std::function<void()> onApplied, Options chosen)
    : tree(shownTree), applied(std::move(onApplied)), options(chosen)
{
    int ends[2];
    if (pipe2(ends, O_CLOEXEC | O_NONBLOCK) == 0) {
        wakeRead = ends[0];
        wakeWrite = ends[1];
    }
    worker = std::thread(&LiveUpdates::run, this);
}

LiveUpdates::~LiveUpdates()
{
    {
        const std::lock_guard<std::mutex> hold(lock);
        stopping = true;
    }
    wake();
    worker.join();
    if (wakeRead >= 0)
        close(wakeRead);
    if (wakeWrite >= 0)
        close(wakeWrite);
}

void LiveUpdates::wake()
{
    if (wakeWrite < 0)
        return;
    const char byte = 1;
    // A full pipe wakes the thread all the same.
    while (write(wakeWrite, &byte, 1) < 0 && errno == EINTR) {}
}

void LiveUpdates::watchOnly(std::vector<EntryId> folders)
{
    {
        const std::lock_guard<std::mutex> hold(lock);
        wanted = std::move(folders);
        wantedChanged = true;
    }
    wake();
}

void LiveUpdates::refresh(EntryId folder)
{
    {
        const std::lock_guard<std::mutex> hold(lock);
        addOnce(refreshWanted, folder);
        refreshesAsked.fetch_add(1, std::memory_order_release);
    }
    wake();
}

std::unordered_map<EntryId, int> LiveUpdates::updatesOff() const
{
    const std::lock_guard<std::mutex> hold(lock);
    return off;
}

ListingMerge::Counts LiveUpdates::lastRefresh() const
{
    const std::lock_guard<std::mutex> hold(lock);
    return refreshCounts;
}

void LiveUpdates::run()
{
    WatchSet watches(watcher, options.maxWatches);
    // Folders to list again, and those to list once they are complete.
    std::vector<EntryId> dirty;
    std::vector<EntryId> waiting;
    Clock::time_point firstEvent;
    Clock::time_point lastEvent;
    WatchSet::Changes seen;
    for (;;) {
        int timeout = -1;
        if (!dirty.empty()) {
            const Clock::time_point due = std::min(lastEvent + std::chrono::milliseconds(options.settleMs),
                                                   firstEvent + std::chrono::milliseconds(options.longestWaitMs));
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(due - Clock::now()).count();
            timeout = static_cast<int>(std::max<long long>(0, left + 1));
        }
        pollfd ready[2] = {{watcher.descriptor(), POLLIN, 0}, {wakeRead, POLLIN, 0}};
        poll(ready, 2, timeout);
        char drained[64];
        while (wakeRead >= 0 && read(wakeRead, drained, sizeof drained) > 0) {}

        bool rewatch = false;
        std::vector<EntryId> folders;
        std::vector<EntryId> refreshes;
        std::uint64_t refreshesTaken = 0;
        {
            const std::lock_guard<std::mutex> hold(lock);
            if (stopping)
                return;
            if (wantedChanged) {
                folders = wanted;
                wantedChanged = false;
                rewatch = true;
            }
            refreshes.swap(refreshWanted);
            refreshesTaken = refreshesAsked.load(std::memory_order_relaxed);
        }
        const Clock::time_point now = Clock::now();
        auto markDirty = [&](EntryId folder) {
            if (dirty.empty())
                firstEvent = now;
            lastEvent = now;
            addOnce(dirty, folder);
        };
        bool changed = false;
        bool rewatched = false;
        if (rewatch) {
            std::vector<WatchSet::Folder> paths;
            for (const EntryId each : folders)
                if (inTree(tree, each))
                    paths.push_back({each, tree.path(each)});
            const std::vector<EntryId> fresh = watches.watchOnly(paths);
            held.store(watches.held(), std::memory_order_relaxed);
            {
                const std::lock_guard<std::mutex> hold(lock);
                off = watches.refused();
            }
            // A folder watched anew may have changed while it was not.
            for (const EntryId each : fresh)
                if (tree.isComplete(each) && FolderRelist::timeMoved(tree, each, tree.path(each)))
                    markDirty(each);
            for (const EntryId each : waiting)
                markDirty(each);
            waiting.clear();
            watchChanges.fetch_add(1, std::memory_order_release);
            rewatched = true;
        }
        seen.changed.clear();
        seen.gone.clear();
        watches.take(seen);
        held.store(watches.held(), std::memory_order_relaxed);
        for (const EntryId each : seen.changed)
            markDirty(each);
        // A folder gone itself is seen in its own folder's listing.
        for (const EntryId each : seen.gone)
            markDirty(tree.parent(each));

        for (const EntryId each : refreshes) {
            if (!inTree(tree, each) || !tree.isComplete(each))
                continue;
            refreshing.started();
            const ListingMerge::Counts counts = FolderRelist::rescan(tree, each, tree.path(each), &refreshing);
            refreshing.finished();
            {
                const std::lock_guard<std::mutex> hold(lock);
                refreshCounts = counts;
            }
            changed = true;
        }
        if (!refreshes.empty()) {
            refreshesEnded.store(refreshesTaken, std::memory_order_release);
            changed = true;
        }

        const Clock::time_point due = std::min(lastEvent + std::chrono::milliseconds(options.settleMs),
                                               firstEvent + std::chrono::milliseconds(options.longestWaitMs));
        if (!dirty.empty() && Clock::now() >= due) {
            std::deque<EntryId> queue(dirty.begin(), dirty.end());
            dirty.clear();
            while (!queue.empty()) {
                const EntryId folder = queue.front();
                queue.pop_front();
                if (!inTree(tree, folder))
                    continue;
                if (!tree.isComplete(folder) || tree.contents(folder) != folder) {
                    addOnce(waiting, folder);
                    continue;
                }
                const FolderRelist::Outcome outcome = FolderRelist::run(tree, folder, tree.path(folder));
                if (outcome.gone && tree.parent(folder) != kNoEntry)
                    queue.push_back(tree.parent(folder));
                if (outcome.counts.any())
                    changed = true;
            }
        }
        if (changed)
            changes.fetch_add(1, std::memory_order_release);
        if ((changed || rewatched) && applied)
            applied();
    }
}
