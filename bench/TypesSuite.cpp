// File types: typing every entry of a tree of a million entries from its
// name, against the scan of that tree, and the bytes a type costs per entry.
// The generated tree's names carry no suffix, so the names typed are real
// ones, drawn from /usr in turn until there are as many as entries.
#include "bench/AlternatingTimer.h"
#include "bench/FigureTable.h"
#include "bench/ScanProbe.h"
#include "bench/Suites.h"
#include "bench/TreeGenerator.h"
#include "bench/ViewerLaunch.h"
#include "types/TypeDatabase.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr double kTargetTypingRatio = 0.15;
constexpr double kTargetBytesPerEntry = 2.0;
constexpr double kTargetFirstFrameRatio = 1.1;
constexpr std::size_t kMixedFolderFiles = 2000;

std::vector<std::string> namesBelow(const char* folder, std::size_t count)
{
    namespace fs = std::filesystem;
    std::vector<std::string> found;
    std::error_code error;
    for (fs::recursive_directory_iterator it(folder, fs::directory_options::skip_permission_denied, error), end;
         it != end && !error && found.size() < count; it.increment(error))
        found.push_back(it->path().filename().string());
    std::vector<std::string> names;
    names.reserve(count);
    for (std::size_t i = 0; !found.empty() && names.size() < count; ++i)
        names.push_back(found[i % found.size()]);
    return names;
}

void typingAgainstScan(benchmark::State& state, const std::string& root, std::shared_ptr<const TypeDatabase> database,
                       std::shared_ptr<const std::vector<std::string>> names)
{
    AlternatingTimer timer;
    std::vector<MimeType> types;
    for (auto _ : state) {
        FsNode* tree = nullptr;
        timer.runIteration(
            state,
            [&] {
                types.assign(names->size(), 0);
                for (std::size_t i = 0; i < names->size(); ++i)
                    types[i] = database->typeOf((*names)[i], EntryKind::File, 0100644, 1);
                benchmark::DoNotOptimize(types.data());
            },
            [&] { tree = ScanProbe::scan(root); });
        ScanProbe::release(tree); // outside both timings
    }
    timer.finish(state);
    state.counters["bytes_per_entry"]
        = static_cast<double>(types.capacity() * sizeof(MimeType)) / static_cast<double>(names->size());
}

// A folder of files named as files below /usr are, so that every group shows.
std::string makeMixedFolder(TreeGenerator& scratch)
{
    namespace fs = std::filesystem;
    std::vector<std::string> names = namesBelow("/usr", kMixedFolderFiles * 4);
    std::sort(names.begin(), names.end());
    names.erase(std::unique(names.begin(), names.end()), names.end());
    const std::string folder = scratch.scratchFile("mixed");
    std::error_code error;
    fs::create_directory(folder, error);
    std::size_t made = 0;
    for (const std::string& name : names) {
        if (made == kMixedFolderFiles)
            break;
        std::ofstream file(folder + "/" + name);
        made += file ? 1 : 0;
    }
    return made == 0 ? std::string() : folder;
}

// The explore view's first frame on the mixed folder with the system's MIME
// database and with none (the data folders pointed at an empty one), taken
// in turns: typing must not hold the first frame back.
void firstFrameWithTypes(benchmark::State& state, const std::string& folder, const std::string& noData)
{
    const std::map<std::string, std::string> withoutTypes{{"XDG_DATA_HOME", noData}, {"XDG_DATA_DIRS", noData}};
    std::vector<double> with;
    std::vector<double> without;
    bool withFirst = true;
    for (auto _ : state) {
        std::string problem;
        ViewerLaunch typed;
        ViewerLaunch untyped;
        for (int turn = 0; turn < 2; ++turn) {
            if ((turn == 0) == withFirst)
                typed = ViewerLaunch::run({LUMENFOLD_BENCH_VIEWER, "--explore", folder}, problem, false);
            else
                untyped
                    = ViewerLaunch::run({LUMENFOLD_BENCH_VIEWER, "--explore", folder}, problem, false, withoutTypes);
        }
        withFirst = !withFirst;
        if (typed.firstFrameSeconds < 0.0 || untyped.firstFrameSeconds < 0.0) {
            state.SkipWithError(problem.c_str());
            return;
        }
        with.push_back(typed.firstFrameSeconds);
        without.push_back(untyped.firstFrameSeconds);
        state.SetIterationTime(typed.firstFrameSeconds);
    }
    state.counters[AlternatingTimer::kOursCounter] = AlternatingTimer::median(with);
    state.counters[AlternatingTimer::kReferenceCounter] = AlternatingTimer::median(without);
}

} // namespace

bool registerTypesSuite(TreeGenerator& scratch, FigureTable& table, bool quick)
{
    const std::size_t entries = quick ? 100000 : 1000000;
    const std::string root = scratch.make(TreeShape::Square, entries);
    if (root.empty()) {
        std::fprintf(stderr, "cannot make the tree: %s\n", scratch.error().c_str());
        return false;
    }
    const auto database = TypeDatabase::readSystem();
    if (!database->hasPatterns())
        std::fprintf(stderr, "no shared MIME database found: every name types as unknown\n");
    const auto names = std::make_shared<const std::vector<std::string>>(namesBelow("/usr", entries));
    benchmark::RegisterBenchmark("types/typing", typingAgainstScan, root, database, names)
        ->Iterations(5)
        ->Unit(benchmark::kMillisecond)
        ->UseManualTime();

    FigureTable::Row row;
    row.label = std::to_string(entries) + " entries";
    row.ours = "types/typing";
    row.oursCounter = AlternatingTimer::kOursCounter;
    row.referenceCounter = AlternatingTimer::kReferenceCounter;
    row.measure = FigureTable::Measure::Milliseconds;
    row.targetRatio = kTargetTypingRatio;
    row.extraCounter = "bytes_per_entry";
    row.extraUnit = "bytes/entry";
    row.extraLimit = kTargetBytesPerEntry;
    table.addSection("File types: typing " + std::to_string(entries)
                         + " names (taken from /usr) against the scan of a tree of as many entries; bytes per entry",
                     "typing", "scan", row);

    const std::string mixed = makeMixedFolder(scratch);
    const std::string noData = scratch.scratchFile("no-data");
    std::error_code error;
    std::filesystem::create_directory(noData, error);
    if (mixed.empty()) {
        std::fprintf(stderr, "cannot make the mixed folder below %s\n", noData.c_str());
        return false;
    }
    benchmark::RegisterBenchmark("types/first frame", firstFrameWithTypes, mixed, noData)
        ->Iterations(quick ? 3 : 7)
        ->Unit(benchmark::kMillisecond)
        ->UseManualTime();
    FigureTable::Row frameRow;
    frameRow.label = "first frame";
    frameRow.ours = "types/first frame";
    frameRow.oursCounter = AlternatingTimer::kOursCounter;
    frameRow.referenceCounter = AlternatingTimer::kReferenceCounter;
    frameRow.measure = FigureTable::Measure::Milliseconds;
    frameRow.targetRatio = kTargetFirstFrameRatio;
    table.addSection("File types: the explore view's first frame on a folder of " + std::to_string(kMixedFolderFiles)
                         + " files named as below /usr, with the MIME database against without one",
                     "with types", "without", frameRow);
    return true;
}
