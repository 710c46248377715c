#include "explore/ExploreState.h"
#include "tests/unit/StandardRow.h"

#include <gtest/gtest.h>

TEST(ExploreKeys, AWheelNotchWalksAFixedStepAndNotchesAddUp)
{
    ExploreState state;
    state.setRowShape(standardRow());
    state.setViewSize(800, 600);
    const Camera start = state.camera();
    const Vector3 ahead = start.lookDirection.normalized();

    state.wheel(1, 1.0);
    EXPECT_TRUE(state.isMoving());
    state.advanceTo(1.1);
    // A second notch before the first has ended walks on from where the first ends.
    state.wheel(1, 1.1);
    state.advanceTo(3.0);
    EXPECT_FALSE(state.isMoving());
    const Vector3 moved = state.camera().position - start.position;
    EXPECT_NEAR(moved.length(), 2 * ExploreState::kWheelStep, 1e-4);
    EXPECT_NEAR(moved.x * ahead.x + moved.y * ahead.y + moved.z * ahead.z, 2 * ExploreState::kWheelStep, 1e-4);
    EXPECT_TRUE(state.pickIsPending()) << "after walking, the pointer picks anew";

    state.wheel(-2, 3.0);
    state.advanceTo(4.0);
    EXPECT_NEAR((state.camera().position - start.position).length(), 0.0f, 1e-4);
}
