#pragma once

#include "scene/DirectoryReader.h"
#include "scene/EntryKind.h"

#include <atomic>
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

class FsNode;
class Icon;
class ProgressListener;
class TreeScan;

// A regular file with more than one name, as a scan met it under one of them.
struct SharedFileName {
    const FsNode* node = nullptr;
    FolderId id;
    std::uint64_t links = 0;
};

enum class FsNodeType : std::int32_t {
    Folder = 1,
    File = 2,
};

// What a scan does besides listing the tree.
struct ScanOptions {
    // Every node gets its icon, children before parents. Icons load symbol
    // models, which needs the GL context: a scan on a worker thread makes none.
    bool makeIcons = true;
    // Folders on another file system than the top folder's are not entered.
    bool oneFileSystem = false;
    // Links to folders outside the top folder are not walked: such a link
    // stays unlisted until a listing request asks for it (ScanControl), and
    // adds only itself to its folders' totals.
    bool keepInside = false;
    // When given, every name of a file with several names is noted here, in
    // the order the scan lists them (an export writes their identities).
    std::vector<SharedFileName>* sharedFiles = nullptr;
};

// One folder or file of the scanned tree. Constructing a node scans its whole
// subtree and gives every node in it an icon, children before parents.
//
// A tree may also be scanned on a worker thread while another thread reads
// it (a TreeScan of a Deferred node). The reader then reads a node's type, enterError and
// children only once isListed() says so, its totals only once isComplete()
// says so; everything else (name, kind, sizes, time, hidden, mode, parent)
// is final as soon as the node is among its parent's listed children. A tree
// scanned by the constructor is complete when the constructor returns.
class FsNode {
public:
    // mode of an entry whose owner may not write to it.
    static constexpr std::int32_t kReadOnlyMode = 0x100;
    // enterError of a folder on another file system than the top folder's,
    // left unentered when the scan keeps to one file system.
    static constexpr int kOtherFileSystem = EXDEV;

    // For a node whose scan runs later (TreeScan): the node a scan starts from.
    struct Deferred {};

    // parentPath is the parent's folder path, ending with '/'; this node's own
    // folder path is path() + name + "/". A listener, when given, hears of the
    // scan's progress.
    FsNode(std::string entryName, std::uint32_t entrySize, std::string parentPath,
           ProgressListener* listener = nullptr);
    // The same with other options than the defaults.
    FsNode(std::string entryName, std::uint32_t entrySize, std::string parentPath, const ScanOptions& options,
           ProgressListener* listener);
    // A folder not scanned yet, to run a TreeScan on: parentPath as above,
    // an empty name. Nothing is looked up until then.
    FsNode(Deferred, std::string parentPath);
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

    // True once type, enterError and children are final: a folder listed (or
    // found not enterable, or expanded elsewhere), any other entry at once.
    bool isListed() const { return scanState.load(std::memory_order_acquire) >= kListed; }
    // True once totalSize and totalEntries are final (and isListed()).
    bool isComplete() const { return scanState.load(std::memory_order_acquire) >= kComplete; }
    // Whether the row shows it as a folder: its type once it is listed; until
    // then whether the listing found a folder or a link to one there.
    bool showsAsFolder() const
    {
        if (isListed())
            return type == FsNodeType::Folder;
        return kind == EntryKind::Folder || kind == EntryKind::FolderLink;
    }
    // Why a folder could not be entered or listed, for the user: the
    // system's message for enterError, or "on another file system"; empty
    // when enterError is 0.
    std::string enterProblem() const
    {
        if (enterError == 0)
            return std::string();
        if (enterError == kOtherFileSystem)
            return "on another file system";
        return std::strerror(enterError);
    }

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
    // anything but an entered folder (type Folder). During a scan on another
    // thread: call it only on a listed node; the copy it gives may still be
    // unlisted.
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
    // Why a folder could not be entered or listed (an errno value: EACCES ...,
    // kOtherFileSystem); 0 otherwise.
    std::uint8_t enterError = 0;
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
    friend class TreeScan;
    // How far the scan has come with this node; one byte, so the node is no larger.
    enum ScanState : std::uint8_t { kPending, kListed, kComplete };

    struct Unscanned {};
    // A node whose subtree the running scan fills in.
    FsNode(Unscanned, std::string&& entryName, FsNode* parentNode);

    void createIcon();

    std::atomic<std::uint8_t> scanState{kPending};

    // Only for the node a scan started from: path(), and the folders its scan
    // found expanded elsewhere with their expanded copies (guarded, since a
    // reader may look them up while a worker adds to them).
    struct ScanOrigin {
        explicit ScanOrigin(std::string folder) : path(std::move(folder)) {}

        std::string path;
        // Each folder found expanded elsewhere with its expanded copy; few in
        // most trees, so a node carries no pointer for it. Sorted by the
        // first once the scan is over.
        std::vector<std::pair<FsNode*, FsNode*>> repeats;
        std::mutex lock;
        bool sorted = false;
    };
    std::unique_ptr<ScanOrigin> origin;
};
