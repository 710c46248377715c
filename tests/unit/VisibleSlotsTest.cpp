#include "scene/RowLayout.h"
#include "scene/VisibleSlots.h"
#include "tests/unit/ViewMatrix.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <limits>
#include <vector>

namespace {

using viewmatrix::clipFromScene;
using viewmatrix::Matrix;
using viewmatrix::Point;

// The viewer's layout with a symbol about the size of the shipped ones.
RowLayout symbolLayout()
{
    RowLayout layout(0.5, 0.8);
    MeshVertex lowest;
    lowest.x = -0.8;
    lowest.y = -0.5;
    MeshVertex highest;
    highest.x = 0.9;
    highest.y = 0.6;
    highest.z = 1.2;
    layout.includeSymbol(lowest, highest);
    return layout;
}

// The box at slot 0: x from -0.4 to 0.45, y from 1 to 1.6, z from 0.7 to 1.25.
VisibleSlots::Box symbolBox()
{
    return symbolLayout().symbolBox();
}

// Whether some point of slot i's box, as the layout places it, passes every
// clip plane.
bool boxReachesClipVolume(const Matrix& m, const RowLayout& layout, int slot)
{
    const VisibleSlots::Box box = layout.slotBox(static_cast<std::size_t>(slot));
    for (int row = 0; row < 3; ++row)
        for (const double sign : {1.0, -1.0}) {
            bool someCornerInside = false;
            for (int corner = 0; corner < 8; ++corner) {
                const Point p = {(corner & 1) ? box.high[0] : box.low[0], (corner & 2) ? box.high[1] : box.low[1],
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
    const RowLayout layout = symbolLayout();
    // Taller symbols where the height factors say: the culling takes the tallest.
    RowLayout grown = symbolLayout();
    std::vector<float> factors(100000);
    for (std::size_t i = 0; i < factors.size(); ++i)
        factors[i] = 1.0f + static_cast<float>((i * 7919) % 200) / 100.0f;
    grown.setHeightFactors(factors);
    for (const Pose& pose : poses) {
        const Matrix m = clipFromScene(pose.eye, pose.direction, pose.aspect);
        const VisibleSlots grownSlots = grown.visibleSlots(m.data(), pose.count);
        for (int i = 0; i < pose.count; ++i)
            if (boxReachesClipVolume(m, grown, i)) {
                EXPECT_GE(i, static_cast<int>(grownSlots.first)) << pose.name << ", grown";
                EXPECT_LT(i, static_cast<int>(grownSlots.end)) << pose.name << ", grown";
            }

        const VisibleSlots slots = layout.visibleSlots(m.data(), pose.count);
        int firstReaching = -1;
        int lastReaching = -1;
        for (int i = 0; i < pose.count; ++i)
            if (boxReachesClipVolume(m, layout, i)) {
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
