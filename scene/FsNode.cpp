#include "scene/FsNode.h"

#include "support/BlockPool.h"
#include "support/ProgressListener.h"
#include "scene/BranchDescriptors.h"
#include "scene/DirectoryReader.h"
#include "scene/EntryDescriber.h"
#include "scene/Icon.h"
#include "scene/IconRow.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <functional>
#include <optional>
#include <unordered_map>
#include <unordered_set>
#include <utility>

struct FsNode::ScanOrigin {
    std::string path;
    // Each folder found expanded elsewhere with its expanded copy, sorted by
    // the first; few in most trees, so a node carries no pointer for it.
    std::vector<std::pair<FsNode*, FsNode*>> repeats;
};

namespace {

// A folder of the current branch whose children are being scanned.
struct Walk {
    FsNode* node;
    // The next child to visit.
    std::size_t next;
};

// Entries listed and described together; also how often the listener hears
// of progress inside one folder, and while folders are tested.
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
    : name(std::move(entryName)), size(entrySize), origin(new ScanOrigin{std::move(parentPath), {}})
{
    scan(listener);
    createIcon();
    // The parent's listing sets the real value afterwards.
    hidden = false;
}

FsNode::FsNode(Unscanned, std::string&& entryName, FsNode* parentNode) : name(std::move(entryName)), parent(parentNode)
{
}

FsNode::~FsNode() = default;

std::string FsNode::path() const
{
    // Iterative: a chain may be thousands of folders deep.
    std::vector<const FsNode*> ancestors;
    const FsNode* top = this;
    while (top->parent != nullptr) {
        top = top->parent;
        ancestors.push_back(top);
    }
    std::string folder = top->origin ? top->origin->path : std::string();
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

FsNode* FsNode::contentsNode()
{
    if (type != FsNodeType::Folder)
        return nullptr;
    if (!children.empty())
        return this;
    const FsNode* top = this;
    while (top->parent != nullptr)
        top = top->parent;
    if (top->origin) {
        const auto& repeats = top->origin->repeats;
        const auto found
            = std::lower_bound(repeats.begin(), repeats.end(), this, [](const auto& repeat, const FsNode* node) {
                  return std::less<>()(repeat.first, node);
              });
        if (found != repeats.end() && found->first == this)
            return found->second;
    }
    return this;
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
    // resolved from the top again. Totals are summed as the walk climbs back.
    std::unordered_map<FolderId, FsNode*, FolderIdHash> expanded;
    std::vector<std::pair<FsNode*, FsNode*>> repeats;
    // Files with several names whose bytes are counted already.
    std::unordered_set<FolderId, FolderIdHash> countedFiles;
    std::vector<Walk> walk;
    BranchDescriptors branch;
    std::uint64_t listedEntries = 0;
    std::uint64_t testedFolders = 0;
    std::vector<FsNode*> listed;
    std::vector<DirectoryEntry> batch(kBatch);
    EntryDescriber describer;

    // Lists the folder open in reader as node's children, each taking its
    // attributes at once, unless that folder was expanded before. A child
    // that cannot be a folder is a File now; the others are Folders until
    // their own folder test says otherwise. True when there are children.
    auto list = [&](FsNode* node, DirectoryReader& reader, FolderId& id, std::int64_t* modified) {
        if (!DirectoryReader::identify(reader.descriptor(), id, modified))
            return false;
        const auto [copy, fresh] = expanded.emplace(id, node);
        if (!fresh) {
            repeats.emplace_back(node, copy->second);
            return false;
        }
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
                child->sizeHigh = entry.sizeHigh;
                child->modifiedTime = entry.modifiedTime;
                child->kind = entry.kind;
                child->hidden = entry.hidden;
                if (entry.readOnly)
                    child->mode = kReadOnlyMode;
                child->type = entry.folder ? FsNodeType::Folder : FsNodeType::File;
                if (entry.kind == EntryKind::File && (!entry.sharedFile || countedFiles.insert(entry.fileId).second))
                    child->totalSize = child->fullSize();
                node->totalSize += child->totalSize;
                listed.push_back(child);
            }
            listedEntries += count;
            if (listener != nullptr && count == kBatch)
                listener->progressed(listedEntries);
        }
        if (listener != nullptr)
            listener->progressed(listedEntries);
        node->enterError = static_cast<std::int16_t>(reader.error());
        node->totalEntries += static_cast<std::uint32_t>(listed.size());
        // Exactly sized: the tree is kept for the whole run.
        node->children.assign(listed.begin(), listed.end());
        return !listed.empty();
    };

    auto finishLeaf = [](FsNode* node, FsNodeType finalType, int error) {
        node->type = finalType;
        node->enterError = static_cast<std::int16_t>(error);
        node->createIcon();
    };

    {
        std::optional<DirectoryReader> reader;
        branch.open(reader, AT_FDCWD, folderPath());
        type = reader->access() == FolderAccess::Closed ? FsNodeType::File : FsNodeType::Folder;
        kind = type == FsNodeType::Folder ? EntryKind::Folder : EntryKind::Other;
        enterError = static_cast<std::int16_t>(reader->error());
        FolderId id;
        if (reader->access() == FolderAccess::Listable && list(this, *reader, id, &modifiedTime)) {
            walk.push_back(Walk{this, 0});
            branch.push(reader->release(), id, name);
        }
    }

    // Icons are made once a node's subtree is complete: children before parents.
    while (!walk.empty()) {
        Walk& level = walk.back();
        if (level.next < level.node->children.size()) {
            FsNode* child = level.node->children[level.next++];
            if (child->type != FsNodeType::Folder) {
                child->createIcon();
                continue;
            }
            // A folder full of links to folders expanded elsewhere lists
            // nothing new for a long while: report the tests as well.
            if (listener != nullptr && ++testedFolders % kBatch == 0)
                listener->progressed(listedEntries);
            const int parentFd = branch.deepest();
            if (parentFd < 0) {
                finishLeaf(child, FsNodeType::File, branch.error());
                continue;
            }
            std::optional<DirectoryReader> reader;
            branch.open(reader, parentFd, child->name);
            if (reader->access() == FolderAccess::Closed) {
                finishLeaf(child, FsNodeType::File, reader->error());
                continue;
            }
            FolderId id;
            if (reader->access() != FolderAccess::Listable) {
                finishLeaf(child, FsNodeType::Folder, reader->error());
                continue;
            }
            if (!list(child, *reader, id, nullptr)) {
                finishLeaf(child, FsNodeType::Folder, child->enterError);
                continue;
            }
            walk.push_back(Walk{child, 0});
            branch.push(reader->release(), id, child->name);
            continue;
        }
        FsNode* done = level.node;
        walk.pop_back();
        branch.pop();
        if (done != this) {
            done->createIcon();
            done->parent->totalSize += done->totalSize;
            done->parent->totalEntries += done->totalEntries;
        }
    }

    // Complete only now: a link may lead back to an ancestor.
    for (const auto& [repeat, copy] : repeats) {
        repeat->totalSize = copy->totalSize;
        repeat->totalEntries = copy->totalEntries;
    }
    std::sort(repeats.begin(), repeats.end(),
              [](const auto& a, const auto& b) { return std::less<>()(a.first, b.first); });
    repeats.shrink_to_fit();
    // Only the node a scan starts from is made with an origin.
    if (origin)
        origin->repeats = std::move(repeats);
}

void FsNode::draw(int index)
{
    icon->draw(index);
}

void FsNode::drawChildren()
{
    IconRow::draw(children);
}
