#include "scene/EntryDescriber.h"

#include <system_error>

namespace {

// Below this a batch is described on the calling thread alone: handing half
// of it over would cost more than it saves.
constexpr std::size_t kSmallestShared = 8;

void describeEach(int folderFd, DirectoryEntry* entries, std::size_t count)
{
    for (std::size_t i = 0; i < count; ++i)
        DirectoryReader::describe(folderFd, entries[i]);
}

// Waits until `state` leaves `from`, giving the core away on every round.
int waitWhile(const std::atomic<int>& state, int from)
{
    int now = state.load(std::memory_order_acquire);
    while (now == from) {
        std::this_thread::yield();
        now = state.load(std::memory_order_acquire);
    }
    return now;
}

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
    state.store(Stopping, std::memory_order_release);
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
    shareFd = folderFd;
    share = entries + mine;
    shareCount = count - mine;
    state.store(Working, std::memory_order_release);
    describeEach(folderFd, entries, mine);
    waitWhile(state, Working);
}

void EntryDescriber::serve()
{
    while (waitWhile(state, Idle) == Working) {
        describeEach(shareFd, share, shareCount);
        state.store(Idle, std::memory_order_release);
    }
}
