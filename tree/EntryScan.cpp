#include "tree/EntryScan.h"

#include "tree/EntryTreeScan.h"

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <utility>

namespace {

constexpr int kWorkerNiceness = 5;

} // namespace

EntryScan::EntryScan(std::string folderPath, bool oneFileSystem) : entries(new EntryTree)
{
    shared.started();
    worker = std::thread(&EntryScan::work, this, std::move(folderPath), oneFileSystem);
    // The root first, so that a reader always has one.
    while (entries->root() == kNoEntry)
        std::this_thread::yield();
}

EntryScan::~EntryScan()
{
    if (stop(std::chrono::milliseconds::max()))
        delete entries;
}

void EntryScan::work(std::string folderPath, bool oneFileSystem)
{
    // Below the window's thread, so walking and drawing stay smooth while
    // the scan competes for the processor.
    setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), kWorkerNiceness);
    EntryTreeScan(*entries, std::move(folderPath), oneFileSystem, &shared, &shared).run();
    shared.finished();
    over.store(true, std::memory_order_release);
}

bool EntryScan::stop(std::chrono::milliseconds patience)
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
