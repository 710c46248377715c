#include "scene/VisibleSlots.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <limits>

namespace {

using Matrix = std::array<double, 16>; // column-major
using Point = std::array<double, 3>;

Matrix multiply(const Matrix& left, const Matrix& right)
{
    Matrix out{};
    for (int column = 0; column < 4; ++column)
        for (int row = 0; row < 4; ++row)
            for (int k = 0; k < 4; ++k)
                out[4 * column + row] += left[4 * k + row] * right[4 * column + k];
    return out;
}

Point normalized(Point v)
{
    const double length = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
    return {v[0] / length, v[1] / length, v[2] / length};
}

Point cross(const Point& a, const Point& b)
{
    return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}

double dot(const Point& a, const Point& b)
{
    return a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
}

// The viewer's projection (60 degrees vertically, near 0.1, far 1000) times an
// eye at `eye` looking along `direction` with +y up.
Matrix clipFromScene(Point eye, Point direction, double aspect)
{
    const double focal = 1.0 / std::tan(std::acos(-1.0) / 6.0);
    const double nearPlane = 0.1;
    const double farPlane = 1000.0;
    Matrix projection{};
    projection[0] = focal / aspect;
    projection[5] = focal;
    projection[10] = (farPlane + nearPlane) / (nearPlane - farPlane);
    projection[11] = -1.0;
    projection[14] = 2.0 * farPlane * nearPlane / (nearPlane - farPlane);

    const Point f = normalized(direction);
    const Point s = normalized(cross(f, {0.0, 1.0, 0.0}));
    const Point u = cross(s, f);
    Matrix view{};
    for (int axis = 0; axis < 3; ++axis) {
        view[4 * axis + 0] = s[axis];
        view[4 * axis + 1] = u[axis];
        view[4 * axis + 2] = -f[axis];
    }
    view[12] = -dot(s, eye);
    view[13] = -dot(u, eye);
    view[14] = dot(f, eye);
    view[15] = 1.0;
    return multiply(projection, view);
}

// A symbol about the size of the shipped ones, as an icon stands it at slot 0.
VisibleSlots::Box symbolBox()
{
    VisibleSlots::Box box;
    box.low[0] = -0.4;
    box.low[1] = 1.0;
    box.low[2] = 0.7;
    box.high[0] = 0.45;
    box.high[1] = 1.6;
    box.high[2] = 1.25;
    return box;
}

// Whether some point of slot i's box passes every clip plane, the box placed
// where an icon puts it: at float(0.5 i + 0.8 i).
bool boxReachesClipVolume(const Matrix& m, const VisibleSlots::Box& box, int slot)
{
    const double x = static_cast<float>(0.5 * slot + 0.8 * slot);
    for (int row = 0; row < 3; ++row)
        for (const double sign : {1.0, -1.0}) {
            bool someCornerInside = false;
            for (int corner = 0; corner < 8; ++corner) {
                const Point p = {x + ((corner & 1) ? box.high[0] : box.low[0]), (corner & 2) ? box.high[1] : box.low[1],
                                 (corner & 4) ? box.high[2] : box.low[2]};
                double value = 0.0;
                for (int column = 0; column < 4; ++column) {
                    const double coordinate = column < 3 ? p[column] : 1.0;
                    value += (m[4 * column + 3] + sign * m[4 * column + row]) * coordinate;
                }
                someCornerInside = someCornerInside || value >= 0.0;
            }
            if (!someCornerInside)
                return false;
        }
    return true;
}

} // namespace

TEST(VisibleSlots, HoldsEverySlotWhoseBoxReachesTheViewAndLittleMore)
{
    struct Pose {
        const char* name;
        Point eye;
        Point direction;
        double aspect;
        int count;
    };
    const Pose poses[] = {
        {"start view", {0, 1, 30}, {0, 0, -1}, 800.0 / 600.0, 100000},
        {"down the row", {0, 1, 0}, {1, 0, 0}, 800.0 / 600.0, 100000},
        {"down the row, short row", {0, 1, 0}, {1, 0, 0}, 800.0 / 600.0, 300},
        {"turned the other way", {0, 1, 0}, {-1, 0, 0}, 800.0 / 600.0, 100000},
        {"behind the origin looking away", {-5, 1, 1}, {-1, 0, 0}, 800.0 / 600.0, 100000},
        {"looking back from the start", {0, 1, 30}, {0, 0, 1}, 800.0 / 600.0, 100000},
        {"pitched up", {0, 1, 30}, {0, 0.6, -1}, 800.0 / 600.0, 100000},
        {"pitched steeply down", {3, 1, 5}, {0, -4, -1}, 800.0 / 600.0, 100000},
        {"above the row looking down", {20, 40, 1.2}, {0.01, -1, 0}, 800.0 / 600.0, 100000},
        {"far along the row", {65000, 1, 30}, {0, 0, -1}, 800.0 / 600.0, 100000},
        {"at slot 50,000 down the row", {65000, 1, 1}, {1, 0, 0}, 800.0 / 600.0, 100000},
        {"near the end of the row", {77990, 1, 1}, {1, 0, 0}, 800.0 / 600.0, 60000},
        {"narrow window", {10, 1, 20}, {0.3, 0, -1}, 320.0 / 200.0, 100000},
        {"wide window", {10, 1, 20}, {-0.3, 0, -1}, 1600.0 / 400.0, 100000},
        {"slightly off the row's line", {0, 1.2, 1.1}, {1, 0, 0.001}, 800.0 / 600.0, 100000},
    };
    const VisibleSlots::Box box = symbolBox();
    for (const Pose& pose : poses) {
        const Matrix m = clipFromScene(pose.eye, pose.direction, pose.aspect);
        const VisibleSlots slots = VisibleSlots::of(m.data(), 1.3, box, pose.count);
        int firstReaching = -1;
        int lastReaching = -1;
        for (int i = 0; i < pose.count; ++i)
            if (boxReachesClipVolume(m, box, i)) {
                if (firstReaching < 0)
                    firstReaching = i;
                lastReaching = i;
                EXPECT_GE(i, static_cast<int>(slots.first)) << pose.name;
                EXPECT_LT(i, static_cast<int>(slots.end)) << pose.name;
            }
        if (firstReaching < 0) {
            EXPECT_LE(slots.end - slots.first, 6u) << pose.name;
            continue;
        }
        // Rounding room costs at most a few slots at either end.
        EXPECT_GE(static_cast<int>(slots.first), firstReaching - 6) << pose.name;
        EXPECT_LE(static_cast<int>(slots.end), lastReaching + 7) << pose.name;
    }
}

TEST(VisibleSlots, EmptyRowNothingAndUnusableInputEverything)
{
    const Matrix start = clipFromScene({0, 1, 30}, {0, 0, -1}, 4.0 / 3.0);
    EXPECT_TRUE(VisibleSlots::of(start.data(), 1.3, symbolBox(), 0).empty());

    Matrix broken = start;
    broken[5] = std::numeric_limits<double>::quiet_NaN();
    VisibleSlots slots = VisibleSlots::of(broken.data(), 1.3, symbolBox(), 500);
    EXPECT_EQ(slots.first, 0u);
    EXPECT_EQ(slots.end, 500u);

    VisibleSlots::Box endless = symbolBox();
    endless.high[1] = std::numeric_limits<double>::infinity();
    slots = VisibleSlots::of(start.data(), 1.3, endless, 500);
    EXPECT_EQ(slots.end, 500u);

    // All slots on one spot: all in view or none.
    slots = VisibleSlots::of(start.data(), 0.0, symbolBox(), 500);
    EXPECT_EQ(slots.end - slots.first, 500u);
    const Matrix away = clipFromScene({0, 1, 30}, {0, 0, 1}, 4.0 / 3.0);
    EXPECT_TRUE(VisibleSlots::of(away.data(), 0.0, symbolBox(), 500).empty());
}
