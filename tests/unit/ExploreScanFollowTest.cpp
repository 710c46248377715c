#include "explore/ExploreState.h"
#include "scene/ScanControl.h"
#include "tree/EntryTree.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

// The explore view following a scan that is still writing its tree: the
// tree here is written by hand, a step at a time, as a scan would.
namespace {

EntryFacts facts(std::string_view name, EntryKind kind, std::uint64_t size = 0)
{
    EntryFacts made;
    made.name = name;
    made.kind = kind;
    made.size = size;
    made.countedSize = kind == EntryKind::File ? size : 0;
    return made;
}

std::vector<std::string> shownNames(const ExploreState& state)
{
    std::vector<std::string> names;
    for (const EntryId entry : state.entries())
        names.emplace_back(state.shownTree()->name(entry));
    return names;
}

struct Following : testing::Test {
    EntryTree tree;
    ScanControl scan;
    ExploreState state;
    EntryId top = tree.makeRoot("/t/");

    void showTop()
    {
        state.setScan(&scan);
        state.show(&tree, top, "/t/");
    }
};

} // namespace

TEST_F(Following, AnOrderBySizeMadeWhileTotalsCountIsMadeAgainOnceTheyAreFinal)
{
    const EntryId big = tree.addEntry(top, facts("big", EntryKind::Folder));
    tree.addEntry(top, facts("small", EntryKind::File, 10));
    tree.markListed(top);
    showTop();
    state.setOrder(SortOrder::Size);
    // The folder's total is not known yet: it stands as nothing.
    EXPECT_EQ(shownNames(state), (std::vector<std::string>{"small", "big"}));
    state.select(0);

    tree.addEntry(big, facts("inside", EntryKind::File, 1000));
    tree.markListed(big);
    tree.markComplete(big);
    tree.markComplete(top);
    state.followScan();
    EXPECT_EQ(shownNames(state), (std::vector<std::string>{"big", "small"}));
    EXPECT_EQ(state.selected(), 1u) << "the selected entry stays selected";

    // And a visit later finds the final order, not the one kept from before.
    state.setOrder(SortOrder::Name);
    state.setOrder(SortOrder::Size);
    EXPECT_EQ(shownNames(state), (std::vector<std::string>{"big", "small"}));
}

TEST_F(Following, TextTypedBeforeAFolderIsListedFindsItsEntriesOnceTheyCome)
{
    const EntryId sub = tree.addEntry(top, facts("sub", EntryKind::Folder));
    tree.markListed(top);
    showTop();
    ASSERT_TRUE(state.enter(0));
    state.openFind();
    state.typeInFind("ab");
    EXPECT_EQ(state.status(), "No name contains ab");

    tree.addEntry(sub, facts("xab", EntryKind::File));
    tree.addEntry(sub, facts("abc", EntryKind::File));
    tree.addEntry(sub, facts("other", EntryKind::File));
    tree.markListed(sub);
    state.followScan();
    ASSERT_EQ(state.entryCount(), 3u);
    EXPECT_EQ(state.status(), "Match 1 of 2");
    ASSERT_LT(state.selected(), state.entryCount());
    EXPECT_EQ(tree.name(state.selectedEntry()), "abc");
    state.findNext();
    EXPECT_EQ(tree.name(state.selectedEntry()), "xab");
}

TEST_F(Following, OnlyTheUserClosesTheFindFieldNotTheScanBackingOutOfAFolder)
{
    const EntryId closed = tree.addEntry(top, facts("closed", EntryKind::Folder));
    tree.addEntry(top, facts("closet", EntryKind::File));
    tree.markListed(top);
    showTop();
    state.setOrder(SortOrder::Listing);
    ASSERT_TRUE(state.enter(0));
    state.openFind();
    state.typeInFind("clo");

    tree.markNotFolder(closed, EACCES);
    state.followScan();
    EXPECT_EQ(state.shownFolder(), top);
    EXPECT_EQ(state.status(), "Cannot enter closed: " + std::string(std::strerror(EACCES)));
    EXPECT_TRUE(state.finding());
    EXPECT_EQ(state.findText(), "clo");
    state.findNext();
    EXPECT_EQ(state.status(), "Match 2 of 2") << "the field searches the folder shown now";
}

TEST_F(Following, AFolderStillBeingReadShowsItsEntriesSoFarWithTheSelectionKept)
{
    tree.addEntry(top, facts("m", EntryKind::File, 1));
    tree.addEntry(top, facts("x", EntryKind::File, 2));
    tree.publishSoFar(top);
    showTop();
    EXPECT_EQ(shownNames(state), (std::vector<std::string>{"m", "x"}));
    state.select(1);

    tree.addEntry(top, facts("a", EntryKind::File, 3));
    state.followScan();
    EXPECT_EQ(state.entryCount(), 2u) << "only what was published shows";
    tree.publishSoFar(top);
    state.followScan();
    EXPECT_EQ(shownNames(state), (std::vector<std::string>{"a", "m", "x"}));
    EXPECT_EQ(tree.name(state.selectedEntry()), "x");

    state.openFind();
    state.typeInFind("z");
    EXPECT_EQ(state.status(), "No name contains z");
    tree.addEntry(top, facts("z", EntryKind::File, 4));
    tree.markListed(top);
    state.followScan();
    EXPECT_EQ(shownNames(state), (std::vector<std::string>{"a", "m", "x", "z"}));
    EXPECT_EQ(tree.name(state.selectedEntry()), "z") << "text typed meanwhile finds what came";
}
