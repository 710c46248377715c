// lumenfold-bench: every figure of the viewer's speed beside its reference,
// measured in one run. Needs an X display with GL (Xvfb is enough).
//   lumenfold-bench [--quick] [Google Benchmark flags]
// --quick keeps the small sizes only, for a fast check that everything runs.
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

} // namespace

int main(int argc, char** argv)
{
    const bool quick = takeFlag(argc, argv, "--quick");
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
    if (!registerScanSuite(scratch, table, quick) || !registerStartupSuite(scratch, table, quick)
        || !registerFrameSuite(scratch, table, quick) || !registerModelSuite(scratch, table, quick)
        || !registerExploreSuite(scratch, table, quick) || !registerExploreTextSuite(scratch, table, quick)
        || !registerBackgroundSuite(scratch, table, quick) || !registerNavigateSuite(scratch, table, quick)
        || !registerExportSuite(scratch, table, quick) || !registerMapSuite(scratch, table, quick))
        return 1;

    benchmark::RunSpecifiedBenchmarks(&table);
    const int missed = table.print(stdout);
    std::printf("%d target%s missed\n", missed, missed == 1 ? "" : "s");
    benchmark::Shutdown();
    return 0;
}
