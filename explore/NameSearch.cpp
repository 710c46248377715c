#include "explore/NameSearch.h"

#include "explore/FoldedNames.h"
#include "text/CaseFold.h"

std::vector<std::size_t> NameSearch::ordered(const std::vector<std::uint8_t>& perSlot)
{
    std::vector<std::size_t> slots;
    order(perSlot, slots);
    return slots;
}

void NameSearch::order(const std::vector<std::uint8_t>& perSlot, std::vector<std::size_t>& slots)
{
    // A keystroke in a large folder orders tens of thousands of matches
    // scattered at random: counted first, then every slot is written to both
    // groups' next places and each place taken only where it matches, without
    // a branch the processor would guess wrong half the time. Each group has
    // one spare place for the writes past its end.
    std::size_t starting = 0;
    std::size_t containing = 0;
    for (const std::uint8_t match : perSlot) {
        starting += match == kStarts ? 1 : 0;
        containing += match == kContains ? 1 : 0;
    }
    slots.resize(starting + containing + 2);
    std::size_t nextStarting = 0;
    std::size_t nextContaining = starting + 1;
    for (std::size_t slot = 0; slot < perSlot.size(); ++slot) {
        slots[nextStarting] = slot;
        slots[nextContaining] = slot;
        nextStarting += perSlot[slot] == kStarts ? 1 : 0;
        nextContaining += perSlot[slot] == kContains ? 1 : 0;
    }
    slots.pop_back();
    slots.erase(slots.begin() + static_cast<std::ptrdiff_t>(starting));
}

std::vector<std::size_t> NameSearch::matches(std::size_t count, const NameOf& nameOf, std::string_view text)
{
    // The search the find field runs, over the row's folded names.
    std::vector<std::uint8_t> perSlot;
    FoldedNames(count, nameOf).matchAll(CaseFold::fold(text), perSlot);
    return ordered(perSlot);
}
