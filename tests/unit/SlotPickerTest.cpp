#include "scene/RowLayout.h"
#include "scene/SlotPicker.h"
#include "tests/unit/ViewMatrix.h"

#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <random>
#include <vector>

namespace {

using viewmatrix::clipFromScene;
using viewmatrix::Matrix;

constexpr std::size_t kSlots = 100000;

// The viewer's layout around a symbol `width` model units wide (the shipped
// ones are 1.7; wider than 2.6 they overlap their neighbours), with height
// factors from 1 to 3 varying from slot to slot.
RowLayout grownLayout(float width)
{
    RowLayout layout(0.5, 0.8);
    MeshVertex lowest;
    lowest.x = -0.5f * width;
    lowest.y = -0.16f;
    lowest.z = -2.0f;
    MeshVertex highest;
    highest.x = 0.5f * width;
    highest.y = 0.1f;
    layout.includeSymbol(lowest, highest);
    std::vector<float> factors(kSlots);
    std::mt19937 random(7);
    std::uniform_real_distribution<float> factor(1.0f, 3.0f);
    for (float& value : factors)
        value = factor(random);
    layout.setHeightFactors(factors);
    return layout;
}

// Every slot's box tried in turn: the smallest entry, the lowest slot on a tie.
std::optional<std::size_t> pickByTryingEverySlot(const RowLayout& layout, const SlotPicker::Ray& ray)
{
    std::optional<std::size_t> best;
    double bestT = 0.0;
    for (std::size_t slot = 0; slot < kSlots; ++slot) {
        const RowLayout::Box box = layout.slotBox(slot);
        double enter = 0.0;
        double leave = 1.0;
        bool hit = true;
        for (int axis = 0; axis < 3 && hit; ++axis) {
            if (ray.direction[axis] == 0.0) {
                hit = ray.origin[axis] >= box.low[axis] && ray.origin[axis] <= box.high[axis];
                continue;
            }
            const double a = (box.low[axis] - ray.origin[axis]) / ray.direction[axis];
            const double b = (box.high[axis] - ray.origin[axis]) / ray.direction[axis];
            enter = std::max(enter, std::min(a, b));
            leave = std::min(leave, std::max(a, b));
            hit = enter <= leave;
        }
        if (hit && (!best || enter < bestT)) {
            best = slot;
            bestT = enter;
        }
    }
    return best;
}

// Where the scene point p lands in the window, in GL window coordinates.
void project(const Matrix& m, const int viewport[4], const double p[3], double& x, double& y)
{
    double clip[4];
    for (int row = 0; row < 4; ++row)
        clip[row] = m[row] * p[0] + m[4 + row] * p[1] + m[8 + row] * p[2] + m[12 + row];
    x = viewport[0] + (clip[0] / clip[3] + 1.0) * 0.5 * viewport[2];
    y = viewport[1] + (clip[1] / clip[3] + 1.0) * 0.5 * viewport[3];
}

} // namespace

TEST(SlotPicker, PicksTheSlotATryOfEverySlotFindsForRandomPosesAndPixels)
{
    const RowLayout shipped = grownLayout(1.7f);
    const RowLayout overlapping = grownLayout(4.0f);
    const int viewport[4] = {0, 0, 800, 600};
    std::mt19937 random(1);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    int hits = 0;
    int rays = 0;
    for (int pose = 0; pose < 80; ++pose) {
        const RowLayout& layout = pose % 2 == 0 ? shipped : overlapping;
        // Eyes beside, above, in and at the ends of the row, looking roughly at
        // some slot or along the row.
        const double target = unit(random) < 0.1 ? -5.0 + 10.0 * unit(random) : 1.3 * kSlots * unit(random);
        const viewmatrix::Point eye = {target + 60.0 * (unit(random) - 0.5), 4.0 * unit(random) - 1.0,
                                       pose % 5 == 0 ? 0.5 + unit(random) : 60.0 * (unit(random) - 0.3)};
        viewmatrix::Point direction = {target - eye[0], 0.5 - eye[1] + unit(random) - 0.5, 1.0 - eye[2]};
        if (pose % 4 == 0)
            direction = {pose % 8 == 0 ? 1.0 : -1.0, 0.3 * (unit(random) - 0.5), 0.2 * (unit(random) - 0.5)};
        const Matrix m = clipFromScene(eye, direction, 800.0 / 600.0);
        for (int pixel = 0; pixel < 30; ++pixel) {
            const double x = std::floor(800.0 * unit(random)) + 0.5;
            const double y = std::floor(600.0 * unit(random)) + 0.5;
            const std::optional<SlotPicker::Ray> ray = SlotPicker::rayThrough(m.data(), viewport, x, y);
            ASSERT_TRUE(ray.has_value());
            const std::optional<std::size_t> picked = SlotPicker::pick(layout, kSlots, *ray);
            const std::optional<std::size_t> expected = pickByTryingEverySlot(layout, *ray);
            ASSERT_EQ(picked, expected) << "pose " << pose << ", pixel " << x << ", " << y;
            ++rays;
            if (!picked)
                continue;
            ++hits;
            // The ray runs through the pixel: a point on it lands there.
            double point[3];
            for (int axis = 0; axis < 3; ++axis)
                point[axis] = ray->origin[axis] + 0.5 * ray->direction[axis];
            double px = 0.0;
            double py = 0.0;
            project(m, viewport, point, px, py);
            EXPECT_NEAR(px, x, 1e-6);
            EXPECT_NEAR(py, y, 1e-6);
        }
    }
    // Enough of both to mean something.
    EXPECT_GT(hits, rays / 20);
    EXPECT_LT(hits, rays * 19 / 20);
}

TEST(SlotPicker, TheCentreOfTheViewTakesTheSlotItShowsOrTheNearestInView)
{
    RowLayout layout(0.5, 0.8);
    MeshVertex lowest;
    lowest.x = -0.85f;
    lowest.y = -0.16f;
    lowest.z = -2.0f;
    MeshVertex highest;
    highest.x = 0.85f;
    highest.y = 0.1f;
    layout.includeSymbol(lowest, highest);
    const int viewport[4] = {0, 0, 800, 600};

    // Looking straight at slot 10 (x 13, symbol y 0 to 1).
    Matrix m = clipFromScene({13.0, 0.5, 20.0}, {0.0, 0.0, -1.0}, 800.0 / 600.0);
    EXPECT_EQ(SlotPicker::nearestToCentre(m.data(), viewport, layout, 1000), 10u);
    // Above the row between slots 20 and 21: the centre ray misses, slot 20 is nearer.
    m = clipFromScene({26.5, 3.0, 20.0}, {0.0, 0.0, -1.0}, 800.0 / 600.0);
    EXPECT_EQ(SlotPicker::nearestToCentre(m.data(), viewport, layout, 1000), 20u);
    // Only the first five slots exist, all left of the view's centre.
    m = clipFromScene({10.0, 3.0, 20.0}, {0.0, 0.0, -1.0}, 800.0 / 600.0);
    EXPECT_EQ(SlotPicker::nearestToCentre(m.data(), viewport, layout, 5), 4u);
    // Looking away from the row.
    m = clipFromScene({13.0, 0.5, 20.0}, {0.0, 0.0, 1.0}, 800.0 / 600.0);
    EXPECT_FALSE(SlotPicker::nearestToCentre(m.data(), viewport, layout, 1000).has_value());
    EXPECT_FALSE(SlotPicker::pick(layout, 0, *SlotPicker::rayThrough(m.data(), viewport, 400, 300)).has_value());
}
