#pragma once

#include <benchmark/benchmark.h>

#include <chrono>

// Times our work and its reference in alternation within one benchmark, so
// that both see the same machine: on a shared machine, load that comes and
// goes would otherwise fall on one side only. Needs UseManualTime(): the
// benchmark's own time is ours, and the counter kReferenceCounter holds the
// reference's seconds per iteration.
class AlternatingTimer {
public:
    static constexpr const char* kReferenceCounter = "reference_seconds";

    // Runs both once, in turns one first and then the other, timing each.
    template <typename Ours, typename Reference>
    void runIteration(benchmark::State& state, Ours&& ours, Reference&& reference)
    {
        double oursSeconds = 0.0;
        if (oursFirst) {
            oursSeconds = timed(ours);
            referenceSeconds += timed(reference);
        } else {
            referenceSeconds += timed(reference);
            oursSeconds = timed(ours);
        }
        oursFirst = !oursFirst;
        state.SetIterationTime(oursSeconds);
    }

    // Publishes the reference's time; call once after the loop.
    void finish(benchmark::State& state) const
    {
        state.counters[kReferenceCounter] = benchmark::Counter(referenceSeconds, benchmark::Counter::kAvgIterations);
    }

private:
    template <typename Work>
    static double timed(Work& work)
    {
        const auto start = std::chrono::steady_clock::now();
        work();
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }

    double referenceSeconds = 0.0;
    bool oursFirst = true;
};
