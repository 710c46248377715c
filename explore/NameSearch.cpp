#include "explore/NameSearch.h"

#include "text/CaseFold.h"

#include <string>

std::vector<std::size_t> NameSearch::matches(std::size_t count, const NameOf& nameOf, std::string_view text)
{
    std::vector<std::size_t> starting;
    std::vector<std::size_t> containing;
    if (text.empty())
        return starting;
    const std::string wanted = CaseFold::fold(text);
    std::string folded;
    for (std::size_t slot = 0; slot < count; ++slot) {
        CaseFold::foldInto(nameOf(slot), folded);
        const std::size_t at = folded.find(wanted);
        if (at == 0)
            starting.push_back(slot);
        else if (at != std::string::npos)
            containing.push_back(slot);
    }
    starting.insert(starting.end(), containing.begin(), containing.end());
    return starting;
}
