#include "scene/FsNode.h"

#include "scene/DirectoryReader.h"
#include "scene/Icon.h"

#include <unordered_set>
#include <utility>

namespace {

// A folder whose entries are still being turned into nodes.
struct PendingFolder {
    FsNode* node;
    std::string folderPath;
    std::vector<DirectoryEntry> entries;
    std::size_t next;
};

} // namespace

FsNode::FsNode(std::string entryName, std::uint32_t entrySize, std::string parentPath)
    : name(std::move(entryName)), size(entrySize), path(std::move(parentPath))
{
    scan();
    createIcon();
}

FsNode::FsNode(Unscanned, std::string entryName, std::uint32_t entrySize, std::string parentPath)
    : name(std::move(entryName)), size(entrySize), path(std::move(parentPath))
{
}

void FsNode::createIcon()
{
    icon = new Icon(type == FsNodeType::Folder ? "folder" : "file");
    // The parent's listing sets the real value afterwards.
    hidden = false;
}

void FsNode::scan()
{
    // Depth first with an explicit stack rather than recursion, so no tree the
    // kernel lets us enter can exhaust the call stack. Every folder is expanded
    // at most once per scan, which ends link loops and keeps the work linear.
    std::unordered_set<FolderId, FolderIdHash> expanded;
    std::vector<PendingFolder> pending;

    // Types node by the folder test; true when it has entries to visit.
    auto open = [&](FsNode* node) {
        std::string folderPath = node->path + node->name + "/";
        if (!DirectoryReader::enter(folderPath)) {
            node->type = FsNodeType::File;
            return false;
        }
        node->type = FsNodeType::Folder;
        DirectoryReader reader;
        FolderId id;
        if (!reader.identify(id) || !expanded.insert(id).second)
            return false;
        std::vector<DirectoryEntry> entries;
        reader.readAll(entries);
        if (entries.empty())
            return false;
        node->children.reserve(entries.size());
        pending.push_back(PendingFolder{node, std::move(folderPath), std::move(entries), 0});
        return true;
    };

    // child's subtree is complete; its parent is the innermost pending folder.
    auto complete = [&](FsNode* child) {
        child->createIcon();
        PendingFolder& parent = pending.back();
        const DirectoryEntry& entry = parent.entries[parent.next - 1];
        child->hidden = entry.hidden;
        if (entry.readOnly)
            child->mode = kReadOnlyMode;
        parent.node->children.push_back(child);
    };

    if (!open(this))
        return;
    while (!pending.empty()) {
        PendingFolder& top = pending.back();
        if (top.next < top.entries.size()) {
            DirectoryEntry& entry = top.entries[top.next++];
            FsNode* child = new FsNode(Unscanned{}, std::move(entry.name), entry.size, top.folderPath);
            if (!open(child))
                complete(child);
            continue;
        }
        FsNode* done = top.node;
        pending.pop_back();
        if (done != this)
            complete(done);
    }
}

void FsNode::draw(int index)
{
    icon->draw(index);
}

void FsNode::drawChildren()
{
    for (std::size_t i = 0; i < children.size(); ++i)
        children[i]->draw(static_cast<int>(i));
}
