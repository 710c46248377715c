// Live updates: from a file made in a watched folder to the tree holding it
// (median of 20), beside the bare listing of that folder the update costs;
// and the refresh of a subtree beside its first scan.
#include "bench/FigureTable.h"
#include "bench/Suites.h"
#include "bench/TreeGenerator.h"
#include "live/FolderRelist.h"
#include "live/LiveUpdates.h"
#include "tree/EntryTreeScan.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <fstream>
#include <mutex>
#include <string>
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

    FigureTable::Section section;
    section.title = "Live updates: a file made in the watched folder (1,000 entries) until the tree holds it";
    section.oursHeading = "made to tree, median of 20";
    section.referenceHeading = "one bare listing";
    FigureTable::Row latency;
    latency.label = "latency (ms, at most 500)";
    latency.ours = "live/made_to_tree";
    latency.oursCounter = "ours_seconds";
    latency.referenceCounter = "reference_seconds";
    latency.extraCounter = "median_ms";
    latency.extraUnit = "ms";
    latency.extraLimit = 500.0;
    latency.extraDecimals = 1;
    section.rows.push_back(latency);
    table.addSection(section);

    FigureTable::Section refresh;
    refresh.title = std::string("Refresh (F5) of a ") + (quick ? "10,000" : "100,000") + "-entry subtree";
    refresh.oursHeading = "refresh";
    refresh.referenceHeading = "first scan";
    FigureTable::Row row;
    row.label = "scan again and merge";
    row.ours = "live/refresh";
    row.oursCounter = "ours_seconds";
    row.referenceCounter = "reference_seconds";
    row.targetRatio = 1.2;
    refresh.rows.push_back(row);
    table.addSection(refresh);
    return true;
}
