#pragma once

#include "scene/EntryKind.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class Icon;
class ProgressListener;

enum class FsNodeType : std::int32_t {
    Folder = 1,
    File = 2,
};

// One folder or file of the scanned tree. Constructing a node scans its whole
// subtree and gives every node in it an icon, children before parents.
class FsNode {
public:
    // mode of an entry whose owner may not write to it.
    static constexpr std::int32_t kReadOnlyMode = 0x100;

    // parentPath is the parent's folder path, ending with '/'; this node's own
    // folder path is path() + name + "/". A listener, when given, hears of the
    // scan's progress.
    FsNode(std::string entryName, std::uint32_t entrySize, std::string parentPath,
           ProgressListener* listener = nullptr);
    // Releases the node's own strings and arrays, not its children or icon.
    ~FsNode();
    FsNode(const FsNode&) = delete;
    FsNode& operator=(const FsNode&) = delete;

    // Nodes come from a pool of their own: a tree has one per entry.
    static void* operator new(std::size_t size);
    static void operator delete(void* node, std::size_t size);

    // Types the node by the folder test on its folder path and lists its
    // subtree, depth first; every node but this one gets its icon, children
    // before parents. The listener, when set, is called at least once per
    // folder listed, every 256 entries listed and every 256 folders tested,
    // with the entries listed so far. Works relative to open folders: the
    // working directory is not changed, no path length limits the depth, and
    // a low descriptor limit gives the same tree. Fills in each node's
    // details and totals from the look-ups the listing needs anyway.
    void scan(ProgressListener* listener = nullptr);

    // The parent's folder path, ending with '/': the path the node was created
    // with for the node a scan started from, otherwise the parent's folder
    // path + the parent's name + "/". Built on each call: a node holds no
    // copy, so its size does not grow with the depth.
    std::string path() const;
    // The folder this node stands for: path() + name + "/".
    std::string folderPath() const;

    // The node whose children list this folder's entries: itself, or for a
    // folder the scan had expanded elsewhere already (reached again through a
    // link, so it has no children here) that one expanded copy; null for
    // anything but an entered folder (type Folder).
    FsNode* contentsNode();

    std::uint64_t fullSize() const { return (static_cast<std::uint64_t>(sizeHigh) << 32) | size; }

    // Draws this node's icon at slot index; the children are not visited.
    void draw(int index);
    // Draws each child's icon at its position in children.
    void drawChildren();

    std::string name;
    // Low 32 bits of the byte size (a link: its target's).
    std::uint32_t size = 0;
    FsNodeType type = FsNodeType::File;
    bool hidden = false;
    EntryKind kind = EntryKind::Other;
    // Why a folder could not be entered or listed (an errno value: EACCES ...); 0 otherwise.
    std::int16_t enterError = 0;
    std::int32_t mode = 0;
    // High 32 bits of the byte size.
    std::uint32_t sizeHigh = 0;
    // A folder: entries below it at every depth; 0 for anything else.
    std::uint32_t totalEntries = 0;
    // st_mtime, seconds since the epoch (a link: its target's).
    std::int64_t modifiedTime = 0;
    // A folder: bytes of the regular files below it. Anything else: the bytes
    // it adds to its folders' totals, its own size for a regular file, 0 for
    // a link or for a further name of a file counted already (hard links
    // count once per scan). A folder expanded elsewhere has the totals of its
    // expanded copy, which its own folders do not count again.
    std::uint64_t totalSize = 0;
    // The node whose children include this one; null for the node a scan started from.
    FsNode* parent = nullptr;
    // Never released, like the child nodes.
    Icon* icon = nullptr;
    // In listing order.
    std::vector<FsNode*> children;

private:
    struct Unscanned {};
    // A node whose subtree the running scan fills in.
    FsNode(Unscanned, std::string&& entryName, FsNode* parentNode);

    void createIcon();

    // Only for the node a scan started from: path(), and the folders its scan
    // found expanded elsewhere with their expanded copies.
    struct ScanOrigin;
    std::unique_ptr<ScanOrigin> origin;
};
