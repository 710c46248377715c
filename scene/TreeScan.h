#pragma once

#include "scene/FsNode.h"
#include "scene/TreeWalk.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

class ProgressListener;
class ScanControl;

// The scan of one FsNode tree from a top node, whether it runs during
// start-up or on a worker thread beside the window: the walk (TreeWalk)
// written into FsNode objects. Each node is published (FsNode::isListed,
// isComplete) as it becomes final, totals summed as the walk climbs back,
// and with icons every node but the top gets its icon, children before
// parents.
class TreeScan {
public:
    // Scans below `top` (made with a parent path and not scanned yet).
    // The listener, when given, is told of progress at least once per folder
    // listed, every 256 entries listed and every 256 folders tested.
    TreeScan(FsNode& top, const ScanOptions& options, ProgressListener* listener, ScanControl* control = nullptr);
    TreeScan(const TreeScan&) = delete;
    TreeScan& operator=(const TreeScan&) = delete;

    // Scans the whole tree; false when the control asked it to stop first.
    // Running out of memory throws std::bad_alloc out of it: what was
    // published until then stays valid, the rest stays unlisted.
    bool run();

    // Folder links the walk left alone, leading out of the top folder
    // (ScanOptions::keepInside), so listing requests still matter after run().
    bool leftFoldersUnwalked() const { return walk.leftFoldersUnwalked(); }
    // After run(): lists the folder asked for, if any; true when there was one.
    bool listRequested() { return walk.listRequested(); }

    // What the walk writes through.
    using Node = FsNode*;
    static constexpr Node kNone = nullptr;
    Node top() { return &topNode; }
    std::string topPath() const { return topNode.folderPath(); }
    static std::size_t childCount(Node node) { return node->children.size(); }
    static Node child(Node node, std::size_t index) { return node->children[index]; }
    static const std::string& name(Node node) { return node->name; }
    static Node parent(Node node) { return node->parent; }
    static bool mayBeFolder(Node node) { return node->type == FsNodeType::Folder; }
    static WalkState state(Node node);
    void topIsFolder();
    void setTopTime(std::int64_t modifiedTime) { topNode.modifiedTime = modifiedTime; }
    void add(Node folder, DirectoryEntry& entry, bool counted);
    void listed(Node folder, int error);
    void leaf(Node node, bool folder, int error);
    void repeat(Node node, Node copy);
    void passed(Node node) { makeIcon(node); }
    void complete(Node folder);
    void finish();
    static Node takeRequest(ScanControl& control);
    static bool isFolderLink(Node node) { return node->kind == EntryKind::FolderLink; }

private:
    static void publish(FsNode* node, std::uint8_t state);
    void makeIcon(FsNode* node);

    FsNode& topNode;
    ScanOptions options;
    // The entries of the folders being listed, end to end: a folder listed
    // ahead inside another's listing has its own after the other's so far.
    std::vector<FsNode*> pending;
    // Each folder being listed with where its entries start in pending.
    std::vector<std::pair<FsNode*, std::size_t>> open;
    // Hands over the entries of `folder` collected so far.
    void take(FsNode* folder);
    TreeWalk<TreeScan> walk;
};
