#include "explore/ExploreState.h"
#include "explore/LiveFollow.h"
#include "tests/unit/StandardRow.h"
#include "tree/EntryTreeScan.h"

#include <gtest/gtest.h>

#include <stdlib.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <atomic>
#include <fstream>
#include <functional>
#include <thread>
#include <vector>
#include <poll.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

EntryFacts file(std::string_view name, std::uint64_t size)
{
    EntryFacts facts;
    facts.name = name;
    facts.kind = EntryKind::File;
    facts.size = size;
    facts.countedSize = size;
    return facts;
}

EntryFacts folder(std::string_view name)
{
    EntryFacts facts;
    facts.name = name;
    facts.kind = EntryKind::Folder;
    return facts;
}

// top/ { a, b, c, inner/ { x, y } }, complete.
struct Shown {
    EntryTree tree;
    EntryId top, a, b, c, inner, x, y;
    ExploreState state;

    Shown()
    {
        top = tree.makeRoot("/t/");
        a = tree.addEntry(top, file("a", 1));
        b = tree.addEntry(top, file("b", 2));
        c = tree.addEntry(top, file("c", 3));
        inner = tree.addEntry(top, folder("inner"));
        x = tree.addEntry(inner, file("x", 4));
        y = tree.addEntry(inner, file("y", 5));
        tree.markListed(inner);
        tree.markComplete(inner);
        tree.markListed(top);
        tree.markComplete(top);
        state.setRowShape(standardRow());
        state.show(&tree, top, "/t/");
    }
};

// The window's loop, woken as it is: waits for the wake descriptor to turn
// readable (or 50 ms), drains it and follows, until `done` or 400 rounds.
bool followUntil(LiveFollow& follow, ExploreState& state, const std::function<bool()>& done,
                 const std::vector<EntryId>& onScreen = {})
{
    for (int round = 0; round < 400 && !done(); ++round) {
        pollfd ready{follow.wakeDescriptor(), POLLIN, 0};
        poll(&ready, 1, 50);
        char drained[64];
        while (read(follow.wakeDescriptor(), drained, sizeof drained) > 0) {}
        follow.follow(state, true, onScreen);
    }
    return done();
}

} // namespace

TEST(ExploreLive, TheSelectionStaysOnItsEntryAndPassesToTheNeighbourWhenItGoes)
{
    Shown s;
    // Folders first, then names: inner, a, b, c.
    s.state.selectAndGlide(2, 0.0);
    s.state.advanceTo(5.0);
    ASSERT_EQ(s.state.selectedEntry(), s.b);
    const Camera before = s.state.camera();

    // "aa" takes its slot in the name order, before b: b moves and stays selected.
    s.tree.insert(s.top, file("aa", 9));
    s.state.treeChanged();
    EXPECT_EQ(s.state.entryCount(), 5u);
    EXPECT_EQ(s.state.entries()[2], s.tree.entries(s.top)[4]);
    EXPECT_EQ(s.state.selectedEntry(), s.b);
    EXPECT_EQ(s.state.selected(), 3u);

    // b gone: c, which takes its slot, is selected; the camera stays.
    s.tree.remove(s.b);
    s.state.treeChanged();
    EXPECT_EQ(s.state.selectedEntry(), s.c);
    EXPECT_EQ(s.state.camera().position.x, before.position.x);
    // The last one gone: the one before it.
    s.tree.remove(s.c);
    s.state.treeChanged();
    EXPECT_EQ(s.state.selectedEntry(), s.tree.entries(s.top)[2]);
}

TEST(ExploreLive, TheShownFolderGoneBacksOutToTheNearestFolderLeftWithAWord)
{
    Shown s;
    ASSERT_TRUE(s.state.enter(0));
    ASSERT_EQ(s.state.shownFolder(), s.inner);
    // Find results and names of the folder gone are dropped with it.
    s.state.openFind();
    s.state.typeInFind("y");
    s.tree.remove(s.inner);
    s.state.treeChanged();
    EXPECT_EQ(s.state.shownFolder(), s.top);
    EXPECT_EQ(s.state.status(), "inner is gone: back in /t/");
    EXPECT_EQ(s.state.entryCount(), 3u);
    // Its entries stay readable for whoever still holds them.
    EXPECT_EQ(s.tree.name(s.y), "y");
}

TEST(ExploreLive, PastTheWatchLimitTheStatusSaysUpdatesAreOffAndF5StillWorks)
{
    std::string pattern = (fs::temp_directory_path() / "lumenfold-follow-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    const std::string root = pattern + "/";
    fs::create_directories(root + "sub");
    EntryTree tree;
    EntryTreeScan(tree, root, false, nullptr, nullptr, true).run();
    ExploreState state;
    state.setRowShape(standardRow());
    state.show(&tree, tree.root(), root);
    LiveUpdates::Options options;
    options.maxWatches = 0;
    LiveFollow follow(tree, options);
    EXPECT_TRUE(followUntil(follow, state, [&] {
        return state.status().rfind("Live updates off for this folder: the system's", 0) == 0;
    })) << state.status();
    fs::create_directories(root + "sub2");
    follow.refresh(state);
    EXPECT_TRUE(followUntil(follow, state, [&] { return state.status() == "Refreshed: 1 added, 0 gone, 0 changed"; }))
        << state.status();
    EXPECT_EQ(state.entryCount(), 2u);
    fs::remove_all(root);
}

// The view reads the tree (orders, find, names, totals) while live updates
// change it on their own thread: what ThreadSanitizer watches in the gate.
TEST(ExploreLive, TheViewFollowsAFolderChangingUnderItAndEndsTrue)
{
    std::string pattern = (fs::temp_directory_path() / "lumenfold-churn-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    const std::string root = pattern + "/";
    EntryTree tree;
    EntryTreeScan(tree, root, false, nullptr, nullptr, true).run();
    ExploreState state;
    state.setRowShape(standardRow());
    state.show(&tree, tree.root(), root);
    LiveFollow follow(tree);
    std::atomic<bool> done{false};
    std::thread churn([&] {
        for (int i = 0; i < 300; ++i) {
            std::ofstream(root + "f" + std::to_string(i % 40)) << std::string(static_cast<std::size_t>(i), 'x');
            if (i % 3 == 0)
                fs::remove(root + "f" + std::to_string((i * 7) % 40));
        }
        done.store(true);
    });
    const SortOrder orders[] = {SortOrder::Name, SortOrder::Size, SortOrder::Time};
    for (int round = 0; !done.load() || round < 50; ++round) {
        follow.follow(state, true);
        state.setOrder(orders[round % 3]);
        if (state.entryCount() > 0) {
            state.select(static_cast<std::size_t>(round) % state.entryCount());
            const EntryId chosen = state.selectedEntry();
            EXPECT_FALSE(tree.name(chosen).empty());
            tree.totalSize(tree.root());
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    churn.join();
    // Settled: the view shows what a fresh look at the folder finds.
    std::size_t onDisk = 0;
    for ([[maybe_unused]] const auto& each : fs::directory_iterator(root))
        ++onDisk;
    followUntil(follow, state, [&] { return state.entryCount() == onDisk; });
    EXPECT_EQ(state.entryCount(), onDisk);
    fs::remove_all(root);
}

// A folder not watched while it changed (it was not shown) is listed again
// when it is entered, as its time moved on since it was listed.
TEST(ExploreLive, EnteringAFolderThatChangedSinceItWasListedShowsItAsItIsNow)
{
    std::string pattern = (fs::temp_directory_path() / "lumenfold-enter-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    const std::string root = pattern + "/";
    fs::create_directories(root + "sub");
    std::ofstream(root + "sub/old").close();
    EntryTree tree;
    EntryTreeScan(tree, root, false, nullptr, nullptr, true).run();
    ExploreState state;
    state.setRowShape(standardRow());
    state.show(&tree, tree.root(), root);
    LiveFollow follow(tree);
    follow.follow(state, true);
    std::ofstream(root + "sub/new").close();
    // Its time a minute on, whatever second the listing fell in.
    const fs::file_time_type later = fs::last_write_time(root + "sub") + std::chrono::minutes(1);
    fs::last_write_time(root + "sub", later);
    ASSERT_TRUE(state.enter(0));
    EXPECT_EQ(state.entryCount(), 1u);
    followUntil(follow, state, [&] { return state.entryCount() == 2; });
    EXPECT_EQ(state.entryCount(), 2u);
    fs::remove_all(root);
}

// On the map the folders whose entries are on screen are watched, not only
// the shown one: a file made in a sub-folder reaches the tree while the view
// stays on the top folder.
TEST(ExploreLive, AFolderOnScreenBesideTheShownOneIsWatchedToo)
{
    std::string pattern = (fs::temp_directory_path() / "lumenfold-onscreen-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    const std::string root = pattern + "/";
    fs::create_directories(root + "sub");
    EntryTree tree;
    EntryTreeScan(tree, root, false, nullptr, nullptr, true).run();
    ExploreState state;
    state.setRowShape(standardRow());
    state.show(&tree, tree.root(), root);
    ASSERT_EQ(state.entryCount(), 1u);
    const EntryId sub = state.entries()[0];
    LiveFollow follow(tree);
    follow.follow(state, true, {sub});
    // Both watches taken before the change: a change made before its folder
    // is watched, in the second the folder was listed, waits for F5.
    for (int round = 0; round < 400 && follow.updates().watchesHeld() != 2; ++round)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    ASSERT_EQ(follow.updates().watchesHeld(), 2u);
    const std::uint64_t before = state.treeRevision();
    std::ofstream(root + "sub/new") << "four";
    followUntil(follow, state, [&] { return tree.entries(sub).size() == 1; }, {sub});
    ASSERT_EQ(tree.entries(sub).size(), 1u);
    EXPECT_EQ(tree.totalSize(tree.root()), 4u);
    EXPECT_GT(state.treeRevision(), before) << "the view was not told, so the map would not lay out again";
    fs::remove_all(root);
}
