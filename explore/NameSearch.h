#pragma once

#include <cstddef>
#include <functional>
#include <string_view>
#include <vector>

// Finding entries by a piece of their name, without regard to case.
class NameSearch {
public:
    // The name of slot i of a row.
    using NameOf = std::function<std::string_view(std::size_t)>;

    // The slots among [0, count) whose names contain `text`: first those whose
    // names start with it, then the others, each group in row order. Empty
    // text matches nothing.
    static std::vector<std::size_t> matches(std::size_t count, const NameOf& nameOf, std::string_view text);
    // The same among the slots `earlier` found for a text that `text` extends
    // (any name containing `text` contains that one): the search narrows as
    // the user types instead of reading every name again.
    static std::vector<std::size_t> narrowed(const std::vector<std::size_t>& earlier, const NameOf& nameOf,
                                             std::string_view text);
};
