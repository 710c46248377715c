#include "bench/WorkerRuns.h"

#include "bench/AlternatingTimer.h"
#include "bench/ViewerFrame.h"
#include "explore/ExploreState.h"
#include "tree/EntryScan.h"

#include <chrono>
#include <thread>

EntryScan* WorkerRuns::firstFrame(const std::string& root, bool oneFileSystem, ExploreState& state)
{
    auto* scan = new EntryScan(root, oneFileSystem);
    ViewerFrame::firstExploreFrame(*scan, state);
    return scan;
}

EntryScan* WorkerRuns::wholeScan(const std::string& root)
{
    auto* scan = new EntryScan(root, false);
    while (!scan->ended())
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    return scan;
}

void WorkerRuns::release(EntryScan*& scan)
{
    delete scan;
    scan = nullptr;
}

void WorkerRuns::firstFrameAgainst(benchmark::State& state, const std::string& large, const std::string& small)
{
    AlternatingTimer timer;
    for (auto _ : state) {
        EntryScan* scan = nullptr;
        ExploreState views[2];
        timer.runIteration(
            state, [&] { scan = firstFrame(large, false, views[0]); },
            [&] { scan = firstFrame(small, false, views[1]); }, [&] { release(scan); });
    }
    timer.finish(state);
}

void WorkerRuns::wholeScanAgainst(benchmark::State& state, const std::string& large, const std::string& small)
{
    AlternatingTimer timer;
    for (auto _ : state) {
        EntryScan* scan = nullptr;
        timer.runIteration(
            state, [&] { scan = wholeScan(large); }, [&] { scan = wholeScan(small); }, [&] { release(scan); });
    }
    timer.finish(state);
}
