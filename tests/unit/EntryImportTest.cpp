#include "exchange/EntryImport.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace {

// An export in a file of its own, gone with the test.
class ExportFile {
public:
    explicit ExportFile(const std::string& text)
    {
        char name[] = "/tmp/lumenfold-import-XXXXXX";
        const int fd = mkstemp(name);
        path = name;
        EXPECT_EQ(write(fd, text.data(), text.size()), static_cast<ssize_t>(text.size()));
        close(fd);
    }
    ~ExportFile() { unlink(path.c_str()); }
    std::string path;
};

void waitForEnd(const EntryImport& import)
{
    while (!import.ended())
        std::this_thread::yield();
}

EntryId named(const EntryTree& tree, EntryId folder, const std::string& name)
{
    for (const EntryId entry : tree.entries(folder))
        if (tree.name(entry) == name)
            return entry;
    return kNoEntry;
}

const std::string kHeader = R"([1,2,{"progname":"gdu","progver":"5.22","timestamp":1700000000},)";

} // namespace

TEST(EntryImport, AnExportBecomesTheTreeWithHardLinksCountedOnceAndUnenteredFoldersWithTheirReason)
{
    const ExportFile file(kHeader
                          + R"([{"name":"/srv/data","dev":7,"ino":2},)"
                            R"([{"name":"sub"},{"name":"a","asize":100,"ino":10},)"
                            R"({"name":"b","asize":100,"ino":10,"hlnkc":true}],)"
                            R"({"name":"mnt","excluded":"othfs"},{"name":"c","asize":5}]])");
    EntryImport import(file.path);
    ASSERT_TRUE(import.opened());
    waitForEnd(import);
    const EntryTree& tree = import.tree();
    const EntryId root = tree.root();
    ASSERT_TRUE(tree.isComplete(root));
    EXPECT_EQ(tree.path(root), "/srv/data/");
    EXPECT_EQ(tree.entries(root).size(), 3u);
    const EntryId sub = named(tree, root, "sub");
    ASSERT_NE(sub, kNoEntry);
    EXPECT_EQ(tree.entries(sub).size(), 2u);
    EXPECT_EQ(tree.totalSize(sub), 100u);
    EXPECT_EQ(tree.totalSize(root), 105u);
    EXPECT_EQ(tree.totalEntries(root), 5u);
    const EntryId mount = named(tree, root, "mnt");
    ASSERT_NE(mount, kNoEntry);
    EXPECT_EQ(tree.enterError(mount), EXDEV);
    EXPECT_FALSE(import.stoppedEarly());
    EXPECT_EQ(import.sourceNote().rfind("scanned by gdu 5.22 on 20", 0), 0u) << import.sourceNote();
    EXPECT_EQ(import.control().progress().entries, 5u);
    EXPECT_TRUE(import.control().progress().reading);
    EXPECT_TRUE(static_cast<const TreeSource&>(import).imported());
    EXPECT_FALSE(import.onThisMachine());
}

TEST(EntryImport, AnExportThatBreaksOffKeepsWhatWasReadAndSaysWhere)
{
    const std::string whole = kHeader
        + R"([{"name":"/srv"},[{"name":"deep"},{"name":"x","asize":3}],)"
          R"([{"name":"late"},{"name":"y","asize":4},{"name":"z","asi)";
    const ExportFile file(whole);
    EntryImport import(file.path);
    waitForEnd(import);
    const EntryTree& tree = import.tree();
    ASSERT_TRUE(tree.isComplete(tree.root()));
    EXPECT_NE(named(tree, tree.root(), "deep"), kNoEntry);
    const EntryId late = named(tree, tree.root(), "late");
    ASSERT_NE(late, kNoEntry);
    EXPECT_NE(named(tree, late, "y"), kNoEntry);
    EXPECT_EQ(tree.totalSize(tree.root()), 7u);
    ASSERT_TRUE(import.stoppedEarly());
    EXPECT_FALSE(import.problem().unreadable);
    EXPECT_GT(import.problem().offset, whole.size() - 10);
    EXPECT_EQ(import.sourceNote().rfind("Reading stopped at byte ", 0), 0u) << import.sourceNote();
    EXPECT_EQ(import.problemLine().rfind("lumenfold: " + file.path + ": byte ", 0), 0u);
}

TEST(EntryImport, AFileThatIsNoExportOrCannotBeOpenedIsUnreadable)
{
    EntryImport missing("/nonexistent/export.json");
    EXPECT_FALSE(missing.opened());
    EXPECT_TRUE(missing.problem().unreadable);
    EXPECT_NE(missing.problemLine().find("/nonexistent/export.json"), std::string::npos);

    const ExportFile notAnExport("{\"hello\": 1}");
    EntryImport wrong(notAnExport.path);
    ASSERT_TRUE(wrong.opened());
    waitForEnd(wrong);
    EXPECT_TRUE(wrong.problem().unreadable);
    EXPECT_TRUE(wrong.tree().isListed(wrong.tree().root()));
}

TEST(EntryImport, TheTopFolderIsOnThisMachineWhenItsDeviceAndInodeMatch)
{
    struct stat here {};
    ASSERT_EQ(stat("/tmp", &here), 0);
    const ExportFile file(kHeader + "[{\"name\":\"/tmp\",\"dev\":" + std::to_string(here.st_dev)
                          + ",\"ino\":" + std::to_string(here.st_ino) + "}]]");
    EntryImport import(file.path);
    waitForEnd(import);
    EXPECT_TRUE(import.onThisMachine());
}

namespace {

// A FIFO whose writer the test holds, so the import waits for each byte.
class SlowPipe {
public:
    SlowPipe()
    {
        char folder[] = "/tmp/lumenfold-pipe-XXXXXX";
        EXPECT_NE(mkdtemp(folder), nullptr);
        path = std::string(folder) + "/export";
        EXPECT_EQ(mkfifo(path.c_str(), 0600), 0);
        // Read and write, so that opening waits for no reader and the reader sees no end.
        writer = open(path.c_str(), O_RDWR);
        EXPECT_GE(writer, 0);
    }
    ~SlowPipe()
    {
        close(writer);
        unlink(path.c_str());
        rmdir(path.substr(0, path.rfind('/')).c_str());
    }
    void send(const std::string& text) { EXPECT_EQ(write(writer, text.data(), text.size()), ssize_t(text.size())); }
    std::string path;
    int writer = -1;
};

bool soon(const std::function<bool()>& condition)
{
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!condition() && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return condition();
}

std::vector<std::string> namesSoFar(const EntryTree& tree, EntryId folder)
{
    std::vector<std::string> names;
    for (const EntryId entry : tree.entriesSoFar(folder))
        names.emplace_back(tree.name(entry));
    return names;
}

} // namespace

TEST(EntryImport, EntriesShowAsTheyAreReadWhileTheInputWaitsAndAStopEndsTheWait)
{
    SlowPipe pipe;
    pipe.send(kHeader + R"([{"name":"/srv/slow"},{"name":"one","asize":1},[{"name":"sub"},{"name":"two","asize":2})");
    EntryImport import(pipe.path);
    ASSERT_TRUE(import.opened());
    const EntryTree& tree = import.tree();
    // The folder the window shows is asked for, as a scan is asked to list it.
    const auto shows = [&](EntryId folder, std::size_t entries) {
        import.control().requestEntryListing(folder);
        return tree.entriesSoFar(folder).size() == entries;
    };
    ASSERT_TRUE(soon([&] { return tree.root() != kNoEntry; }));
    ASSERT_TRUE(soon([&] { return shows(tree.root(), 2); }));
    EXPECT_EQ(namesSoFar(tree, tree.root()), (std::vector<std::string>{"one", "sub"}));
    const EntryId sub = tree.entriesSoFar(tree.root())[1];
    EXPECT_TRUE(tree.entriesSoFar(sub).empty()) << "a folder not looked at costs no copy";
    EXPECT_TRUE(soon([&] { return shows(sub, 1); }));
    EXPECT_EQ(namesSoFar(tree, sub), std::vector<std::string>{"two"});
    EXPECT_FALSE(tree.isListed(tree.root()));
    EXPECT_TRUE(soon([&] { return import.control().progress().entries == 3; })) << "the count follows too";

    pipe.send(R"(,{"name":"three","asize":3}],{"name":"four","asize":4})");
    EXPECT_TRUE(soon([&] { return shows(tree.root(), 3); }));
    EXPECT_TRUE(tree.isListed(sub));
    EXPECT_EQ(tree.totalSize(sub), 5u);

    // The writer never ends: a stop ends the wait within a few of its rounds.
    const auto asked = std::chrono::steady_clock::now();
    EXPECT_TRUE(import.stop(std::chrono::milliseconds(5000)));
    EXPECT_LT(std::chrono::steady_clock::now() - asked, std::chrono::milliseconds(2000));
    EXPECT_TRUE(tree.isComplete(tree.root()));
    EXPECT_EQ(tree.totalSize(tree.root()), 10u);
}
