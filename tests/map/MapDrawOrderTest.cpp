#include "explore/map/MapDrawOrder.h"
#include "tests/unit/ViewMatrix.h"

#include <gtest/gtest.h>

#include <array>
#include <random>
#include <vector>

namespace {

MapBox boxAt(double x, double z, double width, double height, MapBoxKind kind = MapBoxKind::Block)
{
    MapBox box;
    box.low[0] = static_cast<float>(x);
    box.low[2] = static_cast<float>(z);
    box.high[0] = static_cast<float>(x + width);
    box.high[1] = static_cast<float>(height);
    box.high[2] = static_cast<float>(z + width);
    box.kind = kind;
    return box;
}

// The signed area on screen of the face's corners, taken counter-clockwise
// about its outward normal: positive when it turns towards the viewer, as GL
// decides which faces it culls. Sets `inFront` false if a corner lies behind
// the eye.
double screenWinding(const viewmatrix::Matrix& m, const MapBox& box, int axis, int side, bool& inFront)
{
    const int a = (axis + 1) % 3;
    const int b = (axis + 2) % 3;
    const int corners[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
    double x[4];
    double y[4];
    inFront = true;
    for (int k = 0; k < 4; ++k) {
        const int* corner = corners[side == 0 ? (4 - k) % 4 : k];
        double point[3];
        point[axis] = side == 0 ? box.low[axis] : box.high[axis];
        point[a] = corner[0] != 0 ? box.high[a] : box.low[a];
        point[b] = corner[1] != 0 ? box.high[b] : box.low[b];
        double clip[4];
        for (int row = 0; row < 4; ++row)
            clip[row] = m[row] * point[0] + m[4 + row] * point[1] + m[8 + row] * point[2] + m[12 + row];
        inFront = inFront && clip[3] > 1e-3;
        x[k] = clip[0] / clip[3];
        y[k] = clip[1] / clip[3];
    }
    double area = 0.0;
    for (int k = 0; k < 4; ++k)
        area += x[k] * y[(k + 1) % 4] - x[(k + 1) % 4] * y[k];
    return area;
}

// A parallel projection looking straight down, scene x to the right.
viewmatrix::Matrix straightDown()
{
    // glOrtho(0, 64, -64, 0, -100, 100) after a quarter turn about x.
    viewmatrix::Matrix m{};
    m[0] = 2.0 / 64.0;
    m[12] = -1.0;
    m[6] = -2.0 / 64.0; // clip y from scene z
    m[13] = 1.0;
    m[9] = -2.0 / 200.0; // clip depth from scene y
    m[15] = 1.0;
    return m;
}

} // namespace

TEST(MapDrawOrder, TheFacesSentAreThoseTheScreenShowsTurnedTowardsTheViewer)
{
    std::mt19937 random(5);
    std::uniform_real_distribution<double> over(-10.0, 74.0);
    std::uniform_real_distribution<double> height(0.5, 40.0);
    std::uniform_real_distribution<double> around(-1.0, 1.0);
    std::uniform_real_distribution<double> size(0.05, 6.0);
    int compared = 0;
    for (int view = 0; view < 200; ++view) {
        const viewmatrix::Matrix m = viewmatrix::clipFromScene(
            {over(random), height(random), over(random)},
            {around(random), -0.2 - 0.8 * (around(random) + 1.0), around(random)}, 800.0 / 600.0);
        const MapDrawOrder order(m.data());
        for (int each = 0; each < 20; ++each) {
            const MapBox box = boxAt(over(random), over(random), size(random), size(random));
            for (int axis = 0; axis < 3; ++axis)
                for (int side = 0; side < 2; ++side) {
                    bool inFront = false;
                    const double area = screenWinding(m, box, axis, side, inFront);
                    if (!inFront || std::abs(area) < 1e-9)
                        continue;
                    ++compared;
                    ASSERT_EQ(area > 0.0, order.facesEye(box, axis, side)) << "view " << view << " axis " << axis;
                }
        }
    }
    EXPECT_GT(compared, 5000);

    // Straight down in parallel: only the tops, whatever lies where.
    const viewmatrix::Matrix down = straightDown();
    const MapDrawOrder fromAbove(down.data());
    const MapBox box = boxAt(10.0, 50.0, 3.0, 2.0);
    for (int axis = 0; axis < 3; ++axis)
        for (int side = 0; side < 2; ++side) {
            bool inFront = false;
            EXPECT_EQ(axis == 1 && side == 1, fromAbove.facesEye(box, axis, side)) << axis << side;
            EXPECT_EQ(axis == 1 && side == 1, screenWinding(down, box, axis, side, inFront) > 1e-9) << axis << side;
        }
}

TEST(MapDrawOrder, BlocksGoNearestFirstAndThePlatformsUnderThemLast)
{
    const viewmatrix::Matrix m = viewmatrix::clipFromScene({32.0, 3.0, 70.0}, {0.0, -0.1, -1.0}, 800.0 / 600.0);
    std::vector<MapBox> boxes;
    boxes.push_back(boxAt(0.0, 0.0, 64.0, 0.5, MapBoxKind::Platform));
    boxes.push_back(boxAt(30.0, 10.0, 2.0, 1.0));
    boxes.push_back(boxAt(30.0, 40.0, 2.0, 1.0, MapBoxKind::Lump));
    boxes.push_back(boxAt(20.0, 30.0, 20.0, 1.0, MapBoxKind::Platform));
    boxes.push_back(boxAt(30.0, 60.0, 2.0, 1.0));
    std::vector<std::uint32_t> order;
    MapDrawOrder(m.data()).order(boxes, order);
    EXPECT_EQ((std::vector<std::uint32_t>{4, 2, 1, 0, 3}), order);

    // Seen from the other end the blocks turn round.
    const viewmatrix::Matrix back = viewmatrix::clipFromScene({32.0, 3.0, -6.0}, {0.0, -0.1, 1.0}, 800.0 / 600.0);
    MapDrawOrder(back.data()).order(boxes, order);
    EXPECT_EQ((std::vector<std::uint32_t>{1, 2, 4, 0, 3}), order);
}
