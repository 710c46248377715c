#include "scene/BackgroundScan.h"

#include "scene/TreeScan.h"

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <utility>

namespace {

constexpr int kWorkerNiceness = 5;

} // namespace

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
    // Below the window's thread, so walking and drawing stay smooth while
    // the scan competes for the processor.
    setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), kWorkerNiceness);
    TreeScan(*top, options, &shared, &shared).run();
    shared.finished();
    over.store(true, std::memory_order_release);
}

bool BackgroundScan::stop(std::chrono::milliseconds patience)
{
    if (!worker.joinable())
        return true;
    shared.requestStop();
    const auto until = std::chrono::steady_clock::now() + std::min(patience, std::chrono::milliseconds(86400000));
    while (!ended() && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    if (!ended()) {
        worker.detach();
        return false;
    }
    worker.join();
    return true;
}
