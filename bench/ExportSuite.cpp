// Export files: reading the export of a tree (plain and gzip) against our own
// scan of that tree, warm cache, taken in turns. The reading hands every entry
// to a sink that only counts, so the figure is the reader's part of an import.
#include "app/TreeExport.h"
#include "bench/AlternatingTimer.h"
#include "bench/FigureTable.h"
#include "bench/ScanProbe.h"
#include "bench/Suites.h"
#include "bench/TreeGenerator.h"
#include "bench/ViewerFrame.h"
#include "exchange/EntryImport.h"
#include "exchange/ExportReader.h"
#include "exchange/ExportWriter.h"
#include "explore/ExploreState.h"
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
// The import's first frame against the first frame of a 1,000-entry folder.
constexpr double kTargetFirstFrame = 1.5;

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

// The explore view's first frame of a tree its source fills, against
// another's: each source is stopped and freed outside the timings.
template <typename Ours, typename Reference>
void firstFrameAgainst(benchmark::State& state, Ours makeOurs, Reference makeReference)
{
    AlternatingTimer timer;
    for (auto _ : state) {
        TreeSource* source = nullptr;
        ExploreState views[2];
        timer.runIteration(
            state,
            [&] {
                source = makeOurs();
                ViewerFrame::firstExploreFrame(*source, views[0]);
            },
            [&] {
                source = makeReference();
                ViewerFrame::firstExploreFrame(*source, views[1]);
            },
            [&] {
                delete source;
                source = nullptr;
            });
    }
    timer.finish(state);
}

// The export's inputs: the file and its target ratio against the scan.
struct Input {
    const char* label;
    const std::string* file;
    double target;
};

// One row per input, each its own benchmark `prefix/label/entries` of `run(file, root)`.
template <typename Run>
void addRows(FigureTable::Section& section, const std::string& prefix, const std::vector<Input>& inputs,
             const std::string& root, std::size_t entries, Run run)
{
    for (const Input& input : inputs) {
        const std::string name = prefix + "/" + input.label + "/" + std::to_string(entries);
        benchmark::RegisterBenchmark(name.c_str(), run, *input.file, root)
            ->Iterations(5)
            ->Unit(benchmark::kMillisecond)
            ->UseManualTime();
        section.rows.push_back(AlternatingTimer::timedRow(
            std::string(input.label) + ", " + std::to_string(entries) + " entries", name, input.target));
    }
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
    const std::vector<Input> inputs = {{"plain", &plain, kTargetRatioPlain}, {"gzip", &gzipped, kTargetRatioGzip}};
    FigureTable::Section section;
    section.title = "Reading an export, warm cache: the reader into a counting sink against our scan of the tree";
    section.oursHeading = "read";
    section.referenceHeading = "scan";
    addRows(section, "export-read", inputs, root, entries, readAgainstScan);
    table.addSection(section);

    FigureTable::Section imports;
    imports.title = "Importing an export into the explore view's tree, warm cache, against its scan of the tree";
    imports.oursHeading = "import";
    imports.referenceHeading = "scan";
    addRows(imports, "export-import", inputs, root, entries, importAgainstScan);
    table.addSection(imports);

    // The first frame shows the top folder's first entries as they are read.
    const std::string small = scratch.make(TreeShape::Flat, 1000);
    FigureTable::Section first;
    first.title = "First frame of --import of the export (plain), warm cache, against the first frame of a scan";
    first.oursHeading = "import";
    first.referenceHeading = "scan";
    const struct {
        std::string label;
        std::string name;
        std::string scanned;
        double target;
    } frames[] = {{"against a 1,000-entry folder", "export-first-frame/folder", small, kTargetFirstFrame},
                  {"against the same tree (no target)", "export-first-frame/tree", root, 0.0}};
    for (const auto& frame : frames) {
        benchmark::RegisterBenchmark(frame.name.c_str(),
                                     [file = plain, scanned = frame.scanned](benchmark::State& state) {
                                         firstFrameAgainst(
                                             state, [&] { return new EntryImport(file); },
                                             [&] { return new EntryScan(scanned, false); });
                                     })
            ->Iterations(5)
            ->Unit(benchmark::kMillisecond)
            ->UseManualTime();
        first.rows.push_back(
            AlternatingTimer::timedRow(std::to_string(entries) + " entries " + frame.label, frame.name, frame.target));
    }
    table.addSection(first);
    return true;
}
