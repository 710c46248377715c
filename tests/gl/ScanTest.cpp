#include "model/Model.h"
#include "scene/FsNode.h"
#include "scene/Icon.h"
#include "scene/ScanControl.h"
#include "scene/SymbolLibrary.h"
#include "scene/TreeScan.h"
#include "support/ProgressListener.h"
#include "tests/gl/HardAndRandomTree.h"
#include "tests/gl/ReferenceScan.h"
#include "tests/gl/TestSymbols.h"
#include "tree/EntryScan.h"
#include "tree/EntryTree.h"
#include "tree/EntryTreeScan.h"

#include <GL/gl.h>
#include <dirent.h>
#include <fcntl.h>
#include <pthread.h>
#include <sys/socket.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <string>
#include <string_view>
#include <thread>
#include <unordered_map>
#include <utility>
#include <vector>

namespace {

namespace fs = std::filesystem;

// A fresh folder tree per test; the working directory is put back afterwards.
class ScanTest : public testing::Test {
protected:
    static void SetUpTestSuite() { gltest::provideSymbols(); }

    void SetUp() override
    {
        previous = fs::current_path();
        std::string pattern = (fs::temp_directory_path() / "lumenfold-scan-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        root = pattern;
        chmod(root.c_str(), 0755);
    }

    void TearDown() override
    {
        fs::current_path(previous);
        // Handles trees deeper than any path can name and folders closed to us.
        const std::string command = "chmod -R u+rwx '" + root + "' 2>/dev/null; rm -rf '" + root + "'";
        EXPECT_EQ(std::system(command.c_str()), 0);
    }

    void folder(const std::string& relative) { fs::create_directories(root + "/" + relative); }

    void file(const std::string& relative, const std::string& content = std::string())
    {
        std::ofstream(root + "/" + relative, std::ios::binary) << content;
    }

    void link(const std::string& target, const std::string& relative)
    {
        ASSERT_EQ(symlink(target.c_str(), (root + "/" + relative).c_str()), 0) << relative;
    }

    FsNode* scanRoot() { return new FsNode("", 0, root + "/"); }

    // The child called name; a failure when there is none.
    static FsNode* child(const FsNode* node, const std::string& name)
    {
        for (FsNode* candidate : node->children)
            if (candidate->name == name)
                return candidate;
        ADD_FAILURE() << "no child " << name << " in " << node->folderPath();
        static FsNode* missing = new FsNode("missing", 0, "/nonexistent/");
        return missing;
    }

    static std::string typeName(const FsNode* node) { return node->icon->model->name; }

    void makeHardAndRandomTree() { gltest::makeHardAndRandomTree(root); }
    static std::string reportAsUnprivileged(const std::function<std::string()>& check)
    {
        return gltest::reportAsUnprivileged(check);
    }

    static std::size_t countNodes(const FsNode* node)
    {
        std::size_t count = 1;
        for (const FsNode* c : node->children)
            count += countNodes(c);
        return count;
    }

    fs::path previous;
    std::string root;
};

using ScanLinks = ScanTest;

TEST_F(ScanTest, TypesFoldersAndFilesAndGivesEachTheMatchingSymbol)
{
    folder("Documents/letters");
    file("Documents/letters/aunt.txt", "hello");
    file("notes.txt", "12345");

    FsNode* scanned = scanRoot();
    EXPECT_EQ(scanned->type, FsNodeType::Folder);
    EXPECT_EQ(typeName(scanned), "folder");
    EXPECT_EQ(scanned->name, "");
    EXPECT_EQ(scanned->size, 0u);
    EXPECT_FALSE(scanned->hidden);
    EXPECT_EQ(scanned->mode, 0);
    ASSERT_EQ(scanned->children.size(), 2u);

    FsNode* documents = child(scanned, "Documents");
    EXPECT_EQ(documents->type, FsNodeType::Folder);
    EXPECT_EQ(typeName(documents), "folder");
    FsNode* letters = child(documents, "letters");
    EXPECT_EQ(letters->type, FsNodeType::Folder);
    FsNode* aunt = child(letters, "aunt.txt");
    EXPECT_EQ(aunt->type, FsNodeType::File);
    EXPECT_EQ(typeName(aunt), "file");
    EXPECT_EQ(aunt->size, 5u);
    EXPECT_TRUE(aunt->children.empty());

    FsNode* notes = child(scanned, "notes.txt");
    EXPECT_EQ(notes->type, FsNodeType::File);
    EXPECT_EQ(notes->size, 5u);
}

TEST_F(ScanTest, PathsCarryTheDoubledSeparatorBelowTheRoot)
{
    folder("a/b");
    file("a/b/c.txt");

    FsNode* scanned = scanRoot();
    EXPECT_EQ(scanned->path(), root + "/");
    FsNode* a = child(scanned, "a");
    EXPECT_EQ(a->path(), root + "//");
    FsNode* b = child(a, "b");
    EXPECT_EQ(b->path(), root + "//a/");
    EXPECT_EQ(b->folderPath(), root + "//a/b/");
    EXPECT_EQ(child(b, "c.txt")->path(), root + "//a/b/");
}

TEST_F(ScanTest, SkipsDotAndDotDotButKeepsOtherDotNamesAsHidden)
{
    folder("...");
    file(".../inside");
    file(".hidden");
    file("..double");
    file("shown");

    FsNode* scanned = scanRoot();
    ASSERT_EQ(scanned->children.size(), 4u);
    FsNode* dots = child(scanned, "...");
    EXPECT_EQ(dots->type, FsNodeType::Folder);
    EXPECT_TRUE(dots->hidden);
    EXPECT_EQ(dots->children.size(), 1u);
    EXPECT_TRUE(child(scanned, ".hidden")->hidden);
    EXPECT_TRUE(child(scanned, "..double")->hidden);
    EXPECT_FALSE(child(scanned, "shown")->hidden);
}

TEST_F(ScanTest, ReadOnlyEntriesGetModeHexOneHundredOthersZero)
{
    file(".locked", "abc");
    file("open");
    folder("lockedFolder");
    chmod((root + "/.locked").c_str(), 0444);
    chmod((root + "/lockedFolder").c_str(), 0555);

    FsNode* scanned = scanRoot();
    FsNode* locked = child(scanned, ".locked");
    EXPECT_TRUE(locked->hidden);
    EXPECT_EQ(locked->mode, FsNode::kReadOnlyMode);
    EXPECT_EQ(locked->mode, 0x100);
    EXPECT_EQ(child(scanned, "lockedFolder")->mode, 0x100);
    EXPECT_EQ(child(scanned, "lockedFolder")->type, FsNodeType::Folder);
    EXPECT_EQ(child(scanned, "open")->mode, 0);
}

TEST_F(ScanTest, ChildrenKeepTheSystemsListingOrderAtEveryLevel)
{
    for (int i = 0; i < 40; ++i) {
        folder("f" + std::to_string(i * 37 % 100));
        file("f" + std::to_string(i * 37 % 100) + "/x" + std::to_string(i));
        file("g" + std::to_string(i * 53 % 100));
    }

    std::function<void(const FsNode*, const std::string&)> compare = [&](const FsNode* node, const std::string& dir) {
        std::vector<std::string> expected;
        DIR* listing = opendir(dir.c_str());
        ASSERT_NE(listing, nullptr);
        while (const dirent* item = readdir(listing))
            if (std::string(item->d_name) != "." && std::string(item->d_name) != "..")
                expected.push_back(item->d_name);
        closedir(listing);
        std::vector<std::string> names;
        for (const FsNode* c : node->children)
            names.push_back(c->name);
        EXPECT_EQ(names, expected) << dir;
        for (const FsNode* c : node->children)
            if (c->type == FsNodeType::Folder)
                compare(c, dir + "/" + c->name);
    };
    compare(scanRoot(), root);
}

TEST_F(ScanTest, EmptyRootIsAFolderWithoutChildren)
{
    FsNode* scanned = scanRoot();
    EXPECT_EQ(scanned->type, FsNodeType::Folder);
    EXPECT_TRUE(scanned->children.empty());
    EXPECT_EQ(typeName(scanned), "folder");
}

TEST_F(ScanTest, MissingRootIsAFileWithoutChildren)
{
    FsNode* scanned = new FsNode("", 0, root + "/not-there/");
    EXPECT_EQ(scanned->type, FsNodeType::File);
    EXPECT_TRUE(scanned->children.empty());
    EXPECT_EQ(typeName(scanned), "file");
}

TEST_F(ScanTest, OddNamesBecomeNodesByteForByte)
{
    const std::vector<std::string> names
        = {"with space", "back\\slash", "new\nline", "latin1-\xe9", "*.*", "-rf", std::string(255, 'n')};
    for (const std::string& name : names) {
        folder(name);
        file(name + "/inside");
    }

    FsNode* scanned = scanRoot();
    ASSERT_EQ(scanned->children.size(), names.size());
    for (const std::string& name : names) {
        FsNode* node = child(scanned, name);
        EXPECT_EQ(node->type, FsNodeType::Folder) << name;
        EXPECT_EQ(node->children.size(), 1u) << name;
    }
}

// A chain deeper than any path can name, scanned on a thread whose stack is
// far too small for one call frame per level: every level is entered.
TEST_F(ScanTest, ChainDeeperThanThePathLimitIsAllFoldersAndNeedsNoDeepCallStack)
{
    // Both models are loaded here, so the scan on the other thread makes no GL calls.
    SymbolLibrary::instance()->get("folder");
    SymbolLibrary::instance()->get("file");

    const int levels = PATH_MAX / 2 + 10; // more than any path can name
    ASSERT_EQ(chdir(root.c_str()), 0);
    for (int i = 0; i < levels; ++i)
        ASSERT_TRUE(mkdir("d", 0755) == 0 && chdir("d") == 0) << "level " << i;
    ASSERT_EQ(chdir(root.c_str()), 0);

    struct Job {
        std::string root;
        FsNode* scanned = nullptr;
    } job{root + "/", nullptr};
    pthread_attr_t attributes;
    pthread_attr_init(&attributes);
    pthread_attr_setstacksize(&attributes, 64 * 1024);
    pthread_t thread;
    ASSERT_EQ(pthread_create(
                  &thread, &attributes,
                  [](void* argument) -> void* {
                      Job* work = static_cast<Job*>(argument);
                      work->scanned = new FsNode("", 0, work->root);
                      return nullptr;
                  },
                  &job),
              0);
    pthread_join(thread, nullptr);
    pthread_attr_destroy(&attributes);
    ASSERT_NE(job.scanned, nullptr);

    const FsNode* node = job.scanned;
    int depth = 0;
    while (!node->children.empty()) {
        ASSERT_EQ(node->children.size(), 1u) << "depth " << depth;
        ASSERT_EQ(node->type, FsNodeType::Folder) << "depth " << depth;
        node = node->children[0];
        ++depth;
    }
    EXPECT_EQ(depth, levels);
    EXPECT_EQ(node->type, FsNodeType::Folder);
    EXPECT_EQ(typeName(node), "folder");
    EXPECT_GT(node->folderPath().size(), static_cast<std::size_t>(PATH_MAX));
}

TEST_F(ScanLinks, LinkToAnAncestorIsAFolderWithoutChildren)
{
    folder("a/b");
    file("a/b/leaf");
    link(root + "/a", "a/b/up");
    link(root, "a/top");

    FsNode* scanned = scanRoot();
    FsNode* a = child(scanned, "a");
    FsNode* b = child(a, "b");
    EXPECT_EQ(b->children.size(), 2u);
    FsNode* up = child(b, "up");
    EXPECT_EQ(up->type, FsNodeType::Folder);
    EXPECT_TRUE(up->children.empty());
    EXPECT_EQ(typeName(up), "folder");
    FsNode* top = child(a, "top");
    EXPECT_EQ(top->type, FsNodeType::Folder);
    EXPECT_TRUE(top->children.empty());
}

TEST_F(ScanLinks, FolderReachedTwiceIsExpandedOnlyTheFirstTime)
{
    folder("real");
    file("real/one");
    file("real/two");
    link(root + "/real", "alias1");
    link("real", "alias2");

    FsNode* scanned = scanRoot();
    ASSERT_EQ(scanned->children.size(), 3u);
    // Whichever of the three the listing gives first is expanded.
    const FsNode* first = scanned->children[0];
    EXPECT_EQ(first->children.size(), 2u);
    for (std::size_t i = 1; i < 3; ++i) {
        EXPECT_EQ(scanned->children[i]->type, FsNodeType::Folder);
        EXPECT_TRUE(scanned->children[i]->children.empty()) << scanned->children[i]->name;
    }
}

TEST_F(ScanLinks, LoopsThroughManyLinksEndInLinearWork)
{
    // Without expanding each folder once, this tree has 10^depth paths.
    folder("p");
    folder("q");
    for (int i = 0; i < 10; ++i) {
        link(root + "/q", "p/toQ" + std::to_string(i));
        link(root + "/p", "q/toP" + std::to_string(i));
    }

    FsNode* scanned = scanRoot();
    // root, p, q and the twenty links, each listed once and none expanded twice.
    EXPECT_EQ(countNodes(scanned), 23u);
}

TEST_F(ScanLinks, DanglingLinkIsAFileSizedAsTheLinkItself)
{
    const std::string nowhere = root + "/gone/away";
    link(nowhere, "dangling");
    file("target", std::string(300, 'x'));
    link("target", "toFile");

    FsNode* scanned = scanRoot();
    FsNode* dangling = child(scanned, "dangling");
    EXPECT_EQ(dangling->type, FsNodeType::File);
    EXPECT_EQ(dangling->size, nowhere.size());
    FsNode* toFile = child(scanned, "toFile");
    EXPECT_EQ(toFile->type, FsNodeType::File);
    EXPECT_EQ(toFile->size, 300u);
}

// Root enters every folder, so the scan runs in a child process that has given
// up root. Both models are loaded before the fork: the child makes no GL calls.
TEST_F(ScanTest, FolderClosedToTheUserBecomesAFileAndUnreadableOneHasNoChildren)
{
    SymbolLibrary::instance()->get("folder");
    SymbolLibrary::instance()->get("file");
    folder("closed");
    file("closed/secret");
    folder("unreadable");
    file("unreadable/secret");
    folder("open");
    file("open/visible");
    chmod((root + "/closed").c_str(), geteuid() == 0 ? 0700 : 0);
    chmod((root + "/unreadable").c_str(), geteuid() == 0 ? 0711 : 0100);

    const std::size_t modelsBefore = SymbolLibrary::instance()->models.size();
    const pid_t pid = fork();
    ASSERT_NE(pid, -1);
    if (pid == 0) {
        if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0))
            _exit(100);
        FsNode* scanned = new FsNode("", 0, root + "/");
        int failures = 0;
        for (const FsNode* c : scanned->children) {
            if (c->name == "closed" && !(c->type == FsNodeType::File && c->children.empty()))
                failures |= 1;
            if (c->name == "unreadable" && !(c->type == FsNodeType::Folder && c->children.empty()))
                failures |= 2;
            if ((c->name == "closed" || c->name == "unreadable") != (c->enterError == EACCES))
                failures |= 16;
            if (c->name == "open" && c->children.size() != 1)
                failures |= 4;
        }
        if (scanned->children.size() != 3 || SymbolLibrary::instance()->models.size() != modelsBefore)
            failures |= 8;
        _exit(failures); // no exit handlers: they belong to the parent's display
    }
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status));
    const int code = WEXITSTATUS(status);
    ASSERT_NE(code, 100) << "could not drop to user 65534";
    EXPECT_EQ(code & 1, 0) << "a folder that cannot be entered was not a childless File";
    EXPECT_EQ(code & 2, 0) << "an unreadable folder was not a childless Folder";
    EXPECT_EQ(code & 4, 0) << "an open folder was not listed";
    EXPECT_EQ(code & 8, 0) << "wrong number of root entries, or a model was loaded in the child";
    EXPECT_EQ(code & 16, 0) << "the closed and unreadable folders, and only they, must say Permission denied";
}

// Kinds, 64-bit sizes, times and totals, all from the look-ups the listing
// makes anyway; a link loop leads back to the one expanded copy.
TEST_F(ScanLinks, EntriesCarryKindSizeTimeAndTotalsAndLinksLeadToTheExpandedCopy)
{
    folder("a/b");
    file("a/b/leaf", "leaf");
    file("a/shared", std::string(1000, 's'));
    ASSERT_EQ(::link((root + "/a/shared").c_str(), (root + "/a/b/again").c_str()), 0);
    file("a/huge");
    const std::uint64_t hugeBytes = (std::uint64_t{5} << 32) + 3; // sparse: no disk space
    ASSERT_EQ(truncate((root + "/a/huge").c_str(), static_cast<off_t>(hugeBytes)), 0);
    link(root + "/a", "a/b/up");
    link(root + "/a/shared", "toShared");
    link(root + "/gone", "dangling");
    ASSERT_EQ(mkfifo((root + "/fifo").c_str(), 0644), 0);
    const timespec times[2] = {{1234567890, 0}, {1234567890, 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, (root + "/a/b/leaf").c_str(), times, 0), 0);

    FsNode* scanned = scanRoot();
    FsNode* a = child(scanned, "a");
    FsNode* b = child(a, "b");
    FsNode* huge = child(a, "huge");
    EXPECT_EQ(huge->kind, EntryKind::File);
    EXPECT_EQ(huge->size, 3u);
    EXPECT_EQ(huge->sizeHigh, 5u);
    EXPECT_EQ(huge->fullSize(), hugeBytes);
    FsNode* leaf = child(b, "leaf");
    EXPECT_EQ(leaf->modifiedTime, 1234567890);
    EXPECT_EQ(leaf->totalEntries, 0u);
    EXPECT_EQ(leaf->contentsNode(), nullptr);
    EXPECT_EQ(child(scanned, "toShared")->kind, EntryKind::FileLink);
    EXPECT_EQ(child(scanned, "toShared")->fullSize(), 1000u);
    EXPECT_EQ(child(scanned, "dangling")->kind, EntryKind::Other);
    EXPECT_EQ(child(scanned, "fifo")->kind, EntryKind::Other);
    EXPECT_EQ(a->kind, EntryKind::Folder);
    EXPECT_EQ(scanned->kind, EntryKind::Folder);
    for (const FsNode* node : {scanned, a, b, leaf})
        EXPECT_EQ(node->enterError, 0) << node->name;

    // The second name of the shared file and the links add no bytes.
    EXPECT_EQ(b->totalEntries, 3u);
    EXPECT_EQ(b->totalSize, 4u);
    EXPECT_EQ(a->totalEntries, 6u);
    EXPECT_EQ(a->totalSize, hugeBytes + 1000 + 4);
    EXPECT_EQ(scanned->totalEntries, 10u);
    EXPECT_EQ(scanned->totalSize, a->totalSize);

    // Round the loop and back, as often as one likes.
    FsNode* up = child(b, "up");
    EXPECT_EQ(up->kind, EntryKind::FolderLink);
    EXPECT_TRUE(up->children.empty());
    EXPECT_EQ(up->contentsNode(), a);
    EXPECT_EQ(child(child(up->contentsNode(), "b"), "up")->contentsNode(), a);
    EXPECT_EQ(a->contentsNode(), a);
    EXPECT_EQ(up->totalEntries, a->totalEntries);
    EXPECT_EQ(up->totalSize, a->totalSize);
}

// /proc is a file system of its own: kept to one file system, a link to it
// stands as a folder that is not entered, and says why.
TEST_F(ScanLinks, KeptToOneFileSystemALinkToAnotherIsAFolderNotEntered)
{
    folder("here");
    file("here/leaf");
    link("/proc", "proc");
    ScanOptions options;
    options.oneFileSystem = true;

    FsNode* scanned = new FsNode("", 0, root + "/", options, nullptr);
    FsNode* proc = child(scanned, "proc");
    EXPECT_EQ(proc->type, FsNodeType::Folder);
    EXPECT_EQ(proc->kind, EntryKind::FolderLink);
    EXPECT_TRUE(proc->children.empty());
    EXPECT_EQ(proc->enterError, FsNode::kOtherFileSystem);
    EXPECT_EQ(proc->enterProblem(), "on another file system");
    EXPECT_EQ(child(scanned, "here")->children.size(), 1u);
    EXPECT_EQ(scanned->totalEntries, 3u);
}

// Kept inside, the worker's walk leaves a link out of the tree unlisted, its
// totals its own, and lists it when asked, after the walk too; a link back
// into the tree is walked as ever.
TEST_F(ScanLinks, KeptInsideALinkOutOfTheTreeIsListedOnlyWhenAskedFor)
{
    std::string outside = (fs::temp_directory_path() / "lumenfold-outside-XXXXXX").string();
    ASSERT_NE(mkdtemp(outside.data()), nullptr);
    for (const char* name : {"a", "b", "c"})
        std::ofstream(outside + "/" + name) << "outside";
    fs::create_directories(outside + "/sub/deeper");
    folder("inside");
    file("inside/f", "12345");
    link(outside, "out");
    link(root + "/inside", "back");

    EntryScan scan(root + "/", false, /*keepInside=*/true);
    while (!scan.ended())
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    const EntryTree& tree = scan.tree();
    const auto named = [&](EntryId folder, std::string_view name) {
        for (const EntryId entry : tree.entries(folder))
            if (tree.name(entry) == name)
                return entry;
        ADD_FAILURE() << "no entry " << name << " in " << tree.path(folder);
        return kNoEntry;
    };
    const EntryId top = tree.root();
    const EntryId out = named(top, "out");
    ASSERT_NE(out, kNoEntry);
    EXPECT_FALSE(tree.isListed(out));
    EXPECT_TRUE(tree.isListed(named(top, "back")));
    ASSERT_TRUE(tree.isComplete(top));
    EXPECT_EQ(tree.totalEntries(top), 4u);
    EXPECT_EQ(tree.totalSize(top), 5u);

    scan.control().requestEntryListing(out);
    while (!tree.isListed(out))
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    EXPECT_EQ(tree.entries(out).size(), 4u);
    const EntryId sub = named(out, "sub");
    ASSERT_NE(sub, kNoEntry);
    scan.control().requestEntryListing(sub);
    while (!tree.isListed(sub))
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    EXPECT_EQ(tree.entries(sub).size(), 1u);
    EXPECT_EQ(tree.totalEntries(top), 4u);
    scan.stop(std::chrono::milliseconds::max());
    fs::remove_all(outside);
}

// The first difference between two scans of one tree in anything a node
// holds (shape, type, details, totals, where a link leads), or "".
std::string firstScanDifference(FsNode* ours, FsNode* expected)
{
    std::vector<std::pair<FsNode*, FsNode*>> stack{{ours, expected}};
    while (!stack.empty()) {
        const auto [a, b] = stack.back();
        stack.pop_back();
        const std::string where = " at " + b->folderPath();
        if (a->name != b->name || a->type != b->type || a->kind != b->kind || a->enterError != b->enterError
            || a->children.size() != b->children.size())
            return "shape differs" + where + " (error " + std::to_string(a->enterError) + ")";
        if (a->fullSize() != b->fullSize() || a->modifiedTime != b->modifiedTime || a->hidden != b->hidden
            || a->mode != b->mode || a->totalEntries != b->totalEntries || a->totalSize != b->totalSize)
            return "details or totals differ" + where;
        if (!a->isComplete())
            return "not complete" + where;
        if (a->type == FsNodeType::Folder && a->contentsNode()->folderPath() != b->contentsNode()->folderPath())
            return "leads elsewhere" + where;
        for (std::size_t i = 0; i < a->children.size(); ++i)
            stack.emplace_back(a->children[i], b->children[i]);
    }
    return std::string();
}

// The first difference between the explore view's tree and the start-up
// scan's in anything either holds (shape, order, details, totals, errors,
// where a link leads), or "".
std::string firstEntryDifference(const EntryTree& tree, FsNode* expected)
{
    std::unordered_map<const FsNode*, EntryId> same;
    std::vector<std::pair<EntryId, FsNode*>> stack{{tree.root(), expected}};
    std::vector<std::pair<EntryId, FsNode*>> folders;
    while (!stack.empty()) {
        const auto [a, b] = stack.back();
        stack.pop_back();
        same[b] = a;
        const std::string where = " at " + b->folderPath();
        if (!tree.isComplete(a))
            return "not complete" + where;
        const bool folder = b->type == FsNodeType::Folder;
        const EntryRange entries = tree.entries(a);
        if (tree.name(a) != b->name || tree.isFolder(a) != folder || tree.showsAsFolder(a) != folder
            || tree.kind(a) != b->kind || tree.enterError(a) != b->enterError
            || tree.enterProblem(a) != b->enterProblem() || entries.size() != b->children.size())
            return "shape differs" + where + " (error " + std::to_string(tree.enterError(a)) + ")";
        if (tree.byteSize(a) != b->fullSize() || tree.modifiedTime(a) != b->modifiedTime || tree.hidden(a) != b->hidden
            || tree.mode(a) != b->mode || tree.totalEntries(a) != b->totalEntries || tree.totalSize(a) != b->totalSize)
            return "details or totals differ" + where;
        // The start-up scan's paths carry a doubled separator below the top.
        std::string path = b->path() + b->name + (folder ? "/" : "");
        for (std::size_t at; (at = path.find("//")) != std::string::npos;)
            path.erase(at, 1);
        if (tree.path(a) != path)
            return "path differs" + where + ": " + tree.path(a);
        if (folder)
            folders.emplace_back(a, b);
        for (std::uint32_t i = 0; i < entries.size(); ++i) {
            if (tree.parent(entries[i]) != a)
                return "parent differs" + where;
            stack.emplace_back(entries[i], b->children[i]);
        }
    }
    for (const auto& [a, b] : folders) {
        if (tree.contents(a) != same[b->contentsNode()])
            return "leads elsewhere at " + b->folderPath();
    }
    return std::string();
}

// At a low descriptor limit the scan closes and reopens folders rather than
// taking them for files: the same tree at every limit the program can run at.
TEST_F(ScanTest, LowDescriptorLimitsGiveTheSameTree)
{
    SymbolLibrary::instance()->get("folder");
    SymbolLibrary::instance()->get("file");
    // 200 levels; beside each level's way down, folders listed before and
    // after it, so that climbing back needs the levels closed on the way down.
    ASSERT_EQ(chdir(root.c_str()), 0);
    for (int i = 0; i < 200; ++i) {
        ASSERT_TRUE(mkdir("before", 0755) == 0 && mkdir("d", 0755) == 0 && mkdir("after", 0755) == 0);
        ASSERT_TRUE(mkdir("after/inner", 0755) == 0 && chdir("d") == 0) << "level " << i;
    }
    ASSERT_EQ(chdir(root.c_str()), 0);
    FsNode* expected = scanRoot();
    ASSERT_EQ(expected->totalEntries, 800u);

    for (const rlim_t limit : {16, 32, 64, 128}) {
        int channel[2];
        ASSERT_EQ(pipe(channel), 0);
        const pid_t pid = fork();
        ASSERT_NE(pid, -1);
        if (pid == 0) {
            close(channel[0]);
            rlimit lowered{};
            getrlimit(RLIMIT_NOFILE, &lowered);
            lowered.rlim_cur = limit;
            std::string report = setrlimit(RLIMIT_NOFILE, &lowered) == 0 ? std::string() : "setrlimit failed";
            if (report.empty())
                report = firstScanDifference(scanRoot(), expected);
            const ssize_t written = write(channel[1], report.data(), report.size());
            _exit(written == static_cast<ssize_t>(report.size()) ? 0 : 1); // no exit handlers: they are the parent's
        }
        close(channel[1]);
        std::string report;
        char chunk[512];
        for (ssize_t got; (got = read(channel[0], chunk, sizeof chunk)) > 0;)
            report.append(chunk, static_cast<std::size_t>(got));
        close(channel[0]);
        int status = 0;
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "limit " << limit;
        EXPECT_EQ(report, "") << "limit " << limit;
    }
}

// The first difference between our tree and the reference's, or "" when they
// agree node for node. The one difference allowed: a folder whose path is
// longer than any path can name, which the reference cannot enter and so
// calls a File, is a Folder in ours; such cases are counted and their
// subtrees not compared.
std::string firstDifference(const FsNode* ours, const ReferenceScan::Node* reference, std::size_t& beyondPathLimit)
{
    std::vector<std::pair<const FsNode*, const ReferenceScan::Node*>> stack{{ours, reference}};
    while (!stack.empty()) {
        const FsNode* a = stack.back().first;
        const ReferenceScan::Node* b = stack.back().second;
        stack.pop_back();
        const std::string where = " at " + b->path + b->name;
        if (a->name != b->name || a->path() != b->path)
            return "name or path differs" + where + " (ours " + a->path() + a->name + ")";
        if (a->size != b->size || a->hidden != b->hidden || a->mode != b->mode)
            return "size, hidden or mode differs" + where;
        if (a->kind != b->kind || a->fullSize() != b->fullSize || a->modifiedTime != b->modifiedTime)
            return "kind, full size or time differs" + where;
        if (a->enterError != b->enterError && (b->path + b->name + "/").size() < PATH_MAX)
            return "entering error differs" + where + ": " + std::to_string(a->enterError) + " against "
                + std::to_string(b->enterError);
        if (a->type != b->type) {
            if (a->type == FsNodeType::Folder && (b->path + b->name + "/").size() >= PATH_MAX) {
                ++beyondPathLimit;
                continue;
            }
            return "type differs" + where;
        }
        if (a->icon == nullptr || a->icon->model->name != (a->type == FsNodeType::Folder ? "folder" : "file"))
            return "wrong symbol" + where;
        if (a->children.size() != b->children.size())
            return "child count differs" + where;
        for (std::size_t i = 0; i < a->children.size(); ++i)
            stack.emplace_back(a->children[i], b->children[i].get());
    }
    return std::string();
}

// Both scans run as an unprivileged user, so closed folders stay closed.
TEST_F(ScanTest, MatchesTheChdirScanNodeForNodeOnHardAndRandomTrees)
{
    SymbolLibrary::instance()->get("folder");
    SymbolLibrary::instance()->get("file");
    ASSERT_NO_FATAL_FAILURE(makeHardAndRandomTree());
    const std::string report = reportAsUnprivileged([&] {
        const fs::path before = fs::current_path();
        FsNode* ours = new FsNode("", 0, root + "/");
        if (fs::current_path() != before)
            return std::string("our scan changed the working directory");
        const std::unique_ptr<ReferenceScan::Node> reference = ReferenceScan::scan("", root + "/");
        std::size_t beyondPathLimit = 0;
        std::string found = firstDifference(ours, reference.get(), beyondPathLimit);
        if (found.empty() && beyondPathLimit != 1)
            found = "folders beyond the path limit: " + std::to_string(beyondPathLimit) + ", expected 1";
        if (found.empty() && countNodes(ours) < 4000)
            found = "the tree is too small: " + std::to_string(countNodes(ours));
        return found;
    });
    EXPECT_EQ(report, "");
}

// The explore view's worker, writing into its compact tree, gives the
// start-up scan's tree node for node, both as an unprivileged user.
TEST_F(ScanTest, TheExploreWorkerGivesTheStartupScansTreeOnHardAndRandomTrees)
{
    SymbolLibrary::instance()->get("folder");
    SymbolLibrary::instance()->get("file");
    ASSERT_NO_FATAL_FAILURE(makeHardAndRandomTree());
    const std::string report = reportAsUnprivileged([&] {
        FsNode* expected = new FsNode("", 0, root + "/");
        EntryScan worker(root + "/", false);
        while (!worker.ended())
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        std::string found = firstEntryDifference(worker.tree(), expected);
        if (found.empty() && worker.control().progress().entries != expected->totalEntries)
            found = "the progress counts " + std::to_string(worker.control().progress().entries) + " entries";
        if (found.empty() && worker.tree().size() != expected->totalEntries + 1)
            found = "the tree holds " + std::to_string(worker.tree().size()) + " entries";
        return found;
    });
    EXPECT_EQ(report, "");
}

// The walkers keep to a share of the descriptors: at limits that leave them
// few, or none, the explore view's walk still gives the start-up scan's tree.
TEST_F(ScanTest, TheExploreWalkAtLowDescriptorLimitsGivesTheStartupScansTree)
{
    SymbolLibrary::instance()->get("folder");
    SymbolLibrary::instance()->get("file");
    ASSERT_NO_FATAL_FAILURE(makeHardAndRandomTree());
    for (const rlim_t limit : {64, 280, 320}) {
        const std::string report = reportAsUnprivileged([&] {
            FsNode* expected = new FsNode("", 0, root + "/");
            rlimit lowered{};
            getrlimit(RLIMIT_NOFILE, &lowered);
            lowered.rlim_cur = limit;
            if (setrlimit(RLIMIT_NOFILE, &lowered) != 0)
                return std::string("setrlimit failed");
            EntryTree tree;
            EntryTreeScan(tree, root + "/", false, nullptr, nullptr).run();
            return firstEntryDifference(tree, expected);
        });
        EXPECT_EQ(report, "") << "limit " << limit;
    }
}

// The same in this process, without giving up root (so it runs under
// ThreadSanitizer, which cannot fork a threaded process), while this thread
// reads whatever the worker has published so far (asking for folders ahead
// would let a folder reached through several links be expanded at another).
TEST_F(ScanTest, TheExploreWorkerReadWhileItScansGivesTheStartupScansTree)
{
    SymbolLibrary::instance()->get("folder");
    SymbolLibrary::instance()->get("file");
    ASSERT_NO_FATAL_FAILURE(makeHardAndRandomTree());
    FsNode* expected = new FsNode("", 0, root + "/");
    EntryScan worker(root + "/", false);
    const EntryTree& tree = worker.tree();
    std::uint64_t seen = 0;
    std::vector<EntryId> stack;
    while (!worker.ended()) {
        // Down the published part of the tree, as a view reads it.
        stack.assign(1, tree.root());
        while (!stack.empty()) {
            const EntryId at = stack.back();
            stack.pop_back();
            seen += tree.name(at).size() + tree.byteSize(at) + static_cast<std::uint64_t>(tree.kind(at));
            if (tree.isComplete(at))
                seen += tree.totalSize(at) + tree.totalEntries(at);
            if (!tree.isListed(at))
                continue;
            for (const EntryId entry : tree.entries(at))
                stack.push_back(entry);
        }
    }
    EXPECT_GT(seen, 0u);
    EXPECT_EQ(firstEntryDifference(tree, expected), "");
}

// Folders of many batches, one more than the walkers hold for the worker
// before it comes to it, listed ahead while the worker takes another's
// batches: the same tree, in this process (so under ThreadSanitizer too).
TEST_F(ScanTest, TheExploreWorkerGivesTheStartupScansTreeOnLargeFolders)
{
    SymbolLibrary::instance()->get("folder");
    SymbolLibrary::instance()->get("file");
    const std::pair<const char*, int> folders[] = {{"a", 3000}, {"b", 17000}, {"c", 3000}, {"c/inner", 2000}};
    for (const auto& [name, files] : folders) {
        folder(name);
        for (int i = 0; i < files; ++i)
            file(std::string(name) + "/f" + std::to_string(i));
    }
    FsNode* expected = new FsNode("", 0, root + "/");
    EntryScan worker(root + "/", false);
    while (!worker.ended())
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    EXPECT_EQ(firstEntryDifference(worker.tree(), expected), "");
    EXPECT_EQ(worker.tree().totalEntries(worker.tree().root()), 25004u);
}

// Someone waiting for the scan hears of it often, even inside one large folder.
TEST_F(ScanTest, ListenerHearsEveryFolderAndAtLeastEvery256Entries)
{
    struct Recorder : ProgressListener {
        std::vector<std::uint64_t> calls;
        void progressed(std::uint64_t done) override { calls.push_back(done); }
    } recorder;
    for (int i = 0; i < 1000; ++i)
        file("f" + std::to_string(i));
    folder("sub/deeper");
    file("sub/deeper/leaf");

    FsNode* scanned = new FsNode("", 0, root + "/", &recorder);
    ASSERT_FALSE(recorder.calls.empty());
    std::uint64_t previousCall = 0;
    for (const std::uint64_t done : recorder.calls) {
        EXPECT_GE(done, previousCall);
        EXPECT_LE(done - previousCall, 256u);
        previousCall = done;
    }
    EXPECT_EQ(recorder.calls.back(), countNodes(scanned) - 1);
    // Three folders listed, each reported once it is listed, plus every 256th entry.
    EXPECT_EQ(recorder.calls.size(), 3u + 1003u / 256u);
}

// A folder entered while the walk is inside a huge folder is listed at once,
// between two batches of that listing, and the tree comes out the same.
TEST_F(ScanTest, AFolderAskedForInsideAHugeListingIsListedBeforeThatListingEnds)
{
    folder("one");
    folder("two");
    for (int i = 0; i < 3000; ++i) {
        file("one/f" + std::to_string(i));
        file("two/f" + std::to_string(i));
    }
    folder("one/inner");
    folder("two/inner");
    // Asks for the second top folder two batches into the first one's
    // listing, and notes whether the first was listed when the second was.
    struct Asking : ScanControl {
        FsNode* top = nullptr;
        FsNode* wanted = nullptr;
        bool asked = false;
        bool walkedFolderListedFirst = false;
        bool wantedListed = false;
        void progressed(std::uint64_t done) override
        {
            ScanControl::progressed(done);
            if (!asked && top->isListed() && done >= 2 + 2 * 256) {
                wanted = top->children[1];
                requestListing(wanted);
                asked = true;
            } else if (asked && !wantedListed && wanted->isListed()) {
                wantedListed = true;
                walkedFolderListedFirst = top->children[0]->isListed();
            }
        }
    } asking;
    ScanOptions options;
    options.makeIcons = false;
    asking.top = new FsNode(FsNode::Deferred{}, root + "/");
    ASSERT_TRUE(TreeScan(*asking.top, options, &asking, &asking).run());
    ASSERT_TRUE(asking.asked);
    EXPECT_TRUE(asking.wantedListed);
    EXPECT_FALSE(asking.walkedFolderListedFirst) << "listed only once the huge listing was over";

    FsNode* expected = scanRoot();
    for (FsNode* node : {asking.top, expected})
        std::sort(node->children.begin(), node->children.end(),
                  [](const FsNode* a, const FsNode* b) { return a->name < b->name; });
    EXPECT_EQ(firstScanDifference(asking.top, expected), "");
}

} // namespace
