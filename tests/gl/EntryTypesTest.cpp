#include "explore/ExploreState.h"
#include "explore/RowView.h"
#include "explore/TypeLegend.h"
#include "tests/gl/GlContext.h"
#include "tests/gl/TestSymbols.h"
#include "tree/EntryTree.h"
#include "tree/EntryTreeScan.h"

#include <stdlib.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

// A scanned folder of a few types, listed in no particular order.
const EntryTree* scannedTypes()
{
    static const EntryTree* scanned = [] {
        gltest::provideSymbols();
        std::string pattern = (fs::temp_directory_path() / "lumenfold-types-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr)
            return static_cast<const EntryTree*>(nullptr);
        const std::vector<std::pair<std::string, std::size_t>> files{
            {"b.txt", 10}, {"c.png", 20}, {"z.mp3", 30}, {"a.png", 4000}, {"d/inner.txt", 5}};
        fs::create_directory(pattern + "/d");
        for (const auto& [name, bytes] : files)
            std::ofstream(pattern + "/" + name) << std::string(bytes, 'x');
        auto* tree = new EntryTree;
        EntryTreeScan(*tree, pattern + "/", false, nullptr, nullptr).run();
        fs::remove_all(pattern);
        return static_cast<const EntryTree*>(tree);
    }();
    return scanned;
}

std::vector<std::string> shownNames(const ExploreState& state)
{
    std::vector<std::string> names;
    for (const EntryId entry : state.entries())
        names.emplace_back(state.shownTree()->name(entry));
    return names;
}

} // namespace

TEST(EntryTypes, SortByTypeFindByTypeAndTheLegendFollowTheGroups)
{
    ASSERT_TRUE(gltest::ensureContext());
    const EntryTree* tree = scannedTypes();
    ASSERT_NE(tree, nullptr);
    ExploreState state;
    state.setRowShape(RowView::shapeOfLoadedSymbols());
    state.show(tree, tree->root());
    state.setOrder(SortOrder::Type);
    EXPECT_EQ(shownNames(state), (std::vector<std::string>{"d", "a.png", "c.png", "z.mp3", "b.txt"}));

    state.openFind();
    state.typeInFind("type:IMAGE");
    EXPECT_EQ(state.status(), "Match 1 of 2");
    EXPECT_EQ(tree->name(state.entries()[state.selected()]), "a.png");
    state.findNext();
    EXPECT_EQ(tree->name(state.entries()[state.selected()]), "c.png");
    state.closeFind();
    state.openFind();
    state.typeInFind("type:font");
    EXPECT_EQ(state.status(), "No entry of type font");
    state.closeFind();

    // The whole subtree, largest first: the folder's own file is text too.
    const std::vector<TypeLegend::Row> legend = TypeLegend::tally(*tree, tree->root());
    ASSERT_EQ(legend.size(), 4u);
    EXPECT_EQ(legend[0].group, TypeGroup::Image);
    EXPECT_EQ(legend[0].entries, 2u);
    EXPECT_EQ(legend[0].bytes, 4020u);
    EXPECT_EQ(TypeLegend::describe(legend[1]), "audio  \xC2\xB7  1 entry  \xC2\xB7  30 B");
    EXPECT_EQ(legend[2].group, TypeGroup::Text);
    EXPECT_EQ(legend[2].entries, 2u);
    EXPECT_EQ(legend[3].group, TypeGroup::Folder);
}
