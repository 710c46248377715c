#include "scene/FsNode.h"

#include "support/BlockPool.h"
#include "support/ProgressListener.h"
#include "scene/DirectoryReader.h"
#include "scene/EntryDescriber.h"
#include "scene/Icon.h"
#include "scene/IconRow.h"

#include <fcntl.h>
#include <unistd.h>

#include <unordered_set>
#include <utility>

namespace {

// Descriptors kept open along the branch being walked. Deeper branches close
// their upper folders and reopen them, by name from the top, when the walk
// climbs back; each reopening reopens half this many at once.
constexpr std::size_t kOpenLevels = 128;

// A folder of the current branch whose children are being scanned.
struct Level {
    FsNode* node;
    // The next child to visit.
    std::size_t next;
    // The folder's descriptor: kClosed while closed to save descriptors,
    // kLost when it could not be reopened as the same folder.
    int fd;
    FolderId id;
};

constexpr int kClosed = -1;
constexpr int kLost = -2;

// Entries listed and described together; also how often the listener hears
// of progress inside one folder.
constexpr std::size_t kBatch = 256;

} // namespace

void* FsNode::operator new(std::size_t size)
{
    return blockPoolFor<FsNode>().allocate(size);
}

void FsNode::operator delete(void* node, std::size_t size)
{
    blockPoolFor<FsNode>().release(node, size);
}

FsNode::FsNode(std::string entryName, std::uint32_t entrySize, std::string parentPath, ProgressListener* listener)
    : name(std::move(entryName)), size(entrySize), startPath(new std::string(std::move(parentPath)))
{
    scan(listener);
    createIcon();
    // The parent's listing sets the real value afterwards.
    hidden = false;
}

FsNode::FsNode(Unscanned, std::string&& entryName, FsNode* parentNode) : name(std::move(entryName)), parent(parentNode)
{
}

std::string FsNode::path() const
{
    // Iterative: a chain may be thousands of folders deep.
    std::vector<const FsNode*> ancestors;
    const FsNode* top = this;
    while (top->parent != nullptr) {
        top = top->parent;
        ancestors.push_back(top);
    }
    std::string folder = top->startPath ? *top->startPath : std::string();
    for (auto it = ancestors.rbegin(); it != ancestors.rend(); ++it) {
        folder += (*it)->name;
        folder += '/';
    }
    return folder;
}

std::string FsNode::folderPath() const
{
    return path() + name + "/";
}

void FsNode::createIcon()
{
    icon = new Icon(type == FsNodeType::Folder ? "folder" : "file");
}

void FsNode::scan(ProgressListener* listener)
{
    // Depth first with an explicit stack rather than recursion, so no tree can
    // exhaust the call stack. Every folder is expanded at most once per scan,
    // which ends link loops and keeps the work linear. Each folder is tested
    // and listed relative to its parent's open descriptor: no path is
    // resolved from the top again.
    std::unordered_set<FolderId, FolderIdHash> expanded;
    std::vector<Level> levels;
    // Levels 1 .. firstOpen-1 are closed, firstOpen .. top open; level 0
    // stays open throughout.
    std::size_t firstOpen = 1;
    std::uint64_t listedEntries = 0;
    std::vector<FsNode*> listed;
    std::vector<DirectoryEntry> batch(kBatch);
    EntryDescriber describer;

    // Lists the folder open in reader as node's children, each taking its
    // attributes at once, unless that folder was expanded before. A child
    // that cannot be a folder is a File now; the others are Folders until
    // their own folder test says otherwise. True when there are children.
    auto list = [&](FsNode* node, DirectoryReader& reader, FolderId& id) {
        if (!DirectoryReader::identify(reader.descriptor(), id) || !expanded.insert(id).second)
            return false;
        listed.clear();
        // Listed a batch at a time and described together, so that the
        // look-ups can be shared; children keep the listing order.
        bool more = true;
        while (more) {
            std::size_t count = 0;
            while (count < kBatch && (more = reader.nextName(batch[count])))
                ++count;
            describer.describe(reader.descriptor(), batch.data(), count);
            for (std::size_t i = 0; i < count; ++i) {
                DirectoryEntry& entry = batch[i];
                FsNode* child = new FsNode(Unscanned{}, std::move(entry.name), node);
                child->size = entry.size;
                child->hidden = entry.hidden;
                if (entry.readOnly)
                    child->mode = kReadOnlyMode;
                child->type = entry.folder ? FsNodeType::Folder : FsNodeType::File;
                listed.push_back(child);
            }
            listedEntries += count;
            if (listener != nullptr && count == kBatch)
                listener->progressed(listedEntries);
        }
        if (listener != nullptr)
            listener->progressed(listedEntries);
        // Exactly sized: the tree is kept for the whole run.
        node->children.assign(listed.begin(), listed.end());
        return !listed.empty();
    };

    // The descriptor of the deepest level, reopened along the branch from
    // level 0 when it was closed; -1 when it cannot be had.
    auto deepestDescriptor = [&]() -> int {
        const std::size_t top = levels.size() - 1;
        if (levels[top].fd != kClosed)
            return levels[top].fd < 0 ? -1 : levels[top].fd;
        const std::size_t keepFrom = top + 1 > kOpenLevels / 2 ? top + 1 - kOpenLevels / 2 : 1;
        int through = levels[0].fd;
        for (std::size_t at = 1; at <= top; ++at) {
            int reopened = kLost;
            if (through >= 0) {
                DirectoryReader reader(through, levels[at].node->name);
                FolderId id;
                if (reader.access() == FolderAccess::Listable && DirectoryReader::identify(reader.descriptor(), id)
                    && id == levels[at].id)
                    reopened = reader.release();
            }
            if (through >= 0 && at - 1 >= 1 && at - 1 < keepFrom)
                close(through);
            through = reopened;
            if (at >= keepFrom)
                levels[at].fd = reopened;
        }
        firstOpen = keepFrom;
        return levels[top].fd < 0 ? -1 : levels[top].fd;
    };

    auto finishLeaf = [](FsNode* node, FsNodeType finalType) {
        node->type = finalType;
        node->createIcon();
    };

    {
        DirectoryReader reader(AT_FDCWD, folderPath());
        type = reader.access() == FolderAccess::Closed ? FsNodeType::File : FsNodeType::Folder;
        FolderId id;
        if (reader.access() == FolderAccess::Listable && list(this, reader, id))
            levels.push_back(Level{this, 0, reader.release(), id});
    }

    // Icons are made once a node's subtree is complete: children before parents.
    while (!levels.empty()) {
        Level& level = levels.back();
        if (level.next < level.node->children.size()) {
            FsNode* child = level.node->children[level.next++];
            if (child->type != FsNodeType::Folder) {
                child->createIcon();
                continue;
            }
            const int parentFd = deepestDescriptor();
            if (parentFd < 0) {
                finishLeaf(child, FsNodeType::File);
                continue;
            }
            DirectoryReader reader(parentFd, child->name);
            if (reader.access() == FolderAccess::Closed) {
                finishLeaf(child, FsNodeType::File);
                continue;
            }
            FolderId id;
            if (reader.access() != FolderAccess::Listable || !list(child, reader, id)) {
                finishLeaf(child, FsNodeType::Folder);
                continue;
            }
            levels.push_back(Level{child, 0, reader.release(), id});
            if (levels.size() - firstOpen > kOpenLevels) {
                close(levels[firstOpen].fd);
                levels[firstOpen].fd = kClosed;
                ++firstOpen;
            }
            continue;
        }
        FsNode* done = level.node;
        if (level.fd >= 0)
            close(level.fd);
        levels.pop_back();
        // Levels climbed back into without reopening them stay closed.
        if (firstOpen > levels.size())
            firstOpen = levels.size() > 1 ? levels.size() : 1;
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
    IconRow::draw(children);
}
