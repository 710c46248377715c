#pragma once

#include "scene/DirectoryReader.h"

#include <atomic>
#include <cstddef>
#include <thread>

// Describes listed entries (DirectoryReader::describe) a batch at a time,
// sharing each batch with one helper thread. A scan spends nearly all its
// time in these look-ups, one per entry and each independent of the others,
// so on a machine with a second core two of them run at once. The helper only
// fills in the entries it is given; everything else stays on the calling
// thread, and the results are the same as describing the entries in turn.
//
// Batches come every few hundred microseconds, faster than a sleeping thread
// wakes, so between them the helper waits by polling, yielding its core to
// anything else that wants it. It lives only as long as one scan.
class EntryDescriber {
public:
    // Starts the helper when the machine has more than one core and a thread can be had.
    EntryDescriber();
    // Stops the helper.
    ~EntryDescriber();
    EntryDescriber(const EntryDescriber&) = delete;
    EntryDescriber& operator=(const EntryDescriber&) = delete;

    // Describes entries[0, count), names looked up in the folder open as
    // folderFd. Returns when all are described.
    void describe(int folderFd, DirectoryEntry* entries, std::size_t count);

private:
    enum State { Idle, Working, Stopping };

    void serve();

    std::thread helper;
    std::atomic<int> state{Idle};
    // The helper's share of the current batch, set before state turns Working.
    int shareFd = -1;
    DirectoryEntry* share = nullptr;
    std::size_t shareCount = 0;
};
