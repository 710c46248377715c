#include "app/Application.h"
#include "explore/map/MapModel.h"
#include "explore/map/MapNameView.h"
#include "explore/map/MapView.h"
#include "tests/gl/GlContext.h"
#include "text/FontSet.h"
#include "text/TextRenderer.h"

#include <GL/gl.h>

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr int kSide = 600;

EntryFacts file(const std::string& name, std::uint64_t bytes)
{
    EntryFacts facts;
    facts.name = name;
    facts.kind = EntryKind::File;
    facts.size = bytes;
    facts.countedSize = bytes;
    return facts;
}

// Straight down on the shown folder's platform, which fills a square
// viewport kSide pixels wide: scene x to the right, scene z downwards.
void lookStraightDown()
{
    glViewport(0, 0, kSide, kSide);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0.0, MapModel::kSide, -MapModel::kSide, 0.0, -100.0, 100.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glRotated(90.0, 1.0, 0.0, 0.0);
}

std::vector<unsigned char> readPicture()
{
    glFinish();
    std::vector<unsigned char> colour(static_cast<std::size_t>(kSide) * kSide * 4);
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, kSide, kSide, GL_RGBA, GL_UNSIGNED_BYTE, colour.data());
    return colour;
}

// Leaves the viewer's own viewport and projection for the tests after.
class MapViewDrawing : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(gltest::ensureContext());
        Application::initGL();
    }
    void TearDown() override { Application::resizeWindow(800, 600); }
};

} // namespace

TEST_F(MapViewDrawing, TheLargestFilesBlockCoversTheAreaItsLayoutGivesIt)
{
    EntryTree tree;
    const EntryId root = tree.makeRoot("/known/");
    const EntryId big = tree.addEntry(root, file("big", 1000000000));
    for (int i = 1; i <= 9; ++i)
        tree.addEntry(root, file("small" + std::to_string(i), 1000000));
    tree.markListed(root);
    tree.markComplete(root);

    MapModel model(tree);
    model.show(root);
    MapView view;
    // The big file red, everything else without red.
    view.setColourOf([&](EntryId entry, EntryKind) {
        return entry == big ? MapView::Colour{1.0f, 0.0f, 0.0f} : MapView::Colour{0.0f, 0.4f, 1.0f};
    });
    lookStraightDown();
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    view.draw(model, 0, kNoEntry);
    const std::vector<unsigned char> picture = readPicture();

    const MapBox* box = model.boxOf(big);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(model.boxes().size(), 11u);
    const double scale = kSide / MapModel::kSide;
    // Pixel columns and rows (from the bottom) the box covers.
    const double left = box->low[0] * scale;
    const double right = box->high[0] * scale;
    const double bottom = (MapModel::kSide - box->high[2]) * scale;
    const double top = (MapModel::kSide - box->low[2]) * scale;
    long red = 0;
    long strayRed = 0;
    for (int y = 0; y < kSide; ++y) {
        for (int x = 0; x < kSide; ++x) {
            const unsigned char* pixel = &picture[4 * (static_cast<std::size_t>(y) * kSide + x)];
            if (!(pixel[0] > 60 && pixel[1] < 30 && pixel[2] < 30))
                continue;
            ++red;
            const bool inside = x + 1 >= left && x <= right && y + 1 >= bottom && y <= top;
            strayRed += inside ? 0 : 1;
        }
    }
    const double expected = (right - left) * (top - bottom);
    // The big file takes nearly all of its folder (1 GB of 1.009 GB) but
    // the folder's margin and the gap around the block.
    const double inner = 1.0 - 2.0 * MapModel::kMarginShare;
    EXPECT_GT(expected,
              inner * inner * (1.0 - MapModel::kGapShare) * (1.0 - MapModel::kGapShare) * 0.98 * kSide * kSide);
    EXPECT_NEAR(static_cast<double>(red), expected, 2.0 * (right - left + top - bottom));
    EXPECT_EQ(strayRed, 0);
}

TEST_F(MapViewDrawing, NamesLieOnTheirOwnBlocksAndShowInThePicture)
{
    std::string reason;
    std::unique_ptr<FontSet> fonts = FontSet::open("", reason);
    ASSERT_NE(fonts, nullptr) << reason;
    TextRenderer text(*fonts);
    EntryTree tree;
    const EntryId root = tree.makeRoot("/known/");
    for (int i = 0; i < 12; ++i)
        tree.addEntry(root, file("name" + std::to_string(i), 1000u << i));
    tree.markListed(root);
    tree.markComplete(root);
    MapModel model(tree);
    model.show(root);
    MapView view;
    MapNameView names(text);
    lookStraightDown();
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    view.draw(model, 0, kNoEntry);
    const std::vector<unsigned char> without = readPicture();
    names.draw(model, kNoEntry);
    const std::vector<unsigned char> with = readPicture();

    // The largest files' names are drawn, each inside its own block's top.
    ASSERT_GE(names.drawnNames().size(), 6u);
    for (const MapLabels::Label& label : names.drawnNames()) {
        const MapBox* box = model.boxOf(label.entry);
        ASSERT_NE(box, nullptr);
        EXPECT_GE(label.origin[0], box->low[0]);
        EXPECT_LE(label.origin[2], box->high[2]);
        EXPECT_GE(label.origin[2] + label.em * MapLabels::kUp[2], box->low[2]);
    }
    // And the picture changed where they lie: some pixels turned light.
    long lighter = 0;
    for (std::size_t i = 0; i < with.size(); i += 4)
        lighter += with[i] + with[i + 1] + with[i + 2] > without[i] + without[i + 1] + without[i + 2] + 150 ? 1 : 0;
    EXPECT_GT(lighter, 200);
}

TEST_F(MapViewDrawing, ANewColouringShowsInTheNextFrameOfTheSameView)
{
    EntryTree tree;
    const EntryId root = tree.makeRoot("/known/");
    tree.addEntry(root, file("only", 1000));
    tree.markListed(root);
    tree.markComplete(root);
    MapModel model(tree);
    model.show(root);
    MapView view;
    auto redAt = [&](const MapView::Colour& colour) {
        view.setColourOf([colour](EntryId, EntryKind) { return colour; });
        lookStraightDown();
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        view.draw(model, 0, kNoEntry);
        // The middle of the platform: the file's block.
        return readPicture()[4 * (static_cast<std::size_t>(kSide / 2) * kSide + kSide / 2)];
    };
    EXPECT_GT(redAt(MapView::Colour{1.0f, 0.0f, 0.0f}), 60);
    EXPECT_LT(redAt(MapView::Colour{0.0f, 0.4f, 1.0f}), 30);
}
