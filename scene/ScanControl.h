#pragma once

#include "support/ProgressListener.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>

class FsNode;

// What a scan running on a worker thread and the thread that shows its tree
// share, without locks on the scan's path: the scan's progress, a request to
// stop, and one folder to list ahead of the rest. The worker reports to it
// as to any listener; the other thread reads progress() and makes requests.
// A worker with nothing left to walk sleeps in waitForRequest(), which every
// request and the stop wake.
class ScanControl : public ProgressListener {
public:
    struct Progress {
        // Entries listed so far.
        std::uint64_t entries = 0;
        // Since the scan started; the whole scan's time once it has ended.
        double seconds = 0.0;
        bool running = false;
        // The scan stopped early for want of memory; what it had listed stays.
        bool outOfMemory = false;
        // The entries come from reading a file, not from a scan.
        bool reading = false;
    };

    // Worker: the scan begins now.
    void started();
    // Worker: entries listed so far.
    void progressed(std::uint64_t done) override;
    // Worker: the scan is over, complete or stopped.
    void finished() override;
    // Worker: the scan stopped early for want of memory (before finished()).
    void ranOutOfMemory() { memoryOut.store(true, std::memory_order_relaxed); }
    // Worker, before started(): the entries are read from a file.
    void readsFile() { fromFile.store(true, std::memory_order_relaxed); }
    // Worker: whether to stop at the next chance.
    bool stopRequested() const { return stop.load(std::memory_order_relaxed); }
    // Worker: the folder asked for since the last call, or null.
    FsNode* takeListingRequest();
    // Worker: sleeps until a listing request or a stop is made (at once when one is waiting).
    void waitForRequest();

    // Reader: the scan's progress now.
    Progress progress() const;
    // "Scanning: 1,234,567 entries, 3.2 s" ("Reading: ..." from a file), or once it stopped for want of
    // memory "Scan stopped, out of memory: 1,234,567 entries, 3.2 s".
    static std::string statusText(const Progress& progress);
    // Reader: ends the scan at its next chance (between two batches of entries).
    void requestStop()
    {
        stop.store(true, std::memory_order_relaxed);
        wake();
    }
    // Reader: `folder`, a node of the tree not listed yet, is wanted at once;
    // a later request replaces one not taken yet.
    void requestListing(FsNode* folder)
    {
        request.store(folder, std::memory_order_release);
        wake();
    }

    // The same for a scan into a tree of numbered entries (an EntryTree):
    // kNoRequest when none is waiting.
    static constexpr std::uint32_t kNoRequest = 0xffffffffu;
    std::uint32_t takeEntryListingRequest();
    void requestEntryListing(std::uint32_t entry)
    {
        entryRequest.store(entry, std::memory_order_release);
        wake();
    }

private:
    using Clock = std::chrono::steady_clock;

    // Wakes a worker in waitForRequest(); the lock orders the wake-up after the
    // worker's look at the requests, so none is missed.
    void wake();

    std::atomic<std::uint64_t> entries{0};
    // Clock ticks of the start and, once over, of the end.
    std::atomic<Clock::rep> startTicks{0};
    std::atomic<Clock::rep> endTicks{0};
    std::atomic<bool> running{false};
    std::atomic<bool> stop{false};
    std::atomic<bool> memoryOut{false};
    std::atomic<bool> fromFile{false};
    std::atomic<FsNode*> request{nullptr};
    std::atomic<std::uint32_t> entryRequest{kNoRequest};
    std::mutex waking;
    std::condition_variable woken;
};
