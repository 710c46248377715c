#include "geometry/Camera.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

void expectExactly(Vector3 actual, float x, float y, float z)
{
    EXPECT_EQ(actual.x, x);
    EXPECT_EQ(actual.y, y);
    EXPECT_EQ(actual.z, z);
}

void expectNear(Vector3 actual, float x, float y, float z, float tolerance)
{
    EXPECT_NEAR(actual.x, x, tolerance);
    EXPECT_NEAR(actual.y, y, tolerance);
    EXPECT_NEAR(actual.z, z, tolerance);
}

} // namespace

TEST(CameraConstruction, StartsOneUpThirtyOutLookingAlongMinusZWithFlagsClear)
{
    const Camera camera = Camera::atStart();
    expectExactly(camera.position, 0.0f, 1.0f, 30.0f);
    expectExactly(camera.lookDirection, 0.0f, 0.0f, -1.0f);
    expectExactly(camera.up, 0.0f, 1.0f, 0.0f);
    EXPECT_FALSE(camera.lookBack);
    EXPECT_FALSE(camera.slowMotion);
    EXPECT_TRUE(camera.walls.empty());
}

TEST(CameraTurn, TurnLeftRotatesByTwiceTheAngle)
{
    Camera camera = Camera::atStart();
    camera.turnLeft(0.5f);
    expectNear(camera.lookDirection, -0.017452f, 0.0f, -0.999848f, 1e-6f);

    const Vector3 expected = Camera::atStart().lookDirection.rotated(1.0f, Vector3(0.0f, 1.0f, 0.0f));
    expectExactly(camera.lookDirection, expected.x, expected.y, expected.z);
}

TEST(CameraTurn, TurnLeftBy45IsAQuarterTurn)
{
    Camera camera = Camera::atStart();
    camera.turnLeft(45.0f);
    expectNear(camera.lookDirection, -1.0f, 0.0f, 0.0f, 1e-6f);
}

TEST(CameraTurn, TurnRightTurnsLeftBy360MinusTheAngle)
{
    Camera camera = Camera::atStart();
    camera.turnRight(0.5f);
    // 2 * (360 - 0.5) = 719 degrees, which is -1 degree up to rounding.
    const Vector3 expected = Camera::atStart().lookDirection.rotated(719.0f, Vector3(0.0f, 1.0f, 0.0f));
    expectExactly(camera.lookDirection, expected.x, expected.y, expected.z);
    expectNear(camera.lookDirection, 0.017452f, 0.0f, -0.999848f, 1e-5f);
}

TEST(CameraTurn, TurnRightUndoesTurnLeft)
{
    Camera camera = Camera::atStart();
    camera.turnLeft(0.5f);
    camera.turnRight(0.5f);
    expectNear(camera.lookDirection, 0.0f, 0.0f, -1.0f, 1e-5f);
}

TEST(CameraTurn, KeepsThePitchAndTheLengthOfTheDirection)
{
    Camera camera = Camera::atStart();
    camera.lookDirection = Vector3(3.0f, 0.25f, -4.0f);
    camera.turnLeft(30.0f);
    EXPECT_NEAR(camera.lookDirection.y, 0.25f, 1e-6f);
    EXPECT_NEAR(camera.lookDirection.length(), Vector3(3.0f, 0.25f, -4.0f).length(), 1e-5f);
}

TEST(CameraPitch, AddsAFortiethToTheVerticalComponentOnly)
{
    Camera camera = Camera::atStart();
    camera.pitch(0.4f);
    EXPECT_EQ(camera.lookDirection.x, 0.0f);
    EXPECT_FLOAT_EQ(camera.lookDirection.y, 0.01f);
    EXPECT_EQ(camera.lookDirection.z, -1.0f);

    // No normalisation: the direction just grows.
    camera.pitch(400.0f);
    EXPECT_FLOAT_EQ(camera.lookDirection.y, 10.01f);
    EXPECT_EQ(camera.lookDirection.z, -1.0f);
    camera.pitch(-800.0f);
    EXPECT_FLOAT_EQ(camera.lookDirection.y, -9.99f);
}

TEST(CameraPitch, StopsShortOfStraightUpAndDownSoTurnsAndWalksStayLevel)
{
    constexpr double kPi = 3.14159265358979323846;
    const auto degreesAboveHorizontal = [&](const Camera& camera) {
        const Vector3 d = camera.lookDirection;
        return std::atan2(d.y, std::sqrt(d.x * d.x + d.z * d.z)) * 180.0 / kPi;
    };
    Camera camera = Camera::atStart();
    // A long drag upwards, many small steps and one huge one.
    for (int i = 0; i < 100000; ++i)
        camera.pitch(1.0f);
    camera.pitch(1.0e9f);
    EXPECT_NEAR(degreesAboveHorizontal(camera), 89.0, 0.001);
    EXPECT_EQ(camera.lookDirection.z, -1.0f);

    // Turning still turns the view, and walking still leads forward.
    camera.turnLeft(45.0f);
    EXPECT_NEAR(camera.lookDirection.x, -1.0f, 1e-5f);
    camera.moveForward(1.0f);
    EXPECT_LT(camera.position.x, -0.01f);

    camera.pitch(-1.0e9f);
    EXPECT_NEAR(degreesAboveHorizontal(camera), -89.0, 0.001);
}

TEST(CameraMove, TenPassesOfTheKeyStepWalkFiveUnits)
{
    Camera camera = Camera::atStart();
    for (int pass = 0; pass < 10; ++pass)
        camera.moveForward(0.5f);
    expectExactly(camera.position, 0.0f, 1.0f, 25.0f);
}

TEST(CameraMove, GoesAlongTheNormalisedDirectionWhateverItsLength)
{
    Camera camera = Camera::atStart();
    camera.lookDirection = Vector3(0.0f, 0.0f, -8.0f);
    camera.moveForward(0.5f);
    expectExactly(camera.position, 0.0f, 1.0f, 29.5f);

    camera.lookDirection = Vector3(3.0f, 0.0f, 4.0f);
    camera.moveForward(5.0f);
    expectNear(camera.position, 3.0f, 1.0f, 33.5f, 1e-5f);
}

TEST(CameraMove, ClimbsAfterAPitch)
{
    Camera camera = Camera::atStart();
    camera.pitch(0.4f);
    camera.moveForward(1.0f);
    EXPECT_EQ(camera.position.x, 0.0f);
    EXPECT_NEAR(camera.position.y, 1.0f + 0.0099995f, 1e-6f);
    EXPECT_NEAR(camera.position.z, 30.0f - 0.99995f, 1e-5f);
}

TEST(CameraMove, ZeroStepNeverChangesThePosition)
{
    Camera camera = Camera::atStart();
    camera.pitch(3.0f);
    camera.turnLeft(17.0f);
    camera.moveForward(0.0f);
    expectExactly(camera.position, 0.0f, 1.0f, 30.0f);
    camera.moveBackward(0.0f);
    expectExactly(camera.position, 0.0f, 1.0f, 30.0f);
}

TEST(CameraMove, ZeroDirectionNeverMoves)
{
    Camera camera = Camera::atStart();
    camera.lookDirection = Vector3();
    camera.moveForward(5.0f);
    camera.moveBackward(2.0f);
    expectExactly(camera.position, 0.0f, 1.0f, 30.0f);
}

TEST(CameraMove, BackwardIsForwardWithTheStepNegated)
{
    Camera camera = Camera::atStart();
    camera.moveBackward(0.5f);
    expectExactly(camera.position, 0.0f, 1.0f, 30.5f);
}

TEST(CameraMove, SlowMotionDividesByThreeNotByThreeAndThreeQuarters)
{
    Camera camera = Camera::atStart();
    camera.setSlowMotion(true);
    EXPECT_TRUE(camera.slowMotion);
    camera.moveForward(0.6f);
    EXPECT_NEAR(30.0f - camera.position.z, 0.2f, 1e-6f);

    camera.setSlowMotion(false);
    const float before = camera.position.z;
    camera.moveForward(0.6f);
    // Normal speed divides by one (integer 15 / 10), not by 1.5.
    EXPECT_NEAR(before - camera.position.z, 0.6f, 1e-6f);
}

TEST(CameraLookBack, TurnsTheViewButNotTheMoves)
{
    Camera camera = Camera::atStart();
    expectExactly(camera.viewCentre(), 0.0f, 1.0f, 29.0f);

    camera.setLookBack(true);
    EXPECT_TRUE(camera.lookBack);
    expectExactly(camera.viewCentre(), 0.0f, 1.0f, 31.0f);
    camera.moveForward(0.5f);
    expectExactly(camera.position, 0.0f, 1.0f, 29.5f);

    camera.setLookBack(false);
    expectExactly(camera.viewCentre(), 0.0f, 1.0f, 28.5f);
}
