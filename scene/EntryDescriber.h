#pragma once

#include "scene/DirectoryReader.h"

#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <thread>

// Describes listed entries (DirectoryReader::describe) a batch at a time,
// sharing each large batch with one helper thread. A scan spends nearly all
// its time in these look-ups, one per entry and each independent of the
// others, so on a machine with a second core two of them run at once. The
// helper only fills in the entries it is given; everything else stays on the
// calling thread, and the results are the same as describing them in turn.
class EntryDescriber {
public:
    // Starts the helper when the machine has more than one core.
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

    std::thread helper;
    std::mutex guard;
    std::condition_variable changed;
    // The helper's share of the current batch; pending while it works on it.
    int shareFd = -1;
    DirectoryEntry* share = nullptr;
    std::size_t shareCount = 0;
    bool pending = false;
    bool stopping = false;
};
