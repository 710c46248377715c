#include "live/FolderRelist.h"
#include "live/LiveUpdates.h"
#include "live/WatchSet.h"
#include "tree/EntryTreeScan.h"

#include <gtest/gtest.h>

#include <stdlib.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <mutex>
#include <string>

namespace fs = std::filesystem;

namespace {

// A temporary folder, scanned into a tree as the explore view scans it.
class LiveFolder : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = (fs::temp_directory_path() / "lumenfold-live-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        root = pattern + "/";
        write("a.txt", 10);
        write("b.txt", 20);
        fs::create_directories(root + "sub/deep");
        write("sub/c.txt", 30);
        write("sub/deep/d.txt", 40);
    }
    void TearDown() override { fs::remove_all(root); }

    void write(const std::string& name, std::size_t bytes)
    {
        std::ofstream(root + name, std::ios::binary) << std::string(bytes, 'x');
    }

    void scan(EntryTree& into)
    {
        EntryTreeScan walk(into, root, false, nullptr, nullptr, true);
        walk.run();
    }

    EntryId find(const EntryTree& tree, EntryId folder, std::string_view name)
    {
        for (const EntryId each : tree.entries(folder))
            if (tree.name(each) == name)
                return each;
        return kNoEntry;
    }

    // Every folder's names, sizes and totals, by path: what two trees of
    // one folder must agree on.
    static std::map<std::string, std::string> facts(const EntryTree& tree)
    {
        std::map<std::string, std::string> all;
        std::vector<EntryId> stack{tree.root()};
        while (!stack.empty()) {
            const EntryId at = stack.back();
            stack.pop_back();
            all[tree.path(at)] = std::to_string(tree.byteSize(at) * !tree.isFolder(at)) + " "
                + std::to_string(tree.totalSize(at)) + " " + std::to_string(tree.totalEntries(at));
            for (const EntryId each : tree.entries(at))
                stack.push_back(each);
        }
        return all;
    }

    std::string root;
};

} // namespace

TEST_F(LiveFolder, ListingAFolderAgainMatchesAFreshScanAndKeepsTheIdsOfWhatStayed)
{
    EntryTree tree;
    scan(tree);
    const EntryId top = tree.root();
    const EntryId a = find(tree, top, "a.txt");
    const EntryId b = find(tree, top, "b.txt");
    const EntryId sub = find(tree, top, "sub");
    // Listed again as the scan left it: nothing changes, nothing is written.
    EXPECT_FALSE(FolderRelist::timeMoved(tree, top, root));
    EXPECT_FALSE(FolderRelist::run(tree, top, root).counts.any());
    // Made, grown, renamed, deleted, and a folder with a subtree moved in.
    write("new.txt", 5);
    write("a.txt", 1000);
    fs::rename(root + "b.txt", root + "b-renamed.txt");
    fs::create_directories(root + "moved/inner");
    write("moved/inner/e.txt", 50);

    const FolderRelist::Outcome outcome = FolderRelist::run(tree, top, root);
    EXPECT_FALSE(outcome.gone);
    EXPECT_EQ(outcome.counts.added, 3u); // new.txt, b-renamed.txt, moved
    EXPECT_EQ(outcome.counts.removed, 1u);
    EXPECT_EQ(find(tree, top, "a.txt"), a);
    EXPECT_EQ(tree.byteSize(a), 1000u);
    EXPECT_TRUE(tree.isRemoved(b));
    EXPECT_EQ(tree.name(b), "b.txt");
    EXPECT_EQ(find(tree, top, "sub"), sub);

    EntryTree fresh;
    scan(fresh);
    EXPECT_EQ(facts(tree), facts(fresh));

    // Nothing changed: nothing is written.
    EXPECT_FALSE(FolderRelist::run(tree, top, root).counts.any());
}

TEST_F(LiveFolder, AFolderGoneSaysSoAndLeavesTheTreeAsItWas)
{
    EntryTree tree;
    scan(tree);
    const EntryId sub = find(tree, tree.root(), "sub");
    const EntryId deep = find(tree, sub, "deep");
    fs::remove_all(root + "sub");
    const FolderRelist::Outcome outcome = FolderRelist::run(tree, deep, tree.path(deep));
    EXPECT_TRUE(outcome.gone);
    EXPECT_EQ(tree.entries(deep).size(), 1u);
    EXPECT_TRUE(FolderRelist::run(tree, sub, tree.path(sub)).gone);
    FolderRelist::run(tree, tree.root(), root);
    EXPECT_TRUE(tree.isRemoved(sub));
    EXPECT_EQ(tree.totalSize(tree.root()), 30u);
}

TEST_F(LiveFolder, ARescanPutsChangesDeepDownInPlaceKeepingIds)
{
    EntryTree tree;
    scan(tree);
    const EntryId sub = find(tree, tree.root(), "sub");
    const EntryId deep = find(tree, sub, "deep");
    const EntryId d = find(tree, deep, "d.txt");
    write("sub/deep/d.txt", 4000);
    write("sub/deep/f.txt", 1);
    fs::remove(root + "sub/c.txt");
    const ListingMerge::Counts counts = FolderRelist::rescan(tree, tree.root(), root, nullptr);
    EXPECT_EQ(counts.added, 1u);
    EXPECT_EQ(counts.removed, 1u);
    EXPECT_EQ(find(tree, deep, "d.txt"), d);
    EntryTree fresh;
    scan(fresh);
    EXPECT_EQ(facts(tree), facts(fresh));
}

TEST_F(LiveFolder, WatchesOnlyTheFoldersGivenAndPastTheLimitTurnsUpdatesOff)
{
    EntryTree tree;
    scan(tree);
    const EntryId top = tree.root();
    const EntryId sub = find(tree, top, "sub");
    FolderWatcher watcher;
    ASSERT_TRUE(watcher.ok());
    WatchSet watches(watcher, 1);
    EXPECT_EQ(watches.watchOnly({{top, root}, {sub, root + "sub/"}}), std::vector<EntryId>{top});
    EXPECT_EQ(watches.held(), 1u);
    ASSERT_EQ(watches.refused().count(sub), 1u);
    EXPECT_EQ(watches.refused().at(sub), ENOSPC);

    // The top folder's watch is given back: sub has room now.
    EXPECT_EQ(watches.watchOnly({{sub, root + "sub/"}}), std::vector<EntryId>{sub});
    EXPECT_TRUE(watches.refused().empty());
    EXPECT_FALSE(watches.watched(top));
    write("a.txt", 99);
    write("sub/x.txt", 1);
    write("sub/y.txt", 1);
    WatchSet::Changes changes;
    watches.take(changes);
    // Two events in sub, one folder to list; none from the top folder.
    EXPECT_EQ(changes.changed, std::vector<EntryId>{sub});
    fs::rename(root + "sub", root + "sub2");
    changes = WatchSet::Changes();
    watches.take(changes);
    EXPECT_EQ(changes.gone, std::vector<EntryId>{sub});
}

TEST_F(LiveFolder, LostEventsListEveryWatchedFolderAgain)
{
    EntryTree tree;
    scan(tree);
    const EntryId top = tree.root();
    const EntryId sub = find(tree, top, "sub");
    FolderWatcher watcher;
    WatchSet watches(watcher);
    watches.watchOnly({{top, root}, {sub, root + "sub/"}});
    // More events than the system queues (16,384 by default) in the top
    // folder alone: only the lost events' notice can name sub.
    std::ifstream limit("/proc/sys/fs/inotify/max_queued_events");
    long queued = 16384;
    limit >> queued;
    for (long i = 0; i <= queued; ++i)
        std::ofstream(root + "n" + std::to_string(i)).close();
    WatchSet::Changes changes;
    watches.take(changes);
    EXPECT_NE(std::find(changes.changed.begin(), changes.changed.end(), sub), changes.changed.end());
    EXPECT_NE(std::find(changes.changed.begin(), changes.changed.end(), top), changes.changed.end());
}

TEST_F(LiveFolder, ABurstOfAThousandFilesIsAFewListingsAndReachesTheTotals)
{
    EntryTree tree;
    scan(tree);
    const EntryId top = tree.root();
    const EntryId sub = find(tree, top, "sub");
    std::mutex lock;
    std::condition_variable woken;
    int wakes = 0;
    LiveUpdates live(tree, [&] {
        const std::lock_guard<std::mutex> hold(lock);
        ++wakes;
        woken.notify_all();
    });
    ASSERT_EQ(live.unavailable(), 0);
    live.watchOnly({sub});
    auto waitFor = [&](const std::function<bool()>& done) {
        std::unique_lock<std::mutex> hold(lock);
        return woken.wait_for(hold, std::chrono::seconds(20), done);
    };
    ASSERT_TRUE(waitFor([&] { return live.watchesHeld() == 1; }));
    const std::uint64_t before = live.revision();
    for (int i = 0; i < 1000; ++i)
        write("sub/f" + std::to_string(i), 2);
    ASSERT_TRUE(waitFor([&] { return tree.entries(sub).size() == 1002; }));
    // One listing per settled burst, not one per file.
    EXPECT_LT(live.revision() - before, 50u);
    EXPECT_EQ(tree.totalSize(top), 100u + 2000u);

    // A watched folder deleted: it leaves its folder, whose totals follow.
    fs::remove_all(root + "sub");
    ASSERT_TRUE(waitFor([&] { return tree.isRemoved(sub); }));
    EXPECT_EQ(tree.totalSize(top), 30u);
    EXPECT_EQ(live.watchesHeld(), 0u);
}

TEST_F(LiveFolder, ARefreshBesideTheReaderReportsItsProgressAndEnd)
{
    EntryTree tree;
    scan(tree);
    std::mutex lock;
    std::condition_variable woken;
    LiveUpdates live(tree, [&] {
        const std::lock_guard<std::mutex> hold(lock);
        woken.notify_all();
    });
    write("sub/deep/d.txt", 400);
    live.refresh(tree.root());
    std::unique_lock<std::mutex> hold(lock);
    ASSERT_TRUE(woken.wait_for(hold, std::chrono::seconds(20), [&] { return live.revision() > 0; }));
    EXPECT_FALSE(live.refreshProgress().running);
    EXPECT_EQ(live.lastRefresh().updated, 1u);
    EXPECT_EQ(tree.totalSize(tree.root()), 460u);
}

TEST_F(LiveFolder, AFileRewrittenOverAndOverDoesNotGrowTheTree)
{
    EntryTree tree;
    scan(tree);
    const EntryId top = tree.root();
    const EntryId a = find(tree, top, "a.txt");
    // The writes made while the folder is watched, until the tree has the last size.
    auto watchWhile = [&](const std::function<void()>& writes, std::uint64_t lastSize) {
        std::mutex lock;
        std::condition_variable woken;
        LiveUpdates live(tree, [&] {
            const std::lock_guard<std::mutex> hold(lock);
            woken.notify_all();
        });
        live.watchOnly({top});
        std::unique_lock<std::mutex> hold(lock);
        ASSERT_TRUE(woken.wait_for(hold, std::chrono::seconds(20), [&] { return live.watchesHeld() == 1; }));
        hold.unlock();
        writes();
        hold.lock();
        ASSERT_TRUE(woken.wait_for(hold, std::chrono::seconds(20), [&] { return tree.byteSize(a) == lastSize; }));
    };
    watchWhile([&] { write("a.txt", 11); }, 11);
    const std::size_t before = tree.memoryBytes();
    watchWhile(
        [&] {
            for (std::size_t i = 0; i < 2000; ++i)
                write("a.txt", 100 + i % 50);
            write("a.txt", 7);
        },
        7);
    EXPECT_EQ(find(tree, top, "a.txt"), a);
    EXPECT_EQ(tree.memoryBytes(), before);
}
