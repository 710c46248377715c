#include "explore/ExploreState.h"
#include "explore/map/MapFraming.h"
#include "explore/map/MapMode.h"

#include <gtest/gtest.h>

#include <string>

namespace {

EntryFacts entry(const std::string& name, EntryKind kind)
{
    EntryFacts facts;
    facts.name = name;
    facts.kind = kind;
    facts.size = 100;
    facts.countedSize = 100;
    return facts;
}

void expectPose(const Camera& actual, const Camera& expected)
{
    EXPECT_FLOAT_EQ(actual.position.x, expected.position.x);
    EXPECT_FLOAT_EQ(actual.position.y, expected.position.y);
    EXPECT_FLOAT_EQ(actual.position.z, expected.position.z);
    EXPECT_FLOAT_EQ(actual.lookDirection.y, expected.lookDirection.y);
}

} // namespace

TEST(MapMode, SwitchingKeepsTheShownFolderAndSelectionAndMovesOnlyTheCamera)
{
    EntryTree tree;
    const EntryId root = tree.makeRoot("/r/");
    const EntryId sub = tree.addEntry(root, entry("sub", EntryKind::Folder));
    tree.addEntry(root, entry("a.txt", EntryKind::File));
    tree.markListed(root);
    tree.addEntry(sub, entry("b.txt", EntryKind::File));
    tree.addEntry(sub, entry("c.txt", EntryKind::File));
    tree.markListed(sub);
    tree.markComplete(sub);
    tree.markComplete(root);

    ExploreState state;
    state.setViewSize(1000, 500);
    state.show(&tree, root, "/r/");
    ASSERT_TRUE(state.enter(0));
    state.select(1);
    const Camera rowStart = state.camera();

    MapMode mode;
    EXPECT_FALSE(mode.shown());
    mode.toggle(state);
    EXPECT_TRUE(mode.shown());
    expectPose(state.camera(), MapFraming::home(2.0));
    EXPECT_EQ(state.shownFolder(), sub);
    EXPECT_EQ(state.selected(), 1u);
    EXPECT_EQ(state.shownPath(), "/r/sub/");

    // Walking away and Home in the map come back to the map's Home.
    state.hold(ExploreState::kWalkForward, true, 0.0);
    state.hold(ExploreState::kWalkForward, false, 1.0);
    state.advanceTo(1.0);
    mode.goHome(state);
    expectPose(state.camera(), MapFraming::home(2.0));

    mode.toggle(state);
    EXPECT_FALSE(mode.shown());
    expectPose(state.camera(), rowStart);
    EXPECT_EQ(state.shownFolder(), sub);
    EXPECT_EQ(state.selected(), 1u);
}

TEST(MapMode, EnterGoesInToAFolderAnywhereBelowAndBackComesOutOneStepAtTheMapsHome)
{
    EntryTree tree;
    const EntryId root = tree.makeRoot("/r/");
    const EntryId sub = tree.addEntry(root, entry("sub", EntryKind::Folder));
    const EntryId file = tree.addEntry(root, entry("a.txt", EntryKind::File));
    tree.markListed(root);
    const EntryId deep = tree.addEntry(sub, entry("deep", EntryKind::Folder));
    tree.markListed(sub);
    tree.addEntry(deep, entry("b.txt", EntryKind::File));
    tree.markListed(deep);
    for (EntryId folder : {deep, sub, root})
        tree.markComplete(folder);

    ExploreState state;
    state.setViewSize(800, 600);
    state.show(&tree, root, "/r/");
    MapMode mode;
    mode.show(state, true);
    EXPECT_FALSE(mode.enter(state, kNoEntry));
    EXPECT_FALSE(mode.enter(state, root));
    EXPECT_EQ(state.shownFolder(), root);

    ASSERT_TRUE(mode.enter(state, deep));
    EXPECT_EQ(state.shownFolder(), deep);
    EXPECT_EQ(state.shownPath(), "/r/sub/deep/");
    expectPose(state.camera(), MapFraming::home(800.0 / 600.0));
    // A file of a folder above is not below the shown one.
    EXPECT_FALSE(mode.enter(state, file));
    EXPECT_EQ(state.shownFolder(), deep);

    EXPECT_TRUE(mode.back(state));
    EXPECT_EQ(state.shownFolder(), sub);
    expectPose(state.camera(), MapFraming::home(800.0 / 600.0));
    mode.goTop(state);
    EXPECT_EQ(state.shownFolder(), root);
    expectPose(state.camera(), MapFraming::home(800.0 / 600.0));
}
