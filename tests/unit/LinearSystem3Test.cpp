#include "geometry/LinearSystem3.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>

namespace {

const float kInf = std::numeric_limits<float>::infinity();
const float kNaN = std::numeric_limits<float>::quiet_NaN();

LinearSystem3 solve(Vector3 coefX, Vector3 coefY, Vector3 coefZ, Vector3 rhs)
{
    return LinearSystem3(coefX, coefY, coefZ, rhs);
}

void expectSolved(const LinearSystem3& system, float x, float y, float z)
{
    EXPECT_TRUE(system.solvable);
    EXPECT_EQ(system.solution.x, x);
    EXPECT_EQ(system.solution.y, y);
    EXPECT_EQ(system.solution.z, z);
}

void expectUnsolvable(const LinearSystem3& system)
{
    EXPECT_FALSE(system.solvable);
    EXPECT_EQ(system.solution.x, 0.0f);
    EXPECT_EQ(system.solution.y, 0.0f);
    EXPECT_EQ(system.solution.z, 0.0f);
}

float saturatedHigh()
{
    return static_cast<float>(std::numeric_limits<std::int32_t>::max()) / 100.0f;
}

float saturatedLow()
{
    return static_cast<float>(std::numeric_limits<std::int32_t>::min()) / 100.0f;
}

} // namespace

TEST(LinearSystem3Solve, IdentityGivesTheRightHandSide)
{
    expectSolved(solve({1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {1, 2, 3}), 1.0f, 2.0f, 3.0f);
}

TEST(LinearSystem3Solve, DiagonalDividesEachRowByItsCoefficient)
{
    expectSolved(solve({2, 0, 0}, {0, 4, 0}, {0, 0, 8}, {1, 1, 1}), 0.5f, 0.25f, 0.125f);
}

TEST(LinearSystem3Solve, TruncatesRightHandSidesBeforeDividing)
{
    expectSolved(solve({1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {0.129f, -0.129f, 0.5f}), 0.12f, -0.12f, 0.5f);
    expectSolved(solve({4, 0, 0}, {0, 1, 0}, {0, 0, 1}, {0.129f, 0, 0}), 0.03f, 0.0f, 0.0f);
}

TEST(LinearSystem3Solve, ClearsXWithTheFirstPivotThenYWithTheSecond)
{
    expectSolved(solve({1, 2, 0}, {3, 4, 0}, {0, 0, 1}, {5, 6, 7}), -1.0f, 2.0f, 7.0f);
}

TEST(LinearSystem3Solve, ZeroRowsWithRightHandSidesBelowAHundredthAreConsistent)
{
    expectSolved(solve({1, 0, 0}, {0, 0, 0}, {0, 0, 0}, {5, 0.004f, 0}), 5.0f, 0.0f, 0.0f);
}

TEST(LinearSystem3Solve, ZeroRowWithARealRightHandSideIsUnsolvable)
{
    expectUnsolvable(solve({1, 0, 0}, {0, 0, 0}, {0, 0, 0}, {5, 0.5f, 0}));
    expectUnsolvable(solve({0, 0, 0}, {0, 0, 0}, {0, 0, 0}, {0, 0, -0.01f}));
}

TEST(LinearSystem3Solve, ReadsDependentColumnsOffTheSameRow)
{
    // Row 1 becomes zero; x and y both come from row 0.
    expectSolved(solve({1, 1, 0}, {2, 2, 0}, {0, 0, 1}, {3, 3, 4}), 3.0f, 1.5f, 4.0f);
}

TEST(LinearSystem3Solve, LeavesTheThirdColumnUneliminated)
{
    expectSolved(solve({1, 0, 0}, {0, 1, 0}, {1, 1, 1}, {2, 2, 1}), 2.0f, 2.0f, 1.0f);
}

TEST(LinearSystem3Solve, LaterRowsOverwriteEarlierReadings)
{
    // Column z is nonzero in rows 0 and 2; row 2 wins.
    expectSolved(solve({1, 0, 0}, {0, 1, 0}, {2, 0, 4}, {6, 3, 8}), 6.0f, 3.0f, 2.0f);
}

TEST(LinearSystem3Solve, EmptyColumnsGiveZero)
{
    expectSolved(solve({0, 0, 0}, {0, 0, 0}, {0, 0, 0}, {0, 0, 0}), 0.0f, 0.0f, 0.0f);
    expectSolved(solve({0, 0, 2}, {0, 0, 0}, {0, 0, 0}, {0, 0, 3}), 1.5f, 0.0f, 0.0f);
}

TEST(LinearSystem3Solve, LeavesItsInputFieldsUnchanged)
{
    const LinearSystem3 system({1, 2, 0}, {3, 4, 0}, {0, 0, 1}, {5, 6, 7});
    EXPECT_EQ(system.coefX.y, 2.0f);
    EXPECT_EQ(system.coefY.x, 3.0f);
    EXPECT_EQ(system.coefY.y, 4.0f);
    EXPECT_EQ(system.rhs.y, 6.0f);
}

TEST(LinearSystem3Solve, NegativeZeroCountsAsZero)
{
    // Were -0 a coefficient, x would be read as 2 / -0 = -inf from row 1.
    expectSolved(solve({1, -0.0f, -0.0f}, {0, 1, 0}, {0, 0, 1}, {3, 2, 1}), 3.0f, 2.0f, 1.0f);
    // A row of negative zeros is a zero row.
    expectUnsolvable(solve({1, -0.0f, 0}, {0, -0.0f, 0}, {0, -0.0f, 1}, {1, 1, 1}));
}

TEST(LinearSystem3Solve, NaNCoefficientCountsAsNonzero)
{
    const LinearSystem3 system({1, 0, 0}, {0, 1, 0}, {0, 0, kNaN}, {1, 2, 3});
    EXPECT_TRUE(system.solvable);
    EXPECT_EQ(system.solution.x, 1.0f);
    EXPECT_EQ(system.solution.y, 2.0f);
    EXPECT_TRUE(std::isnan(system.solution.z));
}

TEST(LinearSystem3Solve, ZeroRowWithNaNRightHandSideIsUnsolvable)
{
    expectUnsolvable(solve({1, 0, 0}, {0, 0, 0}, {0, 0, 0}, {1, kNaN, 0}));
}

TEST(LinearSystem3Solve, RowWhoseLengthOverflowsCountsAsZero)
{
    // The zero-row test is "points the same way as (0, 0, 0)": a row whose
    // squares overflow normalises to zero components and so counts as empty.
    expectUnsolvable(solve({1e30f, 0, 0}, {0, 1, 0}, {0, 0, 1}, {1, 1, 1}));
    expectSolved(solve({1e30f, 0, 0}, {0, 1, 0}, {0, 0, 1}, {0, 1, 1}), 0.0f, 1.0f, 1.0f);
}

TEST(LinearSystem3Solve, HugeRightHandSidesSaturate)
{
    expectSolved(solve({1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {1e30f, -1e30f, kInf}), saturatedHigh(), saturatedLow(),
                 saturatedHigh());
}

TEST(LinearSystem3Truncation, CutsTowardZeroAtTheSecondDecimal)
{
    EXPECT_EQ(LinearSystem3::truncateToHundredths(0.129f), 0.12f);
    EXPECT_EQ(LinearSystem3::truncateToHundredths(-0.129f), -0.12f);
    EXPECT_EQ(LinearSystem3::truncateToHundredths(0.004f), 0.0f);
    EXPECT_EQ(LinearSystem3::truncateToHundredths(-0.004f), 0.0f);
    EXPECT_EQ(LinearSystem3::truncateToHundredths(12.5f), 12.5f);
    EXPECT_EQ(LinearSystem3::truncateToHundredths(-7.0f), -7.0f);
}

TEST(LinearSystem3Truncation, RoundsTheProductToFloatBeforeCutting)
{
    // 0.29f is a little below 0.29, but its product with 100 rounds to 29 in float.
    EXPECT_EQ(LinearSystem3::truncateToHundredths(0.29f), 0.29f);
}

TEST(LinearSystem3Truncation, SaturatesBeyondTheIntegerRange)
{
    EXPECT_EQ(LinearSystem3::truncateToHundredths(kInf), saturatedHigh());
    EXPECT_EQ(LinearSystem3::truncateToHundredths(-kInf), saturatedLow());
    EXPECT_EQ(LinearSystem3::truncateToHundredths(std::numeric_limits<float>::max()), saturatedHigh());
    EXPECT_EQ(LinearSystem3::truncateToHundredths(-std::numeric_limits<float>::max()), saturatedLow());
    EXPECT_EQ(LinearSystem3::truncateToHundredths(21474836.48f), saturatedHigh());
    // Exactly -2^31 is representable and needs no clamping.
    EXPECT_EQ(LinearSystem3::truncateToHundredths(-21474836.48f), saturatedLow());
}

TEST(LinearSystem3Truncation, LeavesNaNAsItIs)
{
    EXPECT_TRUE(std::isnan(LinearSystem3::truncateToHundredths(kNaN)));
}
