#pragma once

#include <cstdint>
#include <string>

// Sizes in the decimal units people read: "0 B", "999 B", "12.3 kB", "4.1 GB".
class ByteSize {
public:
    // Whole bytes below 1000; above, one decimal in the largest unit that
    // keeps the rounded value under 1000 (999 950 bytes is "1.0 MB").
    static std::string format(std::uint64_t bytes);
};
