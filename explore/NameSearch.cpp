#include "explore/NameSearch.h"

#include "explore/FoldedNames.h"
#include "text/CaseFold.h"

std::vector<std::size_t> NameSearch::matches(std::size_t count, const NameOf& nameOf, std::string_view text)
{
    // The search the find field runs, over the row's folded names.
    std::vector<std::size_t> found;
    std::vector<std::size_t> spare;
    FoldedNames(count, nameOf).findAll(CaseFold::fold(text), found, spare);
    return found;
}
