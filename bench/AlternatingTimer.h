#pragma once

#include "bench/FigureTable.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <string>
#include <vector>

// Times our work and its reference in alternation within one benchmark, so
// that both see the same machine: on a shared machine, load that comes and
// goes would otherwise fall on one side only. Each side's figure is the median
// of its iterations, which a few disturbed iterations do not move. Needs
// UseManualTime(): the benchmark's own (mean) time is ours.
class AlternatingTimer {
public:
    // Counters holding the median seconds per iteration of each side.
    static constexpr const char* kOursCounter = "ours_seconds";
    static constexpr const char* kReferenceCounter = "reference_seconds";

    // Runs both once, in turns one first and then the other, timing each.
    template <typename Ours, typename Reference>
    void runIteration(benchmark::State& state, Ours&& ours, Reference&& reference)
    {
        runIteration(state, ours, reference, [] {});
    }

    // The same, running `settle` untimed after each side: it ends what a side
    // leaves running (a scan on a worker) before the other side starts.
    template <typename Ours, typename Reference, typename Settle>
    void runIteration(benchmark::State& state, Ours&& ours, Reference&& reference, Settle&& settle)
    {
        double oursSeconds = 0.0;
        if (oursFirst) {
            oursSeconds = timed(ours);
            settle();
            referenceSamples.push_back(timed(reference));
            settle();
        } else {
            referenceSamples.push_back(timed(reference));
            settle();
            oursSeconds = timed(ours);
            settle();
        }
        oursSamples.push_back(oursSeconds);
        oursFirst = !oursFirst;
        state.SetIterationTime(oursSeconds);
    }

    // Publishes both medians; call once after the loop.
    void finish(benchmark::State& state) const;

    // The median of the samples (mean of the middle two for an even count); 0 for none.
    static double median(std::vector<double> samples);

    // A figure-table row reading both sides, in milliseconds, from the
    // counters of benchmark `name`.
    static FigureTable::Row timedRow(const std::string& label, const std::string& name, double target);

private:
    template <typename Work>
    static double timed(Work& work)
    {
        const auto start = std::chrono::steady_clock::now();
        work();
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }

    std::vector<double> oursSamples;
    std::vector<double> referenceSamples;
    bool oursFirst = true;
};
