// Live updates: from a file made in a watched folder to the tree holding it
// (median of 20), beside the bare listing of that folder the update costs;
// the refresh of a subtree beside its first scan; and the explore view's
// frames while 1,000 files a second are made and deleted in the shown folder,
// beside its frames of the same folder left alone.
#include "bench/FigureTable.h"
#include "bench/Suites.h"
#include "bench/TreeGenerator.h"
#include "bench/ViewerFrame.h"
#include "explore/ExploreScene.h"
#include "explore/LiveFollow.h"
#include "live/FolderRelist.h"
#include "live/LiveUpdates.h"
#include "text/FontSet.h"
#include "tree/EntryTreeScan.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <fstream>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

EntryId folderNamed(const EntryTree& tree, std::string_view name)
{
    for (const EntryId each : tree.entries(tree.root()))
        if (tree.name(each) == name)
            return each;
    return kNoEntry;
}

// Twenty files made one at a time in the watched folder, each waited for.
void madeToTree(benchmark::State& state, const std::string& root)
{
    for (auto _ : state) {
        EntryTree tree;
        EntryTreeScan(tree, root, false, nullptr, nullptr, true).run();
        std::mutex lock;
        std::condition_variable woken;
        LiveUpdates live(tree, [&] {
            const std::lock_guard<std::mutex> hold(lock);
            woken.notify_all();
        });
        live.watchOnly({tree.root()});
        {
            std::unique_lock<std::mutex> hold(lock);
            woken.wait_for(hold, std::chrono::seconds(10), [&] { return live.watchesHeld() == 1; });
        }
        std::vector<double> latencies;
        for (int i = 0; i < 20; ++i) {
            const std::string name = "made-" + std::to_string(i);
            const Clock::time_point start = Clock::now();
            std::ofstream(root + name) << "x";
            std::unique_lock<std::mutex> hold(lock);
            if (!woken.wait_for(hold, std::chrono::seconds(10), [&] { return folderNamed(tree, name) != kNoEntry; })) {
                state.SkipWithError("a file made never reached the tree");
                return;
            }
            latencies.push_back(secondsSince(start));
        }
        std::sort(latencies.begin(), latencies.end());
        const Clock::time_point listing = Clock::now();
        FolderRelist::run(tree, tree.root(), root);
        state.counters["ours_seconds"] = (latencies[9] + latencies[10]) / 2.0;
        state.counters["reference_seconds"] = secondsSince(listing);
        state.counters["median_ms"] = state.counters["ours_seconds"] * 1000.0;
        for (int i = 0; i < 20; ++i)
            unlink((root + "made-" + std::to_string(i)).c_str());
    }
}

// The first scan of the tree, and a refresh of it with one file changed in each of ten folders.
void refreshAgainstScan(benchmark::State& state, const std::string& root)
{
    for (auto _ : state) {
        EntryTree tree;
        const Clock::time_point scanned = Clock::now();
        EntryTreeScan(tree, root, false, nullptr, nullptr, true).run();
        const double scan = secondsSince(scanned);
        for (int i = 0; i < 10; ++i)
            std::ofstream(root + std::string(tree.name(tree.entries(tree.root())[static_cast<std::uint32_t>(i)]))
                          + "/grown")
                << std::string(100, 'x');
        const Clock::time_point refreshed = Clock::now();
        FolderRelist::rescan(tree, tree.root(), root, nullptr);
        state.counters["ours_seconds"] = secondsSince(refreshed);
        state.counters["reference_seconds"] = scan;
    }
}

// Seconds per frame of the explore view of `root`'s folder, following the
// tree's changes each frame, over `frames` frames.
double frameSeconds(ExploreScene& scene, ExploreState& view, LiveFollow& follow, int frames)
{
    const Clock::time_point start = Clock::now();
    for (int i = 0; i < frames; ++i) {
        follow.follow(view, true);
        ViewerFrame::draw([&] { scene.draw(view); }, view.camera());
    }
    return secondsSince(start) / frames;
}

void framesWhileChanging(benchmark::State& state, const std::string& root)
{
    std::string reason;
    const std::unique_ptr<FontSet> fonts = FontSet::open("", reason);
    if (!fonts) {
        state.SkipWithError(("no font: " + reason).c_str());
        return;
    }
    for (auto _ : state) {
        EntryTree tree;
        EntryTreeScan(tree, root, false, nullptr, nullptr, true).run();
        ExploreScene scene(*fonts);
        ExploreState view;
        view.setRowShape(scene.rowShape());
        view.setViewSize(800, 600);
        view.show(&tree, tree.root(), root);
        scene.setViewSize(800, 600, view.entryCount());
        LiveFollow follow(tree);
        frameSeconds(scene, view, follow, 30);
        const double still = frameSeconds(scene, view, follow, 300);
        std::atomic<bool> stop{false};
        std::thread churn([&] {
            // One file made and one deleted every millisecond.
            Clock::time_point next = Clock::now();
            for (int i = 0; !stop.load(); ++i) {
                std::ofstream(root + "churn-" + std::to_string(i % 50)).close();
                unlink((root + "churn-" + std::to_string((i + 25) % 50)).c_str());
                next += std::chrono::milliseconds(1);
                std::this_thread::sleep_until(next);
            }
        });
        const double changing = frameSeconds(scene, view, follow, 300);
        stop.store(true);
        churn.join();
        for (int i = 0; i < 50; ++i)
            unlink((root + "churn-" + std::to_string(i)).c_str());
        state.counters["ours_seconds"] = changing;
        state.counters["reference_seconds"] = still;
    }
}

} // namespace

bool registerLiveSuite(TreeGenerator& scratch, FigureTable& table, bool quick)
{
    const std::string small = scratch.make(TreeShape::Flat, 1000);
    const std::string large = scratch.make(TreeShape::Grouped, quick ? 10000 : 100000);
    if (small.empty() || large.empty()) {
        std::fprintf(stderr, "cannot make the tree: %s\n", scratch.error().c_str());
        return false;
    }
    benchmark::RegisterBenchmark("live/made_to_tree", madeToTree, small)->Iterations(1)->UseRealTime();
    benchmark::RegisterBenchmark("live/refresh", refreshAgainstScan, large)->Iterations(1)->UseRealTime();
    const std::string shown = scratch.make(TreeShape::Flat, 100);
    if (shown.empty()) {
        std::fprintf(stderr, "cannot make the tree: %s\n", scratch.error().c_str());
        return false;
    }
    benchmark::RegisterBenchmark("live/frames_while_changing", framesWhileChanging, shown)
        ->Iterations(1)
        ->UseRealTime();

    FigureTable::Row latency;
    latency.label = "latency (ms, at most 500)";
    latency.ours = "live/made_to_tree";
    latency.oursCounter = "ours_seconds";
    latency.referenceCounter = "reference_seconds";
    latency.extraCounter = "median_ms";
    latency.extraUnit = "ms";
    latency.extraLimit = 500.0;
    latency.extraDecimals = 1;
    table.addSection("Live updates: a file made in the watched folder (1,000 entries) until the tree holds it",
                     "made to tree, median of 20", "one bare listing", latency);

    FigureTable::Row row;
    row.label = "scan again and merge";
    row.ours = "live/refresh";
    row.oursCounter = "ours_seconds";
    row.referenceCounter = "reference_seconds";
    row.targetRatio = 1.2;
    table.addSection(std::string("Refresh (F5) of a ") + (quick ? "10,000" : "100,000") + "-entry subtree", "refresh",
                     "first scan", row);

    FigureTable::Row rate;
    rate.label = "frames with the changes followed";
    rate.ours = "live/frames_while_changing";
    rate.oursCounter = "ours_seconds";
    rate.referenceCounter = "reference_seconds";
    rate.measure = FigureTable::Measure::PerSecond;
    rate.targetRatio = 0.8;
    table.addSection("Explore view of 100 entries while 1,000 files a second are made and deleted in it", "changing",
                     "left alone", rate);
    return true;
}
