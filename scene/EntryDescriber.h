#pragma once

#include "scene/DirectoryReader.h"

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <thread>

// Describes listed entries (DirectoryReader::describe) a batch at a time,
// sharing each batch with one helper thread. A scan spends nearly all its
// time in these look-ups, one per entry and each independent of the others,
// so on a machine with a second core two of them run at once. The helper only
// fills in the entries it takes; everything else stays on the calling
// thread, and the results are the same as describing the entries in turn.
//
// The two take the batch's entries one at a time from a shared counter, so
// neither waits for the other's share: a helper that is late to wake, or
// whose core is busy with other work, only takes fewer entries, and the
// calling thread waits at the end of a batch for the one entry the helper is
// describing, if any. Between batches the helper sleeps. It lives only as
// long as one scan.
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
    void serve();
    // Describes entries of the open batch until none is left untaken.
    void takeEntries();

    std::thread helper;
    std::mutex lock;
    std::condition_variable batchOpened;
    std::condition_variable helperLeft;
    // The open batch, set under the lock before `open` turns true.
    int batchFd = -1;
    DirectoryEntry* batch = nullptr;
    std::size_t batchCount = 0;
    std::atomic<std::size_t> nextEntry{0};
    // Under the lock: a batch is open; how many batches were opened; the
    // helper works in the open batch; the helper is to end.
    bool open = false;
    std::uint64_t opened = 0;
    bool helperIn = false;
    bool stopping = false;
};
