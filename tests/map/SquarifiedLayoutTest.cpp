#include "explore/map/SquarifiedLayout.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace {

// Sizes spread evenly over nine decades, a few of them empty, in decreasing
// weight (an empty entry weighs its share of the others).
std::vector<std::uint64_t> randomFolder(std::mt19937& random, std::size_t count)
{
    std::uniform_real_distribution<double> decade(0.0, 9.0);
    std::uniform_int_distribution<int> emptyChance(0, 19);
    std::vector<std::uint64_t> sizes(count);
    for (std::uint64_t& size : sizes)
        size = emptyChance(random) == 0 ? 0 : static_cast<std::uint64_t>(std::pow(10.0, decade(random)));
    std::vector<double> weights;
    SquarifiedLayout::weights(sizes.data(), sizes.size(), weights);
    std::vector<std::size_t> order(count);
    for (std::size_t i = 0; i < count; ++i)
        order[i] = i;
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return weights[a] > weights[b]; });
    std::vector<std::uint64_t> sorted;
    for (std::size_t i : order)
        sorted.push_back(sizes[i]);
    return sorted;
}

// Checks a layout the slow way: every pair of pieces for overlap, every
// piece against the area, and every non-empty entry's area against its size.
// Returns what is wrong, or nothing.
std::string bruteForceFaults(const std::vector<std::uint64_t>& sizes, const std::vector<MapRect>& pieces,
                             const MapRect& area)
{
    constexpr double kSlack = 1e-9;
    const double unit = std::max(area.width, area.depth) * kSlack;
    double sizeTotal = 0.0;
    double emptyArea = 0.0;
    for (std::size_t i = 0; i < sizes.size(); ++i) {
        sizeTotal += static_cast<double>(sizes[i]);
        emptyArea += sizes[i] == 0 ? pieces[i].area() : 0.0;
    }
    double covered = 0.0;
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        const MapRect& a = pieces[i];
        covered += a.area();
        if (!(a.width >= 0.0 && a.depth >= 0.0) || a.x < area.x - unit || a.z < area.z - unit
            || a.x + a.width > area.x + area.width + unit || a.z + a.depth > area.z + area.depth + unit)
            return "piece " + std::to_string(i) + " leaves the area";
        if (!(a.area() > 0.0))
            return "piece " + std::to_string(i) + " is empty";
        for (std::size_t j = i + 1; j < pieces.size(); ++j) {
            const MapRect& b = pieces[j];
            const double overlapX = std::min(a.x + a.width, b.x + b.width) - std::max(a.x, b.x);
            const double overlapZ = std::min(a.z + a.depth, b.z + b.depth) - std::max(a.z, b.z);
            if (overlapX > unit && overlapZ > unit)
                return "pieces " + std::to_string(i) + " and " + std::to_string(j) + " overlap";
        }
    }
    if (std::abs(covered - area.area()) > 1e-6 * area.area())
        return "the pieces cover " + std::to_string(covered) + " of " + std::to_string(area.area());
    // What the sized entries share, in proportion to their sizes.
    const double sizedArea = area.area() - emptyArea;
    for (std::size_t i = 0; i < sizes.size(); ++i) {
        if (sizes[i] == 0)
            continue;
        const double expected = sizedArea * static_cast<double>(sizes[i]) / sizeTotal;
        if (std::abs(pieces[i].area() - expected) > 0.01 * expected)
            return "piece " + std::to_string(i) + " has area " + std::to_string(pieces[i].area()) + ", not "
                + std::to_string(expected);
    }
    return {};
}

std::vector<MapRect> laidOut(const std::vector<std::uint64_t>& sizes, const MapRect& area)
{
    std::vector<double> weights;
    SquarifiedLayout::weights(sizes.data(), sizes.size(), weights);
    std::vector<MapRect> pieces(sizes.size());
    SquarifiedLayout::arrange(weights.data(), weights.size(), area, pieces.data());
    return pieces;
}

double worstAspect(const std::vector<MapRect>& pieces)
{
    double worst = 1.0;
    for (const MapRect& piece : pieces)
        worst = std::max(worst, SquarifiedLayout::aspect(piece));
    return worst;
}

} // namespace

TEST(SquarifiedLayout, RandomFoldersTileTheAreaInProportionToTheirSizes)
{
    std::mt19937 random(25);
    std::uniform_int_distribution<std::size_t> count(1, 400);
    std::uniform_real_distribution<double> side(0.5, 80.0);
    for (int folder = 0; folder < 200; ++folder) {
        const std::vector<std::uint64_t> sizes = randomFolder(random, count(random));
        const MapRect area{side(random), -side(random), side(random), side(random)};
        EXPECT_EQ(bruteForceFaults(sizes, laidOut(sizes, area), area), "")
            << "folder " << folder << " of " << sizes.size() << " entries";
    }
}

TEST(SquarifiedLayout, EmptyEntriesGetASmallShareAndAnAllEmptyFolderEqualOnes)
{
    const MapRect area{0.0, 0.0, 10.0, 10.0};
    const std::vector<MapRect> mixed = laidOut({1000, 10, 0, 0}, area);
    EXPECT_GT(mixed[2].area(), 0.0);
    EXPECT_LT(mixed[2].area() + mixed[3].area(), SquarifiedLayout::kEmptyTotalShare * area.area() * 1.001);
    EXPECT_NEAR(mixed[2].area(), mixed[3].area(), 1e-9);

    // Many empty entries beside one file share a bounded part of the area.
    std::vector<std::uint64_t> sizes(5000, 0);
    sizes[0] = 1;
    const std::vector<MapRect> crowded = laidOut(sizes, area);
    EXPECT_GT(crowded[0].area(), (1.0 - SquarifiedLayout::kEmptyTotalShare) * area.area() * 0.999);

    for (const MapRect& piece : laidOut({0, 0, 0, 0}, area))
        EXPECT_NEAR(piece.area(), 25.0, 1e-9);
}

TEST(SquarifiedLayout, EqualEntriesInASquareComeOutSquareAndLargestFirstStaysNearSquare)
{
    const MapRect square{0.0, 0.0, 6.0, 6.0};
    EXPECT_NEAR(worstAspect(laidOut(std::vector<std::uint64_t>(9, 7), square)), 1.0, 1e-9);
    EXPECT_NEAR(worstAspect(laidOut(std::vector<std::uint64_t>(4, 7), square)), 1.0, 1e-9);

    std::mt19937 random(3);
    std::uniform_int_distribution<std::size_t> count(2, 2000);
    std::vector<double> worst;
    for (int folder = 0; folder < 101; ++folder)
        worst.push_back(worstAspect(laidOut(randomFolder(random, count(random)), square)));
    std::nth_element(worst.begin(), worst.begin() + 50, worst.end());
    EXPECT_LE(worst[50], 3.0);
}

TEST(SquarifiedLayout, UnusableWeightsAndAreasGiveEmptyPiecesNotFaults)
{
    const double weights[] = {1.0, std::nan(""), -2.0, 3.0, HUGE_VAL};
    MapRect pieces[5];
    SquarifiedLayout::arrange(weights, 5, MapRect{0.0, 0.0, 4.0, 1.0}, pieces);
    EXPECT_NEAR(pieces[0].area() + pieces[3].area(), 4.0, 1e-12);
    EXPECT_NEAR(pieces[3].area(), 3.0 * pieces[0].area(), 1e-12);
    for (int i : {1, 2, 4})
        EXPECT_EQ(pieces[i].area(), 0.0);

    SquarifiedLayout::arrange(weights, 5, MapRect{0.0, 0.0, 0.0, 3.0}, pieces);
    for (const MapRect& piece : pieces)
        EXPECT_EQ(piece.area(), 0.0);

    const MapRect inner = SquarifiedLayout::inset(MapRect{1.0, 1.0, 4.0, 1.0}, 0.75);
    EXPECT_DOUBLE_EQ(inner.depth, 0.0);
    EXPECT_DOUBLE_EQ(inner.width, 3.0);
}
