#pragma once

#include "scene/ScanControl.h"
#include "tree/EntryTree.h"

#include <chrono>

// Whatever fills the explore view's tree on a worker beside the window (a
// scan of a folder, the reading of an export): the tree it writes, its
// progress and stop through control(), and whether it has ended.
class TreeSource {
public:
    virtual ~TreeSource() = default;
    virtual EntryTree& tree() const = 0;
    virtual ScanControl& control() = 0;
    // True once the worker has left its work, complete or stopped.
    virtual bool ended() const = 0;
    // Whether the tree was read from an export file rather than scanned
    // here: it may be of another machine, so live updates leave it alone.
    virtual bool imported() const { return false; }
    // Asks the worker to stop and waits up to `patience` for it to end; true
    // when it has.
    virtual bool stop(std::chrono::milliseconds patience) = 0;
};
