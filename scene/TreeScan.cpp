#include "scene/TreeScan.h"

#include "scene/ScanControl.h"

#include <algorithm>
#include <functional>
#include <mutex>
#include <utility>

namespace {

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

TreeScan::TreeScan(FsNode& top, const ScanOptions& chosen, ProgressListener* listener, ScanControl* control)
    : topNode(top), options(chosen), walk(*this, chosen.oneFileSystem, listener, control, chosen.keepInside)
{
    if (!topNode.origin)
        topNode.origin.reset(new FsNode::ScanOrigin(topNode.path()));
}

bool TreeScan::run()
{
    return walk.run();
}

WalkState TreeScan::state(Node node)
{
    switch (node->scanState.load(std::memory_order_relaxed)) {
    case FsNode::kPending:
        return WalkState::Pending;
    case FsNode::kListed:
        return WalkState::Listed;
    default:
        return WalkState::Complete;
    }
}

void TreeScan::topIsFolder()
{
    topNode.type = FsNodeType::Folder;
    topNode.kind = EntryKind::Folder;
}

void TreeScan::add(Node folder, DirectoryEntry& entry, bool counted)
{
    // A child that cannot be a folder is a File now and final; the others
    // are Folders until their own folder test says otherwise.
    FsNode* child = new FsNode(FsNode::Unscanned{}, std::move(entry.name), folder);
    child->size = entry.size;
    child->sizeHigh = entry.sizeHigh;
    child->modifiedTime = entry.modifiedTime;
    child->kind = entry.kind;
    child->hidden = entry.hidden;
    if (entry.readOnly)
        child->mode = FsNode::kReadOnlyMode;
    child->type = entry.folder ? FsNodeType::Folder : FsNodeType::File;
    if (counted)
        child->totalSize = child->fullSize();
    if (entry.sharedFile && options.sharedFiles != nullptr)
        options.sharedFiles->push_back(SharedFileName{child, entry.fileId, entry.links});
    if (!entry.folder)
        child->scanState.store(FsNode::kComplete, std::memory_order_relaxed);
    folder->totalSize += child->totalSize;
    if (open.empty() || open.back().first != folder)
        open.emplace_back(folder, pending.size());
    pending.push_back(child);
}

void TreeScan::take(FsNode* folder)
{
    if (open.empty() || open.back().first != folder)
        return;
    const auto first = pending.begin() + static_cast<std::ptrdiff_t>(open.back().second);
    folder->totalEntries += static_cast<std::uint32_t>(pending.end() - first);
    // Exactly sized: the tree is kept for the whole run.
    folder->children.assign(first, pending.end());
    pending.erase(first, pending.end());
    open.pop_back();
}

void TreeScan::listed(Node folder, int error)
{
    folder->enterError = errorByte(error);
    take(folder);
    publish(folder, FsNode::kListed);
}

void TreeScan::leaf(Node node, bool folder, int error)
{
    node->type = folder ? FsNodeType::Folder : FsNodeType::File;
    if (node == &topNode && !folder)
        topNode.kind = EntryKind::Other;
    node->enterError = errorByte(error);
    // The top's icon is its constructor's to make.
    if (node != &topNode)
        makeIcon(node);
    publish(node, FsNode::kComplete);
}

void TreeScan::repeat(Node node, Node copy)
{
    {
        FsNode::ScanOrigin& origin = *topNode.origin;
        const std::lock_guard<std::mutex> hold(origin.lock);
        // Kept sorted once the walk is over (a folder asked for after it).
        const auto at = !origin.sorted ? origin.repeats.end()
                                       : std::lower_bound(origin.repeats.begin(), origin.repeats.end(), node,
                                                          [](const auto& repeat, const FsNode* wanted) {
                                                              return std::less<>()(repeat.first, wanted);
                                                          });
        origin.repeats.emplace(at, node, copy);
    }
    node->type = FsNodeType::Folder;
    makeIcon(node);
    // Its totals are its copy's, known only at the end.
    publish(node, FsNode::kListed);
}

void TreeScan::complete(Node done)
{
    if (done != &topNode) {
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
    FsNode::ScanOrigin& origin = *topNode.origin;
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

TreeScan::Node TreeScan::takeRequest(ScanControl& control)
{
    return control.takeListingRequest();
}
