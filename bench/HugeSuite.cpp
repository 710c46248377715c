// Ten million entries, only with --huge (the tree takes minutes to make and
// to remove): the explore view's first frame on a tree of 10,000 folders of
// 999 files against that on a folder of 1,000 entries, the worker's whole
// scan of it against that of a tree of a million, and the real program's
// peak resident memory once it has scanned it all and drawn its folder.
#include "bench/AlternatingTimer.h"
#include "bench/FigureTable.h"
#include "bench/Suites.h"
#include "bench/TreeGenerator.h"
#include "bench/ViewerLaunch.h"
#include "bench/WorkerRuns.h"
#include "tree/EntryScan.h"

#include <benchmark/benchmark.h>
#include <sys/stat.h>

#include <cstdio>
#include <string>

namespace {

constexpr std::size_t kHugeEntries = 10000000;
constexpr std::size_t kMillion = 1000000;
constexpr double kTargetFirstFrame = 1.5;
constexpr double kTargetWholeScan = 10.0;
constexpr double kTargetPeakMb = 1024.0;
// Launch to the end of the scan of ten million entries, and more on a loaded machine.
constexpr int kScanTimeoutMs = 20 * 60 * 1000;

// The real program from its launch to the end of its scan of `large`,
// against the same on `small`; the peak resident size on `large`.
void viewerUntilScanned(benchmark::State& state, const std::string& large, const std::string& small)
{
    for (auto _ : state) {
        std::string problem;
        const ViewerLaunch ours = ViewerLaunch::runUntilScanned(
            {LUMENFOLD_BENCH_VIEWER, "--explore", "--verbose", large}, problem, kScanTimeoutMs);
        const ViewerLaunch reference = problem.empty()
            ? ViewerLaunch::runUntilScanned({LUMENFOLD_BENCH_VIEWER, "--explore", "--verbose", small}, problem,
                                            kScanTimeoutMs)
            : ViewerLaunch();
        if (!problem.empty()) {
            state.SkipWithError(problem.c_str());
            return;
        }
        state.SetIterationTime(ours.scannedSeconds);
        state.counters[AlternatingTimer::kOursCounter] = ours.scannedSeconds;
        state.counters[AlternatingTimer::kReferenceCounter] = reference.scannedSeconds;
        state.counters["peak_mb"] = ours.peakMb;
    }
}

bool isFolder(const std::string& path)
{
    struct stat info;
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

} // namespace

bool registerHugeSuite(TreeGenerator& scratch, FigureTable& table, const std::string& keptRoot)
{
    std::string huge;
    if (!keptRoot.empty() && isFolder(keptRoot)) {
        huge = keptRoot.back() == '/' ? keptRoot : keptRoot + "/";
        std::fprintf(stderr, "using the tree of ten million entries at %s as it is\n", huge.c_str());
    } else {
        std::fprintf(stderr, "making a tree of 10,000 folders x 999 files%s (minutes)\n",
                     keptRoot.empty() ? "" : (" at " + keptRoot + ", kept").c_str());
        huge = keptRoot.empty() ? scratch.make(TreeShape::Thousands, kHugeEntries)
                                : scratch.makeAt(keptRoot, TreeShape::Thousands, kHugeEntries);
    }
    const std::string million = huge.empty() ? std::string() : scratch.make(TreeShape::Square, kMillion);
    const std::string small = million.empty() ? std::string() : scratch.make(TreeShape::Flat, 1000);
    if (small.empty()) {
        std::fprintf(stderr, "cannot make the tree: %s\n", scratch.error().c_str());
        return false;
    }

    // Warm: ten million entries' inodes fill most of the page cache, and
    // whatever ran before may have pushed them out.
    std::fprintf(stderr, "warming the cache with one scan of %s\n", huge.c_str());
    EntryScan* warm = WorkerRuns::wholeScan(huge);
    std::fprintf(stderr, "%zu entries\n", warm->tree().size());
    WorkerRuns::release(warm);

    benchmark::RegisterBenchmark("huge/first_frame", WorkerRuns::firstFrameAgainst, huge, small)
        ->Iterations(5)
        ->Unit(benchmark::kMillisecond)
        ->UseManualTime();
    benchmark::RegisterBenchmark("huge/whole_scan", WorkerRuns::wholeScanAgainst, huge, million)
        ->Iterations(2)
        ->Unit(benchmark::kMillisecond)
        ->UseManualTime();
    benchmark::RegisterBenchmark("huge/viewer", viewerUntilScanned, huge, million)
        ->Iterations(1)
        ->Unit(benchmark::kMillisecond)
        ->UseManualTime();

    FigureTable::Section section;
    section.title = "Explore view, ten million entries (10,000 folders x 999 files): first frame against a 1,000-entry "
                    "folder's, the worker's whole scan and the real program's launch to its \"Scanned\" line against "
                    "the same on 1,000 folders x 999; the program's peak resident memory then";
    section.oursHeading = "10,000,000";
    section.referenceHeading = "smaller";
    section.rows.push_back(AlternatingTimer::timedRow("first frame", "huge/first_frame", kTargetFirstFrame));
    section.rows.push_back(AlternatingTimer::timedRow("whole scan on the worker", "huge/whole_scan", kTargetWholeScan));
    FigureTable::Row viewer = AlternatingTimer::timedRow("lumenfold --explore", "huge/viewer", 0.0);
    viewer.extraCounter = "peak_mb";
    viewer.extraUnit = "MB peak";
    viewer.extraLimit = kTargetPeakMb;
    section.rows.push_back(viewer);
    table.addSection(section);
    return true;
}
