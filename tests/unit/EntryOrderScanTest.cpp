#include "explore/EntryOrder.h"
#include "tree/EntryTree.h"
#include "tree/EntryTreeScan.h"

#include <sys/stat.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

// A large folder put in order by name beside the scan opens in every order
// exactly as if it were sorted on the spot; a small one is left to be sorted
// then, and a folder changed afterwards drops its order.
TEST(EntryOrderFromScan, ALargeFolderOrderedBesideTheScanSortsAsOneSortedOnTheSpot)
{
    const fs::path base = fs::is_directory("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path();
    std::string root = (base / "lumenfold-order-XXXXXX").string();
    ASSERT_NE(mkdtemp(root.data()), nullptr);
    const std::string large = root + "/large/";
    ASSERT_EQ(mkdir(large.c_str(), 0755), 0);
    ASSERT_EQ(mkdir((root + "/small").c_str(), 0755), 0);
    const int count = static_cast<int>(EntryTreeScan::kOrderedAhead) + 100;
    for (int i = 0; i < count; ++i) {
        const std::string name = (i % 3 == 0 ? "File" : "file") + std::to_string((i * 7919) % count);
        if (i % 50 == 0)
            ASSERT_EQ(mkdir((large + "d" + name).c_str(), 0755), 0);
        else
            std::ofstream(large + name) << std::string(static_cast<std::size_t>(i % 13), 'x');
    }
    std::ofstream(root + "/small/one") << "1";

    EntryTree tree;
    EntryTreeScan(tree, root + "/", false, nullptr, nullptr, false, &EntryOrder::byName).run();
    fs::remove_all(root);
    EntryId largeFolder = kNoEntry;
    EntryId smallFolder = kNoEntry;
    for (const EntryId entry : tree.entries(tree.root()))
        (tree.name(entry) == "large" ? largeFolder : smallFolder) = entry;
    ASSERT_NE(largeFolder, kNoEntry);
    ASSERT_NE(tree.nameOrder(largeFolder), nullptr);
    EXPECT_EQ(tree.nameOrder(smallFolder), nullptr);
    for (const SortOrder order : {SortOrder::Name, SortOrder::Size, SortOrder::Time, SortOrder::Type})
        EXPECT_EQ(EntryOrder::sorted(tree, largeFolder, order),
                  EntryOrder::sorted(tree, tree.entries(largeFolder), order))
            << EntryOrder::describe(order);

    EntryFacts added;
    added.name = "added";
    added.kind = EntryKind::File;
    tree.insert(largeFolder, added);
    EXPECT_EQ(tree.nameOrder(largeFolder), nullptr);
    EXPECT_EQ(EntryOrder::sorted(tree, largeFolder, SortOrder::Name).size(), static_cast<std::size_t>(count) + 1);
}

} // namespace
