#include "explore/ExploreState.h"
#include "scene/BackgroundScan.h"
#include "scene/FsNode.h"

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace {

namespace fs = std::filesystem;

// A fresh tree of `folders` folders of `files` empty files each, below a
// temporary folder, in memory where the system has a memory file system
// (tens of thousands of files are made there in a moment); removed afterwards.
class BackgroundScanTest : public testing::Test {
protected:
    void SetUp() override
    {
        const fs::path base = fs::is_directory("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path();
        std::string pattern = (base / "lumenfold-worker-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        root = pattern + "/";
    }

    void TearDown() override { fs::remove_all(root); }

    void makeTree(int folders, int files)
    {
        for (int f = 0; f < folders; ++f) {
            const std::string folder = root + "d" + std::to_string(f);
            ASSERT_EQ(mkdir(folder.c_str(), 0755), 0);
            for (int i = 0; i < files; ++i)
                std::ofstream(folder + "/f" + std::to_string(i)) << i;
        }
    }

    static void waitUntil(const std::function<bool()>& condition)
    {
        while (!condition())
            std::this_thread::sleep_for(std::chrono::microseconds(200));
    }

    // Entries below node, counted through the tree.
    static std::uint64_t countBelow(const FsNode* node)
    {
        std::uint64_t count = 0;
        std::vector<const FsNode*> stack{node};
        while (!stack.empty()) {
            const FsNode* at = stack.back();
            stack.pop_back();
            count += at->children.size();
            stack.insert(stack.end(), at->children.begin(), at->children.end());
        }
        return count;
    }

    std::string root;
};

TEST_F(BackgroundScanTest, AFolderShownBeforeTheWalkReachesItIsListedAheadOfTheRest)
{
    ASSERT_NO_FATAL_FAILURE(makeTree(200, 200));
    BackgroundScan scan(root, ScanOptions{});
    ExploreState state;
    state.setScan(&scan.control());
    waitUntil([&] { return scan.root()->isListed(); });
    state.show(scan.root());
    ASSERT_EQ(state.entryCount(), 200u);

    // The walk takes the folders in listing order: the last one comes last.
    FsNode* last = scan.root()->children.back();
    state.show(last);
    waitUntil([&] { return last->isListed(); });
    const std::uint64_t listedBefore = scan.control().progress().entries;
    state.followScan();
    EXPECT_EQ(state.entryCount(), 200u);
    EXPECT_LT(listedBefore, 200u * 201u / 2) << "listed only when the walk came to it";

    waitUntil([&] { return scan.ended(); });
    ASSERT_TRUE(scan.root()->isComplete());
    EXPECT_EQ(scan.root()->totalEntries, 200u * 201u);
    EXPECT_EQ(countBelow(scan.root()), 200u * 201u);
    EXPECT_EQ(last->totalEntries, 200u);
}

// Run under ThreadSanitizer too: the reader touches only what the scan has
// published, while the tree changes under the scan.
TEST_F(BackgroundScanTest, WalkingAndEnteringFoldersWhileAChangingTreeIsScannedReadsOnlyFinishedNodes)
{
    ASSERT_NO_FATAL_FAILURE(makeTree(60, 200));
    for (int f = 0; f < 60; f += 3)
        ASSERT_TRUE(fs::create_directories(root + "d" + std::to_string(f) + "/inner/deeper"));
    std::atomic<bool> changing{true};
    std::thread changer([&] {
        std::mt19937 random(7);
        for (int round = 0; changing.load(); ++round) {
            const std::string folder = root + "d" + std::to_string(random() % 60);
            std::error_code ignored;
            if (round % 2 == 0)
                fs::create_directories(folder + "/new" + std::to_string(round), ignored);
            else
                fs::remove(folder + "/f" + std::to_string(random() % 200), ignored);
            std::this_thread::sleep_for(std::chrono::microseconds(50));
        }
    });

    BackgroundScan scan(root, ScanOptions{});
    ExploreState state;
    state.setScan(&scan.control());
    state.show(scan.root());
    std::mt19937 random(11);
    std::uint64_t seen = 0;
    while (!scan.ended()) {
        state.followScan();
        FsNode* shown = state.shownFolder();
        const std::size_t count = state.entryCount();
        if (count == 0) {
            state.show(scan.root());
            continue;
        }
        FsNode* entry = shown->children[random() % count];
        seen += entry->name.size() + static_cast<std::uint64_t>(entry->kind) + entry->fullSize();
        if (entry->isComplete())
            seen += entry->totalSize + entry->totalEntries;
        // A folder the scan has not come to yet is entered as it is.
        if (entry->showsAsFolder() && !entry->isListed())
            state.show(entry);
        else if (entry->isListed() && entry->type == FsNodeType::Folder)
            state.show(entry->contentsNode());
        else if (random() % 4 == 0)
            state.show(scan.root());
        seen += state.scanProgress().entries;
        std::this_thread::sleep_for(std::chrono::microseconds(20));
    }
    changing.store(false);
    changer.join();
    EXPECT_GT(seen, 0u);

    // Whatever the changes, the totals add up over the tree as it was seen.
    ASSERT_TRUE(scan.root()->isComplete());
    EXPECT_EQ(scan.root()->totalEntries, countBelow(scan.root()));
    EXPECT_FALSE(state.scanProgress().running);
}

} // namespace
