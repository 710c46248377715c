#include "explore/ExploreState.h"
#include "explore/RowView.h"
#include "explore/TypeLegend.h"
#include "scene/FsNode.h"
#include "tests/gl/GlContext.h"
#include "tests/gl/TestSymbols.h"

#include <stdlib.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

// A scanned folder of a few types, listed in no particular order.
FsNode* scannedTypes()
{
    static FsNode* root = [] {
        gltest::provideSymbols();
        std::string pattern = (fs::temp_directory_path() / "lumenfold-types-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr)
            return static_cast<FsNode*>(nullptr);
        const std::vector<std::pair<std::string, std::size_t>> files{
            {"b.txt", 10}, {"c.png", 20}, {"z.mp3", 30}, {"a.png", 4000}, {"d/inner.txt", 5}};
        fs::create_directory(pattern + "/d");
        for (const auto& [name, bytes] : files)
            std::ofstream(pattern + "/" + name) << std::string(bytes, 'x');
        testing::internal::CaptureStdout();
        FsNode* scanned = new FsNode("", 0, pattern + "/");
        testing::internal::GetCapturedStdout();
        fs::remove_all(pattern);
        return scanned;
    }();
    return root;
}

std::vector<std::string> shownNames(const ExploreState& state)
{
    std::vector<std::string> names;
    for (const FsNode* entry : state.entries())
        names.push_back(entry->name);
    return names;
}

} // namespace

TEST(EntryTypes, SortByTypeFindByTypeAndTheLegendFollowTheGroups)
{
    ASSERT_TRUE(gltest::ensureContext());
    FsNode* root = scannedTypes();
    ASSERT_NE(root, nullptr);
    ExploreState state;
    state.setRowShape(RowView::shapeOfLoadedSymbols());
    state.show(root);
    state.setOrder(SortOrder::Type);
    EXPECT_EQ(shownNames(state), (std::vector<std::string>{"d", "a.png", "c.png", "z.mp3", "b.txt"}));

    state.openFind();
    state.typeInFind("type:IMAGE");
    EXPECT_EQ(state.status(), "Match 1 of 2");
    EXPECT_EQ(state.entries()[state.selected()]->name, "a.png");
    state.findNext();
    EXPECT_EQ(state.entries()[state.selected()]->name, "c.png");
    state.closeFind();
    state.openFind();
    state.typeInFind("type:font");
    EXPECT_EQ(state.status(), "No entry of type font");
    state.closeFind();

    // The whole subtree, largest first: the folder's own file is text too.
    const std::vector<TypeLegend::Row> legend = TypeLegend::tally(*root);
    ASSERT_EQ(legend.size(), 4u);
    EXPECT_EQ(legend[0].group, TypeGroup::Image);
    EXPECT_EQ(legend[0].entries, 2u);
    EXPECT_EQ(legend[0].bytes, 4020u);
    EXPECT_EQ(TypeLegend::describe(legend[1]), "audio  \xC2\xB7  1 entry  \xC2\xB7  30 B");
    EXPECT_EQ(legend[2].group, TypeGroup::Text);
    EXPECT_EQ(legend[2].entries, 2u);
    EXPECT_EQ(legend[3].group, TypeGroup::Folder);
}
