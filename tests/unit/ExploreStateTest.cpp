#include "explore/ExploreState.h"
#include "tests/unit/StandardRow.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <utility>

namespace {

constexpr double kPi = 3.14159265358979323846;

void expectSamePose(const Camera& actual, const Camera& expected)
{
    for (const auto& [got, wanted] :
         {std::pair(actual.position, expected.position), std::pair(actual.lookDirection, expected.lookDirection)}) {
        EXPECT_EQ(got.x, wanted.x);
        EXPECT_EQ(got.y, wanted.y);
        EXPECT_EQ(got.z, wanted.z);
    }
}

struct Travel {
    double distance = 0.0;
    double degrees = 0.0;
};

// Holds `motions` from just after the clock's start for one second, with
// frames at `framesPerSecond`, and measures how far the camera went and turned.
Travel holdForOneSecond(std::uint32_t motions, int framesPerSecond)
{
    ExploreState state;
    const Camera start = state.camera();
    const double pressed = 0.0123; // between two frames at every rate
    const double frame = 1.0 / framesPerSecond;
    double now = 0.0;
    for (std::uint32_t bit = 1; bit <= ExploreState::kSink; bit <<= 1)
        if ((motions & bit) != 0)
            state.hold(static_cast<ExploreState::Motion>(bit), true, pressed);
    for (; now + frame < pressed + 1.0; now += frame)
        state.advanceTo(now);
    state.releaseAll(pressed + 1.0);
    state.advanceTo(now + frame);

    const Vector3 moved = state.camera().position - start.position;
    const Vector3 look = state.camera().lookDirection;
    return {moved.length(), std::atan2(-look.x, -look.z) * 180.0 / kPi};
}

} // namespace

TEST(ExploreMotion, AHeldKeyCoversTheSameDistanceAndAngleAtAnyFrameRate)
{
    for (const int rate : {30, 300, 3000}) {
        SCOPED_TRACE(rate);
        EXPECT_NEAR(holdForOneSecond(ExploreState::kWalkForward, rate).distance, 6.0, 0.06);
        EXPECT_NEAR(holdForOneSecond(ExploreState::kWalkBackward | ExploreState::kFast, rate).distance, 24.0, 0.24);
        const Travel turn = holdForOneSecond(ExploreState::kTurnLeft, rate);
        EXPECT_NEAR(turn.degrees, 90.0, 0.9);
        EXPECT_NEAR(turn.distance, 0.0, 1e-6);
    }
}

TEST(ExploreMotion, RisingAndSinkingMoveStraightUpAndDownAtTheWalkingSpeed)
{
    ExploreState state;
    const double startY = state.camera().position.y;
    state.hold(ExploreState::kRise, true, 0.0);
    EXPECT_TRUE(state.isMoving());
    state.advanceTo(0.5);
    state.hold(ExploreState::kRise, false, 1.0);
    EXPECT_FALSE(state.isMoving());
    EXPECT_NEAR(state.camera().position.y - startY, 6.0, 1e-4);
    EXPECT_NEAR(holdForOneSecond(ExploreState::kSink | ExploreState::kFast, 300).distance, 24.0, 0.24);
    EXPECT_NEAR(holdForOneSecond(ExploreState::kRise | ExploreState::kSink, 300).distance, 0.0, 1e-6);
}

TEST(ExploreMotion, OnlyAHeldMotionMovesAndOppositeOnesCancel)
{
    ExploreState state;
    state.drawn();
    state.advanceTo(5.0);
    EXPECT_FALSE(state.isMoving());
    EXPECT_FALSE(state.needsRedraw()) << "time alone changed the picture";

    // A release without a press (the key went down in another window) holds nothing.
    state.hold(ExploreState::kWalkForward, false, 5.0);
    state.hold(ExploreState::kFast, true, 5.0);
    EXPECT_FALSE(state.isMoving());
    state.hold(ExploreState::kTurnLeft, true, 5.0);
    state.hold(ExploreState::kTurnRight, true, 5.0);
    EXPECT_FALSE(state.isMoving());
    state.advanceTo(6.0);
    EXPECT_FALSE(state.needsRedraw());
    EXPECT_TRUE(state.atStartView());

    state.hold(ExploreState::kTurnRight, false, 6.0);
    EXPECT_TRUE(state.isMoving());
    state.advanceTo(6.5);
    EXPECT_TRUE(state.needsRedraw());
    state.releaseAll(6.5);
    EXPECT_FALSE(state.isMoving());
}

// A starved process reads a key's change after it moved the camera past the
// moment the key changed: the camera ends where it would have stood had the
// change been read at once.
TEST(ExploreMotion, AKeyChangeReadLateCountsFromTheMomentItHappened)
{
    for (const auto motion : {ExploreState::kWalkForward, ExploreState::kTurnRight}) {
        SCOPED_TRACE(motion);
        ExploreState onTime;
        onTime.hold(motion, true, 0.5);
        onTime.advanceTo(1.0);
        onTime.hold(motion, false, 1.5);
        onTime.advanceTo(2.5);

        ExploreState late;
        late.advanceTo(0.8);
        late.hold(motion, true, 0.5);
        late.advanceTo(2.1);
        late.hold(motion, false, 1.5);
        late.advanceTo(2.5);
        const Camera& a = onTime.camera();
        const Camera& b = late.camera();
        EXPECT_LT((a.position - b.position).length(), 1e-5f);
        EXPECT_LT((a.lookDirection - b.lookDirection).length(), 1e-5f);
        EXPECT_FALSE(late.isMoving());
    }
}

TEST(ExploreStartView, HomeBringsBackTheStartViewAfterWalkingTurningAndDragging)
{
    ExploreState state;
    state.setRowShape(standardRow());
    state.setViewSize(800, 600);
    const Camera start = state.camera();

    state.hold(ExploreState::kWalkForward, true, 0.0);
    state.hold(ExploreState::kTurnLeft, true, 0.0);
    state.advanceTo(0.7);
    state.releaseAll(0.7);
    state.drag(40, -25);
    EXPECT_FALSE(state.atStartView());
    state.drawn();

    state.goHome();
    EXPECT_TRUE(state.atStartView());
    EXPECT_TRUE(state.needsRedraw());
    expectSamePose(state.camera(), start);
}

TEST(ExploreStartView, AResizeReframesTheStartViewButLeavesAViewTheUserWalkedTo)
{
    ExploreState state;
    state.setRowShape(standardRow());
    state.setViewSize(800, 600);
    const Vector3 narrow = state.camera().position;
    state.setViewSize(400, 600);
    EXPECT_GT(state.camera().position.z, narrow.z) << "a narrower window must stand further back";

    state.hold(ExploreState::kWalkForward, true, 0.0);
    state.releaseAll(0.5);
    const Vector3 walked = state.camera().position;
    state.setViewSize(1000, 600);
    EXPECT_EQ(state.camera().position.z, walked.z);
}

TEST(ExploreStartView, TheFirstTwelveSlotsFillTheWidthOfAFourByThreeWindow)
{
    const RowShape row = standardRow();
    const Camera camera = StartView::pose(row, 100, 800.0 / 600.0);
    EXPECT_EQ(camera.lookDirection.z, -1.0f);
    EXPECT_EQ(camera.lookDirection.x, 0.0f);
    const double tanHalfY = std::tan(30.0 * kPi / 180.0);
    const double tanHalfX = tanHalfY * 800.0 / 600.0;
    // Window column and row of a point on the symbols' front face.
    const double depth = camera.position.z - row.symbol.high[2];
    auto column = [&](double x) { return 400.0 + 400.0 * (x - camera.position.x) / depth / tanHalfX; };
    auto line = [&](double y) { return 300.0 - 300.0 * (y - camera.position.y) / depth / tanHalfY; };

    const double firstLeft = column(row.symbol.low[0]);
    const double twelfthRight = column(11 * row.pitch + row.symbol.high[0]);
    EXPECT_GE(firstLeft, 0.0);
    EXPECT_LT(firstLeft, 30.0);
    EXPECT_LE(twelfthRight, 800.0);
    EXPECT_GT(twelfthRight, 770.0);
    // Room for a name's line below and above each symbol.
    EXPECT_LT(line(row.symbol.low[1] - StartView::kRoomBelow), 600.0);
    EXPECT_GT(line(row.symbol.high[1] + StartView::kRoomAbove), 0.0);
}

TEST(ExploreStartView, AShortRowStandsInTheMiddleAndAWideWindowKeepsTheNamesRoom)
{
    const RowShape row = standardRow();
    const Camera twelve = StartView::pose(row, 12, 800.0 / 600.0);
    const Camera three = StartView::pose(row, 3, 800.0 / 600.0);
    EXPECT_FLOAT_EQ(three.position.x, static_cast<float>(row.pitch));
    EXPECT_EQ(three.position.z, twelve.position.z) << "symbols keep their size in a short row";

    // A very wide window would show the symbols' band too large: the band decides.
    const Camera wide = StartView::pose(row, 100, 10.0);
    const double tanHalfY = std::tan(30.0 * kPi / 180.0);
    const double band = row.symbol.high[1] - row.symbol.low[1] + StartView::kRoomBelow + StartView::kRoomAbove;
    EXPECT_NEAR(wide.position.z - row.symbol.high[2], 0.5 * band / tanHalfY, 1e-4);

    // A degenerate window counts as 4:3.
    expectSamePose(StartView::pose(row, 100, std::numeric_limits<double>::infinity()),
                   StartView::pose(row, 100, 4.0 / 3.0));
}
