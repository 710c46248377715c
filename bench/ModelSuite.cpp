// Model reading: the ASE reader's throughput on a large generated file, and
// the time to load both symbol files, each against merely reading the same
// bytes line by line.
#include "app/BuildConfig.h"
#include "bench/AseGenerator.h"
#include "bench/FigureTable.h"
#include "bench/Suites.h"
#include "bench/TreeGenerator.h"
#include "model/AseReader.h"
#include "model/Model.h"

#include <GL/gl.h>
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

namespace {

constexpr std::size_t kLargeFaces = 120000;
constexpr std::size_t kQuickFaces = 20000;
// The fastest repetition counts (see FigureTable).
constexpr int kRepetitions = 3;

std::uint64_t fileBytes(const std::vector<std::string>& paths)
{
    std::uint64_t total = 0;
    for (const std::string& path : paths) {
        std::ifstream file(path, std::ios::binary | std::ios::ate);
        if (file)
            total += static_cast<std::uint64_t>(file.tellg());
    }
    return total;
}

// Standard output goes to /dev/null while it lives: loading a model prints
// progress lines, which would drown the benchmark's own output.
class SilencedOutput {
public:
    SilencedOutput()
    {
        std::cout.flush();
        std::fflush(stdout);
        saved = dup(STDOUT_FILENO);
        const int sink = open("/dev/null", O_WRONLY | O_CLOEXEC);
        if (sink >= 0) {
            dup2(sink, STDOUT_FILENO);
            close(sink);
        }
    }
    ~SilencedOutput()
    {
        std::cout.flush();
        std::fflush(stdout);
        if (saved >= 0) {
            dup2(saved, STDOUT_FILENO);
            close(saved);
        }
    }
    SilencedOutput(const SilencedOutput&) = delete;
    SilencedOutput& operator=(const SilencedOutput&) = delete;

private:
    int saved = -1;
};

void readWithReader(benchmark::State& state, const std::vector<std::string>& paths)
{
    std::size_t faces = 0;
    for (auto _ : state) {
        for (const std::string& path : paths) {
            std::ifstream file(path, std::ios::binary);
            const MeshLists lists = AseReader::readStream(file);
            faces = lists.faces.size();
            benchmark::DoNotOptimize(faces);
        }
    }
    state.counters["bytes"] = static_cast<double>(fileBytes(paths));
    state.counters["faces"] = static_cast<double>(faces);
}

void readLines(benchmark::State& state, const std::vector<std::string>& paths)
{
    for (auto _ : state) {
        for (const std::string& path : paths) {
            std::ifstream file(path, std::ios::binary);
            std::string line;
            std::size_t lines = 0;
            while (std::getline(file, line))
                ++lines;
            benchmark::DoNotOptimize(lines);
        }
    }
    state.counters["bytes"] = static_cast<double>(fileBytes(paths));
}

// The whole load the viewer does at start-up: read and compile both symbols.
void loadSymbols(benchmark::State& state)
{
    SilencedOutput silenced;
    for (auto _ : state) {
        Model folder("folder");
        Model file("file");
        state.PauseTiming();
        // Each model leaves a placement open and keeps its list; undo both.
        glPopMatrix();
        glPopMatrix();
        glDeleteLists(folder.displayList, 1);
        glDeleteLists(file.displayList, 1);
        state.ResumeTiming();
    }
}

} // namespace

bool registerModelSuite(TreeGenerator& scratch, FigureTable& table, bool quick)
{
    const std::size_t faces = quick ? kQuickFaces : kLargeFaces;
    const std::string large = scratch.scratchFile("large.ASE");
    if (!AseGenerator::writeFile(large, faces)) {
        std::fprintf(stderr, "cannot write %s\n", large.c_str());
        return false;
    }
    const std::vector<std::string> largeFiles{large};
    const std::vector<std::string> symbolFiles{std::string(kSymbolDir) + "folder.ASE",
                                               std::string(kSymbolDir) + "file.ASE"};

    benchmark::RegisterBenchmark("ase/reader/large", readWithReader, largeFiles)
        ->Repetitions(kRepetitions)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    benchmark::RegisterBenchmark("ase/lines/large", readLines, largeFiles)
        ->Repetitions(kRepetitions)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    benchmark::RegisterBenchmark("ase/reader/symbols", readWithReader, symbolFiles)
        ->Repetitions(kRepetitions)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    benchmark::RegisterBenchmark("ase/lines/symbols", readLines, symbolFiles)
        ->Repetitions(kRepetitions)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    benchmark::RegisterBenchmark("model/load/symbols", loadSymbols)
        ->Repetitions(kRepetitions)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();

    FigureTable::Section section;
    section.title = "Model reading: the ASE reader against reading the same lines with std::getline";
    section.oursHeading = "reader";
    section.referenceHeading = "getline";

    FigureTable::Row row;
    char label[64];
    std::snprintf(label, sizeof label, "%zu-face file, %.1f MB", (faces + 1) / 2 * 2,
                  static_cast<double>(fileBytes(largeFiles)) / 1e6);
    row.label = label;
    row.ours = "ase/reader/large";
    row.reference = "ase/lines/large";
    row.measure = FigureTable::Measure::MegabytesPerSecond;
    section.rows.push_back(row);

    row.label = "both symbol files, read";
    row.ours = "ase/reader/symbols";
    row.reference = "ase/lines/symbols";
    row.measure = FigureTable::Measure::Milliseconds;
    section.rows.push_back(row);

    row.label = "both symbols, read + compile";
    row.ours = "model/load/symbols";
    row.reference = "ase/lines/symbols";
    section.rows.push_back(row);

    table.addSection(section);
    return true;
}
