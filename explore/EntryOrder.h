#pragma once

#include "tree/EntryTree.h"

#include <cstdint>
#include <string>
#include <vector>

// The orders a folder's entries can stand in. Every order but the listing's
// puts ties in name order.
enum class SortOrder : std::uint8_t {
    Name, // folders first, then files, each in NameOrder
    Size, // largest first: a folder by the total below it, anything else by its own size
    Time, // newest modification first
    Type, // by the group of the entry's type (folders, images, videos, ...), each group in name order
    Listing, // as the system listed them
};

// Sorting a folder's entries.
class EntryOrder {
public:
    // The order `s` moves on to: name, size, time, type, listing, name ...
    static SortOrder next(SortOrder order);
    // The status line's words for it, e.g. "Sorted by name".
    static std::string describe(SortOrder order);
    // The positions in `entries` (of `tree`) in `order`: 0, 1, 2 ... for the listing order.
    static std::vector<std::uint32_t> sorted(const EntryTree& tree, EntryRange entries, SortOrder order);
    // The same for a listed folder's entries, from the order by name its
    // source made beside the scan where there is one.
    static std::vector<std::uint32_t> sorted(const EntryTree& tree, EntryId folder, SortOrder order);
    // The same for a listing entries() gave, from the order stored with it.
    static std::vector<std::uint32_t> sortedListing(const EntryTree& tree, EntryRange listing, SortOrder order);
    // The order by name alone, as a source makes it (an EntryOrderer).
    static std::vector<std::uint32_t> byName(const EntryTree& tree, EntryRange entries);

private:
    static std::vector<std::uint32_t> sortedFrom(const EntryTree& tree, EntryRange entries,
                                                 const std::uint32_t* nameOrder, SortOrder order);
};
