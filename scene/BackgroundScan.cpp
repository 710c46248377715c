#include "scene/BackgroundScan.h"

#include "scene/TreeScan.h"
#include "scene/WorkerPriority.h"

#include <algorithm>
#include <new>
#include <utility>

BackgroundScan::BackgroundScan(std::string folderPath, const ScanOptions& options)
    : top(new FsNode(FsNode::Deferred{}, std::move(folderPath)))
{
    // Made here, before the worker starts: the pool serves one thread at a time.
    ScanOptions onWorker = options;
    onWorker.makeIcons = false;
    shared.started();
    worker = std::thread(&BackgroundScan::work, this, onWorker);
}

BackgroundScan::~BackgroundScan()
{
    stop(std::chrono::milliseconds::max());
}

void BackgroundScan::work(ScanOptions options)
{
    // A step below the window's thread, so walking and drawing stay smooth
    // while the scan competes for the processor.
    WorkerPriority::lowerCallingThread();
    try {
        TreeScan scan(*top, options, &shared, &shared);
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

bool BackgroundScan::stop(std::chrono::milliseconds patience)
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
