// Start-up scan: our scan against two listing tools reporting the same facts
// (type and size) of the same tree, warm cache, taken in turns; the memory
// our tree takes per node; and a deep chain against four a quarter as deep,
// which take the same time when the cost grows linearly with the depth.
#include "bench/AlternatingTimer.h"
#include "bench/FigureTable.h"
#include "bench/ScanProbe.h"
#include "bench/Suites.h"
#include "bench/TreeGenerator.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr double kTargetRatioBfs = 1.0;
constexpr double kTargetRatioFind = 0.8;
constexpr double kTargetBytesPerNode = 200.0;
// The parent path of the long-path tree: near the system's path limit.
constexpr std::size_t kLongPathBytes = 3800;
// Levels of the shallow chain; the deep one has four times as many.
constexpr std::size_t kChainLevels = 5000;
constexpr double kTargetRatioDeep = 1.5;

void scanAgainst(benchmark::State& state, const std::string& tool, const std::string& root, double bytesPerNode)
{
    AlternatingTimer timer;
    bool referenceFailed = false;
    std::string referenceError;
    for (auto _ : state) {
        FsNode* tree = nullptr;
        timer.runIteration(
            state, [&] { tree = ScanProbe::scan(root); },
            [&] { referenceFailed = !ScanProbe::runListing(tool, root, referenceError) || referenceFailed; });
        ScanProbe::release(tree); // outside both timings
        if (referenceFailed) {
            state.SkipWithError(referenceError.c_str());
            break;
        }
    }
    timer.finish(state);
    if (bytesPerNode >= 0.0)
        state.counters["bytes_per_node"] = bytesPerNode;
}

// Ours: the deep chain once; the reference: the shallow one `times` times.
void deepAgainstShallow(benchmark::State& state, const std::string& deep, const std::string& shallow, int times)
{
    AlternatingTimer timer;
    for (auto _ : state) {
        std::vector<FsNode*> trees;
        timer.runIteration(
            state, [&] { trees.push_back(ScanProbe::scan(deep)); },
            [&] {
                for (int i = 0; i < times; ++i)
                    trees.push_back(ScanProbe::scan(shallow));
            });
        for (FsNode* tree : trees)
            ScanProbe::release(tree); // outside both timings
    }
    timer.finish(state);
}

std::string withThousands(std::size_t value)
{
    std::string digits = std::to_string(value);
    for (int at = static_cast<int>(digits.size()) - 3; at > 0; at -= 3)
        digits.insert(static_cast<std::size_t>(at), ",");
    return digits;
}

struct Tree {
    std::string label;
    std::string key;
    std::string root;
    std::size_t entries;
};

bool registerChains(TreeGenerator& scratch, FigureTable& table, bool quick)
{
    const std::size_t levels = quick ? kChainLevels / 4 : kChainLevels;
    std::string roots[2];
    for (int i = 0; i < 2; ++i) {
        const std::size_t depth = i == 0 ? levels : 4 * levels;
        std::fprintf(stderr, "making a chain %zu folders deep\n", depth);
        roots[i] = scratch.make(TreeShape::Chain, 3 * depth);
        if (roots[i].empty()) {
            std::fprintf(stderr, "cannot make the chain: %s\n", scratch.error().c_str());
            return false;
        }
    }
    FigureTable::Section section;
    section.title = "Deep chains, warm cache: time per level of a chain 4x as deep (ratio 1: linear in the depth)";
    section.oursHeading = withThousands(4 * levels) + " deep";
    section.referenceHeading = "4 x " + withThousands(levels);
    const std::string name = "scan-chain/" + std::to_string(4 * levels);
    benchmark::RegisterBenchmark(name.c_str(), deepAgainstShallow, roots[1], roots[0], 4)
        ->Iterations(5)
        ->Unit(benchmark::kMillisecond)
        ->UseManualTime();
    FigureTable::Row row;
    row.label = withThousands(4 * levels) + " against " + withThousands(levels) + " deep";
    row.ours = name;
    row.oursCounter = AlternatingTimer::kOursCounter;
    row.referenceCounter = AlternatingTimer::kReferenceCounter;
    row.measure = FigureTable::Measure::Milliseconds;
    row.targetRatio = kTargetRatioDeep;
    section.rows.push_back(row);
    table.addSection(section);
    return true;
}

} // namespace

bool registerScanSuite(TreeGenerator& scratch, FigureTable& table, bool quick)
{
    FigureTable::Section againstBfs;
    againstBfs.title = "Start-up scan, warm cache: our scan against `bfs ROOT -printf '%y %s\\n'`; memory per node";
    againstBfs.oursHeading = "scan";
    againstBfs.referenceHeading = "bfs";
    FigureTable::Section againstFind;
    againstFind.title = "Start-up scan, warm cache: our scan against GNU `find ROOT -printf '%y %s\\n'`";
    againstFind.oursHeading = "scan";
    againstFind.referenceHeading = "find";

    const std::size_t entries = quick ? 10000 : 100000;
    struct Generated {
        TreeShape shape;
        std::size_t pathBytes;
        const char* label;
    };
    const Generated generated[] = {
        {TreeShape::Flat, 0, "flat"},
        {TreeShape::Nested, 0, "nested"},
        {TreeShape::Grouped, 0, quick ? "100 folders x 99" : "1,000 folders x 99"},
        {TreeShape::Flat, kLongPathBytes, "flat, 3.8 KB path"},
    };
    std::vector<Tree> trees;
    for (const Generated& shape : generated) {
        std::fprintf(stderr, "making a %s tree of %zu entries\n", shape.label, entries);
        // Sizes vary in real trees; give the files some so every side reports them.
        const std::string root = scratch.make(shape.shape, entries, 100, shape.pathBytes);
        if (root.empty()) {
            std::fprintf(stderr, "cannot make the tree: %s\n", scratch.error().c_str());
            return false;
        }
        const std::string key = std::string(TreeGenerator::shapeName(shape.shape))
            + (shape.pathBytes > 0 ? "-long" : "") + "/" + std::to_string(entries);
        trees.push_back(Tree{shape.label, key, root, entries});
    }
    if (!quick) {
        // A real tree with long paths and folders of every size; counted by
        // the memory measurement below, which scans it in a child process.
        trees.push_back(Tree{"/usr", "usr", "/usr/", 0});
    }

    for (Tree& tree : trees) {
        // Warms the cache for every side and measures our memory once.
        for (const char* tool : {"find", "bfs"}) {
            std::string error;
            if (!ScanProbe::runListing(tool, tree.root, error)) {
                std::fprintf(stderr, "%s\n", error.c_str());
                return false;
            }
        }
        ScanProbe::Growth growth;
        std::string error;
        double bytesPerNode = -1.0;
        // Scanned in a child, so no scan here leaves freed nodes for it to reuse.
        if (ScanProbe::measureGrowth(tree.root, growth, error) && growth.nodes > 0) {
            bytesPerNode = static_cast<double>(growth.bytes) / static_cast<double>(growth.nodes);
            if (tree.entries == 0) {
                tree.entries = growth.nodes - 1;
                std::fprintf(stderr, "%s holds %zu entries\n", tree.root.c_str(), tree.entries);
            }
        } else {
            std::fprintf(stderr, "memory per node not measured: %s\n", error.c_str());
        }

        for (FigureTable::Section* section : {&againstBfs, &againstFind}) {
            const bool bfs = section == &againstBfs;
            const std::string name = std::string(bfs ? "scan-bfs/" : "scan-find/") + tree.key;
            // Each scan of a large tree takes a while; a few are enough for a steady median.
            const benchmark::IterationCount iterations = tree.entries > 10000 ? 7 : 15;
            benchmark::RegisterBenchmark(name.c_str(), scanAgainst, std::string(bfs ? "bfs" : "find"), tree.root,
                                         bytesPerNode)
                ->Iterations(iterations)
                ->Unit(benchmark::kMillisecond)
                ->UseManualTime();

            FigureTable::Row row;
            row.label = tree.label + ", " + withThousands(tree.entries);
            row.ours = name;
            row.oursCounter = AlternatingTimer::kOursCounter;
            row.referenceCounter = AlternatingTimer::kReferenceCounter;
            row.measure = FigureTable::Measure::Milliseconds;
            row.targetRatio = bfs ? kTargetRatioBfs : kTargetRatioFind;
            if (bfs && bytesPerNode >= 0.0) {
                row.extraCounter = "bytes_per_node";
                row.extraUnit = "bytes/node";
                row.extraLimit = kTargetBytesPerNode;
            }
            section->rows.push_back(row);
        }
    }
    table.addSection(againstBfs);
    table.addSection(againstFind);
    return registerChains(scratch, table, quick);
}
