#pragma once

#include <cstdint>

// This process's resident memory, for measuring how much a piece of work makes
// the process grow.
class ResidentMemory {
public:
    // Resident set size in bytes, counted page by page (smaps_rollup): exact,
    // where the kernel's running totals below may be off by its per-CPU
    // batching, a few hundred kilobytes. 0 when it cannot be read.
    static std::uint64_t counted();

    // The kernel's running total of the resident size, and its highest value
    // since start or the last resetPeak(); 0 when unknown.
    static std::uint64_t current();
    static std::uint64_t peak();
    // Another process's highest resident size so far; 0 when unknown.
    static std::uint64_t peakOf(int pid);
    // Lowers the recorded peak to the current size; false when the kernel refuses.
    static bool resetPeak();
};
