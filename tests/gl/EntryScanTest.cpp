#include "explore/ExploreState.h"
#include "tree/EntryScan.h"
#include "tree/EntryTree.h"

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
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
class EntryScanTest : public testing::Test {
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
    static std::uint64_t countBelow(const EntryTree& tree, EntryId node)
    {
        std::uint64_t count = 0;
        std::vector<EntryId> stack{node};
        while (!stack.empty()) {
            const EntryRange below = tree.entries(stack.back());
            stack.pop_back();
            count += below.size();
            stack.insert(stack.end(), below.begin(), below.end());
        }
        return count;
    }

    std::string root;
};

TEST_F(EntryScanTest, AFolderShownBeforeTheWalkReachesItIsListedAheadOfTheRest)
{
    ASSERT_NO_FATAL_FAILURE(makeTree(200, 200));
    EntryScan scan(root, false);
    const EntryTree& tree = scan.tree();
    ExploreState state;
    state.setScan(&scan.control());
    waitUntil([&] { return tree.isListed(tree.root()); });
    state.show(&tree, tree.root());
    ASSERT_EQ(state.entryCount(), 200u);

    // The walk takes the folders in listing order: the last one comes last.
    const EntryRange top = tree.entries(tree.root());
    const EntryId last = top[top.size() - 1];
    state.show(&tree, last);
    waitUntil([&] { return tree.isListed(last); });
    const std::uint64_t listedBefore = scan.control().progress().entries;
    state.followScan();
    EXPECT_EQ(state.entryCount(), 200u);
    EXPECT_LT(listedBefore, 200u * 201u / 2) << "listed only when the walk came to it";

    waitUntil([&] { return scan.ended(); });
    ASSERT_TRUE(tree.isComplete(tree.root()));
    EXPECT_EQ(tree.totalEntries(tree.root()), 200u * 201u);
    EXPECT_EQ(countBelow(tree, tree.root()), 200u * 201u);
    EXPECT_EQ(tree.totalEntries(last), 200u);
}

// Run under ThreadSanitizer too: the reader touches only what the scan has
// published, while the tree changes under the scan.
TEST_F(EntryScanTest, WalkingAndEnteringFoldersWhileAChangingTreeIsScannedReadsOnlyFinishedNodes)
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

    EntryScan scan(root, false);
    const EntryTree& tree = scan.tree();
    ExploreState state;
    state.setScan(&scan.control());
    state.show(&tree, tree.root());
    std::mt19937 random(11);
    std::uint64_t seen = 0;
    // A scan may end before the first pass: the finished tree is walked a
    // little too, so there is always something seen.
    for (int pass = 0; !scan.ended() || pass < 100; ++pass) {
        state.followScan();
        const EntryId shown = state.shownFolder();
        const std::size_t count = state.entryCount();
        if (count == 0) {
            state.show(&tree, tree.root());
            continue;
        }
        const EntryId entry = tree.entries(shown)[static_cast<std::uint32_t>(random() % count)];
        seen += tree.name(entry).size() + static_cast<std::uint64_t>(tree.kind(entry)) + tree.byteSize(entry);
        if (tree.isComplete(entry))
            seen += tree.totalSize(entry) + tree.totalEntries(entry);
        // A folder the scan has not come to yet is entered as it is.
        if (tree.showsAsFolder(entry) && !tree.isListed(entry))
            state.show(&tree, entry);
        else if (tree.isListed(entry) && tree.isFolder(entry))
            state.show(&tree, tree.contents(entry));
        else if (random() % 4 == 0)
            state.show(&tree, tree.root());
        seen += state.scanProgress().entries;
        std::this_thread::sleep_for(std::chrono::microseconds(20));
    }
    changing.store(false);
    changer.join();
    EXPECT_GT(seen, 0u);

    // Whatever the changes, the totals add up over the tree as it was seen.
    ASSERT_TRUE(tree.isComplete(tree.root()));
    EXPECT_EQ(tree.totalEntries(tree.root()), countBelow(tree, tree.root()));
    EXPECT_FALSE(state.scanProgress().running);
}

// Out of memory, the worker stops rather than ending the process: the tree
// keeps what was published, the progress says why it stopped. Run in a fresh
// process, whose heap holds no memory freed by other tests to scan into.
TEST_F(EntryScanTest, OutOfMemoryTheScanStopsWithWhatItListedAndSaysSo)
{
    const auto mappedBytes = [] {
        std::ifstream statm("/proc/self/statm");
        std::uint64_t pages = 0;
        statm >> pages;
        return pages * static_cast<std::uint64_t>(sysconf(_SC_PAGESIZE));
    };
    if (mappedBytes() > (std::uint64_t{64} << 30))
        GTEST_SKIP() << "a sanitizer's shadow memory leaves no room for a memory limit";
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const auto scanUnderLimit = [&] {
        // Ten folders of 12,000 long names each (links to one file: cheap to
        // make), some 30 MB of nodes and names.
        const std::string file = root + "one";
        std::ofstream(file) << "x";
        const std::string longName(120, 'n');
        for (int f = 0; f < 10; ++f) {
            const std::string folder = root + "d" + std::to_string(f) + "/";
            mkdir(folder.c_str(), 0755);
            for (int i = 0; i < 12000; ++i)
                link(file.c_str(), (folder + longName + std::to_string(i)).c_str());
        }
        rlimit before{};
        getrlimit(RLIMIT_AS, &before);
        // Room for the worker's stack and a few folders, not the tree; set
        // before the worker starts, so that no heap of its own is reserved
        // beyond the limit ahead of its first allocation.
        rlimit tight = before;
        tight.rlim_cur = static_cast<rlim_t>(mappedBytes() + (32u << 20));
        setrlimit(RLIMIT_AS, &tight);
        EntryScan scan(root, false);
        while (!scan.ended())
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        setrlimit(RLIMIT_AS, &before);
        fs::remove_all(root);

        const ScanControl::Progress progress = scan.control().progress();
        const EntryTree& tree = scan.tree();
        std::fprintf(stderr, "%s, top %s, %u top entries\n", ScanControl::statusText(progress).c_str(),
                     tree.isComplete(tree.root())     ? "complete"
                         : tree.isListed(tree.root()) ? "listed"
                                                      : "unlisted",
                     tree.entries(tree.root()).size());
        std::_Exit(progress.outOfMemory && progress.entries < 11u + 10u * 12000u ? 0 : 1);
    };
    EXPECT_EXIT(scanUnderLimit(), testing::ExitedWithCode(0),
                "^Scan stopped, out of memory: [0-9,]+ entries, [0-9.]+ s, top listed, 11 top entries");
}

} // namespace
