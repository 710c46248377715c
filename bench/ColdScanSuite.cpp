// The explore view's worker scanning from a cold cache: the page cache is
// dropped before each run, ours and the references' alike, so every folder
// and every look-up comes from the disk. Needs root to drop the cache, so it
// runs only when asked for (--cold), and is best run on a quiet machine.
#include "bench/AlternatingTimer.h"
#include "bench/FigureTable.h"
#include "bench/ScanProbe.h"
#include "bench/Suites.h"
#include "bench/TreeGenerator.h"
#include "tree/EntryScan.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

namespace {

constexpr double kTargetColdBfs = 0.8;

enum class Reference { Bfs, Gdu };

void coldAgainst(benchmark::State& state, const std::string& root, Reference reference)
{
    AlternatingTimer timer;
    std::string error;
    bool failed = !ScanProbe::dropPageCache(error);
    for (auto _ : state) {
        if (failed)
            break;
        EntryScan* scan = nullptr;
        timer.runIteration(
            state,
            [&] {
                scan = new EntryScan(root, false, true);
                while (!scan->ended())
                    std::this_thread::sleep_for(std::chrono::microseconds(200));
            },
            [&] {
                const bool ran = reference == Reference::Gdu ? ScanProbe::runDiskUsage(root, error)
                                                             : ScanProbe::runListing("bfs", root, error);
                failed = !ran || failed;
            },
            [&] {
                delete scan;
                scan = nullptr;
                failed = !ScanProbe::dropPageCache(error) || failed;
            });
    }
    if (failed) {
        state.SkipWithError(error.c_str());
        return;
    }
    timer.finish(state);
}

} // namespace

bool registerColdScanSuite(TreeGenerator& scratch, FigureTable& table, bool quick)
{
    const std::size_t entries = quick ? 10000 : 1000000;
    const std::string large = scratch.make(TreeShape::Square, entries);
    if (large.empty()) {
        std::fprintf(stderr, "cannot make the tree: %s\n", scratch.error().c_str());
        return false;
    }
    FigureTable::Section cold;
    cold.title = "Explore view's worker from a cold cache (page cache dropped before each run of either side)";
    cold.oursHeading = "worker";
    cold.referenceHeading = "bfs or gdu";
    const struct {
        std::string label;
        std::string root;
    } trees[] = {{quick ? "100 folders x 99" : "1,000 folders x 999", large}, {"/usr", "/usr/"}};
    for (const auto& tree : trees) {
        for (const Reference reference : {Reference::Bfs, Reference::Gdu}) {
            const bool gdu = reference == Reference::Gdu;
            const std::string name = std::string(gdu ? "cold/worker_gdu/" : "cold/worker_bfs/") + tree.label;
            benchmark::RegisterBenchmark(name.c_str(), coldAgainst, tree.root, reference)
                ->Iterations(2)
                ->Unit(benchmark::kMillisecond)
                ->UseManualTime();
            FigureTable::Row row;
            row.label = tree.label + (gdu ? ", gdu" : ", bfs");
            row.ours = name;
            row.oursCounter = AlternatingTimer::kOursCounter;
            row.referenceCounter = AlternatingTimer::kReferenceCounter;
            row.measure = FigureTable::Measure::Milliseconds;
            // Against gdu for the record: the target is against bfs.
            row.targetRatio = gdu ? 0.0 : kTargetColdBfs;
            cold.rows.push_back(row);
        }
    }
    table.addSection(cold);
    return true;
}
