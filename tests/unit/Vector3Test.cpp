#include "geometry/Vector3.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

// Rounding of cos 90 degrees and similar leaves a few 1e-8 behind.
constexpr float kRotationTolerance = 1e-6f;

void expectExactly(Vector3 actual, float x, float y, float z)
{
    EXPECT_EQ(actual.x, x);
    EXPECT_EQ(actual.y, y);
    EXPECT_EQ(actual.z, z);
}

void expectNear(Vector3 actual, float x, float y, float z, float tolerance = kRotationTolerance)
{
    EXPECT_NEAR(actual.x, x, tolerance);
    EXPECT_NEAR(actual.y, y, tolerance);
    EXPECT_NEAR(actual.z, z, tolerance);
}

} // namespace

TEST(Vector3Construction, DefaultsEveryComponentToZero)
{
    expectExactly(Vector3(), 0.0f, 0.0f, 0.0f);
    expectExactly(Vector3(4.0f), 4.0f, 0.0f, 0.0f);
    Vector3 v(1.0f, 2.0f, 3.0f);
    v.set(-1.0f, -2.0f, -3.0f);
    expectExactly(v, -1.0f, -2.0f, -3.0f);
}

TEST(Vector3Length, IsTheRootOfTheSumOfSquares)
{
    EXPECT_EQ(Vector3(3.0f, 0.0f, 4.0f).length(), 5.0f);
    EXPECT_EQ(Vector3(-2.0f, 3.0f, -6.0f).length(), 7.0f);
    EXPECT_EQ(Vector3().length(), 0.0f);
}

TEST(Vector3Length, IsZeroWhenEverySquareUnderflows)
{
    const float tiny = std::ldexp(1.0f, -75); // its square is half the smallest subnormal
    EXPECT_EQ(Vector3(tiny, -tiny, tiny).length(), 0.0f);
    expectExactly(Vector3(tiny, -tiny, tiny).normalized(), 0.0f, 0.0f, 0.0f);

    // Twice as long, the squares survive as subnormals.
    const float small = std::ldexp(1.0f, -74);
    EXPECT_GT(Vector3(small, 0.0f, 0.0f).length(), 0.0f);
    EXPECT_NE(Vector3(small, 0.0f, 0.0f).normalized().x, 0.0f);
}

TEST(Vector3Length, OverflowsToInfinityForHugeComponents)
{
    EXPECT_EQ(Vector3(1e30f, 0.0f, 0.0f).length(), std::numeric_limits<float>::infinity());
}

TEST(Vector3Normalized, ZeroStaysZeroAndOthersGetUnitLength)
{
    expectExactly(Vector3().normalized(), 0.0f, 0.0f, 0.0f);
    expectExactly(Vector3(3.0f, 0.0f, 4.0f).normalized(), 0.6f, 0.0f, 0.8f);
    expectExactly(Vector3(0.0f, -7.0f, 0.0f).normalized(), 0.0f, -1.0f, 0.0f);
}

TEST(Vector3Arithmetic, WorksComponentwise)
{
    const Vector3 a(1.0f, 2.0f, 3.0f);
    const Vector3 b(0.5f, -4.0f, 8.0f);
    expectExactly(a + b, 1.5f, -2.0f, 11.0f);
    expectExactly(a - b, 0.5f, 6.0f, -5.0f);
    expectExactly(a * -2.0f, -2.0f, -4.0f, -6.0f);
    expectExactly(a / 4.0f, 0.25f, 0.5f, 0.75f);
    expectExactly(a, 1.0f, 2.0f, 3.0f); // operands untouched
}

TEST(Vector3Arithmetic, DivisionByZeroGivesInfinitiesAndNaNWithoutReport)
{
    const float inf = std::numeric_limits<float>::infinity();
    expectExactly(Vector3(1.0f, -2.0f, 3.0f) / 0.0f, inf, -inf, inf);
    EXPECT_TRUE(std::isnan((Vector3(0.0f, 1.0f, 1.0f) / 0.0f).x));
}

TEST(Vector3Equality, MeansPointingTheSameWay)
{
    EXPECT_TRUE(Vector3(2.0f, 0.0f, 0.0f) == Vector3(5.0f, 0.0f, 0.0f));
    EXPECT_TRUE(Vector3(1.0f, 2.0f, 2.0f) == Vector3(4.0f, 8.0f, 8.0f));
    EXPECT_FALSE(Vector3(1.0f, 0.0f, 0.0f) == Vector3(-1.0f, 0.0f, 0.0f));
    EXPECT_FALSE(Vector3(1.0f, 0.0f, 0.0f) == Vector3(1.0f, 0.001f, 0.0f));
}

TEST(Vector3Equality, ComparesTheRoundedUnitVectorsExactly)
{
    // 1 / sqrt(2) and 3 / sqrt(18) round to different floats.
    EXPECT_FALSE(Vector3(1.0f, 1.0f, 0.0f) == Vector3(3.0f, 3.0f, 0.0f));
}

TEST(Vector3Equality, ZeroEqualsOnlyVectorsOfZeroLength)
{
    EXPECT_TRUE(Vector3() == Vector3());
    EXPECT_FALSE(Vector3() == Vector3(1.0f, 0.0f, 0.0f));
    EXPECT_FALSE(Vector3(1.0f, 0.0f, 0.0f) == Vector3());
    const float tiny = std::ldexp(1.0f, -80);
    EXPECT_TRUE(Vector3(tiny, tiny, 0.0f) == Vector3());
}

TEST(Vector3Equality, NaNEqualsNothing)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    EXPECT_FALSE(Vector3(nan, 0.0f, 0.0f) == Vector3(nan, 0.0f, 0.0f));
    EXPECT_FALSE(Vector3(nan, 0.0f, 0.0f) == Vector3());
}

TEST(Vector3Rotation, TurnsMinusZTowardsMinusXAboutUp)
{
    const Vector3 ahead(0.0f, 0.0f, -1.0f);
    const Vector3 up(0.0f, 1.0f, 0.0f);
    expectNear(ahead.rotated(90.0f, up), -1.0f, 0.0f, 0.0f);
    expectNear(ahead.rotated(-90.0f, up), 1.0f, 0.0f, 0.0f);
    expectNear(ahead.rotated(360.0f, up), 0.0f, 0.0f, -1.0f);
    expectNear(ahead.rotated(180.0f, up), 0.0f, 0.0f, 1.0f);
}

TEST(Vector3Rotation, IsRightHandedAboutEveryAxis)
{
    const Vector3 ex(1.0f, 0.0f, 0.0f);
    const Vector3 ey(0.0f, 1.0f, 0.0f);
    const Vector3 ez(0.0f, 0.0f, 1.0f);
    expectNear(ex.rotated(90.0f, ez), 0.0f, 1.0f, 0.0f);
    expectNear(ey.rotated(90.0f, ex), 0.0f, 0.0f, 1.0f);
    expectNear(ez.rotated(90.0f, ey), 1.0f, 0.0f, 0.0f);
    expectNear(ex.rotated(90.0f, Vector3(0.0f, 0.0f, -1.0f)), 0.0f, -1.0f, 0.0f);
}

TEST(Vector3Rotation, AboutADiagonalAxisCyclesTheBaseVectors)
{
    // A third of a turn about (1, 1, 1) maps x to y, y to z, z to x.
    const Vector3 diagonal(1.0f, 1.0f, 1.0f);
    expectNear(Vector3(1.0f, 0.0f, 0.0f).rotated(120.0f, diagonal), 0.0f, 1.0f, 0.0f);
    expectNear(Vector3(0.0f, 1.0f, 0.0f).rotated(120.0f, diagonal), 0.0f, 0.0f, 1.0f);
    expectNear(Vector3(0.0f, 0.0f, 1.0f).rotated(120.0f, diagonal), 1.0f, 0.0f, 0.0f);
}

TEST(Vector3Rotation, KeepsTheComponentAlongTheAxisAndTheLength)
{
    const Vector3 v(3.0f, -2.0f, 4.0f);
    const Vector3 turned = v.rotated(37.0f, Vector3(0.0f, 1.0f, 0.0f));
    EXPECT_NEAR(turned.y, -2.0f, kRotationTolerance);
    EXPECT_NEAR(turned.length(), v.length(), 4.0f * kRotationTolerance);
}

TEST(Vector3Rotation, OnlyTheAxisDirectionCounts)
{
    const Vector3 v(1.0f, 2.0f, 3.0f);
    const Vector3 unitAxis = v.rotated(37.0f, Vector3(0.0f, 1.0f, 0.0f));
    const Vector3 longAxis = v.rotated(37.0f, Vector3(0.0f, 5.0f, 0.0f));
    expectExactly(longAxis, unitAxis.x, unitAxis.y, unitAxis.z);
}

TEST(Vector3Rotation, ZeroAxisScalesByTheCosine)
{
    expectNear(Vector3(2.0f, -4.0f, 6.0f).rotated(60.0f, Vector3()), 1.0f, -2.0f, 3.0f);
    expectNear(Vector3(2.0f, -4.0f, 6.0f).rotated(180.0f, Vector3()), -2.0f, 4.0f, -6.0f, 4.0f * kRotationTolerance);
}
