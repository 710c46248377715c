#pragma once

#include <cstdint>
#include <functional>
#include <string_view>
#include <vector>

// Sorts a folder's names into NameOrder, each in its group: the positions 0
// .. count - 1 of the names, ordered by group (smaller first), then by
// NameOrder, equal names by position. Each name's key is made once; the
// names are distributed by the first bytes of their keys, a byte at a time
// (a radix sort on a fixed prefix), and only names whose prefixes tie are
// compared, by their whole keys and then their bytes. Pure: the names come
// through an accessor, so any tree can be sorted this way.
class NameSort {
public:
    using NameOf = std::function<std::string_view(std::uint32_t)>;
    using GroupOf = std::function<std::uint8_t(std::uint32_t)>;

    static std::vector<std::uint32_t> sorted(std::uint32_t count, const NameOf& nameOf, const GroupOf& groupOf);
};
