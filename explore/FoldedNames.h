#pragma once

#include "explore/NameSearch.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// A folder's names passed through CaseFold, one after another in one buffer,
// so that each find keystroke runs over contiguous memory rather than over
// the nodes scattered through the tree. Each name is followed by a zero
// byte, which no name and no typed text holds, so a hit never runs from one
// name into the next. Built once per folder, then reused.
class FoldedNames {
public:
    FoldedNames() = default;
    // The names of slots [0, count), kept in that order.
    FoldedNames(std::size_t count, const NameSearch::NameOf& nameOf);

    // Becomes `source`'s names in another order: name i is source's name
    // positions[i], for i in [0, count). Keeps this one's memory.
    void assignInOrder(const FoldedNames& source, const std::uint32_t* positions, std::size_t count);

    std::size_t size() const { return starts.empty() ? 0 : starts.size() - 1; }
    // Name i as folded.
    std::string_view name(std::size_t i) const { return {text.data() + starts[i], starts[i + 1] - starts[i] - 1}; }
    // How name i holds `folded`, a text already passed through CaseFold;
    // nothing for empty text.
    NameSearch::Match match(std::size_t i, std::string_view folded) const;
    // The names holding `folded` into `found`: those starting with it, then
    // the others, each in name order; returns how many start with it. One
    // search along the buffer, going on at the next name after each hit.
    // `spare` is scratch; both keep their memory for the next call.
    std::size_t findAll(std::string_view folded, std::vector<std::size_t>& found,
                        std::vector<std::size_t>& spare) const;
    // The same for a text that extends the one `found` holds the names of
    // (its first `starting` starting with it): only those names can hold
    // the longer text, so only they are looked at again.
    std::size_t narrow(std::string_view folded, std::size_t starting, std::vector<std::size_t>& found,
                       std::vector<std::size_t>& spare) const;

private:
    std::string text;
    // Where each name starts in `text`, and one past the last name's zero byte.
    std::vector<std::uint32_t> starts;
};
