#pragma once

#include "tree/EntryTree.h"
#include "types/TypeGroup.h"

#include <cstdint>
#include <string>
#include <vector>

// What the legend shows for a folder: per group, the entries of its subtree
// at every depth that fall in it and their bytes (each regular file counted
// once), largest first; groups without entries are left out.
class TypeLegend {
public:
    struct Row {
        TypeGroup group;
        std::uint64_t entries;
        std::uint64_t bytes;
    };

    // Only the listed part of a tree a scan is still reading is counted.
    static std::vector<Row> tally(const EntryTree& tree, EntryId folder);
    // "image  ·  12 entries  ·  4.1 MB".
    static std::string describe(const Row& row);
};
