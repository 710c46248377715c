#include "explore/CameraGlide.h"
#include "explore/ExploreState.h"
#include "explore/map/MapFraming.h"
#include "explore/map/MapModel.h"
#include "explore/map/MapViewFraming.h"

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
    EXPECT_NEAR(actual.position.x, expected.position.x, 1e-4);
    EXPECT_NEAR(actual.position.y, expected.position.y, 1e-4);
    EXPECT_NEAR(actual.position.z, expected.position.z, 1e-4);
    EXPECT_NEAR(actual.lookDirection.y, expected.lookDirection.y, 1e-4);
}

// r/ holds sub/ (holding deep/ with b.txt, and c.txt) and a.txt.
struct Tree {
    EntryTree tree;
    EntryId root = tree.makeRoot("/r/");
    EntryId sub = tree.addEntry(root, entry("sub", EntryKind::Folder));
    EntryId file = tree.addEntry(root, entry("a.txt", EntryKind::File));
    EntryId deep = kNoEntry;
    EntryId deepFile = kNoEntry;

    Tree()
    {
        tree.markListed(root);
        deep = tree.addEntry(sub, entry("deep", EntryKind::Folder));
        tree.addEntry(sub, entry("c.txt", EntryKind::File));
        tree.markListed(sub);
        deepFile = tree.addEntry(deep, entry("b.txt", EntryKind::File));
        tree.markListed(deep);
        for (EntryId folder : {deep, sub, root})
            tree.markComplete(folder);
    }
};

// The tree shown in a view of `width` x `height`, its map ready to switch to.
struct Shown : Tree {
    MapModel model{tree};
    MapViewFraming map;
    ExploreState state;
    double aspect;

    Shown(int width, int height) : aspect(double(width) / height)
    {
        map.setModel(&model);
        state.setViewSize(width, height);
        state.show(&tree, root, "/r/");
    }

    // The map's pose framing `entry`'s platform in the folder the model shows.
    Camera framing(EntryId entry) { return MapFraming::framing(*model.platformOf(entry, 0), aspect); }
};

} // namespace

TEST(MapNavigation, SwitchingKeepsTheShownFolderAndSelectionAndMovesOnlyTheCamera)
{
    Shown t(1000, 500);
    ExploreState& state = t.state;
    ASSERT_TRUE(state.enter(0));
    state.select(1);
    const Camera rowStart = state.camera();

    state.setFraming(&t.map);
    expectPose(state.camera(), MapFraming::home(t.aspect));
    EXPECT_EQ(state.shownFolder(), t.sub);
    EXPECT_EQ(state.selected(), 1u);
    EXPECT_FALSE(state.pickIsPending());

    // Walking away and Home in the map come back to the map's Home.
    state.hold(ExploreState::kWalkForward, true, 0.0);
    state.hold(ExploreState::kWalkForward, false, 1.0);
    state.advanceTo(1.0);
    state.goHome();
    expectPose(state.camera(), MapFraming::home(t.aspect));

    // A selection below the row comes back to the row as the entry on its way.
    state.selectEntry(t.deepFile);
    EXPECT_EQ(state.selected(), ExploreState::kNoSelection);
    EXPECT_EQ(state.selectedEntry(), t.deepFile);
    EXPECT_EQ(state.selectedPath(), "/r/sub/deep/b.txt");
    state.setFraming(nullptr);
    expectPose(state.camera(), rowStart);
    EXPECT_EQ(state.shownFolder(), t.sub);
    EXPECT_EQ(state.selectedEntry(), t.deep);
}

TEST(MapNavigation, EnterFliesIntoAFolderAnywhereBelowAndBackFliesOutToFaceIt)
{
    Shown t(800, 600);
    ExploreState& state = t.state;
    MapModel& model = t.model;
    state.setFraming(&t.map);
    const Camera home = MapFraming::home(t.aspect);
    EXPECT_FALSE(state.enterBelow(kNoEntry));
    EXPECT_FALSE(state.enterBelow(t.root));

    state.advanceTo(1.0);
    state.selectEntry(t.deep);
    ASSERT_TRUE(state.enterSelected());
    EXPECT_EQ(state.shownFolder(), t.deep);
    EXPECT_EQ(state.shownPath(), "/r/sub/deep/");
    // The flight starts where the camera stood, carried to the new map's
    // scale (far above it: the folder was small), and ends at its Home in
    // the glide's time.
    EXPECT_GT(state.camera().position.y, home.position.y * 2.0f);
    EXPECT_TRUE(state.isMoving());
    state.advanceTo(1.0 + CameraGlide::kDuration + 0.01);
    expectPose(state.camera(), home);
    // A file of a folder above is not below the shown one.
    EXPECT_FALSE(state.enterBelow(t.file));
    EXPECT_EQ(state.shownFolder(), t.deep);

    state.advanceTo(2.0);
    EXPECT_TRUE(state.back());
    EXPECT_EQ(state.shownFolder(), t.sub);
    EXPECT_EQ(state.selectedEntry(), t.deep);
    model.show(t.sub);
    const Camera facing = t.framing(t.deep);
    // Any motion key stops the flight where it is.
    state.advanceTo(2.1);
    const Camera midway = state.camera();
    state.hold(ExploreState::kTurnLeft, true, 2.1);
    state.hold(ExploreState::kTurnLeft, false, 2.1);
    state.advanceTo(3.0);
    EXPECT_FALSE(state.isMoving());
    expectPose(state.camera(), midway);
    EXPECT_GT(std::abs(midway.position.z - facing.position.z) + std::abs(midway.position.y - facing.position.y), 0.1);

    state.goHome();
    state.advanceTo(4.0);
    EXPECT_TRUE(state.back());
    state.advanceTo(4.0 + CameraGlide::kDuration + 0.01);
    EXPECT_EQ(state.shownFolder(), t.root);
    model.show(t.root);
    expectPose(state.camera(), t.framing(t.sub));
}

TEST(MapNavigation, FindLooksBelowTheShownFolderAndTabStepsThroughItsOwnEntries)
{
    Shown t(800, 600);
    ExploreState& state = t.state;
    MapModel& model = t.model;
    state.setFraming(&t.map);

    state.openFind();
    state.typeInFind("B.T");
    EXPECT_EQ(state.selectedEntry(), t.deepFile);
    EXPECT_EQ(state.status(), "Match 1 of 1");
    state.advanceTo(CameraGlide::kDuration + 0.01);
    model.show(t.root);
    expectPose(state.camera(), t.framing(t.deepFile));
    // Names that start with the text come before those that hold it.
    state.eraseInFind();
    state.eraseInFind();
    state.eraseInFind();
    state.typeInFind("c");
    EXPECT_EQ(state.selectedEntry(), t.tree.entries(t.sub)[1]);
    EXPECT_EQ(state.status(), "Match 1 of 1");
    state.closeFind();

    state.stepSelection(1, true, 1.0);
    EXPECT_EQ(state.selectedEntry(), state.entries()[0]);
    state.stepSelection(1, true, 1.0);
    EXPECT_EQ(state.selectedEntry(), state.entries()[1]);
    state.advanceTo(1.0 + CameraGlide::kDuration + 0.01);
    expectPose(state.camera(), t.framing(state.entries()[1]));
}
