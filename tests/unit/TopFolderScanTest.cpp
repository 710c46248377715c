#include "support/ProgressListener.h"
#include "tree/EntryTree.h"
#include "tree/EntryTreeScan.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

// At every progress report of the scan: how many of the top folder's entries
// a reader finds while the folder is still being listed.
class ReadableSoFar : public ProgressListener {
public:
    explicit ReadableSoFar(const EntryTree& scanned) : tree(scanned) {}
    void progressed(std::uint64_t) override
    {
        if (!tree.isListed(tree.root()))
            seen.push_back(tree.entriesSoFar(tree.root()).size());
    }
    std::vector<std::size_t> seen;

private:
    const EntryTree& tree;
};

std::vector<std::size_t> readableWhileListing(std::size_t files, std::size_t& listed)
{
    const fs::path base = fs::is_directory("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path();
    std::string root = (base / "lumenfold-top-XXXXXX").string();
    EXPECT_NE(mkdtemp(root.data()), nullptr);
    for (std::size_t i = 0; i < files; ++i)
        std::ofstream(root + "/f" + std::to_string(i));
    EntryTree tree;
    ReadableSoFar listener(tree);
    EntryTreeScan(tree, root + "/", false, &listener, nullptr).run();
    fs::remove_all(root);
    listed = tree.entries(tree.root()).size();
    return listener.seen;
}

// A top folder of thousands of entries can be shown before it is all listed
// (the first frame need not wait for all of it); a small one is shown whole.
TEST(TopFolderScan, ALargeTopFolderIsReadableWhileBeingListedASmallOneOnlyOnceListed)
{
    std::size_t listed = 0;
    const std::vector<std::size_t> large = readableWhileListing(3000, listed);
    EXPECT_EQ(listed, 3000u);
    ASSERT_FALSE(large.empty());
    EXPECT_EQ(large.front(), 0u);
    EXPECT_GE(large.back(), 2048u);
    for (const std::size_t count : large)
        EXPECT_TRUE(count == 0 || count == 1024 || count == 2048) << count;

    const std::vector<std::size_t> small = readableWhileListing(1000, listed);
    EXPECT_EQ(listed, 1000u);
    for (const std::size_t count : small)
        EXPECT_EQ(count, 0u);
}

} // namespace
