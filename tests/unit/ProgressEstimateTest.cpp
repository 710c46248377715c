#include "explore/ProgressEstimate.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/mount.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

namespace fs = std::filesystem;

namespace {

// A memory file system mounted for the test, unmounted and removed after it.
class TestMount {
public:
    explicit TestMount(const std::string& at) : point(at)
    {
        fs::create_directories(point);
        if (mount("lumenfold-test", point.c_str(), "tmpfs", 0, "size=4m,nr_inodes=4096") == 0)
            mounted = true;
        else
            reason = std::string("cannot mount a tmpfs (") + std::strerror(errno) + "): the test needs root";
    }
    ~TestMount()
    {
        if (mounted)
            umount2(point.c_str(), MNT_DETACH);
    }
    std::string point;
    bool mounted = false;
    std::string reason;
};

} // namespace

TEST(ProgressEstimate, TheEntriesOfAWholeFileSystemAreItsUsedInodesAndOnlyThen)
{
    std::string pattern = (fs::temp_directory_path() / "lumenfold-estimate-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    {
        TestMount disk(pattern + "/disk");
        if (!disk.mounted) {
            fs::remove_all(pattern);
            GTEST_SKIP() << disk.reason;
        }
        // 3 folders and 40 files below the root.
        for (const char* folder : {"/a", "/a/b", "/c"})
            fs::create_directory(disk.point + folder);
        for (int i = 0; i < 40; ++i)
            std::ofstream(disk.point + (i % 2 == 0 ? "/a/b/f" : "/c/f") + std::to_string(i)) << "x";
        EXPECT_EQ(ProgressEstimate::expectedEntries(disk.point, false), 43u);
        EXPECT_EQ(ProgressEstimate::expectedEntries(disk.point + "/", true), 43u);
        EXPECT_EQ(ProgressEstimate::expectedEntries(disk.point + "/a", false), std::nullopt) << "not the root";
        EXPECT_EQ(ProgressEstimate::expectedEntries(pattern, false), std::nullopt) << "above the mount";

        // Another file system below: its entries would be scanned too, unless the scan keeps to this one.
        TestMount inner(disk.point + "/c/inner");
        ASSERT_TRUE(inner.mounted) << inner.reason;
        EXPECT_EQ(ProgressEstimate::expectedEntries(disk.point, false), std::nullopt);
        EXPECT_EQ(ProgressEstimate::expectedEntries(disk.point, true), 44u) << "the inner mount point is an entry";
    }
    fs::remove_all(pattern);
}

TEST(ProgressEstimate, AMountPointIsBelowAFolderOnlyInsideItWithItsEscapesRead)
{
    const std::string table = "22 1 0:21 / / rw - ext4 /dev/sda1 rw\n"
                              "30 22 0:30 / /media/my\\040disk rw - vfat /dev/sdb1 rw\n"
                              "31 22 0:31 / /srv2 rw - tmpfs none rw\n";
    EXPECT_TRUE(ProgressEstimate::mountsBelow(table, "/"));
    EXPECT_TRUE(ProgressEstimate::mountsBelow(table, "/media"));
    EXPECT_FALSE(ProgressEstimate::mountsBelow(table, "/media/my disk")) << "the folder itself";
    EXPECT_FALSE(ProgressEstimate::mountsBelow(table, "/media/my"));
    EXPECT_FALSE(ProgressEstimate::mountsBelow(table, "/srv"));
}

TEST(ProgressEstimate, TheStatusShowsABarAndPercentageOnlyWithAKnownTotal)
{
    ScanControl::Progress progress;
    progress.entries = 1500;
    progress.seconds = 2.0;
    progress.running = true;
    EXPECT_EQ(ProgressEstimate::statusText(progress, std::nullopt), "Scanning: 1,500 entries, 2.0 s");
    const std::string known = ProgressEstimate::statusText(progress, 6000);
    EXPECT_EQ(known, ProgressEstimate::bar(1500, 6000, 20) + " 25 %   Scanning: 1,500 entries, 2.0 s");
    const std::string full = "\u2588";
    const std::string empty = "\u2591";
    std::string quarter;
    for (int i = 0; i < 20; ++i)
        quarter += i < 5 ? full : empty;
    EXPECT_EQ(ProgressEstimate::bar(1500, 6000, 20), quarter);
    // More names than inodes (hard links) stop at a full bar.
    progress.entries = 7000;
    EXPECT_NE(ProgressEstimate::statusText(progress, 6000).find(" 100 %"), std::string::npos);
    EXPECT_EQ(ProgressEstimate::bar(7000, 6000, 4), full + full + full + full);
}
