#pragma once

#include "scene/FsNode.h"
#include "scene/ScanControl.h"

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

// The scan of a tree on a worker thread of its own, so that a window can show
// the tree while it grows: the same scan as at start-up (TreeScan), without
// icons, published node by node (FsNode::isListed, isComplete), with its
// progress, a stop and listing requests through control(). When the system
// runs out of memory the scan stops there, what it published staying valid,
// and control() tells why. Folders the walk leaves alone (links leading out
// of the tree, ScanOptions::keepInside) are still listed when asked for
// after the walk has ended, until the scan is stopped. The worker only
// ever touches the tree, its own stack and the node pool, none of which is
// released before the process ends. Nodes come from a pool that serves one
// thread at a time: while a worker runs, no other thread makes or frees nodes
// (one scan at a time).
class BackgroundScan {
public:
    // Starts scanning the folder (ending with '/'; absolute, or relative to
    // the working folder) at once.
    BackgroundScan(std::string folderPath, const ScanOptions& options);
    // Stops the worker as stop() does, waiting as long as it takes.
    ~BackgroundScan();
    BackgroundScan(const BackgroundScan&) = delete;
    BackgroundScan& operator=(const BackgroundScan&) = delete;

    // The top folder's node, listed as soon as root()->isListed().
    FsNode* root() const { return top; }
    ScanControl& control() { return shared; }
    // True once the worker has left the walk, complete or stopped.
    bool ended() const { return over.load(std::memory_order_acquire); }

    // Asks the worker to stop and waits up to `patience` for it to end; true
    // when it has. A worker held up longer (a look-up on a hung mount) is
    // left to end with the process, which is safe: see above.
    bool stop(std::chrono::milliseconds patience);

private:
    void work(ScanOptions options);

    FsNode* top;
    ScanControl shared;
    std::atomic<bool> over{false};
    // The worker has returned: nothing is listed any more.
    std::atomic<bool> exited{false};
    std::thread worker;
};
