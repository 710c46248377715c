// Start-up scan: our scan of generated trees against find listing the same
// tree with the same facts (type and size), warm cache, taken in turns.
#include "bench/AlternatingTimer.h"
#include "bench/FigureTable.h"
#include "bench/ScanProbe.h"
#include "bench/Suites.h"
#include "bench/TreeGenerator.h"
#include "tools/ChildProcess.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

namespace {

constexpr double kTargetRatio = 2.0;
constexpr double kTargetBytesPerNode = 300.0;

// find over the tree with its listing thrown away; false with a reason in
// `error` unless it ran and exited with status 0.
bool runFind(const std::string& root, std::string& error)
{
    ChildOptions options;
    options.discardOutput = true;
    ChildProcess find;
    if (!find.start({"find", root, "-printf", "%y %s\n"}, options)) {
        error = find.error();
        return false;
    }
    find.waitForExit();
    if (find.exitCode() == 0)
        return true;
    error = "find failed with status " + std::to_string(find.exitCode());
    return false;
}

void scanAgainstFind(benchmark::State& state, const std::string& root, double bytesPerNode)
{
    AlternatingTimer timer;
    bool findFailed = false;
    std::string findError;
    for (auto _ : state) {
        FsNode* tree = nullptr;
        timer.runIteration(
            state, [&] { tree = ScanProbe::scan(root); },
            [&] { findFailed = !runFind(root, findError) || findFailed; });
        ScanProbe::release(tree); // outside both timings
        if (findFailed) {
            state.SkipWithError(findError.c_str());
            break;
        }
    }
    timer.finish(state);
    state.counters["bytes_per_node"] = bytesPerNode;
}

std::string withThousands(std::size_t value)
{
    std::string digits = std::to_string(value);
    for (int at = static_cast<int>(digits.size()) - 3; at > 0; at -= 3)
        digits.insert(static_cast<std::size_t>(at), ",");
    return digits;
}

} // namespace

bool registerScanSuite(TreeGenerator& scratch, FigureTable& table, bool quick)
{
    FigureTable::Section section;
    section.title = "Start-up scan, warm cache: our scan against `find ROOT -printf '%y %s\\n'`";
    section.oursHeading = "scan";
    section.referenceHeading = "find";

    const std::size_t sizes[] = {10000, 100000};
    for (const TreeShape shape : {TreeShape::Flat, TreeShape::Nested}) {
        for (const std::size_t entries : sizes) {
            if (quick && entries > 10000)
                continue;
            std::fprintf(stderr, "making a %s tree of %zu entries\n", TreeGenerator::shapeName(shape), entries);
            // Sizes vary in real trees; give the files some so both sides report them.
            const std::string root = scratch.make(shape, entries, 100);
            if (root.empty()) {
                std::fprintf(stderr, "cannot make the tree: %s\n", scratch.error().c_str());
                return false;
            }

            // Warms the cache for both sides and measures our memory once.
            std::string error;
            if (!runFind(root, error)) {
                std::fprintf(stderr, "%s\n", error.c_str());
                return false;
            }
            ScanProbe::Growth growth;
            double bytesPerNode = -1.0;
            if (ScanProbe::measureGrowth(root, growth, error) && growth.nodes > 0)
                bytesPerNode = static_cast<double>(growth.bytes) / static_cast<double>(growth.nodes);
            else
                std::fprintf(stderr, "memory per node not measured: %s\n", error.c_str());

            const std::string suffix = std::string(TreeGenerator::shapeName(shape)) + "/" + std::to_string(entries);
            // Each scan of a large tree takes a while; a few are enough for a steady median.
            const benchmark::IterationCount iterations = entries > 10000 ? 5 : 15;
            benchmark::RegisterBenchmark(("scan/" + suffix).c_str(), scanAgainstFind, root, bytesPerNode)
                ->Iterations(iterations)
                ->Unit(benchmark::kMillisecond)
                ->UseManualTime();

            FigureTable::Row row;
            row.label = std::string(TreeGenerator::shapeName(shape)) + ", " + withThousands(entries) + " entries";
            row.ours = "scan/" + suffix;
            row.oursCounter = AlternatingTimer::kOursCounter;
            row.referenceCounter = AlternatingTimer::kReferenceCounter;
            row.measure = FigureTable::Measure::Milliseconds;
            row.targetRatio = kTargetRatio;
            if (bytesPerNode >= 0.0) {
                row.extraCounter = "bytes_per_node";
                row.extraUnit = "bytes/node";
                row.extraLimit = kTargetBytesPerNode;
            }
            section.rows.push_back(row);
        }
    }
    table.addSection(section);
    return true;
}
