// Start-up: from the scan's start to the first frame on screen, for a large
// tree beside an empty root, with the scan alone alongside. The symbol models
// are loaded before (the viewer loads them during its scan, once).
#include "bench/AlternatingTimer.h"
#include "bench/FigureTable.h"
#include "bench/ScanProbe.h"
#include "bench/Suites.h"
#include "bench/TreeGenerator.h"
#include "bench/ViewerFrame.h"
#include "scene/FsNode.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <string>
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
    return true;
}
