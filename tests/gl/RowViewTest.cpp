#include "app/Application.h"
#include "explore/ExploreState.h"
#include "explore/RowView.h"
#include "scene/FsNode.h"
#include "tests/gl/GlContext.h"
#include "tests/gl/TestSymbols.h"
#include "tree/EntryTree.h"
#include "tree/EntryTreeScan.h"

#include <GL/gl.h>
#include <stdlib.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

// A folder of 14 entries, every third a folder, scanned as the plain view
// does (with icons) and into the explore view's tree.
struct ScannedRow {
    FsNode* root = nullptr;
    EntryTree tree;
};

ScannedRow* scannedRow()
{
    static ScannedRow* scanned = [] {
        gltest::provideSymbols();
        std::string pattern = (fs::temp_directory_path() / "lumenfold-explore-row-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr)
            return static_cast<ScannedRow*>(nullptr);
        for (int i = 0; i < 14; ++i) {
            const std::string path = pattern + "/entry" + std::to_string(10 + i);
            if (i % 3 == 0)
                fs::create_directory(path);
            else
                std::ofstream(path) << "text";
        }
        auto* both = new ScannedRow;
        testing::internal::CaptureStdout();
        both->root = new FsNode("", 0, pattern + "/");
        testing::internal::GetCapturedStdout();
        EntryTreeScan(both->tree, pattern + "/", false, nullptr, nullptr).run();
        fs::remove_all(pattern);
        return both;
    }();
    return scanned;
}

template <typename DrawRow>
std::vector<unsigned char> picture(const ExploreState& state, DrawRow drawRow)
{
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
    state.camera().applyView();
    drawRow();
    glFinish();
    std::vector<unsigned char> colour(800 * 600 * 4);
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, 800, 600, GL_RGBA, GL_UNSIGNED_BYTE, colour.data());
    return colour;
}

// The lowest and highest lit rows (from the bottom) of column x; -1 when none is lit.
std::pair<int, int> litRows(const std::vector<unsigned char>& colour, int x)
{
    std::pair<int, int> rows(-1, -1);
    for (int y = 0; y < 600; ++y) {
        const unsigned char* pixel = &colour[4 * (static_cast<std::size_t>(y) * 800 + x)];
        if (pixel[0] + pixel[1] + pixel[2] == 0)
            continue;
        rows.first = rows.first < 0 ? y : rows.first;
        rows.second = y;
    }
    return rows;
}

} // namespace

TEST(RowView, DrawsTheRowAsTheIconsDoAndGrowsASymbolUpFromItsBase)
{
    ASSERT_TRUE(gltest::ensureContext());
    ScannedRow* scanned = scannedRow();
    ASSERT_NE(scanned, nullptr);
    FsNode* root = scanned->root;
    ASSERT_EQ(root->children.size(), 14u);
    Application::initGL();
    Application::resizeWindow(800, 600);

    ExploreState state;
    state.setRowShape(RowView::shapeOfLoadedSymbols());
    state.setOrder(SortOrder::Listing);
    state.show(&scanned->tree, scanned->tree.root());
    RowView row;
    const std::vector<unsigned char> icons = picture(state, [&] { root->drawChildren(); });
    const std::vector<unsigned char> drawn = picture(state, [&] { row.draw(state); });
    EXPECT_TRUE(drawn == icons) << "the row differs from the icons' own drawing";

    // Slot 0 in the start view's first 12 slots: its column through the middle.
    const int column = 36;
    const std::pair<int, int> plain = litRows(drawn, column);
    ASSERT_GE(plain.first, 0) << "nothing drawn in column " << column;
    row.setHeightFactor([](const EntryTree&, EntryId) { return 2.0f; }, 2.0f);
    const std::pair<int, int> grown = litRows(picture(state, [&] { row.draw(state); }), column);
    EXPECT_NEAR(grown.first, plain.first, 1);
    EXPECT_NEAR(grown.second - grown.first, 2 * (plain.second - plain.first), 3);
}
