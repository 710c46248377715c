#include "explore/NameSearch.h"

#include "explore/FoldedNames.h"
#include "text/CaseFold.h"

std::vector<std::size_t> NameSearch::ordered(const std::vector<std::uint8_t>& perSlot)
{
    std::vector<std::size_t> slots;
    for (const Match wanted : {kStarts, kContains})
        for (std::size_t slot = 0; slot < perSlot.size(); ++slot)
            if (perSlot[slot] == wanted)
                slots.push_back(slot);
    return slots;
}

std::vector<std::size_t> NameSearch::matches(std::size_t count, const NameOf& nameOf, std::string_view text)
{
    // The search the find field runs, over the row's folded names.
    std::vector<std::uint8_t> perSlot;
    FoldedNames(count, nameOf).matchAll(CaseFold::fold(text), perSlot);
    return ordered(perSlot);
}
