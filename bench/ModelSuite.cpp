// Model reading: the ASE reader's throughput on a large generated file, and
// the time to load both symbol files, each against merely reading the same
// bytes line by line, taken in turns.
#include "model/Model.h"
#include "bench/AlternatingTimer.h"
#include "bench/AseGenerator.h"
#include "bench/FigureTable.h"
#include "bench/Suites.h"
#include "bench/TreeGenerator.h"
#include "model/AseReader.h"

#include <GL/gl.h>
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <iostream>
#include <string>
#include <utility>
#include <vector>

namespace {

constexpr std::size_t kLargeFaces = 120000;
constexpr std::size_t kQuickFaces = 20000;

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

std::size_t readWithReader(const std::vector<std::string>& paths)
{
    std::size_t faces = 0;
    for (const std::string& path : paths) {
        std::ifstream file(path, std::ios::binary);
        faces += AseReader::readStream(file).faces.size();
    }
    return faces;
}

std::size_t readLines(const std::vector<std::string>& paths)
{
    std::size_t lines = 0;
    for (const std::string& path : paths) {
        std::ifstream file(path, std::ios::binary);
        std::string line;
        while (std::getline(file, line))
            ++lines;
    }
    return lines;
}

void readerAgainstLines(benchmark::State& state, const std::vector<std::string>& paths)
{
    AlternatingTimer timer;
    std::size_t faces = 0;
    for (auto _ : state) {
        timer.runIteration(
            state, [&] { faces = readWithReader(paths); }, [&] { benchmark::DoNotOptimize(readLines(paths)); });
    }
    timer.finish(state);
    state.counters["bytes"] = static_cast<double>(fileBytes(paths));
    state.counters["faces"] = static_cast<double>(faces);
}

// The whole load the viewer does at start-up: read and compile both symbols.
void loadAgainstLines(benchmark::State& state, const std::vector<std::string>& paths)
{
    SilencedOutput silenced;
    AlternatingTimer timer;
    for (auto _ : state) {
        GLuint lists[2] = {0, 0};
        timer.runIteration(
            state,
            [&] {
                Model folder("folder");
                Model file("file");
                lists[0] = folder.displayList;
                lists[1] = file.displayList;
            },
            [&] { benchmark::DoNotOptimize(readLines(paths)); });
        // Each model leaves a placement open and keeps its list; undo both.
        glPopMatrix();
        glPopMatrix();
        glDeleteLists(lists[0], 1);
        glDeleteLists(lists[1], 1);
    }
    timer.finish(state);
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

    for (const auto& [name, files] : {std::pair{"ase/large", largeFiles}, std::pair{"ase/symbols", symbolFiles}}) {
        benchmark::RegisterBenchmark(name, readerAgainstLines, files)->Unit(benchmark::kMillisecond)->UseManualTime();
    }
    benchmark::RegisterBenchmark("model/symbols", loadAgainstLines, symbolFiles)
        ->Unit(benchmark::kMillisecond)
        ->UseManualTime();

    FigureTable::Section section;
    section.title = "Model reading: the ASE reader against reading the same lines with std::getline";
    section.oursHeading = "reader";
    section.referenceHeading = "getline";

    FigureTable::Row row;
    char label[64];
    std::snprintf(label, sizeof label, "%zu-face file, %.1f MB", (faces + 1) / 2 * 2,
                  static_cast<double>(fileBytes(largeFiles)) / 1e6);
    row.label = label;
    row.ours = "ase/large";
    row.oursCounter = AlternatingTimer::kOursCounter;
    row.referenceCounter = AlternatingTimer::kReferenceCounter;
    row.measure = FigureTable::Measure::MegabytesPerSecond;
    section.rows.push_back(row);

    row.label = "both symbol files, read";
    row.ours = "ase/symbols";
    row.measure = FigureTable::Measure::Milliseconds;
    section.rows.push_back(row);

    row.label = "both symbols, read + compile";
    row.ours = "model/symbols";
    section.rows.push_back(row);

    table.addSection(section);
    return true;
}
