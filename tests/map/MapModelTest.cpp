#include "explore/map/MapFraming.h"
#include "explore/map/MapLabels.h"
#include "explore/map/MapModel.h"
#include "tests/unit/ViewMatrix.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <limits>
#include <random>
#include <string>
#include <unordered_map>

namespace {

const int kViewport[4] = {0, 0, 800, 600};

EntryFacts file(const std::string& name, std::uint64_t bytes)
{
    EntryFacts facts;
    facts.name = name;
    facts.kind = EntryKind::File;
    facts.size = bytes;
    facts.countedSize = bytes;
    return facts;
}

EntryFacts folder(const std::string& name)
{
    EntryFacts facts;
    facts.name = name;
    facts.kind = EntryKind::Folder;
    return facts;
}

// Lists `at` with random files and folders, and those below it down to
// `depth`, completing each folder as a scan would.
void growRandom(EntryTree& tree, EntryId at, int depth, std::mt19937& random)
{
    std::uniform_int_distribution<int> entries(0, depth > 0 ? 12 : 30);
    std::uniform_real_distribution<double> decade(0.0, 9.0);
    const int count = entries(random);
    std::vector<EntryId> folders;
    for (int i = 0; i < count; ++i) {
        const std::string name = "e" + std::to_string(i);
        if (depth > 0 && random() % 3 == 0)
            folders.push_back(tree.addEntry(at, folder(name)));
        else
            tree.addEntry(at, file(name, random() % 10 == 0 ? 0 : std::uint64_t(std::pow(10.0, decade(random)))));
    }
    tree.markListed(at);
    for (EntryId sub : folders)
        growRandom(tree, sub, depth - 1, random);
    tree.markComplete(at);
}

// The map seen from high above its middle (all of it in view) or from a
// random point low over it.
viewmatrix::Matrix overview()
{
    return viewmatrix::clipFromScene({32.0, 120.0, 33.0}, {0.0, -1.0, -0.01}, 800.0 / 600.0);
}

// The nearest box the ray enters, trying every one.
std::optional<std::size_t> bruteForcePick(const std::vector<MapBox>& boxes, const SlotPicker::Ray& ray)
{
    std::optional<std::size_t> best;
    double bestT = std::numeric_limits<double>::infinity();
    for (std::size_t i = 0; i < boxes.size(); ++i) {
        double t = 0.0;
        if (MapModel::enters(ray, boxes[i].low, boxes[i].high, t) && t < bestT) {
            bestT = t;
            best = i;
        }
    }
    return best;
}

} // namespace

TEST(MapModel, PickingInAViewFindsWhatBruteForceFindsAmongAllBoxes)
{
    std::mt19937 random(7);
    int hits = 0;
    for (int round = 0; round < 20; ++round) {
        EntryTree tree;
        const EntryId root = tree.makeRoot("/r/");
        growRandom(tree, root, 3, random);
        MapModel whole(tree);
        whole.setDetail(0.0, 0.0, 0.0);
        whole.show(root);
        const std::vector<MapBox> all = whole.collect(overview().data(), kViewport, 0);
        ASSERT_FALSE(all.empty());

        MapModel seen(tree);
        seen.setDetail(0.0, 0.0, 0.0);
        seen.show(root);
        std::uniform_real_distribution<double> over(0.0, MapModel::kSide);
        std::uniform_real_distribution<double> turn(0.0, 6.283);
        const double angle = turn(random);
        const viewmatrix::Matrix view = viewmatrix::clipFromScene(
            {over(random), 3.0, over(random)}, {std::cos(angle), -0.3, std::sin(angle)}, 800.0 / 600.0);
        seen.collect(view.data(), kViewport, 0);
        EXPECT_LT(seen.boxes().size(), all.size() + 1);

        std::uniform_real_distribution<double> x(0.0, 800.0);
        std::uniform_real_distribution<double> y(0.0, 600.0);
        for (int ray = 0; ray < 200; ++ray) {
            const std::optional<SlotPicker::Ray> through
                = SlotPicker::rayThrough(view.data(), kViewport, x(random), y(random));
            ASSERT_TRUE(through);
            const std::optional<std::size_t> expected = bruteForcePick(all, *through);
            const std::optional<std::size_t> got = seen.pick(*through);
            hits += got ? 1 : 0;
            ASSERT_EQ(expected.has_value(), got.has_value()) << "round " << round << " ray " << ray;
            if (expected) {
                EXPECT_EQ(all[*expected].entry, seen.boxes()[*got].entry) << "round " << round << " ray " << ray;
            }
        }
    }
    // Most rays from low over the map land on something.
    EXPECT_GT(hits, 2000);
}

TEST(MapModel, FoldersStandOneStepUpInsideTheirParentsMarginAndFollowTheTreeInOrder)
{
    std::mt19937 random(11);
    EntryTree tree;
    const EntryId root = tree.makeRoot("/r/");
    growRandom(tree, root, 3, random);
    MapModel map(tree);
    map.setDetail(0.0, 0.0, 0.0);
    map.show(root);
    const std::vector<MapBox>& boxes = map.collect(overview().data(), kViewport, 0);
    std::unordered_map<EntryId, std::size_t> platforms;
    for (std::size_t i = 0; i < boxes.size(); ++i) {
        const MapBox& box = boxes[i];
        if (box.kind == MapBoxKind::Platform)
            platforms[box.entry] = i;
        if (box.entry == root)
            continue;
        ASSERT_EQ(platforms.count(tree.parent(box.entry)), 1u) << "a box before its folder's platform";
        const MapBox& parent = boxes[platforms[tree.parent(box.entry)]];
        EXPECT_LE(i, parent.end);
        EXPECT_FLOAT_EQ(box.low[1], parent.high[1]);
        EXPECT_LE(box.high[1], parent.reach);
        const float margin = static_cast<float>(
            MapModel::kMarginShare * std::min(parent.high[0] - parent.low[0], parent.high[2] - parent.low[2]));
        for (int axis : {0, 2}) {
            EXPECT_GE(box.low[axis], parent.low[axis] + margin * 0.999f);
            EXPECT_LE(box.high[axis], parent.high[axis] - margin * 0.999f);
        }
    }
    // Every entry of the tree shows when detail is not limited.
    EXPECT_EQ(boxes.size(), tree.size());
}

TEST(MapModel, SmallFoldersOnScreenAreOneBlockAndNotLaidOut)
{
    EntryTree tree;
    const EntryId root = tree.makeRoot("/r/");
    std::vector<EntryId> folders;
    for (int f = 0; f < 100; ++f)
        folders.push_back(tree.addEntry(root, folder("f" + std::to_string(f))));
    tree.markListed(root);
    for (EntryId at : folders) {
        for (int i = 0; i < 1000; ++i)
            tree.addEntry(at, file("x" + std::to_string(i), 1000 + i));
        tree.markListed(at);
        tree.markComplete(at);
    }
    tree.markComplete(root);

    MapModel map(tree);
    map.show(root);
    map.collect(overview().data(), kViewport, 0);
    // Only the top folder is laid out; each of the others is a single block.
    EXPECT_EQ(map.layouts().laidOutEntries(), 100u);
    EXPECT_EQ(map.boxes().size(), 101u);
    EXPECT_EQ(map.boxOf(folders[0])->kind, MapBoxKind::Lump);

    // Close over one folder, its files are laid out and stand on its platform.
    const std::optional<MapBox> near = map.platformOf(folders[0], 0);
    ASSERT_TRUE(near);
    const double cx = 0.5 * (near->low[0] + near->high[0]);
    const double cz = 0.5 * (near->low[2] + near->high[2]);
    const viewmatrix::Matrix close = viewmatrix::clipFromScene({cx, 4.0, cz + 1.0}, {0.0, -1.0, -0.3}, 800.0 / 600.0);
    map.collect(close.data(), kViewport, 0);
    EXPECT_EQ(map.boxOf(folders[0])->kind, MapBoxKind::Platform);
    EXPECT_LT(map.layouts().laidOutEntries(), 100u + 10u * 1000u);
    EXPECT_GE(map.layouts().laidOutEntries(), 1100u);
    EXPECT_LE(map.layouts().memoryBytes(), 32u * map.layouts().laidOutEntries());
}

TEST(MapModel, FoldersStillCountedAreMarkedAndLaidOutAgainAtMostEachPeriodAndOnceComplete)
{
    EntryTree tree;
    const EntryId root = tree.makeRoot("/r/");
    const EntryId small = tree.addEntry(root, folder("small"));
    const EntryId large = tree.addEntry(root, folder("large"));
    tree.markListed(root);
    tree.addEntry(small, file("a", 10));
    const EntryId deep = tree.addEntry(small, folder("deep"));
    tree.markListed(small);
    tree.addEntry(large, file("b", 1000));
    tree.markListed(large);
    tree.markComplete(large);

    MapModel map(tree);
    map.setDetail(0.0, 0.0, 0.0);
    map.show(root);
    MapLayouts& layouts = map.layouts();
    auto area = [&](EntryId entry) {
        const MapBox* box = map.boxOf(entry);
        return box == nullptr ? 0.0 : double(box->high[0] - box->low[0]) * double(box->high[2] - box->low[2]);
    };
    map.collect(overview().data(), kViewport, 0);
    EXPECT_TRUE(map.boxOf(small)->counting);
    EXPECT_FALSE(map.boxOf(large)->counting);
    const double smallAtFirst = area(small);
    const std::size_t made = layouts.layoutsMade();

    // The scan finds a large file below: the sizes known so far grow, but
    // the layout waits for its period.
    tree.addEntry(deep, file("c", 100000));
    tree.markListed(deep);
    map.collect(overview().data(), kViewport, 100);
    EXPECT_DOUBLE_EQ(area(small), smallAtFirst);
    map.collect(overview().data(), kViewport, MapLayouts::kRelayoutMs);
    EXPECT_GT(area(small), 10.0 * smallAtFirst);
    EXPECT_GT(layouts.layoutsMade(), made);

    // Complete: laid out once more, then kept however long the view stays.
    tree.markComplete(deep);
    tree.markComplete(small);
    tree.markComplete(root);
    map.collect(overview().data(), kViewport, MapLayouts::kRelayoutMs + 1);
    EXPECT_FALSE(map.boxOf(small)->counting);
    const std::size_t complete = layouts.layoutsMade();
    for (std::int64_t t = 1; t < 10; ++t)
        map.collect(overview().data(), kViewport, t * 1000);
    EXPECT_EQ(layouts.layoutsMade(), complete);
}

TEST(MapModel, TheSameViewAgainKeepsItsBoxesUntilTheViewOrTheLayoutsChange)
{
    std::mt19937 random(11);
    EntryTree tree;
    const EntryId root = tree.makeRoot("/r/");
    growRandom(tree, root, 3, random);
    auto same = [](const std::vector<MapBox>& a, const std::vector<MapBox>& b) {
        if (a.size() != b.size())
            return false;
        for (std::size_t i = 0; i < a.size(); ++i)
            if (a[i].entry != b[i].entry || a[i].kind != b[i].kind || !std::equal(a[i].low, a[i].low + 3, b[i].low)
                || !std::equal(a[i].high, a[i].high + 3, b[i].high))
                return false;
        return true;
    };
    const viewmatrix::Matrix low = viewmatrix::clipFromScene({20.0, 3.0, 60.0}, {0.3, -0.2, -1.0}, 800.0 / 600.0);
    MapModel map(tree);
    map.show(root);
    const std::vector<MapBox> first = map.collect(overview().data(), kViewport, 0);
    ASSERT_FALSE(first.empty());
    const std::uint64_t kept = map.collection();
    map.collect(overview().data(), kViewport, 5000);
    EXPECT_EQ(map.collection(), kept);

    // Another view, then back: collected anew, the same boxes as before.
    const std::vector<MapBox> fromLow = map.collect(low.data(), kViewport, 0);
    EXPECT_NE(map.collection(), kept);
    EXPECT_FALSE(same(fromLow, first));
    EXPECT_TRUE(same(map.collect(overview().data(), kViewport, 0), first));

    // The layouts change under the same view: what shows is the new order's.
    map.layouts().setOrder(MapOrder::Name);
    const std::uint64_t before = map.collection();
    const std::vector<MapBox> byName = map.collect(overview().data(), kViewport, 0);
    EXPECT_NE(map.collection(), before);
    MapModel fresh(tree);
    fresh.layouts().setOrder(MapOrder::Name);
    fresh.show(root);
    EXPECT_TRUE(same(byName, fresh.collect(overview().data(), kViewport, 0)));
    EXPECT_FALSE(same(byName, first));
}

TEST(MapModel, HiddenEntriesLeaveTheMapAndFolderLinksAreNotEntered)
{
    EntryTree tree;
    const EntryId root = tree.makeRoot("/r/");
    const EntryId hidden = tree.addEntry(root, file(".secret", 500));
    // The facts hold a view of the name, which must outlive them.
    const std::string loopName = "loop";
    EntryFacts link = folder(loopName);
    link.kind = EntryKind::FolderLink;
    const EntryId loop = tree.addEntry(root, link);
    tree.markListed(root);
    tree.markListed(loop, 0, root);
    tree.markComplete(root);

    MapModel map(tree);
    map.setDetail(0.0, 0.0, 0.0);
    map.show(root);
    map.collect(overview().data(), kViewport, 0);
    EXPECT_EQ(map.boxOf(hidden), nullptr);
    ASSERT_NE(map.boxOf(loop), nullptr);
    EXPECT_EQ(map.boxOf(loop)->kind, MapBoxKind::Block);
    map.layouts().setShowHidden(true);
    map.collect(overview().data(), kViewport, 0);
    EXPECT_NE(map.boxOf(hidden), nullptr);
    EXPECT_EQ(map.boxes().size(), 3u);
}

TEST(MapLabels, NamesNeverOverlapOnScreenAndAreAllLargeEnoughToRead)
{
    std::mt19937 random(5);
    EntryTree tree;
    const EntryId root = tree.makeRoot("/r/");
    growRandom(tree, root, 3, random);
    MapModel map(tree);
    map.show(root);
    // Names of six to twenty characters, half an em each.
    const MapLabels::WidthOf widthOf = [](EntryId entry) { return 0.5f * static_cast<float>(6 + entry % 15); };
    for (const viewmatrix::Matrix& view :
         {viewmatrix::clipFromScene({32.0, 50.0, 75.0}, {0.0, -0.8, -1.0}, 800.0 / 600.0),
          viewmatrix::clipFromScene({32.0, 30.0, 90.0}, {0.0, -0.6, -1.0}, 800.0 / 600.0),
          viewmatrix::clipFromScene({10.0, 8.0, 60.0}, {0.5, -0.3, -1.0}, 800.0 / 600.0)}) {
        const std::vector<MapBox>& boxes = map.collect(view.data(), kViewport, 0);
        const std::vector<MapLabels::Label> labels = MapLabels::place(boxes, view.data(), kViewport, widthOf);
        ASSERT_GE(labels.size(), 3u);
        // Each name's four corners on screen, as the test works them out.
        std::vector<std::array<double, 4>> rects;
        for (const MapLabels::Label& label : labels) {
            EXPECT_GT(label.alpha, 0.0f);
            std::array<double, 4> rect{1e9, 1e9, -1e9, -1e9};
            for (int corner = 0; corner < 4; ++corner) {
                const double up = (corner & 2) != 0 ? label.em : 0.0;
                const double p[3]
                    = {label.origin[0] + ((corner & 1) != 0 ? label.em * widthOf(label.entry) : 0.0),
                       label.origin[1] + up * MapLabels::kUp[1], label.origin[2] + up * MapLabels::kUp[2]};
                double clip[4];
                for (int row = 0; row < 4; ++row)
                    clip[row] = view[row] * p[0] + view[4 + row] * p[1] + view[8 + row] * p[2] + view[12 + row];
                const double x = 400.0 * (clip[0] / clip[3] + 1.0);
                const double y = 300.0 * (clip[1] / clip[3] + 1.0);
                rect = {std::min(rect[0], x), std::min(rect[1], y), std::max(rect[2], x), std::max(rect[3], y)};
            }
            // Its letters at least the smallest readable size.
            EXPECT_GE(std::min(rect[2] - rect[0], rect[3] - rect[1]), MapLabels::kSmallestPixels * 0.5);
            rects.push_back(rect);
        }
        for (std::size_t i = 0; i < rects.size(); ++i)
            for (std::size_t j = i + 1; j < rects.size(); ++j)
                EXPECT_FALSE(rects[i][0] < rects[j][2] && rects[j][0] < rects[i][2] && rects[i][1] < rects[j][3]
                             && rects[j][1] < rects[i][3])
                    << "names " << i << " and " << j << " overlap";
    }
}

TEST(MapFraming, HomeAndAFolderFramedFitTheView)
{
    EntryTree tree;
    const EntryId root = tree.makeRoot("/r/");
    std::vector<EntryId> folders;
    for (int f = 0; f < 5; ++f)
        folders.push_back(tree.addEntry(root, folder("f" + std::to_string(f))));
    tree.markListed(root);
    for (EntryId at : folders) {
        tree.addEntry(at, file("x", 1000 * (at + 1)));
        tree.markListed(at);
        tree.markComplete(at);
    }
    tree.markComplete(root);
    MapModel map(tree);
    map.show(root);
    // The platform's corners in view, and the platform no smaller than half the view.
    auto fits = [](const Camera& pose, const MapBox& box) {
        const Vector3 at = pose.position;
        const Vector3 look = pose.lookDirection.normalized();
        const viewmatrix::Matrix view
            = viewmatrix::clipFromScene({at.x, at.y, at.z}, {look.x, look.y, look.z}, 4.0 / 3.0);
        double low[2] = {1e9, 1e9};
        double high[2] = {-1e9, -1e9};
        for (int corner = 0; corner < 4; ++corner) {
            const double p[3] = {(corner & 1) != 0 ? box.high[0] : box.low[0], box.high[1],
                                 (corner & 2) != 0 ? box.high[2] : box.low[2]};
            double clip[4];
            for (int row = 0; row < 4; ++row)
                clip[row] = view[row] * p[0] + view[4 + row] * p[1] + view[8 + row] * p[2] + view[12 + row];
            for (int axis = 0; axis < 2; ++axis) {
                low[axis] = std::min(low[axis], clip[axis] / clip[3]);
                high[axis] = std::max(high[axis], clip[axis] / clip[3]);
            }
        }
        return low[0] > -1.0 && low[1] > -1.0 && high[0] < 1.0 && high[1] < 1.0
            && std::max(high[0] - low[0], high[1] - low[1]) > 1.0;
    };
    const Camera home = MapFraming::home(4.0 / 3.0);
    MapBox top;
    top.high[0] = top.high[2] = static_cast<float>(MapModel::kSide);
    top.high[1] = static_cast<float>(MapModel::kStep);
    EXPECT_TRUE(fits(home, top));
    const std::optional<MapBox> platform = map.platformOf(folders[2], 0);
    ASSERT_TRUE(platform);
    const Camera near = MapFraming::framing(*platform, 4.0 / 3.0);
    EXPECT_TRUE(fits(near, *platform));
    EXPECT_LT(near.position.y, home.position.y);
}
