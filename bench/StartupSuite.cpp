// Start-up: from the scan's start to the first frame on screen, for a large
// tree beside an empty root, with the scan alone alongside. The symbol models
// are loaded before (the viewer loads them during its scan, once). And the
// real program's start to its first frame, less its start on an empty
// folder, against bfs listing the same tree: a 100,000-entry nested tree and
// /usr, warm cache.
#include "bench/AlternatingTimer.h"
#include "bench/FigureTable.h"
#include "bench/ScanProbe.h"
#include "bench/Suites.h"
#include "bench/TreeGenerator.h"
#include "bench/ViewerFrame.h"
#include "bench/ViewerLaunch.h"
#include "scene/FsNode.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

namespace {

double secondsOf(const std::chrono::steady_clock::time_point& start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void startAgainstEmpty(benchmark::State& state, const std::string& root, const std::string& emptyRoot)
{
    AlternatingTimer timer;
    std::vector<double> scanAlone;
    for (auto _ : state) {
        FsNode* tree = nullptr;
        FsNode* empty = nullptr;
        timer.runIteration(
            state,
            [&] {
                tree = ScanProbe::scan(root);
                ViewerFrame::draw(*tree);
            },
            [&] {
                empty = ScanProbe::scan(emptyRoot);
                ViewerFrame::draw(*empty);
            });
        ScanProbe::release(tree);
        ScanProbe::release(empty);
        const auto start = std::chrono::steady_clock::now();
        tree = ScanProbe::scan(root);
        scanAlone.push_back(secondsOf(start));
        ScanProbe::release(tree);
    }
    timer.finish(state);
    state.counters["scan_ms"] = AlternatingTimer::median(scanAlone) * 1000.0;
}

constexpr double kTargetFirstFrameToBfs = 0.8;

// The plain view's first frame on `root` less that on `emptyRoot`, against
// bfs on `root`, taken in turns.
void firstFrameAgainstBfs(benchmark::State& state, const std::string& root, const std::string& emptyRoot)
{
    std::vector<double> ours;
    std::vector<double> bfs;
    bool bfsFirst = false;
    for (auto _ : state) {
        std::string problem;
        double listing = -1.0;
        const auto runBfs = [&] {
            const auto start = std::chrono::steady_clock::now();
            if (ScanProbe::runListing("bfs", root, problem))
                listing = secondsOf(start);
        };
        if (bfsFirst)
            runBfs();
        const ViewerLaunch tree = ViewerLaunch::run({LUMENFOLD_BENCH_VIEWER, root}, problem, false);
        const ViewerLaunch empty = ViewerLaunch::run({LUMENFOLD_BENCH_VIEWER, emptyRoot}, problem, false);
        if (!bfsFirst)
            runBfs();
        bfsFirst = !bfsFirst;
        if (tree.firstFrameSeconds < 0.0 || empty.firstFrameSeconds < 0.0 || listing < 0.0) {
            state.SkipWithError(problem.c_str());
            return;
        }
        ours.push_back(std::max(tree.firstFrameSeconds - empty.firstFrameSeconds, 1e-6));
        bfs.push_back(listing);
        state.SetIterationTime(ours.back());
    }
    state.counters[AlternatingTimer::kOursCounter] = AlternatingTimer::median(ours);
    state.counters[AlternatingTimer::kReferenceCounter] = AlternatingTimer::median(bfs);
}

} // namespace

bool registerStartupSuite(TreeGenerator& scratch, FigureTable& table, bool quick)
{
    const std::size_t entries = quick ? 10000 : 100000;
    const std::string root = scratch.make(TreeShape::Flat, entries, 100);
    const std::string emptyRoot = scratch.make(TreeShape::Flat, 0);
    if (root.empty() || emptyRoot.empty()) {
        std::fprintf(stderr, "cannot make the tree: %s\n", scratch.error().c_str());
        return false;
    }
    const std::string name = "startup/" + std::to_string(entries);
    benchmark::RegisterBenchmark(name.c_str(), startAgainstEmpty, root, emptyRoot)
        ->Iterations(5)
        ->Unit(benchmark::kMillisecond)
        ->UseManualTime();

    FigureTable::Section section;
    section.title = "Start-up: scan and first frame, flat tree against an empty root (models loaded before)";
    section.oursHeading = "tree";
    section.referenceHeading = "empty root";
    FigureTable::Row row;
    row.label = "flat, " + std::to_string(entries) + " entries";
    row.ours = name;
    row.oursCounter = AlternatingTimer::kOursCounter;
    row.referenceCounter = AlternatingTimer::kReferenceCounter;
    row.measure = FigureTable::Measure::Milliseconds;
    row.extraCounter = "scan_ms";
    row.extraUnit = "ms the scan alone";
    section.rows.push_back(row);
    table.addSection(section);

    const std::string nested = scratch.make(TreeShape::Nested, entries);
    if (nested.empty()) {
        std::fprintf(stderr, "cannot make the tree: %s\n", scratch.error().c_str());
        return false;
    }
    FigureTable::Section program;
    program.title = "Start-up: the plain view's start to its first frame, less an empty folder's, against bfs";
    program.oursHeading = "plain view";
    program.referenceHeading = "bfs";
    const std::pair<std::string, std::string> trees[]
        = {{"nested, " + std::to_string(entries) + " entries", nested}, {"/usr", "/usr/"}};
    for (const auto& [label, tree] : trees) {
        const std::string first = "startup/first_frame/" + (tree == nested ? std::string("nested") : "usr");
        benchmark::RegisterBenchmark(first.c_str(), firstFrameAgainstBfs, tree, emptyRoot)
            ->Iterations(quick ? 1 : 5)
            ->Unit(benchmark::kMillisecond)
            ->UseManualTime();
        FigureTable::Row launch;
        launch.label = label;
        launch.ours = first;
        launch.oursCounter = AlternatingTimer::kOursCounter;
        launch.referenceCounter = AlternatingTimer::kReferenceCounter;
        launch.measure = FigureTable::Measure::Milliseconds;
        launch.targetRatio = kTargetFirstFrameToBfs;
        program.rows.push_back(launch);
    }
    table.addSection(program);
    return true;
}
