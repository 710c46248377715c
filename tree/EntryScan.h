#pragma once

#include "scene/ScanControl.h"
#include "tree/EntryTree.h"
#include "tree/TreeSource.h"

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

// The scan of a folder into an EntryTree on a worker thread of its own, so
// that the explore view can show the tree while it grows: the same walk as
// the start-up scan, published entry by entry (EntryTree::isListed,
// isComplete), with its progress, a stop and listing requests
// (requestEntryListing) through control(). The worker only touches the tree
// and its own stack; the tree outlives a worker held up past stop().
class EntryScan : public TreeSource {
public:
    // Starts scanning the folder (ending with '/'; absolute, or relative to
    // the working folder) at once; oneFileSystem: folders on another file
    // system than the top folder's are not entered; keepInside: links to
    // folders outside it are not walked, only listed when asked for, for as
    // long as the scan is not stopped. Out of memory, the scan stops with
    // what it listed, and control() says so.
    // With an orderer, large folders are put in order by name as they are
    // listed (EntryTree::nameOrder).
    EntryScan(std::string folderPath, bool oneFileSystem, bool keepInside = false, EntryOrderer orderer = nullptr);
    // Stops the worker as stop() does, waiting as long as it takes.
    ~EntryScan() override;
    EntryScan(const EntryScan&) = delete;
    EntryScan& operator=(const EntryScan&) = delete;

    // The tree; its root() is made before the constructor returns.
    EntryTree& tree() const override { return *entries; }
    ScanControl& control() override { return shared; }
    // True once the worker has left the walk, complete or stopped.
    bool ended() const override { return over.load(std::memory_order_acquire); }

    // Asks the worker to stop and waits up to `patience` for it to end; true
    // when it has. A worker held up longer (a look-up on a hung mount) is
    // left to end with the process, with the tree it writes.
    bool stop(std::chrono::milliseconds patience) override;

private:
    void work(std::string folderPath, bool oneFileSystem, bool keepInside, EntryOrderer orderer);

    EntryTree* entries;
    ScanControl shared;
    std::atomic<bool> over{false};
    // The worker has returned: nothing is listed any more.
    std::atomic<bool> exited{false};
    std::thread worker;
};
