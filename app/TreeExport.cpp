#include "app/TreeExport.h"

#include "exchange/ExportWriter.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>

TreeExport::TreeExport(FsNode& topNode, const std::vector<SharedFileName>& sharedFiles, std::string name)
    : top(topNode), topName(std::move(name))
{
    shared.reserve(sharedFiles.size());
    for (const SharedFileName& file : sharedFiles)
        shared.emplace_back(file.node, &file);
    std::sort(shared.begin(), shared.end());
}

void TreeExport::write(ExportWriter& writer)
{
    struct stat info {};
    ExportEntry entry;
    entry.name = topName;
    entry.kind = EntryKind::Folder;
    entry.hasModifiedTime = true;
    entry.modifiedTime = top.modifiedTime;
    if (stat(top.folderPath().c_str(), &info) == 0) {
        entry.device = static_cast<std::uint64_t>(info.st_dev);
        entry.size = static_cast<std::uint64_t>(info.st_size);
        entry.diskUsage = static_cast<std::uint64_t>(info.st_blocks) * 512u;
    }
    entry.readError = top.enterError != 0;
    writer.beginFolder(entry);
    walk.push_back(Level{&top, 0, entry.device});
    while (!walk.empty()) {
        Level& level = walk.back();
        if (level.next < level.contents->children.size()) {
            visit(level.contents->children[level.next++], writer);
            continue;
        }
        walk.pop_back();
        writer.endFolder();
    }
}

void TreeExport::visit(FsNode* node, ExportWriter& writer)
{
    ExportEntry entry;
    entry.name = node->name;
    entry.kind = node->kind;
    entry.size = node->fullSize();
    entry.hasModifiedTime = true;
    entry.modifiedTime = node->modifiedTime;
    // The scan keeps no devices but those of files with several names:
    // everything else is taken to be on its folder's.
    entry.device = walk.back().device;

    // What the entry takes on disk: the scan kept no blocks, so they are
    // looked up again, the entry itself and not where a link leads.
    struct stat own {};
    const bool seen = fstatat(AT_FDCWD, (node->path() + node->name).c_str(), &own, AT_SYMLINK_NOFOLLOW) == 0;
    if (seen)
        entry.diskUsage = static_cast<std::uint64_t>(own.st_blocks) * 512u;

    if (node->kind == EntryKind::File) {
        const auto found = std::lower_bound(shared.begin(), shared.end(), std::make_pair(node, nullptr),
                                            [](const auto& a, const auto& b) { return a.first < b.first; });
        if (found != shared.end() && found->first == node) {
            entry.hardLink = true;
            entry.hasInode = true;
            entry.device = found->second->id.device;
            entry.inode = found->second->id.inode;
            entry.links = found->second->links;
        }
    } else if (node->kind != EntryKind::Folder) {
        // Links, FIFOs, devices, dangling links: the tools count a link's own
        // bytes and type, which the scan (following links) did not keep.
        entry.notRegular = true;
        if (seen) {
            entry.hasMode = true;
            entry.mode = static_cast<std::uint32_t>(own.st_mode);
            entry.size = S_ISLNK(own.st_mode) ? static_cast<std::uint64_t>(own.st_size) : 0;
        } else {
            entry.size = 0;
        }
        entry.kind = entry.hasMode && S_ISLNK(entry.mode) ? EntryKind::FileLink : EntryKind::Other;
    }

    FsNode* contents = nullptr;
    if (node->kind == EntryKind::Folder) {
        if (node->type == FsNodeType::Folder && node->enterError == FsNode::kOtherFileSystem) {
            entry.exclusion = Exclusion::OtherFileSystem;
        } else if (node->type != FsNodeType::Folder || node->enterError != 0) {
            entry.readError = true;
        } else {
            contents = node->contentsNode();
        }
        // A folder reached again (a bind mount) is written once.
        if (contents != nullptr && contents != node && !written.insert(contents).second)
            contents = nullptr;
    }
    if (node->kind != EntryKind::Folder || entry.exclusion != Exclusion::None) {
        writer.entry(entry);
        return;
    }
    writer.beginFolder(entry);
    if (contents != nullptr && !contents->children.empty()) {
        walk.push_back(Level{contents, 0, entry.device});
        return;
    }
    writer.endFolder();
}
