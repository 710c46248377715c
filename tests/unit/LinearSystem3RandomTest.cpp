#include "geometry/LinearSystem3.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>

namespace {

constexpr int kSystemCount = 300000;

// Mostly awkward values: signed zeros, the extremes of the float range,
// infinities and NaN, next to ordinary numbers and raw bit patterns.
class AwkwardFloats {
public:
    explicit AwkwardFloats(std::uint32_t seed) : engine(seed) {}

    float next()
    {
        static const float kSpecial[] = {
            0.0f,
            -0.0f,
            1.0f,
            -1.0f,
            0.5f,
            2.0f,
            100.0f,
            0.01f,
            0.004f,
            -0.129f,
            std::numeric_limits<float>::max(),
            -std::numeric_limits<float>::max(),
            std::numeric_limits<float>::min(),
            -std::numeric_limits<float>::min(),
            std::numeric_limits<float>::denorm_min(),
            -std::numeric_limits<float>::denorm_min(),
            1e30f,
            -1e30f,
            1e-30f,
            21474836.48f,
            -21474836.48f,
            2147483648.0f,
            std::numeric_limits<float>::infinity(),
            -std::numeric_limits<float>::infinity(),
            std::numeric_limits<float>::quiet_NaN(),
            -std::numeric_limits<float>::quiet_NaN(),
        };
        switch (std::uniform_int_distribution<int>(0, 3)(engine)) {
        case 0:
            return kSpecial[std::uniform_int_distribution<std::size_t>(0, std::size(kSpecial) - 1)(engine)];
        case 1:
            return static_cast<float>(std::uniform_int_distribution<int>(-4, 4)(engine));
        case 2:
            return std::uniform_real_distribution<float>(-1000.0f, 1000.0f)(engine);
        default: {
            const std::uint32_t bits = static_cast<std::uint32_t>(engine());
            float value;
            std::memcpy(&value, &bits, sizeof value);
            return value;
        }
        }
    }

    Vector3 nextVector() { return Vector3(next(), next(), next()); }

private:
    std::mt19937 engine;
};

bool sameBits(Vector3 a, Vector3 b)
{
    return std::memcmp(&a.x, &b.x, sizeof(float)) == 0 && std::memcmp(&a.y, &b.y, sizeof(float)) == 0
        && std::memcmp(&a.z, &b.z, sizeof(float)) == 0;
}

} // namespace

TEST(LinearSystem3Random, UnsolvableSystemsAlwaysLeaveTheSolutionAtZero)
{
    AwkwardFloats values(20240611u);
    int unsolvable = 0;
    int failures = 0;
    for (int i = 0; i < kSystemCount; ++i) {
        const Vector3 coefX = values.nextVector();
        const Vector3 coefY = values.nextVector();
        const Vector3 coefZ = values.nextVector();
        const Vector3 rhs = values.nextVector();
        const LinearSystem3 system(coefX, coefY, coefZ, rhs);

        if (!sameBits(system.coefX, coefX) || !sameBits(system.coefY, coefY) || !sameBits(system.coefZ, coefZ)
            || !sameBits(system.rhs, rhs))
            ++failures;
        if (system.solvable)
            continue;
        ++unsolvable;
        if (system.solution.x != 0.0f || system.solution.y != 0.0f || system.solution.z != 0.0f)
            ++failures;
    }
    EXPECT_EQ(failures, 0);
    // The mix must exercise both outcomes to mean anything.
    EXPECT_GT(unsolvable, kSystemCount / 100);
    EXPECT_LT(unsolvable, kSystemCount - kSystemCount / 100);
}

TEST(LinearSystem3Random, TruncationStaysWithinAHundredthAndNeverGrows)
{
    AwkwardFloats values(7u);
    int failures = 0;
    for (int i = 0; i < kSystemCount; ++i) {
        const float value = values.next();
        const float truncated = LinearSystem3::truncateToHundredths(value);
        if (std::isnan(value)) {
            failures += std::isnan(truncated) ? 0 : 1;
            continue;
        }
        // Beyond about 2e7 the integer saturates; below, the cut is toward zero.
        if (std::fabs(value) < 2e7f) {
            const bool towardZero = std::fabs(truncated) <= std::fabs(value) * (1.0f + 1e-6f);
            const bool close = std::fabs(value - truncated) < 0.01f + std::fabs(value) * 1e-6f;
            const bool sameSign = truncated == 0.0f || std::signbit(truncated) == std::signbit(value);
            if (!towardZero || !close || !sameSign)
                ++failures;
        } else if (std::fabs(truncated) > 21474837.0f) {
            ++failures;
        }
    }
    EXPECT_EQ(failures, 0);
}
