#pragma once

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
    FsNode(const FsNode&) = delete;
    FsNode& operator=(const FsNode&) = delete;

    // Nodes come from a pool of their own: a tree has one per entry.
    static void* operator new(std::size_t size);
    static void operator delete(void* node, std::size_t size);

    // Types the node by the folder test on its folder path and lists its
    // subtree, depth first; every node but this one gets its icon, children
    // before parents. The listener, when set, is called at least once per
    // folder listed and every 256 entries, with the entries listed so far.
    // Works relative to open folders: the working directory is not changed,
    // and no path length limits the depth.
    void scan(ProgressListener* listener = nullptr);

    // The parent's folder path, ending with '/': the path the node was created
    // with for the node a scan started from, otherwise the parent's folder
    // path + the parent's name + "/". Built on each call: a node holds no
    // copy, so its size does not grow with the depth.
    std::string path() const;
    // The folder this node stands for: path() + name + "/".
    std::string folderPath() const;

    // Draws this node's icon at slot index; the children are not visited.
    void draw(int index);
    // Draws each child's icon at its position in children.
    void drawChildren();

    std::string name;
    std::uint32_t size = 0;
    FsNodeType type = FsNodeType::File;
    bool hidden = false;
    std::int32_t mode = 0;
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

    // Only for the node a scan started from: path().
    std::unique_ptr<const std::string> startPath;
};
