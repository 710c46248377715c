#include "scene/DirectoryReader.h"
#include "scene/EntryDescriber.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

// The whole listing, described as the scan describes it.
void readAll(DirectoryReader& reader, std::vector<DirectoryEntry>& entries)
{
    DirectoryEntry entry;
    while (reader.nextName(entry))
        entries.push_back(entry);
    EntryDescriber().describe(reader.descriptor(), entries.data(), entries.size());
}

// A fresh folder under the system's temporary folder, removed afterwards.
class DirectoryTest : public testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = (fs::temp_directory_path() / "lumenfold-dir-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        root = pattern;
        // Other users must reach it for the privilege-dropping case.
        fs::permissions(root,
                        fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec | fs::perms::others_read
                            | fs::perms::others_exec);
    }

    void TearDown() override
    {
        std::error_code ignored;
        fs::permissions(root, fs::perms::owner_all, fs::perm_options::add, ignored);
        for (const auto& item : fs::recursive_directory_iterator(root, ignored))
            if (!item.is_symlink())
                fs::permissions(item.path(), fs::perms::owner_all, fs::perm_options::add, ignored);
        fs::remove_all(root, ignored);
    }

    void writeFile(const std::string& name, const std::string& content)
    {
        std::ofstream(root + "/" + name, std::ios::binary) << content;
    }

    std::vector<DirectoryEntry> listRoot()
    {
        std::vector<DirectoryEntry> entries;
        DirectoryReader reader(AT_FDCWD, root + "/");
        EXPECT_EQ(reader.access(), FolderAccess::Listable);
        readAll(reader, entries);
        return entries;
    }

    // The entry called name; a failure (and a blank entry) when it is not listed.
    static DirectoryEntry at(const std::vector<DirectoryEntry>& entries, const std::string& name)
    {
        for (const DirectoryEntry& entry : entries)
            if (entry.name == name)
                return entry;
        ADD_FAILURE() << "not listed: " << name;
        return DirectoryEntry{};
    }

    std::string root;
};

using FolderTest = DirectoryTest;
using DirectoryListing = DirectoryTest;

TEST_F(FolderTest, OpensFoldersAndLinksToThemButNothingElseAndNeverChangesTheWorkingDirectory)
{
    writeFile("plain.txt", "x");
    fs::create_directory(root + "/sub");
    fs::create_directory_symlink(root + "/sub", root + "/alias");
    ASSERT_EQ(mkfifo((root + "/fifo").c_str(), 0644), 0);
    const fs::path before = fs::current_path();

    EXPECT_EQ(DirectoryReader(AT_FDCWD, root + "//sub/").access(), FolderAccess::Listable);
    EXPECT_EQ(DirectoryReader(AT_FDCWD, root + "/" + std::string(PATH_MAX, 'a') + "/").access(), FolderAccess::Closed);
    const int folderFd = open(root.c_str(), O_RDONLY | O_DIRECTORY);
    ASSERT_GE(folderFd, 0);
    EXPECT_EQ(DirectoryReader(folderFd, "alias").access(), FolderAccess::Listable);
    // A FIFO with no writer would block an open that waits: it is never opened.
    for (const char* name : {"plain.txt", "missing", "fifo"})
        EXPECT_EQ(DirectoryReader(folderFd, name).access(), FolderAccess::Closed) << name;
    EXPECT_EQ(DirectoryReader(folderFd, std::string(NAME_MAX + 1, 'n')).access(), FolderAccess::Closed);
    close(folderFd);
    EXPECT_EQ(fs::current_path(), before);
}

TEST_F(FolderTest, UnprivilegedUserCannotEnterClosedFolderNorListUnreadableOne)
{
    fs::create_directory(root + "/closed");
    fs::permissions(root + "/closed", fs::perms::owner_all); // no access for others
    fs::create_directory(root + "/unreadable");
    fs::permissions(root + "/unreadable", fs::perms::owner_all | fs::perms::others_exec | fs::perms::group_exec);
    fs::create_directory(root + "/unsearchable");
    fs::permissions(root + "/unsearchable", fs::perms::owner_all | fs::perms::others_read | fs::perms::group_read);
    if (geteuid() != 0) {
        // As an ordinary owner, closing the folders to ourselves does the same.
        fs::permissions(root + "/closed", fs::perms::none);
        fs::permissions(root + "/unreadable", fs::perms::owner_exec);
        fs::permissions(root + "/unsearchable", fs::perms::owner_read);
    }

    // Root enters anything, so the checks run in a child that gives up root first.
    const pid_t child = fork();
    ASSERT_NE(child, -1);
    if (child == 0) {
        if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0))
            _exit(10);
        int failures = 0;
        DirectoryReader top(AT_FDCWD, root + "//");
        if (top.access() != FolderAccess::Listable)
            failures |= 1;
        if (DirectoryReader(top.descriptor(), "closed").access() != FolderAccess::Closed
            || DirectoryReader(top.descriptor(), "unsearchable").access() != FolderAccess::Closed)
            failures |= 2;
        DirectoryReader reader(top.descriptor(), "unreadable");
        if (reader.access() != FolderAccess::Unlistable)
            failures |= 4;
        std::vector<DirectoryEntry> entries;
        readAll(reader, entries);
        if (reader.descriptor() != -1 || !entries.empty())
            failures |= 8;
        _exit(failures);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    const int code = WEXITSTATUS(status);
    EXPECT_NE(code, 10) << "could not drop to user 65534";
    EXPECT_EQ(code & 1, 0) << "the open test folder could not be listed";
    EXPECT_EQ(code & 2, 0) << "a folder without search permission was entered";
    EXPECT_EQ(code & 4, 0) << "a folder without read permission could not be entered";
    EXPECT_EQ(code & 8, 0) << "a folder without read permission was listed";
}

TEST_F(DirectoryListing, SkipsExactlyDotAndDotDotAndKeepsOtherDotNamesHidden)
{
    writeFile(".profile", "");
    writeFile("...", "");
    writeFile("..x", "");
    writeFile("visible", "");
    fs::create_directory(root + "/.cache");

    const std::vector<DirectoryEntry> entries = listRoot();
    std::vector<std::string> names;
    for (const DirectoryEntry& entry : entries) {
        names.push_back(entry.name);
        EXPECT_EQ(entry.hidden, entry.name[0] == '.') << entry.name;
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"...", "..x", ".cache", ".profile", "visible"}));
}

TEST_F(DirectoryListing, KeepsTheOrderTheSystemReturns)
{
    for (int i = 0; i < 200; ++i)
        writeFile("entry" + std::to_string(i * 7919 % 1000), "");

    std::vector<std::string> expected;
    DIR* dir = opendir(root.c_str());
    ASSERT_NE(dir, nullptr);
    while (const dirent* item = readdir(dir))
        if (std::string(item->d_name) != "." && std::string(item->d_name) != "..")
            expected.push_back(item->d_name);
    closedir(dir);

    std::vector<std::string> names;
    for (const DirectoryEntry& entry : listRoot())
        names.push_back(entry.name);
    EXPECT_EQ(names, expected);
}

TEST_F(DirectoryListing, KeepsOddNamesByteForByte)
{
    const std::vector<std::string> odd = {"with space",      "back\\slash", "line\nbreak", "tab\there",
                                          "latin1-\xe9\xff", "*?[]",        "-dash",       std::string(255, 'n')};
    for (const std::string& name : odd)
        writeFile(name, "");

    const std::vector<DirectoryEntry> entries = listRoot();
    EXPECT_EQ(entries.size(), odd.size());
    for (const std::string& name : odd)
        EXPECT_EQ(at(entries, name).name, name);
}

TEST_F(DirectoryListing, SizeIsLowThirtyTwoBitsOfTheByteSize)
{
    writeFile("small", std::string(123, 'x'));
    writeFile("empty", "");
    // Sparse, so it costs no disk space: 4 GiB + 5 bytes reports 5.
    fs::resize_file(root + "/" + (writeFile("huge", ""), "huge"), (std::uintmax_t{1} << 32) + 5);

    const std::vector<DirectoryEntry> entries = listRoot();
    EXPECT_EQ(at(entries, "small").size, 123u);
    EXPECT_EQ(at(entries, "empty").size, 0u);
    EXPECT_EQ(at(entries, "huge").size, 5u);
}

TEST_F(DirectoryListing, ReadOnlyExactlyWhenOwnerWriteBitIsClear)
{
    writeFile("locked", "");
    writeFile("writable", "");
    writeFile("ownerWriteOnly", "");
    fs::create_directory(root + "/lockedFolder");
    fs::permissions(root + "/locked", fs::perms::owner_read | fs::perms::group_write | fs::perms::others_write);
    fs::permissions(root + "/ownerWriteOnly", fs::perms::owner_write);
    fs::permissions(root + "/lockedFolder", fs::perms::owner_read | fs::perms::owner_exec);

    const std::vector<DirectoryEntry> entries = listRoot();
    ASSERT_EQ(entries.size(), 4u);
    EXPECT_TRUE(at(entries, "locked").readOnly);
    EXPECT_TRUE(at(entries, "lockedFolder").readOnly);
    EXPECT_FALSE(at(entries, "writable").readOnly);
    EXPECT_FALSE(at(entries, "ownerWriteOnly").readOnly);
}

TEST_F(DirectoryListing, LinksReportTheirTargetAndDanglingLinksThemselves)
{
    writeFile("target", std::string(1000, 'x'));
    fs::create_symlink(root + "/target", root + "/link");
    const std::string nowhere = root + "/nowhere-at-all";
    fs::create_symlink(nowhere, root + "/dangling");
    fs::create_directory(root + "/folder");
    fs::create_directory_symlink(root + "/folder", root + "/folderLink");

    const std::vector<DirectoryEntry> entries = listRoot();
    EXPECT_EQ(at(entries, "link").size, 1000u);
    EXPECT_EQ(at(entries, "dangling").size, nowhere.size());
    // Only folders and links to them may pass the folder test.
    EXPECT_TRUE(at(entries, "folder").folder);
    EXPECT_TRUE(at(entries, "folderLink").folder);
    EXPECT_FALSE(at(entries, "link").folder);
    EXPECT_FALSE(at(entries, "dangling").folder);
}

TEST_F(DirectoryListing, VanishedEntryStillDescribedWithSizeZero)
{
    const int folderFd = open(root.c_str(), O_RDONLY | O_DIRECTORY);
    ASSERT_GE(folderFd, 0);
    DirectoryEntry gone;
    gone.name = ".gone";
    gone.size = 77;
    gone.readOnly = true;
    gone.folder = true;
    DirectoryReader::describe(folderFd, gone);
    close(folderFd);
    EXPECT_EQ(gone.size, 0u);
    EXPECT_FALSE(gone.readOnly);
    EXPECT_FALSE(gone.folder);
    EXPECT_TRUE(gone.hidden);
}

TEST_F(DirectoryListing, IdentifiesAFolderWhateverPathReachesIt)
{
    fs::create_directory(root + "/real");
    fs::create_directory(root + "/other");
    fs::create_directory_symlink(root + "/real", root + "/alias");

    auto identify = [](const std::string& path) {
        FolderId id;
        DirectoryReader reader(AT_FDCWD, path);
        EXPECT_TRUE(DirectoryReader::identify(reader.descriptor(), id));
        return id;
    };
    const FolderId real = identify(root + "/real/");
    EXPECT_EQ(identify(root + "//alias/"), real);
    EXPECT_FALSE(identify(root + "/other/") == real);
}

// Some file systems list no entry types: then the entry is looked at as it
// is first, and the details come out the same.
TEST_F(DirectoryListing, WithoutListedTypesEntriesAreDescribedTheSame)
{
    writeFile("file", std::string(10, 'x'));
    fs::create_directory(root + "/folder");
    fs::create_directory_symlink(root + "/folder", root + "/folderLink");
    fs::create_symlink(root + "/file", root + "/fileLink");
    fs::create_symlink(root + "/nowhere", root + "/dangling");
    ASSERT_EQ(mkfifo((root + "/fifo").c_str(), 0644), 0);

    std::vector<DirectoryEntry> typed = listRoot();
    std::vector<DirectoryEntry> untyped = typed;
    const int folderFd = open(root.c_str(), O_RDONLY | O_DIRECTORY);
    ASSERT_GE(folderFd, 0);
    for (DirectoryEntry& entry : untyped) {
        entry.listedType = DT_UNKNOWN;
        DirectoryReader::describe(folderFd, entry);
    }
    close(folderFd);
    const EntryKind expected[] = {EntryKind::File,     EntryKind::Folder, EntryKind::FolderLink,
                                  EntryKind::FileLink, EntryKind::Other,  EntryKind::Other};
    const char* names[] = {"file", "folder", "folderLink", "fileLink", "dangling", "fifo"};
    for (std::size_t i = 0; i < 6; ++i) {
        EXPECT_EQ(at(typed, names[i]).kind, expected[i]) << names[i];
        EXPECT_EQ(at(untyped, names[i]).kind, expected[i]) << names[i];
        EXPECT_EQ(at(untyped, names[i]).size, at(typed, names[i]).size) << names[i];
        EXPECT_EQ(at(untyped, names[i]).modifiedTime, at(typed, names[i]).modifiedTime) << names[i];
        EXPECT_EQ(at(untyped, names[i]).folder, at(typed, names[i]).folder) << names[i];
    }
}

} // namespace

TEST_F(DirectoryListing, ABatchSharedWithTheHelperIsDescribedAsEachEntryAloneAndBatchesFollowOneAnother)
{
    // Sizes tell the entries apart; folders among them.
    for (int i = 0; i < 700; ++i) {
        if (i % 7 == 0)
            fs::create_directory(root + "/d" + std::to_string(i));
        else
            writeFile("f" + std::to_string(i), std::string(static_cast<std::size_t>(i), 'x'));
    }
    DirectoryReader reader(AT_FDCWD, root);
    std::vector<DirectoryEntry> shared;
    DirectoryEntry entry;
    while (reader.nextName(entry))
        shared.push_back(entry);
    std::vector<DirectoryEntry> alone = shared;
    for (DirectoryEntry& each : alone)
        DirectoryReader::describe(reader.descriptor(), each);
    // One describer for batches of every size, as the scan hands them over.
    EntryDescriber describer;
    for (std::size_t from = 0, size = 1; from < shared.size(); from += size, size = size * 2 + 1)
        describer.describe(reader.descriptor(), shared.data() + from, std::min(size, shared.size() - from));
    ASSERT_EQ(shared.size(), 700u);
    for (std::size_t i = 0; i < shared.size(); ++i) {
        EXPECT_EQ(shared[i].size, alone[i].size) << shared[i].name;
        EXPECT_EQ(shared[i].folder, alone[i].folder) << shared[i].name;
        EXPECT_EQ(shared[i].kind, alone[i].kind) << shared[i].name;
    }
}
