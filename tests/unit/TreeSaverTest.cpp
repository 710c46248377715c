#include "app/TreeSaver.h"
#include "exchange/EntryImport.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace fs = std::filesystem;

namespace {

EntryFacts facts(std::string_view name, EntryKind kind, std::uint64_t size = 0)
{
    EntryFacts made;
    made.name = name;
    made.kind = kind;
    made.size = size;
    made.countedSize = kind == EntryKind::File ? size : 0;
    made.modifiedTime = 1700000000;
    return made;
}

// top/ { a (100, two names), sub/ { b: a's second name, "odd \"name\"\n" (7) },
// link -> a, mnt/ (another file system), locked/ (could not be read) }
struct Tree {
    EntryTree tree;
    Tree()
    {
        const EntryId top = tree.makeRoot("/srv/top/");
        EntryFacts first = facts("a", EntryKind::File, 100);
        first.identity = FileIdentity{7, 42, 2};
        tree.addEntry(top, first);
        const EntryId sub = tree.addEntry(top, facts("sub", EntryKind::Folder));
        EntryFacts second = facts("b", EntryKind::File, 100);
        second.countedSize = 0;
        second.identity = first.identity;
        tree.addEntry(sub, second);
        tree.addEntry(sub, facts("odd \"name\"\n", EntryKind::File, 7));
        tree.markListed(sub);
        tree.markComplete(sub);
        tree.addEntry(top, facts("link", EntryKind::FileLink, 100));
        const EntryId mnt = tree.addEntry(top, facts("mnt", EntryKind::Folder));
        tree.markListed(mnt, EXDEV);
        tree.markComplete(mnt);
        const EntryId locked = tree.addEntry(top, facts("locked", EntryKind::Folder));
        tree.markListed(locked, EACCES);
        tree.markComplete(locked);
        tree.markListed(top);
        tree.markComplete(top);
    }
};

struct Folder {
    Folder()
    {
        char name[] = "/tmp/lumenfold-save-XXXXXX";
        path = std::string(mkdtemp(name)) + "/";
    }
    ~Folder() { fs::remove_all(path); }
    std::vector<std::string> names() const
    {
        std::vector<std::string> found;
        for (const auto& each : fs::directory_iterator(path))
            found.push_back(each.path().filename().string());
        std::sort(found.begin(), found.end());
        return found;
    }
    std::string path;
};

EntryId named(const EntryTree& tree, EntryId folder, std::string_view name)
{
    for (const EntryId entry : tree.entries(folder))
        if (tree.name(entry) == name)
            return entry;
    return kNoEntry;
}

bool save(const EntryTree& tree, const std::string& folder, std::string& path, std::string& error)
{
    ExportMetadata metadata;
    metadata.programName = "lumenfold";
    metadata.programVersion = "1.0";
    return TreeSaver::save(tree, EntryTreeExport::Options{7, false}, metadata, folder, 1765170000, path, error);
}

} // namespace

TEST(TreeSaver, ASavedTreeReadsBackWithItsNamesKindsReasonsAndTotals)
{
    const Tree made;
    const Folder folder;
    std::string path;
    std::string error;
    ASSERT_TRUE(save(made.tree, folder.path, path, error)) << error;
    EXPECT_EQ(path.rfind(folder.path + "lumenfold-", 0), 0u) << path;
    EXPECT_EQ(path.substr(path.size() - 5), ".json");
    EXPECT_EQ(folder.names().size(), 1u) << "no temporary file is left";

    EntryImport import(path);
    while (!import.ended())
        std::this_thread::yield();
    ASSERT_FALSE(import.stoppedEarly()) << import.problemLine();
    const EntryTree& back = import.tree();
    const EntryId top = back.root();
    EXPECT_EQ(back.path(top), "/srv/top/");
    EXPECT_EQ(back.totalSize(top), made.tree.totalSize(made.tree.root())) << "a and b count once";
    EXPECT_EQ(back.totalSize(top), 107u);
    EXPECT_EQ(back.totalEntries(top), made.tree.totalEntries(made.tree.root()));
    const EntryId sub = named(back, top, "sub");
    ASSERT_NE(sub, kNoEntry);
    EXPECT_NE(named(back, sub, "odd \"name\"\n"), kNoEntry);
    EXPECT_EQ(back.kind(named(back, top, "link")), EntryKind::FileLink);
    EXPECT_EQ(back.enterError(named(back, top, "mnt")), EXDEV);
    EXPECT_EQ(back.enterError(named(back, top, "locked")), EACCES);
    EXPECT_EQ(import.metadata().programName, "lumenfold");
}

TEST(TreeSaver, ASecondSaveInTheSameSecondTakesANewNameAndAFailedOneLeavesNothing)
{
    const Tree made;
    const Folder folder;
    std::string first;
    std::string second;
    std::string error;
    ASSERT_TRUE(save(made.tree, folder.path, first, error)) << error;
    std::ofstream(first, std::ios::trunc) << "kept";
    ASSERT_TRUE(save(made.tree, folder.path, second, error)) << error;
    EXPECT_EQ(second.substr(second.size() - 7), "-1.json");
    std::string text;
    std::ifstream(first) >> text;
    EXPECT_EQ(text, "kept") << "never written over";

    const std::string missing = folder.path + "missing/";
    EXPECT_FALSE(save(made.tree, missing, second, error));
    EXPECT_NE(error.find(missing), std::string::npos) << error;
    EXPECT_EQ(folder.names().size(), 2u);
}
