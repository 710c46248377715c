#pragma once

#include "explore/NameSearch.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// A folder's names passed through CaseFold, one after another in one buffer,
// so that each find keystroke runs over contiguous memory rather than over
// the nodes scattered through the tree. Built once per folder, then reused.
class FoldedNames {
public:
    FoldedNames() = default;
    // The names of slots [0, count), kept in that order.
    FoldedNames(std::size_t count, const NameSearch::NameOf& nameOf);

    std::size_t size() const { return starts.empty() ? 0 : starts.size() - 1; }
    // Name i as folded.
    std::string_view name(std::size_t i) const { return {text.data() + starts[i], starts[i + 1] - starts[i]}; }
    // How name i holds `folded`, a text already passed through CaseFold;
    // nothing for empty text.
    NameSearch::Match match(std::size_t i, std::string_view folded) const;
    // The same for every name at once, into `perName` (resized to size()):
    // one search along the buffer, skipping to the next name after a hit.
    void matchAll(std::string_view folded, std::vector<std::uint8_t>& perName) const;

private:
    std::string text;
    // Where each name starts in `text`, and one past the last name's end.
    std::vector<std::size_t> starts;
};
