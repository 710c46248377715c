#include "scene/ScanControl.h"

#include <cstdio>

void ScanControl::started()
{
    startTicks.store(Clock::now().time_since_epoch().count(), std::memory_order_relaxed);
    running.store(true, std::memory_order_release);
}

void ScanControl::progressed(std::uint64_t done)
{
    entries.store(done, std::memory_order_relaxed);
}

void ScanControl::finished()
{
    endTicks.store(Clock::now().time_since_epoch().count(), std::memory_order_relaxed);
    running.store(false, std::memory_order_release);
}

FsNode* ScanControl::takeListingRequest()
{
    // A plain load first: a request is rare, an exchange on every folder is not free.
    if (request.load(std::memory_order_relaxed) == nullptr)
        return nullptr;
    return request.exchange(nullptr, std::memory_order_acquire);
}

void ScanControl::wake()
{
    {
        const std::lock_guard<std::mutex> hold(waking);
    }
    woken.notify_all();
}

void ScanControl::waitForRequest()
{
    std::unique_lock<std::mutex> hold(waking);
    woken.wait(hold, [this] {
        return stop.load(std::memory_order_relaxed) || request.load(std::memory_order_relaxed) != nullptr
            || entryRequest.load(std::memory_order_relaxed) != kNoRequest;
    });
}

std::uint32_t ScanControl::takeEntryListingRequest()
{
    if (entryRequest.load(std::memory_order_relaxed) == kNoRequest)
        return kNoRequest;
    return entryRequest.exchange(kNoRequest, std::memory_order_acquire);
}

ScanControl::Progress ScanControl::progress() const
{
    Progress now;
    now.running = running.load(std::memory_order_acquire);
    now.outOfMemory = memoryOut.load(std::memory_order_relaxed);
    now.reading = fromFile.load(std::memory_order_relaxed);
    now.entries = entries.load(std::memory_order_relaxed);
    const Clock::rep start = startTicks.load(std::memory_order_relaxed);
    if (start == 0)
        return now;
    const Clock::rep end
        = now.running ? Clock::now().time_since_epoch().count() : endTicks.load(std::memory_order_relaxed);
    now.seconds = std::chrono::duration<double>(Clock::duration(end - start)).count();
    return now;
}

std::string ScanControl::statusText(const Progress& progress)
{
    std::string count = std::to_string(progress.entries);
    for (int at = static_cast<int>(count.size()) - 3; at > 0; at -= 3)
        count.insert(static_cast<std::size_t>(at), ",");
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%.1f s", progress.seconds);
    const char* what = progress.outOfMemory && !progress.running ? "Scan stopped, out of memory: "
        : progress.reading                                       ? "Reading: "
                                                                 : "Scanning: ";
    return what + count + " entries, " + seconds;
}
