#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

// Finding entries by a piece of their name, without regard to case.
class NameSearch {
public:
    enum Match : std::uint8_t {
        kNone = 0,
        kStarts = 1,
        kContains = 2, // somewhere after the start
    };

    // The name of slot i of a row.
    using NameOf = std::function<std::string_view(std::size_t)>;
    // The slots among [0, count) whose names contain `text`: those whose
    // names start with it first, then the others, each group in row order.
    // Empty text matches nothing.
    static std::vector<std::size_t> matches(std::size_t count, const NameOf& nameOf, std::string_view text);
};
