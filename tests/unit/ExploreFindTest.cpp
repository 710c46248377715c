#include "explore/ExploreState.h"
#include "tests/unit/StandardRow.h"
#include "text/CaseFold.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <string>
#include <vector>

namespace {

// The matches in the find field's order, walked round with findNext from
// wherever it stands ("Match k of n"), none when it says nothing matches.
std::vector<std::size_t> walkedMatches(ExploreState& state)
{
    if (state.status().rfind("Match ", 0) != 0)
        state.findNext();
    std::size_t at = 0;
    std::size_t count = 0;
    if (std::sscanf(state.status().c_str(), "Match %zu of %zu", &at, &count) != 2)
        return {};
    std::vector<std::size_t> walked(count);
    for (std::size_t i = 0; i < count; ++i) {
        walked[(at - 1 + i) % count] = state.selected();
        state.findNext();
    }
    return walked;
}

// The slots whose names hold `text`, those starting with it first, found
// one name at a time.
std::vector<std::size_t> plainSearch(const EntryTree& tree, const std::vector<EntryId>& row, const std::string& text)
{
    const std::string folded = CaseFold::fold(text);
    std::vector<std::size_t> starting;
    std::vector<std::size_t> containing;
    for (std::size_t slot = 0; slot < row.size(); ++slot) {
        const std::size_t at = CaseFold::fold(tree.name(row[slot])).find(folded);
        if (at != std::string::npos)
            (at == 0 ? starting : containing).push_back(slot);
    }
    starting.insert(starting.end(), containing.begin(), containing.end());
    return starting;
}

} // namespace

// Typing a character at a time narrows what the text before found, and
// erasing, sorting and hiding dot names search again: every step finds what
// a plain search of the row as it stands finds, in the same order.
TEST(ExploreFind, EachKeystrokeFindsWhatAPlainSearchOfTheRowFinds)
{
    std::mt19937 random(3);
    const std::string letters = "aAb.7\xC3\xA9";
    EntryTree tree;
    const EntryId top = tree.makeRoot("/t/");
    for (int i = 0; i < 300; ++i) {
        std::string name;
        for (std::size_t length = 1 + random() % 6; length > 0; --length)
            name += letters[random() % letters.size()];
        name += std::to_string(i);
        EntryFacts facts;
        facts.name = name;
        facts.kind = EntryKind::File;
        facts.size = random() % 1000;
        facts.countedSize = facts.size;
        tree.addEntry(top, facts);
    }
    tree.markListed(top);
    tree.markComplete(top);
    ExploreState state;
    state.setRowShape(standardRow());
    state.show(&tree, top, "/t/");
    state.openFind();
    for (int step = 0; step < 120; ++step) {
        const unsigned what = random() % 10;
        if (what == 0)
            state.cycleOrder();
        else if (what == 1)
            state.toggleDotNames();
        else if (what < 4)
            state.eraseInFind();
        else
            state.typeInFind(std::string(1, "ab.7A"[random() % 5]));
        if (state.findText().empty())
            continue;
        const std::vector<std::size_t> expected = plainSearch(tree, state.entries(), state.findText());
        ASSERT_EQ(walkedMatches(state), expected) << step << " / " << state.findText();
    }
}
