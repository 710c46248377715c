// The explore view: the processor time of an idle window against the
// plain view's over the same time, both the real program on this display;
// and the distance one simulated second of walking covers at several frame
// rates, which must not depend on the rate.
#include "bench/FigureTable.h"
#include "bench/Suites.h"
#include "bench/TreeGenerator.h"
#include "explore/ExploreState.h"
#include "tools/ChildProcess.h"
#include "tools/XSession.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr int kWindowTimeoutMs = 30000;
constexpr int kFrameRates[] = {30, 300, 3000};

std::string rateCounter(int rate)
{
    return "walked_at_" + std::to_string(rate);
}

// Processor seconds the viewer uses over `idle` once its window shows and the
// scan is over; the viewer must print its loading lines. -1
// with the reason in `problem` when it cannot be measured.
double idleCpuSeconds(const std::vector<std::string>& argv, std::chrono::seconds idle, std::string& problem)
{
    ChildProcess viewer;
    if (!viewer.start(argv)) {
        problem = viewer.error();
        return -1.0;
    }
    XSession x;
    const XSession::WindowId window = x.findWindow("Lumenfold", kWindowTimeoutMs);
    if (window == 0 || !x.focus(window)) {
        problem = "no viewer window: " + x.error();
        return -1.0;
    }
    // The window shows before the scan; the root's own symbol is the scan's last.
    if (!viewer.waitForOutput("folder.ASE ... done\n", kWindowTimeoutMs)) {
        problem = "the viewer never finished loading";
        return -1.0;
    }
    // The first frames and the focus change settle first.
    std::this_thread::sleep_for(std::chrono::seconds(1));
    const double before = viewer.cpuSeconds();
    std::this_thread::sleep_for(idle);
    const double used = viewer.cpuSeconds() - before;
    viewer.stop();
    return before < 0.0 ? -1.0 : used;
}

void idleAgainstPlain(benchmark::State& state, const std::string& root)
{
    const std::chrono::seconds idle(10);
    for (auto _ : state) {
        std::string problem;
        const double explore = idleCpuSeconds({LUMENFOLD_BENCH_VIEWER, "--explore", "--verbose", root}, idle, problem);
        const double plain = idleCpuSeconds({LUMENFOLD_BENCH_VIEWER, root}, idle, problem);
        if (explore < 0.0 || plain < 0.0) {
            state.SkipWithError(problem.c_str());
            return;
        }
        state.SetIterationTime(static_cast<double>(idle.count()));
        state.counters["ours_seconds"] = explore;
        state.counters["reference_seconds"] = plain;
    }
}

// Up held for one second of a clock the benchmark drives, at each rate.
void walkOneSecond(benchmark::State& state)
{
    for (auto _ : state) {
        for (const int rate : kFrameRates) {
            ExploreState explore;
            const Vector3 start = explore.camera().position;
            explore.hold(ExploreState::kWalkForward, true, 0.0);
            for (int frame = 1; frame < rate; ++frame)
                explore.advanceTo(static_cast<double>(frame) / rate);
            explore.hold(ExploreState::kWalkForward, false, 1.0);
            state.counters[rateCounter(rate)] = (explore.camera().position - start).length();
        }
    }
}

} // namespace

bool registerExploreSuite(TreeGenerator& scratch, FigureTable& table, bool /*quick*/)
{
    const std::string root = scratch.make(TreeShape::Flat, 100);
    if (root.empty()) {
        std::fprintf(stderr, "cannot make the tree: %s\n", scratch.error().c_str());
        return false;
    }
    benchmark::RegisterBenchmark("explore/idle_cpu", idleAgainstPlain, root)->Iterations(1)->UseManualTime();
    benchmark::RegisterBenchmark("explore/walk_one_second", walkOneSecond)->Iterations(1);

    FigureTable::Row cpu;
    cpu.label = "CPU time over 10 s";
    cpu.ours = "explore/idle_cpu";
    cpu.oursCounter = "ours_seconds";
    cpu.referenceCounter = "reference_seconds";
    cpu.measure = FigureTable::Measure::Milliseconds;
    cpu.targetRatio = 0.02;
    table.addSection("Explore view: processor time of a window left alone for 10 s, 100 entries", "--explore",
                     "plain view", cpu);

    FigureTable::Section walk;
    walk.title = "Explore view: distance walked with Up held for one simulated second";
    walk.oursHeading = "at the rate";
    walk.referenceHeading = "at 30 frames/s";
    for (const int rate : kFrameRates) {
        FigureTable::Row row;
        row.label = std::to_string(rate) + " frames/s";
        row.ours = "explore/walk_one_second";
        row.oursCounter = rateCounter(rate);
        row.referenceCounter = rateCounter(kFrameRates[0]);
        row.measure = FigureTable::Measure::Units;
        row.targetRatio = 0.05;
        walk.rows.push_back(row);
    }
    table.addSection(walk);
    return true;
}
