#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class Icon;

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
    // folder path is path + name + "/".
    FsNode(std::string entryName, std::uint32_t entrySize, std::string parentPath);
    FsNode(const FsNode&) = delete;
    FsNode& operator=(const FsNode&) = delete;

    // Nodes come from a pool of their own: a tree has one per entry.
    static void* operator new(std::size_t size);
    static void operator delete(void* node, std::size_t size);

    // Types the node by entering its folder path and lists its subtree. Leaves
    // the working directory in the last folder entered.
    void scan();

    // Draws this node's icon at slot index; the children are not visited.
    void draw(int index);
    // Draws each child's icon at its position in children.
    void drawChildren();

    std::string name;
    std::uint32_t size = 0;
    FsNodeType type = FsNodeType::File;
    bool hidden = false;
    std::int32_t mode = 0;
    std::string path;
    // Never released, like the child nodes.
    Icon* icon = nullptr;
    // In listing order.
    std::vector<FsNode*> children;

private:
    struct Unscanned {};
    // A node whose subtree the running scan fills in.
    FsNode(Unscanned, std::string entryName, std::uint32_t entrySize, std::string parentPath);

    void createIcon();
};
