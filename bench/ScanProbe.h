#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

class EntryTree;
class FsNode;
struct ScanOptions;

// Runs the viewer's own scan on any folder, outside the one scene root, and
// measures what it costs.
class ScanProbe {
public:
    // Scans the tree below rootFolder (absolute, ending with '/') into a new
    // root node, exactly as the scene root scans the viewer's folder.
    static FsNode* scan(const std::string& rootFolder);
    static FsNode* scan(const std::string& rootFolder, const ScanOptions& options);
    // The same walk into the explore view's tree, on the calling thread, its
    // large folders put in order by name as the viewer's worker does.
    static EntryTree* scanEntries(const std::string& rootFolder);

    // `tool` (bfs or find) listing the tree as our scan describes it (type
    // and size), its output thrown away; false with a reason in `error`
    // unless it ran and exited with status 0.
    static bool runListing(const std::string& tool, const std::string& root, std::string& error);
    // `gdu -n -p ROOT`: the disk-usage tool's whole walk (it walks folders in
    // parallel), non-interactive and without progress, its output thrown away.
    static bool runDiskUsage(const std::string& root, std::string& error);
    // Empties the page cache (writes back first), so that the next scan reads
    // from the disk; false with a reason unless the process may (root only).
    static bool dropPageCache(std::string& error);

    // Nodes in the tree, the root included.
    static std::size_t countNodes(const FsNode* root);

    // Deletes the nodes and icons of a scanned tree (the viewer keeps its own
    // for the whole run; a benchmark scanning many times must not). Null is ignored.
    static void release(FsNode* root);

    struct Growth {
        std::uint64_t bytes = 0; // peak resident growth during the scan
        std::size_t nodes = 0;
        // The explore view's tree on the worker: the bytes it says it holds.
        std::uint64_t treeBytes = 0;
    };

    // Scans in a child process, so nothing allocated or freed earlier in this
    // one hides the growth; on a worker thread into the explore view's tree
    // when asked. The symbol models
    // must be loaded already: the child makes no GL calls. False, with
    // `error` set, when it cannot measure.
    static bool measureGrowth(const std::string& rootFolder, Growth& out, std::string& error, bool onWorker = false);
};
