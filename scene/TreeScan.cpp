#include "scene/TreeScan.h"

#include "scene/ScanControl.h"
#include "support/ProgressListener.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <functional>
#include <mutex>
#include <optional>
#include <utility>

namespace {

// Entries listed and described together; also how often the listener hears
// of progress inside one folder, and while folders are tested.
constexpr std::size_t kBatch = 256;

std::uint8_t errorByte(int error)
{
    // Every errno value fits; anything else is an input/output error.
    return static_cast<std::uint8_t>(error >= 0 && error <= 255 ? error : EIO);
}

} // namespace

void TreeScan::publish(FsNode* node, std::uint8_t state)
{
    // Release: whoever sees the state sees everything written before it.
    node->scanState.store(state, std::memory_order_release);
}

TreeScan::TreeScan(FsNode& topNode, const ScanOptions& chosen, ProgressListener* progress, ScanControl* shared)
    : top(topNode), options(chosen), listener(progress), control(shared)
{
    for (Scratch& own : scratch)
        own.batch.resize(kBatch);
    if (!top.origin)
        top.origin.reset(new FsNode::ScanOrigin(top.path()));
}

bool TreeScan::stopping() const
{
    return control != nullptr && control->stopRequested();
}

void TreeScan::report()
{
    if (listener != nullptr)
        listener->progressed(listedEntries);
}

bool TreeScan::run()
{
    openTop();
    while (!walk.empty()) {
        if (stopping())
            return false;
        serveRequest();
        Level& level = walk.back();
        if (level.next < level.node->children.size()) {
            visit(level.node->children[level.next++]);
            continue;
        }
        FsNode* done = level.node;
        walk.pop_back();
        branch.pop();
        completeFolder(done);
    }
    finish();
    describer.reset();
    return !stopping();
}

bool TreeScan::listRequested()
{
    const bool served = serveRequest();
    describer.reset();
    return served;
}

void TreeScan::openTop()
{
    std::optional<DirectoryReader> reader;
    branch.open(reader, AT_FDCWD, top.folderPath());
    top.type = reader->access() == FolderAccess::Closed ? FsNodeType::File : FsNodeType::Folder;
    top.kind = top.type == FsNodeType::Folder ? EntryKind::Folder : EntryKind::Other;
    top.enterError = errorByte(reader->error());
    FolderId id;
    if (reader->access() == FolderAccess::Listable && list(&top, *reader, id, &top.modifiedTime) == Listing::Children) {
        walk.push_back(Level{&top, 0});
        branch.push(reader->release(), id, top.name);
        publish(&top, FsNode::kListed);
        return;
    }
    publish(&top, FsNode::kComplete);
}

void TreeScan::visit(FsNode* child)
{
    if (child->type != FsNodeType::Folder) {
        makeIcon(child);
        return;
    }
    if (leadsOutside(child)) {
        // Left unlisted, its totals its own, unless asked for.
        ++unwalkedLinks;
        return;
    }
    if (child->scanState.load(std::memory_order_relaxed) != FsNode::kPending) {
        // Listed ahead of the walk: a leaf is finished, a folder with
        // children still to be walked.
        if (!child->children.empty())
            walkListed(child);
        return;
    }
    // A folder full of links to folders expanded elsewhere lists nothing new
    // for a long while: report the tests as well.
    if (++testedFolders % kBatch == 0)
        report();
    const int parentFd = branch.deepest();
    if (parentFd < 0) {
        finishLeaf(child, FsNodeType::File, branch.error(), FsNode::kComplete);
        return;
    }
    std::optional<DirectoryReader> reader;
    branch.open(reader, parentFd, child->name);
    FolderId id;
    if (!enter(child, *reader, id))
        return;
    walk.push_back(Level{child, 0});
    branch.push(reader->release(), id, child->name);
}

bool TreeScan::leadsOutside(const FsNode* child)
{
    if (!options.keepInside || child->kind != EntryKind::FolderLink)
        return false;
    const int parentFd = branch.deepest();
    if (parentFd < 0)
        return false;
    // Up from where it leads, through "..", to the top folder or the root.
    int fd = openat(parentFd, child->name.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    FolderId here;
    if (fd < 0 || !DirectoryReader::identify(fd, here)) {
        if (fd >= 0)
            close(fd);
        return false; // the folder test says what it is
    }
    bool outside = false;
    while (!(here == topId)) {
        const int up = openat(fd, "..", O_PATH | O_DIRECTORY | O_CLOEXEC);
        FolderId above;
        if (up < 0 || !DirectoryReader::identify(up, above) || above == here) {
            outside = up >= 0;
            if (up >= 0)
                close(up);
            break;
        }
        close(fd);
        fd = up;
        here = above;
    }
    close(fd);
    return outside;
}

bool TreeScan::enter(FsNode* folder, DirectoryReader& reader, FolderId& id)
{
    if (reader.access() == FolderAccess::Closed) {
        finishLeaf(folder, FsNodeType::File, reader.error(), FsNode::kComplete);
        return false;
    }
    if (reader.access() != FolderAccess::Listable) {
        finishLeaf(folder, FsNodeType::Folder, reader.error(), FsNode::kComplete);
        return false;
    }
    switch (list(folder, reader, id, nullptr)) {
    case Listing::Children:
        publish(folder, FsNode::kListed);
        return true;
    case Listing::Nothing:
        finishLeaf(folder, FsNodeType::Folder, folder->enterError, FsNode::kComplete);
        return false;
    case Listing::ExpandedElsewhere:
        // Its totals are its copy's, known only at the end.
        finishLeaf(folder, FsNodeType::Folder, folder->enterError, FsNode::kListed);
        return false;
    }
    return false;
}

TreeScan::Listing TreeScan::list(FsNode* node, DirectoryReader& reader, FolderId& id, std::int64_t* modified)
{
    if (!DirectoryReader::identify(reader.descriptor(), id, modified))
        return Listing::Nothing;
    if (node == &top) {
        topDevice = id.device;
        topId = id;
    } else if (options.oneFileSystem && id.device != topDevice) {
        node->enterError = errorByte(FsNode::kOtherFileSystem);
        return Listing::Nothing;
    }
    const auto [copy, fresh] = expanded.emplace(id, node);
    if (!fresh) {
        FsNode::ScanOrigin& origin = *top.origin;
        const std::lock_guard<std::mutex> hold(origin.lock);
        // Kept sorted once the walk is over (a folder asked for after it).
        const auto at = !origin.sorted ? origin.repeats.end()
                                       : std::lower_bound(origin.repeats.begin(), origin.repeats.end(), node,
                                                          [](const auto& repeat, const FsNode* wanted) {
                                                              return std::less<>()(repeat.first, wanted);
                                                          });
        origin.repeats.emplace(at, node, copy->second);
        return Listing::ExpandedElsewhere;
    }
    Scratch& own = scratch[listingAhead];
    std::vector<FsNode*>& listed = own.listed;
    std::vector<DirectoryEntry>& batch = own.batch;
    listed.clear();
    // Listed a batch at a time and described together, so that the look-ups
    // can be shared; children keep the listing order. A child that cannot be
    // a folder is a File now and final; the others are Folders until their
    // own folder test says otherwise.
    bool more = true;
    while (more && !stopping()) {
        std::size_t count = 0;
        while (count < kBatch && (more = reader.nextName(batch[count])))
            ++count;
        if (!describer)
            describer.emplace();
        describer->describe(reader.descriptor(), batch.data(), count);
        for (std::size_t i = 0; i < count; ++i) {
            DirectoryEntry& entry = batch[i];
            FsNode* child = new FsNode(FsNode::Unscanned{}, std::move(entry.name), node);
            child->size = entry.size;
            child->sizeHigh = entry.sizeHigh;
            child->modifiedTime = entry.modifiedTime;
            child->kind = entry.kind;
            child->hidden = entry.hidden;
            if (entry.readOnly)
                child->mode = FsNode::kReadOnlyMode;
            child->type = entry.folder ? FsNodeType::Folder : FsNodeType::File;
            if (entry.kind == EntryKind::File && (!entry.sharedFile || countedFiles.insert(entry.fileId).second))
                child->totalSize = child->fullSize();
            if (entry.sharedFile && options.sharedFiles != nullptr)
                options.sharedFiles->push_back(SharedFileName{child, entry.fileId, entry.links});
            if (!entry.folder)
                child->scanState.store(FsNode::kComplete, std::memory_order_relaxed);
            node->totalSize += child->totalSize;
            listed.push_back(child);
        }
        listedEntries += count;
        if (count == kBatch) {
            report();
            // A folder entered meanwhile need not wait for the rest of a huge one.
            serveRequest();
        }
    }
    report();
    node->enterError = errorByte(reader.error());
    node->totalEntries += static_cast<std::uint32_t>(listed.size());
    // Exactly sized: the tree is kept for the whole run.
    node->children.assign(listed.begin(), listed.end());
    return listed.empty() ? Listing::Nothing : Listing::Children;
}

void TreeScan::walkListed(FsNode* folder)
{
    const int parentFd = branch.deepest();
    std::optional<DirectoryReader> reader;
    if (parentFd >= 0)
        branch.open(reader, parentFd, folder->name);
    FolderId id;
    if (reader && reader->access() == FolderAccess::Listable && DirectoryReader::identify(reader->descriptor(), id)) {
        walk.push_back(Level{folder, 0});
        branch.push(reader->release(), id, folder->name);
        return;
    }
    const int error = parentFd < 0 ? branch.error() : (reader->error() != 0 ? reader->error() : ENOENT);
    abandon(folder, error);
}

void TreeScan::abandon(FsNode* folder, int error)
{
    // Gone since it was listed: the folders below it not listed yet stay
    // unentered, and those listed ahead too complete with what they hold.
    for (FsNode* inner : folder->children) {
        if (inner->type != FsNodeType::Folder)
            continue;
        const std::uint8_t state = inner->scanState.load(std::memory_order_relaxed);
        if (state == FsNode::kPending)
            finishLeaf(inner, FsNodeType::File, error, FsNode::kComplete);
        else if (state == FsNode::kListed && !inner->children.empty())
            abandon(inner, error);
    }
    completeFolder(folder);
}

bool TreeScan::serveRequest()
{
    if (control == nullptr || listingAhead != 0)
        return false;
    FsNode* wanted = control->takeListingRequest();
    if (wanted == nullptr)
        return false;
    listingAhead = 1;
    listAhead(wanted);
    listingAhead = 0;
    return true;
}

void TreeScan::listAhead(FsNode* wanted)
{
    if (wanted->type != FsNodeType::Folder || wanted->scanState.load(std::memory_order_relaxed) != FsNode::kPending)
        return;
    // Down from the top by name, through folders all listed already.
    std::vector<const FsNode*> above;
    const FsNode* node = wanted->parent;
    for (; node != nullptr && node != &top; node = node->parent)
        above.push_back(node);
    if (node != &top)
        return; // not of this tree
    int fd = open(top.folderPath().c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    for (auto it = above.rbegin(); it != above.rend() && fd >= 0; ++it) {
        const int inner = openat(fd, (*it)->name.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
        close(fd);
        fd = inner;
    }
    if (fd < 0)
        return; // the walk comes to it in its turn
    std::optional<DirectoryReader> reader;
    branch.open(reader, fd, wanted->name);
    close(fd);
    ++testedFolders;
    FolderId id;
    // Listed now; the walk enters it when it comes to it.
    enter(wanted, *reader, id);
}

void TreeScan::finishLeaf(FsNode* node, FsNodeType finalType, int error, FsNode::ScanState state)
{
    node->type = finalType;
    node->enterError = errorByte(error);
    makeIcon(node);
    publish(node, state);
}

void TreeScan::completeFolder(FsNode* done)
{
    if (done != &top) {
        makeIcon(done);
        done->parent->totalSize += done->totalSize;
        done->parent->totalEntries += done->totalEntries;
    }
    publish(done, FsNode::kComplete);
}

void TreeScan::makeIcon(FsNode* node)
{
    if (options.makeIcons)
        node->createIcon();
}

void TreeScan::finish()
{
    FsNode::ScanOrigin& origin = *top.origin;
    const std::lock_guard<std::mutex> hold(origin.lock);
    // Complete only now: a link may lead back to an ancestor.
    for (const auto& [repeat, copy] : origin.repeats) {
        repeat->totalSize = copy->totalSize;
        repeat->totalEntries = copy->totalEntries;
        publish(repeat, FsNode::kComplete);
    }
    std::sort(origin.repeats.begin(), origin.repeats.end(),
              [](const auto& a, const auto& b) { return std::less<>()(a.first, b.first); });
    origin.repeats.shrink_to_fit();
    origin.sorted = true;
}
