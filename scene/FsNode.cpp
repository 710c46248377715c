#include "scene/FsNode.h"

#include "scene/Icon.h"
#include "scene/IconRow.h"
#include "scene/TreeScan.h"
#include "support/BlockPool.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <utility>

static_assert(sizeof(std::atomic<std::uint8_t>) == 1, "the scan state takes one byte of the node");

void* FsNode::operator new(std::size_t size)
{
    return blockPoolFor<FsNode>().allocate(size);
}

void FsNode::operator delete(void* node, std::size_t size)
{
    blockPoolFor<FsNode>().release(node, size);
}

FsNode::FsNode(std::string entryName, std::uint32_t entrySize, std::string parentPath, ProgressListener* listener)
    : FsNode(std::move(entryName), entrySize, std::move(parentPath), ScanOptions{}, listener)
{
}

FsNode::FsNode(std::string entryName, std::uint32_t entrySize, std::string parentPath, const ScanOptions& options,
               ProgressListener* listener)
    : name(std::move(entryName)), size(entrySize), origin(new ScanOrigin(std::move(parentPath)))
{
    TreeScan(*this, options, listener).run();
    if (options.makeIcons)
        createIcon();
    // The parent's listing sets the real value afterwards.
    hidden = false;
}

FsNode::FsNode(Deferred, std::string parentPath) : origin(new ScanOrigin(std::move(parentPath)))
{
}

FsNode::FsNode(Unscanned, std::string&& entryName, FsNode* parentNode) : name(std::move(entryName)), parent(parentNode)
{
}

FsNode::~FsNode() = default;

void FsNode::scan(ProgressListener* listener)
{
    TreeScan(*this, ScanOptions{}, listener).run();
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
    FsNode* top = this;
    while (top->parent != nullptr)
        top = top->parent;
    if (!top->origin)
        return this;
    ScanOrigin& scanned = *top->origin;
    const std::lock_guard<std::mutex> hold(scanned.lock);
    const auto& repeats = scanned.repeats;
    auto found = repeats.end();
    if (scanned.sorted) {
        found = std::lower_bound(repeats.begin(), repeats.end(), this, [](const auto& repeat, const FsNode* node) {
            return std::less<>()(repeat.first, node);
        });
    } else {
        // While the scan still adds to them, in the order found.
        found
            = std::find_if(repeats.begin(), repeats.end(), [this](const auto& repeat) { return repeat.first == this; });
    }
    if (found != repeats.end() && found->first == this)
        return found->second;
    return this;
}

void FsNode::createIcon()
{
    icon = new Icon(type == FsNodeType::Folder ? "folder" : "file");
}

void FsNode::draw(int index)
{
    icon->draw(index);
}

void FsNode::drawChildren()
{
    IconRow::draw(children);
}
