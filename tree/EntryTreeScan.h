#pragma once

#include "scene/TreeWalk.h"
#include "tree/EntryTree.h"

#include <cstddef>
#include <string>
#include <vector>

class ProgressListener;
class ScanControl;

// The scan of a folder into an EntryTree: the walk (TreeWalk) written into
// the explore view's compact tree, which publishes each entry as the walk
// tells it the entry is final. Walkers on every core list folders ahead of
// the walk while it runs (ListingPool).
class EntryTreeScan {
public:
    // Scans the folder (ending with '/') into `tree`, empty so far. With
    // keepInside, links to folders outside it are listed only when asked for.
    // With an orderer, folders of kOrderedAhead entries or more are put in
    // order by name as they are listed (EntryTree::nameOrder).
    EntryTreeScan(EntryTree& tree, std::string folderPath, bool oneFileSystem, ProgressListener* listener,
                  ScanControl* control, bool keepInside = false, EntryOrderer orderer = nullptr);
    static constexpr std::uint32_t kOrderedAhead = 4096;
    EntryTreeScan(const EntryTreeScan&) = delete;
    EntryTreeScan& operator=(const EntryTreeScan&) = delete;

    // What the tree keeps of a listed entry (its name a view of entry's).
    static EntryFacts factsOf(const DirectoryEntry& entry, bool counted);

    // Scans the whole tree; false when the control asked it to stop first.
    // Running out of memory throws std::bad_alloc out of it: what was
    // published until then stays valid, the rest stays unlisted.
    bool run();

    // Folder links the walk left alone, so listing requests still matter after run().
    bool leftFoldersUnwalked() const { return walk.leftFoldersUnwalked(); }
    // After run(): lists the folder asked for, if any; true when there was one.
    // Such a folder is complete once listed: what lies below it is not walked.
    bool listRequested() { return walk.listRequested(); }

    // What the walk writes through.
    using Node = EntryId;
    static constexpr Node kNone = kNoEntry;
    Node top() const { return topEntry; }
    std::string topPath() const { return folder; }
    std::size_t childCount(Node node) const { return tree.entries(node).size(); }
    Node child(Node node, std::size_t index) const { return tree.entries(node)[static_cast<std::uint32_t>(index)]; }
    std::string_view name(Node node) const { return tree.name(node); }
    Node parent(Node node) const { return tree.parent(node); }
    bool mayBeFolder(Node node) const { return tree.showsAsFolder(node); }
    WalkState state(Node node) const;
    void topIsFolder() {}
    void setTopTime(std::int64_t modifiedTime) { tree.setRootTime(modifiedTime); }
    void add(Node into, DirectoryEntry& entry, bool counted);
    void listed(Node node, int error);
    void leaf(Node node, bool isFolder, int error);
    void repeat(Node node, Node copy);
    void passed(Node) {}
    void complete(Node node) { tree.markComplete(node); }
    void finish();
    static Node takeRequest(ScanControl& control);
    bool isFolderLink(Node node) const { return tree.kind(node) == EntryKind::FolderLink; }

private:
    EntryTree& tree;
    std::string folder;
    EntryOrderer byName;
    EntryId topEntry;
    // Entries added to the top folder so far.
    std::uint32_t topAdded = 0;
    // Folders reached again, complete once the walk is over.
    std::vector<EntryId> repeats;
    bool walkOver = false;
    TreeWalk<EntryTreeScan> walk;
};
