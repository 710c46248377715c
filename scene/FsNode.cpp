#include "scene/FsNode.h"

#include "support/BlockPool.h"
#include "scene/DirectoryReader.h"
#include "scene/Icon.h"

#include "support/ProgressListener.h"

#include <unordered_set>
#include <utility>

namespace {

// A folder whose children are still being scanned, from index next on.
struct PendingFolder {
    FsNode* node;
    std::size_t next;
};

} // namespace

extern ProgressListener* scanListener;

void* FsNode::operator new(std::size_t size)
{
    return blockPoolFor<FsNode>().allocate(size);
}

void FsNode::operator delete(void* node, std::size_t size)
{
    blockPoolFor<FsNode>().release(node, size);
}

FsNode::FsNode(std::string entryName, std::uint32_t entrySize, std::string parentPath)
    : name(std::move(entryName)), size(entrySize), path(std::move(parentPath))
{
    scan();
    createIcon();
    // The parent's listing sets the real value afterwards.
    hidden = false;
}

FsNode::FsNode(Unscanned, std::string entryName, std::uint32_t entrySize, std::string parentPath)
    : name(std::move(entryName)), size(entrySize), path(std::move(parentPath))
{
}

void FsNode::createIcon()
{
    icon = new Icon(type == FsNodeType::Folder ? "folder" : "file");
}

void FsNode::scan()
{
    // Depth first with an explicit stack rather than recursion, so no tree the
    // kernel lets us enter can exhaust the call stack. Every folder is expanded
    // at most once per scan, which ends link loops and keeps the work linear.
    std::unordered_set<FolderId, FolderIdHash> expanded;
    std::vector<PendingFolder> pending;

    // Types node by the folder test and, for a folder not expanded before,
    // lists its entries as children, each taking its attributes at once. The
    // listing is closed before descending, so depth costs no descriptors.
    auto open = [&](FsNode* node) {
        const std::string folderPath = node->path + node->name + "/";
        if (!DirectoryReader::enter(folderPath)) {
            node->type = FsNodeType::File;
            return;
        }
        node->type = FsNodeType::Folder;
        DirectoryReader reader;
        FolderId id;
        if (!reader.identify(id) || !expanded.insert(id).second)
            return;
        DirectoryEntry entry;
        static std::uint64_t entries = 0;
        if (scanListener != nullptr)
            scanListener->progressed(entries);
        while (reader.next(entry)) {
            if (++entries % 256 == 0 && scanListener != nullptr)
                scanListener->progressed(entries);
            FsNode* child = new FsNode(Unscanned{}, entry.name, entry.size, folderPath);
            child->hidden = entry.hidden;
            if (entry.readOnly)
                child->mode = kReadOnlyMode;
            node->children.push_back(child);
        }
        if (node->children.empty())
            return;
        // The tree is kept for the whole run: drop the growth slack.
        node->children.shrink_to_fit();
        pending.push_back(PendingFolder{node, 0});
    };

    // Icons are made once a node's subtree is complete: children before parents.
    open(this);
    while (!pending.empty()) {
        PendingFolder& top = pending.back();
        if (top.next < top.node->children.size()) {
            FsNode* child = top.node->children[top.next++];
            const std::size_t depth = pending.size();
            open(child);
            if (pending.size() == depth)
                child->createIcon();
            continue;
        }
        FsNode* done = top.node;
        pending.pop_back();
        if (done != this)
            done->createIcon();
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
