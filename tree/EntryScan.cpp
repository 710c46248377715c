#include "tree/EntryScan.h"

#include "tree/EntryTreeScan.h"

#include "scene/WorkerPriority.h"

#include <algorithm>
#include <new>
#include <utility>

EntryScan::EntryScan(std::string folderPath, bool oneFileSystem, bool keepInside, EntryOrderer orderer)
    : entries(new EntryTree)
{
    shared.started();
    worker = std::thread(&EntryScan::work, this, std::move(folderPath), oneFileSystem, keepInside, std::move(orderer));
    // The root first, so that a reader always has one.
    while (entries->root() == kNoEntry)
        std::this_thread::yield();
}

EntryScan::~EntryScan()
{
    if (stop(std::chrono::milliseconds::max()))
        delete entries;
}

void EntryScan::work(std::string folderPath, bool oneFileSystem, bool keepInside, EntryOrderer orderer)
{
    // A step below the window's thread, so walking and drawing stay smooth
    // while the scan competes for the processor.
    WorkerPriority::lowerCallingThread();
    try {
        EntryTreeScan scan(*entries, std::move(folderPath), oneFileSystem, &shared, &shared, keepInside,
                           std::move(orderer));
        scan.run();
        shared.finished();
        over.store(true, std::memory_order_release);
        while (scan.leftFoldersUnwalked() && !shared.stopRequested()) {
            if (!scan.listRequested())
                shared.waitForRequest();
        }
    } catch (const std::bad_alloc&) {
        // Whatever was published is whole; the rest stays unlisted.
        shared.ranOutOfMemory();
        if (!over.load(std::memory_order_relaxed)) {
            shared.finished();
            over.store(true, std::memory_order_release);
        }
    }
    exited.store(true, std::memory_order_release);
}

bool EntryScan::stop(std::chrono::milliseconds patience)
{
    if (!worker.joinable())
        return true;
    shared.requestStop();
    const auto until = std::chrono::steady_clock::now() + std::min(patience, std::chrono::milliseconds(86400000));
    while (!exited.load(std::memory_order_acquire) && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    if (!exited.load(std::memory_order_acquire)) {
        worker.detach();
        return false;
    }
    worker.join();
    return true;
}
