#include "explore/EntryOrder.h"
#include "explore/EntryTypes.h"
#include "tree/EntryTree.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

// Each order agrees with sorting the order by name again, stably, by that
// order's key read from the tree at every comparison: sizes and times with
// many ties, times before 1970, folders by their totals, several types.
TEST(EntryOrder, EveryOrderIsTheNameOrderStablySortedByItsKey)
{
    std::mt19937 random(9);
    const char* const endings[] = {".png", ".mp4", ".txt", "", ".tar.gz"};
    EntryTree tree;
    const EntryId top = tree.makeRoot("/t/");
    std::vector<std::string> names;
    for (int i = 0; i < 400; ++i)
        names.push_back("n" + std::to_string(random() % 150) + endings[random() % 5]);
    for (const std::string& name : names) {
        EntryFacts facts;
        facts.name = name;
        facts.kind = random() % 8 == 0 ? EntryKind::Folder : EntryKind::File;
        facts.size = facts.kind == EntryKind::File ? random() % 6 : 0;
        facts.countedSize = facts.size;
        facts.modifiedTime = static_cast<std::int64_t>(random() % 7) - 3;
        const EntryId entry = tree.addEntry(top, facts);
        if (facts.kind == EntryKind::Folder) {
            EntryFacts inside = facts;
            inside.name = "inside";
            inside.kind = EntryKind::File;
            inside.size = inside.countedSize = random() % 6;
            tree.addEntry(entry, inside);
            tree.markListed(entry);
            tree.markComplete(entry);
        }
    }
    tree.markListed(top);
    tree.markComplete(top);
    const EntryRange entries = tree.entries(top);
    const auto shownSize = [&](std::uint32_t p) {
        const EntryKind kind = tree.kind(entries[p]);
        return kind == EntryKind::Folder || kind == EntryKind::FolderLink ? tree.totalSize(entries[p])
                                                                          : tree.byteSize(entries[p]);
    };
    const std::vector<std::uint32_t> byName = EntryOrder::sorted(tree, entries, SortOrder::Name);
    std::vector<std::uint32_t> expected = byName;
    std::stable_sort(expected.begin(), expected.end(),
                     [&](std::uint32_t a, std::uint32_t b) { return shownSize(a) > shownSize(b); });
    EXPECT_EQ(EntryOrder::sorted(tree, entries, SortOrder::Size), expected);
    expected = byName;
    std::stable_sort(expected.begin(), expected.end(), [&](std::uint32_t a, std::uint32_t b) {
        return tree.modifiedTime(entries[a]) > tree.modifiedTime(entries[b]);
    });
    EXPECT_EQ(EntryOrder::sorted(tree, entries, SortOrder::Time), expected);
    expected = byName;
    std::stable_sort(expected.begin(), expected.end(), [&](std::uint32_t a, std::uint32_t b) {
        return EntryTypes::groupOf(tree, entries[a]) < EntryTypes::groupOf(tree, entries[b]);
    });
    EXPECT_EQ(EntryOrder::sorted(tree, entries, SortOrder::Type), expected);
}
