#pragma once

#include <benchmark/benchmark.h>

#include <string>

class EntryScan;
class ExploreState;

// The explore view's worker scan as the bench times it: its first frame, its
// whole scan, each alone and against another tree in turns.
class WorkerRuns {
public:
    // From the scan's start until a frame showing the top folder's row is
    // drawn. The scan goes on; release() ends it.
    static EntryScan* firstFrame(const std::string& root, bool oneFileSystem, ExploreState& state);
    // The worker's whole scan, its end polled, nothing drawn meanwhile.
    static EntryScan* wholeScan(const std::string& root);
    // Stops the scan and frees its tree, outside the timings.
    static void release(EntryScan*& scan);

    // The first frame on `large` against that on `small`, in turns.
    static void firstFrameAgainst(benchmark::State& state, const std::string& large, const std::string& small);
    // The worker's whole scan of `large` against that of `small`, in turns.
    static void wholeScanAgainst(benchmark::State& state, const std::string& large, const std::string& small);
};
