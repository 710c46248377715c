#pragma once

#include <cstdint>

// This process's resident memory as the kernel reports it, for measuring
// how much a piece of work makes the process grow at its peak.
class ResidentMemory {
public:
    // Current resident set size in bytes; 0 when it cannot be read.
    static std::uint64_t current();
    // Highest resident set size since start or the last resetPeak(); 0 when unknown.
    static std::uint64_t peak();
    // Lowers the recorded peak to the current size; false when the kernel refuses.
    static bool resetPeak();
};
