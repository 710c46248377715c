#include "live/FolderRelist.h"

#include "scene/DirectoryReader.h"
#include "tree/EntryTreeScan.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <vector>

FolderRelist::Outcome FolderRelist::run(EntryTree& tree, EntryId folder, const std::string& path)
{
    Outcome outcome;
    DirectoryReader reader(AT_FDCWD, path);
    if (reader.access() != FolderAccess::Listable) {
        outcome.error = reader.error() != 0 ? reader.error() : EACCES;
        outcome.gone = outcome.error == ENOENT || outcome.error == ENOTDIR;
        return outcome;
    }
    // The time first: a change made while the folder is listed moves it on again.
    FolderId identity;
    std::int64_t time = 0;
    DirectoryReader::identify(reader.descriptor(), identity, &time);
    std::vector<DirectoryEntry> listed;
    DirectoryEntry entry;
    while (reader.nextName(entry)) {
        DirectoryReader::describe(reader.descriptor(), entry);
        listed.push_back(std::move(entry));
        entry = DirectoryEntry();
    }
    if (reader.error() != 0) {
        // Half a listing would take the rest out of the tree.
        outcome.error = reader.error();
        return outcome;
    }
    std::vector<EntryFacts> facts;
    facts.reserve(listed.size());
    for (const DirectoryEntry& each : listed)
        facts.push_back(EntryTreeScan::factsOf(each, each.kind == EntryKind::File));
    ListingMerge::Level level;
    level.keepFolderTimes = true;
    level.keepCounting = true;
    const ListingMerge::Result merged = ListingMerge::mergeFolder(tree, folder, facts, level, outcome.counts);
    tree.setModifiedTime(folder, time);
    for (std::size_t i = 0; i < listed.size(); ++i)
        if (merged.added[i] && listed[i].kind == EntryKind::Folder)
            rescan(tree, merged.ids[i], path + listed[i].name + "/", nullptr);
    return outcome;
}

bool FolderRelist::timeMoved(const EntryTree& tree, EntryId folder, const std::string& path)
{
    struct stat now;
    if (stat(path.c_str(), &now) != 0)
        return false;
    return static_cast<std::int64_t>(now.st_mtime) != tree.modifiedTime(folder);
}

ListingMerge::Counts FolderRelist::rescan(EntryTree& tree, EntryId folder, const std::string& path,
                                          ProgressListener* listener)
{
    EntryTree fresh;
    EntryTreeScan scan(fresh, path, false, listener, nullptr, true);
    scan.run();
    ListingMerge::Counts counts;
    ListingMerge::mergeSubtree(tree, folder, fresh, fresh.root(), counts);
    if (fresh.isListed(fresh.root()))
        tree.setModifiedTime(folder, fresh.modifiedTime(fresh.root()));
    return counts;
}
