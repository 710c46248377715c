#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

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
    // The same scan on a worker thread, as the explore view runs it; returns
    // when it is over.
    static FsNode* scanOnWorker(const std::string& rootFolder);

    // Nodes in the tree, the root included.
    static std::size_t countNodes(const FsNode* root);

    // Deletes the nodes and icons of a scanned tree (the viewer keeps its own
    // for the whole run; a benchmark scanning many times must not). Null is ignored.
    static void release(FsNode* root);

    struct Growth {
        std::uint64_t bytes = 0; // peak resident growth during the scan
        std::size_t nodes = 0;
    };

    // Scans in a child process, so nothing allocated or freed earlier in this
    // one hides the growth; on a worker thread when asked. The symbol models
    // must be loaded already: the child makes no GL calls. False, with
    // `error` set, when it cannot measure.
    static bool measureGrowth(const std::string& rootFolder, Growth& out, std::string& error, bool onWorker = false);
};
