#include "explore/ExploreState.h"
#include "tests/unit/StandardRow.h"
#include "tree/EntryTree.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

// A listed folder of `count` one-byte files, file00 ... in name order.
std::unique_ptr<EntryTree> folderOf(int count)
{
    auto tree = std::make_unique<EntryTree>();
    const EntryId root = tree->makeRoot("/keys/");
    for (int i = 0; i < count; ++i) {
        const std::string name = std::string("file") + (i < 10 ? "0" : "") + std::to_string(i);
        EntryFacts facts;
        facts.name = name;
        facts.kind = EntryKind::File;
        facts.size = 1;
        facts.countedSize = 1;
        tree->addEntry(root, facts);
    }
    tree->markListed(root);
    tree->markComplete(root);
    return tree;
}

float distance(const Camera& a, const Camera& b)
{
    return (a.position - b.position).length();
}

struct Shown {
    std::unique_ptr<EntryTree> folder;
    ExploreState state;
    explicit Shown(int count) : folder(folderOf(count))
    {
        state.setRowShape(standardRow());
        state.setViewSize(800, 600);
        state.show(folder.get(), folder->root());
    }
    Camera facing(std::size_t slot) const { return StartView::facing(standardRow(), slot, 800.0 / 600.0); }
};

} // namespace

TEST(ExploreKeys, TabAndPagesStepTheSelectionAndTheCameraGlidesToFaceIt)
{
    Shown shown(30);
    ASSERT_EQ(shown.state.entryCount(), 30u);
    ExploreState& state = shown.state;
    const Camera start = state.camera();

    state.stepSelection(1, true, 10.0);
    EXPECT_EQ(state.selected(), 0u) << "Tab with nothing selected takes the first entry";
    EXPECT_TRUE(state.isMoving());
    state.advanceTo(10.0 + CameraGlide::kDuration / 2);
    const float along = distance(state.camera(), start);
    const float left = distance(state.camera(), shown.facing(0));
    EXPECT_GT(along, 0.1f) << "half-way through, the camera has not left the start";
    EXPECT_GT(left, 0.1f) << "half-way through, the camera is already there: a cut, not a glide";
    state.advanceTo(10.0 + CameraGlide::kDuration + 0.01);
    EXPECT_FALSE(state.isMoving());
    EXPECT_FLOAT_EQ(distance(state.camera(), shown.facing(0)), 0.0f);
    EXPECT_FALSE(state.pickIsPending()) << "the pointer would take the keyed selection away";

    // Shift+Tab goes round; the pages stop at the ends.
    const struct {
        long step;
        bool wrap;
        std::size_t selected;
    } steps[] = {{-1, true, 29},
                 {1, true, 0},
                 {-1, true, 29},
                 {ExploreState::kPageStep, false, 29},
                 {-ExploreState::kPageStep, false, 17},
                 {-ExploreState::kPageStep, false, 5},
                 {-ExploreState::kPageStep, false, 0},
                 {ExploreState::kPageStep, false, 12}};
    double now = 11.0;
    for (const auto& step : steps) {
        state.stepSelection(step.step, step.wrap, now);
        EXPECT_EQ(state.selected(), step.selected) << "after a step of " << step.step;
        now += 1.0;
        state.advanceTo(now);
        EXPECT_FLOAT_EQ(distance(state.camera(), shown.facing(step.selected)), 0.0f);
    }

    // A walking key takes over from a glide at once.
    state.stepSelection(1, true, now);
    state.hold(ExploreState::kWalkForward, true, now + 0.05);
    state.releaseAll(now + 0.05);
    const Camera stopped = state.camera();
    state.advanceTo(now + 1.0);
    EXPECT_FLOAT_EQ(distance(state.camera(), stopped), 0.0f) << "the glide went on under a key";
}
