#include "scene/EntryDescriber.h"

namespace {

// Below this a batch is described on the calling thread alone: handing half
// of it over would cost more than it saves.
constexpr std::size_t kSmallestShared = 8;

void describeEach(int folderFd, DirectoryEntry* entries, std::size_t count)
{
    for (std::size_t i = 0; i < count; ++i)
        DirectoryReader::describe(folderFd, entries[i]);
}

} // namespace

EntryDescriber::EntryDescriber()
{
    if (std::thread::hardware_concurrency() > 1)
        helper = std::thread([this] { serve(); });
}

EntryDescriber::~EntryDescriber()
{
    if (!helper.joinable())
        return;
    {
        std::lock_guard<std::mutex> lock(guard);
        stopping = true;
    }
    changed.notify_all();
    helper.join();
}

void EntryDescriber::describe(int folderFd, DirectoryEntry* entries, std::size_t count)
{
    if (!helper.joinable() || count < kSmallestShared) {
        describeEach(folderFd, entries, count);
        return;
    }
    // The helper takes the second half, this thread the first.
    const std::size_t mine = count / 2;
    {
        std::lock_guard<std::mutex> lock(guard);
        shareFd = folderFd;
        share = entries + mine;
        shareCount = count - mine;
        pending = true;
    }
    changed.notify_all();
    describeEach(folderFd, entries, mine);
    std::unique_lock<std::mutex> lock(guard);
    changed.wait(lock, [this] { return !pending; });
}

void EntryDescriber::serve()
{
    std::unique_lock<std::mutex> lock(guard);
    for (;;) {
        changed.wait(lock, [this] { return pending || stopping; });
        if (stopping)
            return;
        lock.unlock();
        describeEach(shareFd, share, shareCount);
        lock.lock();
        pending = false;
        changed.notify_all();
    }
}
