// Export files: reading the export of a tree (plain and gzip) against our own
// scan of that tree, warm cache, taken in turns. The reading hands every entry
// to a sink that only counts, so the figure is the reader's part of an import.
#include "app/TreeExport.h"
#include "bench/AlternatingTimer.h"
#include "bench/FigureTable.h"
#include "bench/ScanProbe.h"
#include "bench/Suites.h"
#include "bench/TreeGenerator.h"
#include "exchange/EntryImport.h"
#include "exchange/ExportReader.h"
#include "exchange/ExportWriter.h"
#include "tree/EntryScan.h"

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>
#include <zlib.h>

#include <thread>

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr double kTargetRatioPlain = 1.0;
constexpr double kTargetRatioGzip = 1.5;

class CountingSink : public ExportSink {
public:
    void metadata(const ExportMetadata&) override {}
    void beginFolder(const ExportEntry&) override { ++entries; }
    void entry(const ExportEntry& entry) override { entries += entry.name.empty() ? 0 : 1; }
    void endFolder() override {}
    void stopped(const ExportProblem&) override { failed = true; }
    std::size_t entries = 0;
    bool failed = false;
};

bool writeExport(const std::string& root, const std::string& file)
{
    FsNode* tree = ScanProbe::scan(root);
    const int fd = open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ExportWriter writer(fd, ExportMetadata{});
    TreeExport(*tree, {}, root).write(writer);
    const bool written = writer.finish() && close(fd) == 0;
    ScanProbe::release(tree);
    return written;
}

bool gzipFile(const std::string& from, const std::string& to)
{
    std::FILE* in = std::fopen(from.c_str(), "rb");
    gzFile out = gzopen(to.c_str(), "wb6");
    if (in == nullptr || out == nullptr)
        return false;
    std::vector<char> block(1 << 16);
    bool good = true;
    for (std::size_t got; (got = std::fread(block.data(), 1, block.size(), in)) > 0;)
        good = gzwrite(out, block.data(), static_cast<unsigned>(got)) == static_cast<int>(got) && good;
    std::fclose(in);
    return gzclose(out) == Z_OK && good;
}

void readAgainstScan(benchmark::State& state, const std::string& file, const std::string& root)
{
    AlternatingTimer timer;
    for (auto _ : state) {
        FsNode* tree = nullptr;
        CountingSink sink;
        timer.runIteration(
            state,
            [&] {
                ExportInput input;
                input.open(file);
                ExportReader::read(input, sink);
            },
            [&] { tree = ScanProbe::scan(root); });
        ScanProbe::release(tree); // outside both timings
        if (sink.failed || sink.entries == 0) {
            state.SkipWithError("the export could not be read");
            break;
        }
    }
    timer.finish(state);
}

// --import against the explore view's scan: both fill an EntryTree on their
// worker; the tree's bytes per entry go beside each as counters.
void importAgainstScan(benchmark::State& state, const std::string& file, const std::string& root)
{
    AlternatingTimer timer;
    double importBytes = 0.0;
    double scanBytes = 0.0;
    for (auto _ : state) {
        bool failed = false;
        timer.runIteration(
            state,
            [&] {
                EntryImport import(file);
                while (!import.ended())
                    std::this_thread::sleep_for(std::chrono::microseconds(200));
                failed = import.stoppedEarly() || import.tree().size() < 2;
                importBytes = static_cast<double>(import.tree().memoryBytes()) / import.tree().size();
            },
            [&] {
                EntryScan scan(root, false);
                while (!scan.ended())
                    std::this_thread::sleep_for(std::chrono::microseconds(200));
                scanBytes = static_cast<double>(scan.tree().memoryBytes()) / scan.tree().size();
            });
        if (failed) {
            state.SkipWithError("the export could not be imported");
            break;
        }
    }
    timer.finish(state);
    state.counters["import_bytes_per_entry"] = importBytes;
    state.counters["scan_bytes_per_entry"] = scanBytes;
}

} // namespace

bool registerExportSuite(TreeGenerator& scratch, FigureTable& table, bool quick)
{
    const std::size_t entries = quick ? 100000 : 1000000;
    std::fprintf(stderr, "making a square tree of %zu entries and its export\n", entries);
    const std::string root = scratch.make(TreeShape::Square, entries, 100);
    const std::string plain = scratch.scratchFile("square.json");
    const std::string gzipped = plain + ".gz";
    if (root.empty() || !writeExport(root, plain) || !gzipFile(plain, gzipped)) {
        std::fprintf(stderr, "cannot make the export: %s\n", scratch.error().c_str());
        return false;
    }
    FigureTable::Section section;
    section.title = "Reading an export, warm cache: the reader into a counting sink against our scan of the tree";
    section.oursHeading = "read";
    section.referenceHeading = "scan";
    const struct {
        const char* label;
        const std::string* file;
        double target;
    } kinds[] = {{"plain", &plain, kTargetRatioPlain}, {"gzip", &gzipped, kTargetRatioGzip}};
    for (const auto& kind : kinds) {
        const std::string name = std::string("export-read/") + kind.label + "/" + std::to_string(entries);
        benchmark::RegisterBenchmark(name.c_str(), readAgainstScan, *kind.file, root)
            ->Iterations(5)
            ->Unit(benchmark::kMillisecond)
            ->UseManualTime();
        FigureTable::Row row;
        row.label = std::string(kind.label) + ", " + std::to_string(entries) + " entries";
        row.ours = name;
        row.oursCounter = AlternatingTimer::kOursCounter;
        row.referenceCounter = AlternatingTimer::kReferenceCounter;
        row.measure = FigureTable::Measure::Milliseconds;
        row.targetRatio = kind.target;
        section.rows.push_back(row);
    }
    table.addSection(section);

    FigureTable::Section imports;
    imports.title = "Importing an export into the explore view's tree, warm cache, against its scan of the tree";
    imports.oursHeading = "import";
    imports.referenceHeading = "scan";
    for (const auto& kind : kinds) {
        const std::string name = std::string("export-import/") + kind.label + "/" + std::to_string(entries);
        benchmark::RegisterBenchmark(name.c_str(), importAgainstScan, *kind.file, root)
            ->Iterations(5)
            ->Unit(benchmark::kMillisecond)
            ->UseManualTime();
        FigureTable::Row row;
        row.label = std::string(kind.label) + ", " + std::to_string(entries) + " entries";
        row.ours = name;
        row.oursCounter = AlternatingTimer::kOursCounter;
        row.referenceCounter = AlternatingTimer::kReferenceCounter;
        row.measure = FigureTable::Measure::Milliseconds;
        row.targetRatio = kind.target;
        imports.rows.push_back(row);
    }
    table.addSection(imports);
    return true;
}
