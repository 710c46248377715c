// The explore view's scan beside the window: the first frame on a tree of a
// million entries against the first frame on a folder of a thousand, the
// whole scan on a worker thread (the window open, frames drawn as the view
// draws them while it waits) against the start-up scan, and the memory per
// node of each. For the record, without targets: the first frame on /usr and
// on / (keeping to one file system) with and without the explore view.
#include "bench/AlternatingTimer.h"
#include "bench/FigureTable.h"
#include "bench/ScanProbe.h"
#include "bench/Suites.h"
#include "bench/TreeGenerator.h"
#include "bench/ViewerFrame.h"
#include "bench/WorkerRuns.h"
#include "explore/ExploreState.h"
#include "explore/RowView.h"
#include "tree/EntryScan.h"
#include "scene/FsNode.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

namespace {

constexpr double kTargetFirstFrame = 1.5;
constexpr double kTargetWholeScan = 1.2;
constexpr double kTargetBytesPerNode = 200.0;
// The explore view's tree, names included, and its worker's whole scan against bfs.
constexpr double kTargetTreeBytes = 64.0;
constexpr double kTargetWorkerBfs = 0.6;
// How often the explore view draws while it waits for the scan.
constexpr std::chrono::milliseconds kFollowInterval{100};

// The whole scan on the worker, a frame drawn every kFollowInterval meanwhile,
// against the start-up scan with its icons.
void wholeScanAgainstStartup(benchmark::State& state, const std::string& root, double workerBytes)
{
    AlternatingTimer timer;
    for (auto _ : state) {
        EntryScan* scan = nullptr;
        FsNode* startup = nullptr;
        timer.runIteration(
            state,
            [&] {
                ExploreState view;
                scan = WorkerRuns::firstFrame(root, false, view);
                RowView row;
                while (!scan->ended()) {
                    const auto next = std::chrono::steady_clock::now() + kFollowInterval;
                    view.followScan();
                    ViewerFrame::draw([&] { row.draw(view); }, view.camera());
                    while (!scan->ended() && std::chrono::steady_clock::now() < next)
                        std::this_thread::sleep_for(std::chrono::milliseconds(1));
                }
            },
            [&] { startup = ScanProbe::scan(root); },
            [&] {
                WorkerRuns::release(scan);
                ScanProbe::release(startup);
                startup = nullptr;
            });
    }
    timer.finish(state);
    if (workerBytes >= 0.0)
        state.counters["bytes_per_node"] = workerBytes;
}

// One warm-up scan, then each view's first frame once.
void firstFrameOnRealTree(benchmark::State& state, const std::string& root, bool oneFileSystem)
{
    ScanOptions options;
    options.oneFileSystem = oneFileSystem;
    ScanProbe::release(ScanProbe::scan(root, options));
    AlternatingTimer timer;
    for (auto _ : state) {
        EntryScan* scan = nullptr;
        FsNode* plain = nullptr;
        ExploreState view;
        timer.runIteration(
            state, [&] { scan = WorkerRuns::firstFrame(root, options.oneFileSystem, view); },
            [&] {
                plain = ScanProbe::scan(root, options);
                ViewerFrame::draw(*plain);
            },
            [&] { WorkerRuns::release(scan); });
        ScanProbe::release(plain);
    }
    timer.finish(state);
}

// The worker's whole scan into the explore view's tree, against bfs listing
// the same tree's types and sizes, or gdu walking it on every core.
void workerAgainst(benchmark::State& state, const std::string& root, bool gdu, double treeBytes)
{
    AlternatingTimer timer;
    std::string error;
    bool failed = false;
    for (auto _ : state) {
        EntryScan* scan = nullptr;
        timer.runIteration(
            state, [&] { scan = WorkerRuns::wholeScan(root); },
            [&] {
                const bool ran = gdu ? ScanProbe::runDiskUsage(root, error) : ScanProbe::runListing("bfs", root, error);
                failed = !ran || failed;
            },
            [&] { WorkerRuns::release(scan); });
        if (failed) {
            state.SkipWithError(error.c_str());
            break;
        }
    }
    timer.finish(state);
    if (treeBytes >= 0.0)
        state.counters["tree_bytes_per_entry"] = treeBytes;
}

// The explore view's tree, by its own count of what it holds, per entry.
double treeBytesPerEntry(const std::string& root)
{
    ScanProbe::Growth growth;
    std::string error;
    if (!ScanProbe::measureGrowth(root, growth, error, true) || growth.nodes == 0) {
        std::fprintf(stderr, "the tree's memory not measured: %s\n", error.c_str());
        return -1.0;
    }
    return static_cast<double>(growth.treeBytes) / static_cast<double>(growth.nodes);
}

double bytesPerNode(const std::string& root, bool onWorker)
{
    ScanProbe::Growth growth;
    std::string error;
    if (!ScanProbe::measureGrowth(root, growth, error, onWorker) || growth.nodes == 0) {
        std::fprintf(stderr, "memory per node not measured: %s\n", error.c_str());
        return -1.0;
    }
    return static_cast<double>(growth.bytes) / static_cast<double>(growth.nodes);
}

} // namespace

bool registerBackgroundSuite(TreeGenerator& scratch, FigureTable& table, bool quick)
{
    const std::size_t entries = quick ? 10000 : 1000000;
    std::fprintf(stderr, "making a square tree of %zu entries\n", entries);
    const std::string large = scratch.make(TreeShape::Square, entries);
    const std::string small = scratch.make(TreeShape::Flat, 1000);
    std::fprintf(stderr, "making a nested tree of %zu entries\n", entries);
    const std::string nested = scratch.make(TreeShape::Nested, entries);
    if (large.empty() || small.empty() || nested.empty()) {
        std::fprintf(stderr, "cannot make the tree: %s\n", scratch.error().c_str());
        return false;
    }
    const std::string label = quick ? "100 folders x 99" : "1,000 folders x 999";
    const double workerBytes = bytesPerNode(large, true);
    const double startupBytes = bytesPerNode(large, false);
    std::fprintf(stderr, "bytes per node on %s: worker %.1f, start-up scan %.1f\n", label.c_str(), workerBytes,
                 startupBytes);

    benchmark::RegisterBenchmark("background/first_frame", WorkerRuns::firstFrameAgainst, large, small)
        ->Iterations(5)
        ->Unit(benchmark::kMillisecond)
        ->UseManualTime();
    benchmark::RegisterBenchmark("background/whole_scan", wholeScanAgainstStartup, large, workerBytes)
        ->Iterations(3)
        ->Unit(benchmark::kMillisecond)
        ->UseManualTime();

    table.addSection("Explore view, scan beside the window: first frame, large tree against a 1,000-entry folder",
                     "large tree", "1,000 entries",
                     AlternatingTimer::timedRow(label, "background/first_frame", kTargetFirstFrame));

    FigureTable::Row wholeRow = AlternatingTimer::timedRow(label, "background/whole_scan", kTargetWholeScan);
    if (workerBytes >= 0.0) {
        wholeRow.extraCounter = "bytes_per_node";
        wholeRow.extraUnit = "bytes/node";
        wholeRow.extraLimit = kTargetBytesPerNode;
    }
    table.addSection("Explore view: the whole scan on the worker, window open, against the start-up scan; worker's "
                     "memory per node (start-up scan's on stderr)",
                     "worker", "start-up scan", wholeRow);

    FigureTable::Section compact;
    compact.title = "Explore view's tree: the worker's whole scan (on every core) against `bfs ROOT -printf "
                    "'%y %s\\n'` and `gdu -n -p ROOT`, warm cache; the tree's bytes per entry, names included";
    compact.oursHeading = "worker";
    compact.referenceHeading = "bfs or gdu";
    const struct {
        std::string label;
        std::string name;
        std::string root;
    } compactTrees[] = {{label, "tree/worker_bfs", large},
                        {quick ? "nested, 10,000" : "nested, 1,000,000", "tree/worker_bfs_nested", nested},
                        {"/usr", "tree/worker_bfs_usr", "/usr/"}};
    for (const auto& tree : compactTrees) {
        if (quick && tree.root == "/usr/")
            continue;
        std::string warm;
        if (!ScanProbe::runListing("bfs", tree.root, warm)) {
            std::fprintf(stderr, "%s\n", warm.c_str());
            continue;
        }
        const double treeBytes = treeBytesPerEntry(tree.root);
        std::fprintf(stderr, "the explore tree's bytes per entry on %s: %.1f\n", tree.label.c_str(), treeBytes);
        benchmark::RegisterBenchmark(tree.name.c_str(), workerAgainst, tree.root, false, treeBytes)
            ->Iterations(3)
            ->Unit(benchmark::kMillisecond)
            ->UseManualTime();
        FigureTable::Row row = AlternatingTimer::timedRow(tree.label + ", bfs", tree.name, kTargetWorkerBfs);
        if (treeBytes >= 0.0) {
            row.extraCounter = "tree_bytes_per_entry";
            row.extraUnit = "bytes/entry";
            row.extraLimit = kTargetTreeBytes;
        }
        compact.rows.push_back(row);
        std::string noGdu;
        if (!ScanProbe::runDiskUsage(tree.root, noGdu)) {
            std::fprintf(stderr, "%s\n", noGdu.c_str());
            continue;
        }
        const std::string gduName = tree.name + "_gdu";
        benchmark::RegisterBenchmark(gduName.c_str(), workerAgainst, tree.root, true, -1.0)
            ->Iterations(3)
            ->Unit(benchmark::kMillisecond)
            ->UseManualTime();
        compact.rows.push_back(AlternatingTimer::timedRow(tree.label + ", gdu", gduName, kTargetWorkerBfs));
    }
    table.addSection(compact);

    if (!quick) {
        FigureTable::Section real;
        real.title = "First frame on real trees, warm cache (no target)";
        real.oursHeading = "--explore";
        real.referenceHeading = "plain view";
        const struct {
            const char* label;
            const char* name;
            const char* root;
            bool oneFileSystem;
        } trees[] = {{"/usr", "background/first_frame_usr", "/usr/", false},
                     {"/ with -x", "background/first_frame_root", "/", true}};
        for (const auto& tree : trees) {
            benchmark::RegisterBenchmark(tree.name, firstFrameOnRealTree, std::string(tree.root), tree.oneFileSystem)
                ->Iterations(1)
                ->Unit(benchmark::kMillisecond)
                ->UseManualTime();
            real.rows.push_back(AlternatingTimer::timedRow(tree.label, tree.name, 0.0));
        }
        table.addSection(real);
    }
    return true;
}
