#pragma once

#include "scene/BranchDescriptors.h"
#include "scene/DirectoryReader.h"
#include "scene/EntryDescriber.h"
#include "scene/FsNode.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <unordered_map>
#include <unordered_set>
#include <vector>

class ProgressListener;
class ScanControl;

// The scan of one tree, depth first from a top node: the one scan the viewer
// has, whether it runs during start-up or on a worker thread beside the
// window. Each folder is tested and listed relative to its parent's open
// descriptor (no path is resolved from the top again, no path length limits
// the depth, the working directory is never changed), with an explicit stack
// rather than recursion; every folder is expanded at most once, which ends
// link loops and keeps the work linear; totals are summed as the walk climbs
// back. Each node is published (FsNode::isListed, isComplete) as it becomes
// final, so another thread may read the tree while it grows.
//
// With a ScanControl the scan stops when asked to, and lists a folder asked
// for ahead of the rest: between two folders of the walk, or between two
// batches of a long listing, it lists that one folder (the same test and
// listing), and the walk enters it later without listing it again. Only the
// order in which folders are expanded changes, so a folder reached through
// several links may be expanded at another of them.
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
    bool leftFoldersUnwalked() const { return unwalkedLinks != 0; }
    // After run(): lists the folder asked for, if any; true when there was one.
    bool listRequested();

private:
    // A folder of the current branch whose children are being visited.
    struct Level {
        FsNode* node;
        // The next child to visit.
        std::size_t next;
    };
    // What listing a folder gave.
    enum class Listing { Children, Nothing, ExpandedElsewhere };

    bool stopping() const;
    void openTop();
    void visit(FsNode* child);
    // A link to a folder outside the top folder, with keepInside.
    bool leadsOutside(const FsNode* child);
    // Tests and lists `folder` through `reader`; true when it has children,
    // its identity then in `id`. Otherwise the folder is finished.
    bool enter(FsNode* folder, DirectoryReader& reader, FolderId& id);
    Listing list(FsNode* node, DirectoryReader& reader, FolderId& id, std::int64_t* modified);
    // Walks into a folder listed ahead of the walk, reopening it.
    void walkListed(FsNode* folder);
    // Completes a folder listed ahead that cannot be reopened, with what it holds.
    void abandon(FsNode* folder, int error);
    bool serveRequest();
    void listAhead(FsNode* wanted);
    void finishLeaf(FsNode* node, FsNodeType finalType, int error, FsNode::ScanState state);
    void completeFolder(FsNode* done);
    void makeIcon(FsNode* node);
    static void publish(FsNode* node, std::uint8_t state);
    void finish();
    void report();

    FsNode& top;
    ScanOptions options;
    ProgressListener* listener;
    ScanControl* control;

    std::unordered_map<FolderId, FsNode*, FolderIdHash> expanded;
    // Files with several names whose bytes are counted already.
    std::unordered_set<FolderId, FolderIdHash> countedFiles;
    std::vector<Level> walk;
    BranchDescriptors branch;
    std::uint64_t topDevice = 0;
    FolderId topId;
    std::size_t unwalkedLinks = 0;
    std::uint64_t listedEntries = 0;
    std::uint64_t testedFolders = 0;
    // What a listing collects: one for the walk's listing, one for a listing
    // ahead made in the middle of it.
    struct Scratch {
        std::vector<FsNode*> listed;
        std::vector<DirectoryEntry> batch;
    };
    Scratch scratch[2];
    // 1 while a folder is listed ahead, which serves no further request.
    int listingAhead = 0;
    // Only while listings come one after another: its helper thread waits by polling.
    std::optional<EntryDescriber> describer;
};
