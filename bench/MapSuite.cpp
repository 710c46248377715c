// The map view: how square the treemap's pieces come out on random folders
// (the median over folders of each folder's worst piece, longer side over
// shorter), and the time to lay those folders out.
#include "bench/FigureTable.h"
#include "bench/Suites.h"
#include "explore/map/SquarifiedLayout.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numeric>
#include <random>
#include <vector>

namespace {

constexpr double kTargetMedianAspect = 3.0;

// Folders of 2 to 10,000 entries, sizes spread evenly over nine decades, each
// in decreasing weight as the map lays them out.
std::vector<std::vector<double>> randomFolders(std::size_t count)
{
    std::mt19937 random(1000);
    std::uniform_int_distribution<std::size_t> entries(2, 10000);
    std::uniform_real_distribution<double> decade(0.0, 9.0);
    std::vector<std::vector<double>> folders(count);
    std::vector<std::uint64_t> sizes;
    for (std::vector<double>& weights : folders) {
        sizes.resize(entries(random));
        for (std::uint64_t& size : sizes)
            size = static_cast<std::uint64_t>(std::pow(10.0, decade(random)));
        SquarifiedLayout::weights(sizes.data(), sizes.size(), weights);
        std::sort(weights.begin(), weights.end(), [](double a, double b) { return a > b; });
    }
    return folders;
}

void layoutOfRandomFolders(benchmark::State& state, std::size_t folderCount)
{
    const std::vector<std::vector<double>> folders = randomFolders(folderCount);
    std::vector<MapRect> pieces;
    std::vector<double> worst(folders.size());
    const MapRect square{0.0, 0.0, 1.0, 1.0};
    for (auto _ : state) {
        for (std::size_t f = 0; f < folders.size(); ++f) {
            pieces.resize(folders[f].size());
            SquarifiedLayout::arrange(folders[f].data(), folders[f].size(), square, pieces.data());
            double folderWorst = 1.0;
            for (const MapRect& piece : pieces)
                folderWorst = std::max(folderWorst, SquarifiedLayout::aspect(piece));
            worst[f] = folderWorst;
        }
        benchmark::DoNotOptimize(pieces.data());
    }
    std::nth_element(worst.begin(), worst.begin() + static_cast<std::ptrdiff_t>(worst.size() / 2), worst.end());
    state.counters["median_worst_aspect"] = worst[worst.size() / 2];
}

} // namespace

bool registerMapSuite(TreeGenerator& /*scratch*/, FigureTable& table, bool quick)
{
    const std::size_t folders = quick ? 100 : 1000;
    benchmark::RegisterBenchmark("map/layout_random_folders", layoutOfRandomFolders, folders)
        ->Unit(benchmark::kMillisecond)
        ->Iterations(quick ? 1 : 3);

    FigureTable::Section layout;
    layout.title = "Map: the treemap of random folders of 2 to 10,000 entries over nine decades of sizes";
    layout.oursHeading = "lay out all";
    layout.referenceHeading = "";
    FigureTable::Row row;
    row.label = quick ? "100 folders" : "1,000 folders";
    row.ours = "map/layout_random_folders";
    row.extraCounter = "median_worst_aspect";
    row.extraUnit = "median worst side ratio";
    row.extraLimit = kTargetMedianAspect;
    row.extraDecimals = 2;
    layout.rows.push_back(row);
    table.addSection(layout);
    return true;
}
