// lumenfold-bench: every figure of the viewer's speed beside its reference,
// measured in one run. Needs an X display with GL (Xvfb is enough).
//   lumenfold-bench [--quick] [--cold] [--huge[=KEPT_ROOT]] [--suites=scan,frame,...] [Google Benchmark flags]
// --quick keeps the small sizes only, for a fast check that everything runs;
// --suites makes and runs only the suites named (scan, startup, frame, model, live,
// explore, explore_text, background, navigate), sparing the others' trees;
// --cold adds the scans from a cold cache (it drops the page cache before
// each run, which needs root and disturbs whatever else runs on the machine);
// --huge adds ten million entries (a tree of 10,000 folders x 999 files, some
// ten minutes to make and as long to remove on this machine's two cores);
// --huge=PATH makes that tree at PATH and keeps it, or uses it if it is there.
#include "app/Application.h"
#include "bench/BenchWindow.h"
#include "bench/FigureTable.h"
#include "bench/ScanProbe.h"
#include "bench/Suites.h"
#include "bench/TreeGenerator.h"

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <utility>

namespace {

bool takeFlag(int& argc, char** argv, const char* flag)
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], flag) == 0) {
            for (int j = i; j + 1 < argc; ++j)
                argv[j] = argv[j + 1];
            --argc;
            return true;
        }
    }
    return false;
}

// Loads both symbol models the way the viewer does, by scanning a folder
// holding one folder and one file, so no benchmark pays for the first load.
bool loadSymbols(TreeGenerator& scratch)
{
    const std::string root = scratch.make(TreeShape::Flat, 10);
    if (root.empty())
        return false;
    ScanProbe::release(ScanProbe::scan(root));
    return true;
}

// The value of `--name=VALUE`, taken out of argv; empty when not given.
std::string takeValue(int& argc, char** argv, const char* name)
{
    const std::string prefix = std::string("--") + name + "=";
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], prefix.c_str(), prefix.size()) == 0) {
            std::string value = argv[i] + prefix.size();
            for (int j = i; j + 1 < argc; ++j)
                argv[j] = argv[j + 1];
            --argc;
            return value;
        }
    }
    return std::string();
}

// Whether `suite` is among the comma-separated `chosen`; every suite when none is.
bool isChosen(const std::string& chosen, const std::string& suite)
{
    return chosen.empty() || ("," + chosen + ",").find("," + suite + ",") != std::string::npos;
}

} // namespace

int main(int argc, char** argv)
{
    const bool quick = takeFlag(argc, argv, "--quick");
    const bool cold = takeFlag(argc, argv, "--cold");
    const std::string suites = takeValue(argc, argv, "suites");
    const std::string hugeRoot = takeValue(argc, argv, "huge");
    const bool huge = takeFlag(argc, argv, "--huge") || !hugeRoot.empty();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 2;

    BenchWindow window;
    if (!window.open()) {
        std::fprintf(stderr, "lumenfold-bench: %s\n", window.error().c_str());
        return 1;
    }
    TreeGenerator scratch;
    if (!scratch.isReady() || !loadSymbols(scratch)) {
        std::fprintf(stderr, "lumenfold-bench: %s\n", scratch.error().c_str());
        return 1;
    }
    // The viewer's fixed GL state, lights and projection, set after the models
    // as at start-up.
    Application::initGL();
    Application::resizeWindow(BenchWindow::kWidth, BenchWindow::kHeight);

    // Colours only on a terminal, so a saved log stays plain text.
    FigureTable table(isatty(STDOUT_FILENO) ? FigureTable::OO_Defaults : FigureTable::OO_Tabular);
    using Register = bool (*)(TreeGenerator&, FigureTable&, bool);
    const std::pair<const char*, Register> all[] = {
        {"scan", registerScanSuite},
        {"startup", registerStartupSuite},
        {"frame", registerFrameSuite},
        {"model", registerModelSuite},
        {"explore", registerExploreSuite},
        {"explore_text", registerExploreTextSuite},
        {"background", registerBackgroundSuite},
        {"navigate", registerNavigateSuite},
        {"export", registerExportSuite},
        {"types", registerTypesSuite},
        {"map", registerMapSuite},
        {"live", registerLiveSuite},
    };
    for (const auto& [name, enrol] : all)
        if (isChosen(suites, name) && !enrol(scratch, table, quick))
            return 1;
    if (cold && !registerColdScanSuite(scratch, table, quick))
        return 1;
    if (huge && quick)
        std::fprintf(stderr, "lumenfold-bench: --huge is for full runs; left out with --quick\n");
    else if (huge && !registerHugeSuite(scratch, table, hugeRoot))
        return 1;

    benchmark::RunSpecifiedBenchmarks(&table);
    const int missed = table.print(stdout);
    std::printf("%d target%s missed\n", missed, missed == 1 ? "" : "s");
    benchmark::Shutdown();
    return 0;
}
