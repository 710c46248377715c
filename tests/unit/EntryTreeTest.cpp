#include "tree/EntryTree.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

namespace {

EntryFacts file(std::string_view name, std::uint64_t size, bool counted = true)
{
    EntryFacts facts;
    facts.name = name;
    facts.kind = EntryKind::File;
    facts.size = size;
    facts.countedSize = counted ? size : 0;
    facts.modifiedTime = 1700000000 + static_cast<std::int64_t>(size);
    return facts;
}

EntryFacts folder(std::string_view name)
{
    EntryFacts facts;
    facts.name = name;
    facts.kind = EntryKind::Folder;
    facts.size = 4096;
    return facts;
}

std::vector<std::string> names(const EntryTree& tree, EntryId folder)
{
    std::vector<std::string> listed;
    for (const EntryId entry : tree.entries(folder))
        listed.emplace_back(tree.name(entry));
    return listed;
}

// top/ { a (10), sub/ { b (20), deeper/ { c (30) } }, d (40), link -> sub }:
// `sub` lists its whole subtree before the top folder's later entries, as an
// export does, and `link` is a folder reached again.
struct SmallTree {
    EntryTree tree;
    EntryId top, a, sub, b, deeper, c, d, link;

    SmallTree()
    {
        top = tree.makeRoot("/data/top/");
        tree.setRootTime(1600000000);
        a = tree.addEntry(top, file("a", 10));
        sub = tree.addEntry(top, folder("sub"));
        b = tree.addEntry(sub, file("b", 20));
        deeper = tree.addEntry(sub, folder("deeper"));
        c = tree.addEntry(deeper, file("c", 30));
        tree.markListed(deeper);
        tree.markComplete(deeper);
        tree.markListed(sub);
        tree.markComplete(sub);
        d = tree.addEntry(top, file("d", 40));
        EntryFacts toSub = folder("link");
        toSub.kind = EntryKind::FolderLink;
        link = tree.addEntry(top, toSub);
        tree.markListed(top);
        tree.markListed(link, 0, sub);
        tree.markComplete(top);
        tree.markComplete(link);
    }
};

} // namespace

TEST(EntryTree, ListsFoldersOpenAtOnceEachAsOneRangeInListingOrder)
{
    SmallTree t;
    const EntryTree& tree = t.tree;
    EXPECT_EQ(tree.root(), t.top);
    EXPECT_EQ(tree.size(), 8u);
    EXPECT_EQ(names(tree, t.top), (std::vector<std::string>{"a", "sub", "d", "link"}));
    EXPECT_EQ(names(tree, t.sub), (std::vector<std::string>{"b", "deeper"}));
    EXPECT_EQ(names(tree, t.deeper), (std::vector<std::string>{"c"}));
    EXPECT_TRUE(tree.entries(t.a).empty());
    EXPECT_EQ(tree.parent(t.c), t.deeper);
    EXPECT_EQ(tree.parent(t.top), kNoEntry);
    EXPECT_EQ(tree.path(t.top), "/data/top/");
    EXPECT_EQ(tree.path(t.deeper), "/data/top/sub/deeper/");
    EXPECT_EQ(tree.path(t.c), "/data/top/sub/deeper/c");
    EXPECT_EQ(tree.byteSize(t.b), 20u);
    EXPECT_EQ(tree.modifiedTime(t.b), 1700000020);
    EXPECT_EQ(tree.modifiedTime(t.top), 1600000000);
    EXPECT_EQ(tree.kind(t.link), EntryKind::FolderLink);
    EXPECT_TRUE(tree.showsAsFolder(t.link));
    EXPECT_FALSE(tree.showsAsFolder(t.d));
    EXPECT_EQ(tree.contents(t.link), t.sub);
    EXPECT_EQ(tree.contents(t.sub), t.sub);
    EXPECT_EQ(tree.contents(t.a), kNoEntry);
}

TEST(EntryTree, KeepsFactsAtTheirFullRangeAndRefusesOverlongNames)
{
    EntryTree tree;
    const EntryId top = tree.makeRoot("/");
    EntryFacts big = file(".hidden", std::uint64_t(1) << 62);
    big.modifiedTime = -86400 * 365;
    big.mode = 0x81a4;
    const EntryId entry = tree.addEntry(top, big);
    const std::string longest(255, 'n');
    const EntryId named = tree.addEntry(top, file(longest, 1));
    EXPECT_THROW(tree.addEntry(top, file(std::string(256, 'n'), 1)), std::length_error);
    tree.markListed(top);
    EXPECT_EQ(tree.byteSize(entry), std::uint64_t(1) << 62);
    EXPECT_EQ(tree.modifiedTime(entry), -86400 * 365);
    EXPECT_EQ(tree.mode(entry), 0x81a4);
    EXPECT_TRUE(tree.hidden(entry));
    EXPECT_EQ(tree.name(named), longest);
}

TEST(EntryTree, TotalsCountEachFileOnceAndAFolderReachedAgainTakesItsCopys)
{
    EntryTree tree;
    const EntryId top = tree.makeRoot("/t/");
    tree.addEntry(top, file("first-name", 100));
    // A further name of the same file adds nothing to the totals.
    const EntryId again = tree.addEntry(top, file("second-name", 100, false));
    const EntryId sub = tree.addEntry(top, folder("sub"));
    tree.addEntry(sub, file("x", 7));
    tree.markListed(sub);
    tree.markComplete(sub);
    const EntryId closed = tree.addEntry(top, folder("closed"));
    tree.markNotFolder(closed, EACCES);
    tree.markListed(top);
    tree.markComplete(top);
    EXPECT_EQ(tree.totalSize(top), 107u);
    EXPECT_EQ(tree.totalEntries(top), 5u);
    EXPECT_EQ(tree.totalSize(sub), 7u);
    EXPECT_EQ(tree.totalEntries(sub), 1u);
    EXPECT_EQ(tree.totalSize(again), 0u);
    EXPECT_FALSE(tree.showsAsFolder(closed));
    EXPECT_EQ(tree.enterError(closed), EACCES);
    EXPECT_EQ(tree.contents(closed), kNoEntry);

    SmallTree t;
    EXPECT_EQ(t.tree.totalSize(t.top), 100u);
    EXPECT_EQ(t.tree.totalEntries(t.top), 7u);
    EXPECT_EQ(t.tree.totalSize(t.link), 50u);
    EXPECT_EQ(t.tree.totalEntries(t.link), 3u);
}

TEST(EntryTree, LiveUpdatesCarryTheirChangeInTotalsUpToTheRoot)
{
    SmallTree t;
    EntryTree& tree = t.tree;
    const std::vector<std::string> before = names(tree, t.sub);
    const EntryId added = tree.insert(t.deeper, file("new", 1000));
    EXPECT_EQ(names(tree, t.deeper), (std::vector<std::string>{"c", "new"}));
    EXPECT_EQ(tree.parent(added), t.deeper);
    EXPECT_EQ(tree.totalSize(t.deeper), 1030u);
    EXPECT_EQ(tree.totalSize(t.top), 1100u);
    EXPECT_EQ(tree.totalEntries(t.top), 8u);
    EXPECT_EQ(names(tree, t.sub), before);

    const EntryId made = tree.insert(t.top, folder("made"));
    EXPECT_TRUE(tree.isComplete(made));
    EXPECT_TRUE(tree.showsAsFolder(made));
    tree.insert(made, file("inside", 5));
    EXPECT_EQ(tree.totalSize(t.top), 1105u);
    EXPECT_EQ(tree.totalEntries(t.top), 10u);

    EntryFacts grown = file("b-renamed", 220);
    tree.update(t.b, grown);
    EXPECT_EQ(tree.name(t.b), "b-renamed");
    EXPECT_EQ(tree.totalSize(t.sub), 1250u);
    EXPECT_EQ(tree.totalSize(t.top), 1305u);

    // Out goes a folder with all below it.
    tree.remove(t.deeper);
    EXPECT_EQ(names(tree, t.sub), (std::vector<std::string>{"b-renamed"}));
    EXPECT_EQ(tree.totalSize(t.top), 275u);
    EXPECT_EQ(tree.totalEntries(t.top), 7u);
    tree.remove(t.deeper);
    EXPECT_EQ(tree.totalEntries(t.top), 7u);
    // A change inside what was taken out stays there.
    tree.insert(t.deeper, file("late", 50));
    EXPECT_EQ(tree.totalSize(t.top), 275u);
    EXPECT_EQ(tree.totalSize(t.deeper), 1080u);
}

TEST(EntryTree, AReaderBesideTheWriterSeesOnlyWholeFolders)
{
    // Many chunks of entries and names, so storage grows while it is read.
    constexpr int kFolders = 400;
    constexpr int kFiles = 500;
    EntryTree tree;
    std::atomic<bool> done{false};
    std::thread writer([&] {
        const EntryId top = tree.makeRoot("/w/");
        std::vector<EntryId> folders;
        char text[32];
        for (int f = 0; f < kFolders; ++f) {
            std::snprintf(text, sizeof text, "folder%04d", f);
            folders.push_back(tree.addEntry(top, folder(text)));
        }
        tree.markListed(top);
        // Each folder is completed only once the next is listed, so that a
        // reader meets folders listed and not complete most of the time.
        EntryId previous = kNoEntry;
        for (const EntryId each : folders) {
            for (int i = 0; i < kFiles; ++i) {
                std::snprintf(text, sizeof text, "file%06d", i);
                tree.addEntry(each, file(text, static_cast<std::uint64_t>(i)));
            }
            tree.markListed(each);
            if (previous != kNoEntry)
                tree.markComplete(previous);
            previous = each;
        }
        tree.markComplete(previous);
        tree.markComplete(top);
        done.store(true, std::memory_order_release);
    });
    std::uint64_t checked = 0;
    bool finished = false;
    while (!finished) {
        finished = done.load(std::memory_order_acquire);
        const EntryId top = tree.root();
        if (top == kNoEntry || !tree.isListed(top))
            continue;
        for (const EntryId each : tree.entries(top)) {
            if (!tree.isListed(each))
                break;
            const EntryRange files = tree.entries(each);
            ASSERT_EQ(files.size(), static_cast<std::uint32_t>(kFiles));
            ASSERT_EQ(tree.name(files[kFiles - 1]), "file000499");
            ASSERT_EQ(tree.byteSize(files[7]), 7u);
            if (tree.isComplete(each)) {
                ASSERT_EQ(tree.totalSize(each), std::uint64_t(kFiles) * (kFiles - 1) / 2);
            }
            ++checked;
        }
    }
    writer.join();
    EXPECT_GT(checked, 0u);
    EXPECT_EQ(tree.totalEntries(tree.root()), std::uint64_t(kFolders) * (kFiles + 1));
}

TEST(EntryTree, AReaderBesideLiveUpdatesSeesWholeListingsAndIdsThatStayReadable)
{
    // The window's part: it keeps ids from listings it read (a selection)
    // and reads them again later, while live updates replace the folder's
    // entries, grow and shrink files and take entries out.
    SmallTree t;
    EntryTree& tree = t.tree;
    constexpr int kRounds = 3000;
    std::atomic<bool> done{false};
    std::thread writer([&] {
        char text[32];
        std::vector<EntryId> made;
        for (int round = 0; round < kRounds; ++round) {
            std::snprintf(text, sizeof text, "new%05d", round);
            const std::vector<EntryId> ids = tree.change(t.sub, {}, {file(text, 7)});
            made.push_back(ids.front());
            tree.update(t.b, file("b", static_cast<std::uint64_t>(round)));
            if (made.size() > 3) {
                tree.change(t.sub, {made.front()}, {});
                made.erase(made.begin());
            }
        }
        done.store(true, std::memory_order_release);
    });
    std::vector<EntryId> held;
    while (!done.load(std::memory_order_acquire)) {
        const EntryRange listing = tree.entries(t.sub);
        // b, deeper and up to four new files, never a torn listing.
        ASSERT_GE(listing.size(), 2u);
        ASSERT_LE(listing.size(), 6u);
        ASSERT_EQ(tree.name(listing[0]), "b");
        for (const EntryId each : listing)
            ASSERT_EQ(tree.parent(each), t.sub);
        held.assign(listing.begin(), listing.end());
        for (const EntryId each : held) {
            const std::string_view name = tree.name(each);
            ASSERT_TRUE(name == "b" || name == "deeper" || name.substr(0, 3) == "new");
            if (name.substr(0, 3) == "new") {
                ASSERT_EQ(tree.byteSize(each), 7u);
            }
        }
    }
    writer.join();
    for (const EntryId each : held)
        EXPECT_EQ(tree.isRemoved(each),
                  std::find(tree.entries(t.sub).begin(), tree.entries(t.sub).end(), each) == tree.entries(t.sub).end());
    EXPECT_EQ(tree.entries(t.sub).size(), 5u);
    EXPECT_EQ(tree.totalSize(t.sub), 30u + kRounds - 1 + 3 * 7);
}

TEST(EntryTree, HoldsAThousandByAThousandTreeInAtMost64BytesAnEntry)
{
    EntryTree tree;
    const EntryId top = tree.makeRoot("/tmp/lumenfold-bench-abcdef/tree000000/");
    std::vector<EntryId> folders;
    char text[32];
    for (int f = 0; f < 1000; ++f) {
        std::snprintf(text, sizeof text, "folder%06d", f);
        folders.push_back(tree.addEntry(top, folder(text)));
    }
    tree.markListed(top);
    for (const EntryId each : folders) {
        for (int i = 0; i < 1000; ++i) {
            std::snprintf(text, sizeof text, "file%06d", i);
            tree.addEntry(each, file(text, 1));
        }
        tree.markListed(each);
        tree.markComplete(each);
    }
    tree.markComplete(top);
    EXPECT_LE(tree.memoryBytes(), tree.size() * 64);
}

TEST(EntryTree, AFolderBeingListedShowsAGrowingPrefixAtABoundedCopyingCost)
{
    EntryTree tree;
    const EntryId top = tree.makeRoot("/r/");
    EXPECT_TRUE(tree.entriesSoFar(top).empty());
    EXPECT_FALSE(tree.publishSoFar(top)) << "nothing added";
    const EntryId first = tree.addEntry(top, file("first", 1));
    EXPECT_TRUE(tree.entriesSoFar(top).empty()) << "added, not published";
    ASSERT_TRUE(tree.publishSoFar(top));
    ASSERT_EQ(tree.entriesSoFar(top).size(), 1u);
    EXPECT_EQ(tree.entriesSoFar(top)[0], first);
    EXPECT_TRUE(tree.entries(top).empty()) << "entries() waits for the listing";
    EXPECT_FALSE(tree.isListed(top));

    // Past a small listing, a folder is published again only once it doubled.
    char text[32];
    std::size_t published = 0;
    constexpr std::uint32_t kEntries = 100000;
    for (std::uint32_t i = 1; i < kEntries; ++i) {
        std::snprintf(text, sizeof text, "f%06u", i);
        tree.addEntry(top, file(text, 1));
        if (tree.publishSoFar(top))
            ++published;
        ASSERT_GT(2 * tree.entriesSoFar(top).size(), i + 1) << "never more than half behind";
    }
    EXPECT_LE(published, EntryTree::kSmallListing + 8);
    const std::size_t beforeListing = tree.memoryBytes();
    const EntryRange last = tree.entriesSoFar(top);
    tree.markListed(top);
    EXPECT_EQ(tree.entries(top).size(), kEntries);
    EXPECT_EQ(tree.entriesSoFar(top).size(), kEntries);
    EXPECT_EQ(tree.entries(top)[kEntries - 1], tree.entriesSoFar(top)[kEntries - 1]);
    std::snprintf(text, sizeof text, "f%06u", last.size() - 1);
    EXPECT_EQ(tree.name(last[last.size() - 1]), text) << "a published prefix stays readable after the listing";
    EXPECT_LE(tree.memoryBytes(), beforeListing + kEntries * sizeof(EntryId) + 1024);
}

TEST(EntryTree, ANewListingReusesTheLastPublicationWhenNothingCameSince)
{
    EntryTree tree;
    const EntryId top = tree.makeRoot("/r/");
    tree.addEntry(top, file("a", 1));
    tree.addEntry(top, file("b", 2));
    ASSERT_TRUE(tree.publishSoFar(top));
    const EntryId* published = tree.entriesSoFar(top).begin();
    tree.markListed(top);
    EXPECT_EQ(tree.entries(top).begin(), published);
}
