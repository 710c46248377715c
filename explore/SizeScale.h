#pragma once

#include "tree/EntryTree.h"

#include <cstdint>

// How tall an entry's symbol stands for its size: on a logarithmic scale,
// 1 for nothing, 1 + 2 * log10(1 + bytes) / 11, so 1 kB stands about 1.5
// times its model's height, 1 GB about 2.6 and 100 GB 3.
class SizeScale {
public:
    static float heightFactor(std::uint64_t bytes);

    // The bytes an entry's symbol shows: for a listed folder the total of the
    // files below it, for a file or a link to one its size, for anything
    // else (a folder not entered, a device, a dangling link) nothing.
    static std::uint64_t shownBytes(const EntryTree& tree, EntryId entry);
};
