#include "exchange/EntryTreeExport.h"

#include "exchange/ExportWriter.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <string>

namespace {

// The mode a link is written with where the tree has none of its own.
constexpr std::uint32_t kLinkMode = S_IFLNK | 0777;

} // namespace

EntryTreeExport::EntryTreeExport(const EntryTree& entries, Options chosen) : tree(entries), options(chosen)
{
}

void EntryTreeExport::write(ExportWriter& writer)
{
    const EntryId top = tree.root();
    std::string name = tree.path(top);
    // "/data/top/" is written as "/data/top", the root folder as "/".
    if (name.size() > 1 && name.back() == '/')
        name.pop_back();
    ExportEntry entry;
    entry.name = name;
    entry.kind = EntryKind::Folder;
    entry.size = tree.byteSize(top);
    entry.device = options.topDevice;
    entry.hasModifiedTime = tree.modifiedTime(top) != 0;
    entry.modifiedTime = tree.modifiedTime(top);
    entry.readError = tree.enterError(top) != 0;
    struct stat own {};
    if (options.scannedHere && stat(name.c_str(), &own) == 0)
        entry.diskUsage = static_cast<std::uint64_t>(own.st_blocks) * 512u;
    written.assign(tree.size(), false);
    written[top] = true;
    writer.beginFolder(entry);
    walk.push_back(Level{top, 0});
    while (!walk.empty()) {
        Level& level = walk.back();
        const EntryRange entries = tree.entries(level.contents);
        if (level.next < entries.size()) {
            visit(entries[level.next++], writer);
            continue;
        }
        walk.pop_back();
        writer.endFolder();
    }
}

void EntryTreeExport::visit(EntryId id, ExportWriter& writer)
{
    ExportEntry entry;
    entry.name = tree.name(id);
    entry.kind = tree.kind(id);
    entry.size = tree.byteSize(id);
    entry.device = options.topDevice;
    entry.hasModifiedTime = tree.modifiedTime(id) != 0;
    entry.modifiedTime = tree.modifiedTime(id);
    // What a scanned entry takes on disk: the tree keeps no blocks, so they
    // are looked up again, the entry itself and not where a link leads.
    struct stat own {};
    bool seen = false;
    if (options.scannedHere) {
        std::string path = tree.path(id);
        if (path.size() > 1 && path.back() == '/')
            path.pop_back();
        seen = fstatat(AT_FDCWD, path.c_str(), &own, AT_SYMLINK_NOFOLLOW) == 0;
        if (seen)
            entry.diskUsage = static_cast<std::uint64_t>(own.st_blocks) * 512u;
    }
    FileIdentity identity;
    switch (entry.kind) {
    case EntryKind::File:
        if (tree.sharedFile(id, identity)) {
            entry.hardLink = true;
            entry.hasInode = true;
            entry.device = identity.device;
            entry.inode = identity.inode;
            entry.links = identity.links;
        }
        writer.entry(entry);
        return;
    case EntryKind::FileLink:
    case EntryKind::FolderLink:
    case EntryKind::Other:
        describeLink(id, seen ? &own : nullptr, entry);
        writer.entry(entry);
        return;
    case EntryKind::Folder:
        break;
    }
    const int error = tree.enterError(id);
    if (!tree.isFolder(id) || error == EXDEV || error == ECANCELED) {
        // Left unentered: another file system, excluded, or not a folder after all.
        entry.exclusion = error == EXDEV ? Exclusion::OtherFileSystem
            : error == ECANCELED         ? Exclusion::Pattern
                                         : Exclusion::None;
        entry.readError = entry.exclusion == Exclusion::None;
        writer.entry(entry);
        return;
    }
    entry.readError = error != 0;
    writer.beginFolder(entry);
    // A folder reached again (a bind mount) has its entries written once.
    const EntryId contents = tree.contents(id);
    if (contents != kNoEntry && !written[contents] && !tree.entries(contents).empty()) {
        written[contents] = true;
        walk.push_back(Level{contents, 0});
        return;
    }
    writer.endFolder();
}

void EntryTreeExport::describeLink(EntryId id, const struct stat* own, ExportEntry& entry) const
{
    // Links, FIFOs, devices, dangling links: the tools count a link's own
    // bytes and nothing else's.
    entry.notRegular = true;
    const auto mode = static_cast<std::uint32_t>(tree.mode(id));
    if ((mode & S_IFMT) != 0) {
        entry.hasMode = true;
        entry.mode = mode;
        return;
    }
    if (options.scannedHere) {
        // Gone since the scan: nothing of its own.
        entry.hasMode = own != nullptr;
        entry.mode = own != nullptr ? static_cast<std::uint32_t>(own->st_mode) : 0;
        entry.size = own != nullptr && S_ISLNK(own->st_mode) ? static_cast<std::uint64_t>(own->st_size) : 0;
        return;
    }
    // An export that had no mode for it: a link still reads back as one.
    entry.hasMode = entry.kind != EntryKind::Other;
    entry.mode = entry.hasMode ? kLinkMode : 0;
}
