#include "bench/TreeGenerator.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <dirent.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {

struct Listing {
    std::size_t folders = 0;
    std::size_t files = 0;
    std::vector<int> fileDepths;
    std::vector<long> fileSizes;
};

void list(const std::string& folder, int depth, Listing& out)
{
    DIR* dir = opendir(folder.c_str());
    ASSERT_NE(dir, nullptr) << folder;
    while (const dirent* item = readdir(dir)) {
        const std::string name = item->d_name;
        if (name == "." || name == "..")
            continue;
        const std::string path = folder + "/" + name;
        struct stat info;
        ASSERT_EQ(lstat(path.c_str(), &info), 0) << path;
        if (S_ISDIR(info.st_mode)) {
            ++out.folders;
            list(path, depth + 1, out);
        } else {
            ++out.files;
            out.fileDepths.push_back(depth);
            out.fileSizes.push_back(static_cast<long>(info.st_size));
        }
    }
    closedir(dir);
}

Listing listTree(const std::string& root)
{
    Listing listing;
    list(root.substr(0, root.size() - 1), 1, listing);
    return listing;
}

} // namespace

TEST(TreeGenerator, FlatTreeHoldsExactlyTheEntriesAllInTheRootWithEveryTenthAFolder)
{
    TreeGenerator generator;
    ASSERT_TRUE(generator.isReady()) << generator.error();
    const std::string root = generator.make(TreeShape::Flat, 234, 7);
    ASSERT_FALSE(root.empty()) << generator.error();
    EXPECT_EQ(root.back(), '/');

    const Listing listing = listTree(root);
    EXPECT_EQ(listing.folders + listing.files, 234u);
    EXPECT_EQ(listing.folders, 23u);
    for (const int depth : listing.fileDepths)
        EXPECT_EQ(depth, 1);
    for (const long size : listing.fileSizes)
        EXPECT_EQ(size, 7);
}

TEST(TreeGenerator, NestedTreeHasThreeFolderLevelsAndFilesOnlyInTheDeepest)
{
    TreeGenerator generator;
    const std::string root = generator.make(TreeShape::Nested, 1200);
    ASSERT_FALSE(root.empty()) << generator.error();

    const Listing listing = listTree(root);
    EXPECT_EQ(listing.folders + listing.files, 1200u);
    EXPECT_EQ(listing.files, 90u);
    EXPECT_EQ(listing.folders, 10u + 100u + 1000u);
    for (const int depth : listing.fileDepths)
        ASSERT_EQ(depth, 4);
}

TEST(TreeGenerator, GroupedTreeUnderALongPathHasFoldersOfNinetyNineFiles)
{
    TreeGenerator generator;
    const std::string root = generator.make(TreeShape::Grouped, 1000, 0, 3800);
    ASSERT_FALSE(root.empty()) << generator.error();
    EXPECT_GE(root.size(), 3800u);
    EXPECT_LT(root.size(), 3800u + 200u);

    const Listing listing = listTree(root);
    EXPECT_EQ(listing.folders, 10u);
    EXPECT_EQ(listing.files, 990u);
    for (const int depth : listing.fileDepths)
        ASSERT_EQ(depth, 2);
}

TEST(TreeGenerator, ThousandsTreeHasFoldersOf999FilesAndALastShortOne)
{
    TreeGenerator generator;
    const std::string root = generator.make(TreeShape::Thousands, 2500, 3);
    ASSERT_FALSE(root.empty()) << generator.error();

    const Listing listing = listTree(root);
    EXPECT_EQ(listing.folders, 3u);
    EXPECT_EQ(listing.files, 999u + 999u + 499u);
    for (const int depth : listing.fileDepths)
        ASSERT_EQ(depth, 2);
    for (const long size : listing.fileSizes)
        ASSERT_EQ(size, 3);
    struct stat info;
    EXPECT_EQ(stat((root + "folder002000/file002499").c_str(), &info), 0);
    EXPECT_NE(stat((root + "folder002000/file002500").c_str(), &info), 0);
}

TEST(TreeGenerator, SmallNestedTreeStopsAtTheEntryBudget)
{
    TreeGenerator generator;
    const std::string root = generator.make(TreeShape::Nested, 15);
    ASSERT_FALSE(root.empty()) << generator.error();
    const Listing listing = listTree(root);
    EXPECT_EQ(listing.folders + listing.files, 15u);
    EXPECT_EQ(listing.files, 0u);
}

TEST(TreeGenerator, TreesAreSeparateAndRemovedWithTheGeneratorUnlessMadeElsewhere)
{
    std::string first;
    std::string second;
    std::string third;
    std::string kept;
    std::string pattern = std::filesystem::temp_directory_path().string() + "/lumenfold-kept-XXXXXX";
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    const std::filesystem::path keptFolder = pattern;
    {
        TreeGenerator generator;
        first = generator.make(TreeShape::Flat, 3);
        second = generator.make(TreeShape::Chain, 3 * 3000);
        third = generator.make(TreeShape::Square, 100);
        ASSERT_FALSE(second.empty()) << generator.error();
        ASSERT_FALSE(first.empty());
        ASSERT_FALSE(third.empty());
        EXPECT_NE(first, second);
        EXPECT_EQ(listTree(first).files + listTree(first).folders, 3u);
        kept = generator.makeAt(keptFolder.string() + "/kept", TreeShape::Thousands, 1001);
        ASSERT_FALSE(kept.empty()) << generator.error();
        EXPECT_EQ(listTree(kept).files + listTree(kept).folders, 1001u);
        EXPECT_EQ(generator.makeAt(kept, TreeShape::Thousands, 10), std::string());
    }
    struct stat info;
    EXPECT_NE(stat(first.c_str(), &info), 0);
    EXPECT_NE(stat(second.c_str(), &info), 0);
    EXPECT_NE(stat(third.c_str(), &info), 0);
    EXPECT_EQ(stat(kept.c_str(), &info), 0);
    std::filesystem::remove_all(keptFolder);
}
