#include "scene/EntryDescriber.h"

#include <system_error>

namespace {

// Below this a batch is described on the calling thread alone: a helper
// woken from its sleep comes in tens of microseconds, by which time the
// calling thread has looked up this many entries itself, and each wake costs
// the calling thread a system call (a tree of small folders, such as /usr,
// paid one per folder for a helper that arrived too late to take anything).
constexpr std::size_t kSmallestShared = 32;

} // namespace

EntryDescriber::EntryDescriber()
{
    if (std::thread::hardware_concurrency() <= 1)
        return;
    try {
        helper = std::thread([this] { serve(); });
    } catch (const std::system_error&) {
        // No thread to be had (out of memory for its stack): this one describes alone.
    }
}

EntryDescriber::~EntryDescriber()
{
    if (!helper.joinable())
        return;
    {
        const std::lock_guard<std::mutex> hold(lock);
        stopping = true;
    }
    batchOpened.notify_one();
    helper.join();
}

void EntryDescriber::takeEntries()
{
    for (std::size_t i = nextEntry.fetch_add(1, std::memory_order_relaxed); i < batchCount;
         i = nextEntry.fetch_add(1, std::memory_order_relaxed))
        DirectoryReader::describe(batchFd, batch[i]);
}

void EntryDescriber::describe(int folderFd, DirectoryEntry* entries, std::size_t count)
{
    if (!helper.joinable() || count < kSmallestShared) {
        for (std::size_t i = 0; i < count; ++i)
            DirectoryReader::describe(folderFd, entries[i]);
        return;
    }
    {
        const std::lock_guard<std::mutex> hold(lock);
        batchFd = folderFd;
        batch = entries;
        batchCount = count;
        nextEntry.store(0, std::memory_order_relaxed);
        open = true;
        ++opened;
    }
    batchOpened.notify_one();
    takeEntries();
    // Closed under the lock: a helper that has not joined by now never
    // will, and one that has is waited for; its entries are then seen here.
    std::unique_lock<std::mutex> hold(lock);
    open = false;
    helperLeft.wait(hold, [this] { return !helperIn; });
}

void EntryDescriber::serve()
{
    std::uint64_t seen = 0;
    std::unique_lock<std::mutex> hold(lock);
    for (;;) {
        batchOpened.wait(hold, [&] { return stopping || (open && opened != seen); });
        if (stopping)
            return;
        seen = opened;
        helperIn = true;
        hold.unlock();
        takeEntries();
        hold.lock();
        helperIn = false;
        helperLeft.notify_one();
    }
}
