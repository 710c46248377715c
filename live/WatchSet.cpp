#include "live/WatchSet.h"

#include <sys/inotify.h>

#include <algorithm>
#include <cerrno>
#include <unordered_set>

namespace {

void addOnce(std::vector<EntryId>& into, EntryId folder)
{
    if (std::find(into.begin(), into.end(), folder) == into.end())
        into.push_back(folder);
}

} // namespace

WatchSet::WatchSet(FolderWatcher& watcher, std::size_t maxWatches) : source(watcher), limit(maxWatches)
{
}

WatchSet::~WatchSet()
{
    for (const auto& [watch, folder] : byWatch)
        source.unwatch(watch);
}

std::vector<EntryId> WatchSet::watchOnly(const std::vector<Folder>& folders)
{
    std::unordered_set<EntryId> wanted;
    for (const Folder& each : folders)
        wanted.insert(each.entry);
    for (auto it = byFolder.begin(); it != byFolder.end();) {
        if (wanted.count(it->first) != 0) {
            ++it;
            continue;
        }
        source.unwatch(it->second);
        byWatch.erase(it->second);
        it = byFolder.erase(it);
    }
    off.clear();
    std::vector<EntryId> added;
    for (const Folder& each : folders) {
        if (byFolder.count(each.entry) != 0)
            continue;
        const int watch = byWatch.size() < limit ? source.watch(each.path) : -ENOSPC;
        // Two entries of one folder (it was reached twice) share the system's watch.
        if (watch < 0 || byWatch.count(watch) != 0) {
            off[each.entry] = watch < 0 ? -watch : EEXIST;
            continue;
        }
        byWatch[watch] = each.entry;
        byFolder[each.entry] = watch;
        added.push_back(each.entry);
    }
    return added;
}

void WatchSet::take(Changes& changes)
{
    events.clear();
    source.read(events);
    for (const FolderWatcher::Event& event : events) {
        if ((event.mask & IN_Q_OVERFLOW) != 0) {
            // Events were lost: everything watched is listed again.
            for (const auto& [watch, folder] : byWatch)
                addOnce(changes.changed, folder);
            continue;
        }
        const auto found = byWatch.find(event.watch);
        if (found == byWatch.end())
            continue;
        const EntryId folder = found->second;
        if ((event.mask & IN_IGNORED) != 0) {
            // The system dropped the watch (the folder is gone): it is held no more.
            byFolder.erase(folder);
            byWatch.erase(found);
            continue;
        }
        if ((event.mask & (IN_DELETE_SELF | IN_MOVE_SELF)) != 0)
            addOnce(changes.gone, folder);
        else
            addOnce(changes.changed, folder);
    }
}
