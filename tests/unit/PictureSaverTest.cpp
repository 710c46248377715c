#include "app/PictureSaver.h"
#include "picture/PngReader.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace fs = std::filesystem;

namespace {

class TempFolder {
public:
    TempFolder()
    {
        std::string pattern = (fs::temp_directory_path() / "lumenfold-pictures-XXXXXX").string();
        path = mkdtemp(pattern.data()) != nullptr ? pattern : "";
    }
    ~TempFolder() { fs::remove_all(path); }
    std::string path;
};

RgbImage sample()
{
    RgbImage image(3, 2);
    image.setPixel(0, 0, Rgb{255, 0, 0});
    image.setPixel(2, 1, Rgb{10, 20, 30});
    return image;
}

} // namespace

TEST(PictureSaver, ThePicturesEntryOfUserDirsIsReadAsItsWriterQuotesIt)
{
    EXPECT_EQ(PictureSaver::picturesEntry("XDG_PICTURES_DIR=\"$HOME/Bilder\"\n", "/home/u"), "/home/u/Bilder");
    EXPECT_EQ(PictureSaver::picturesEntry("# XDG_PICTURES_DIR=\"/no\"\nXDG_PICTURES_DIR=\"/srv/pics\"", "/h"),
              "/srv/pics");
    EXPECT_EQ(PictureSaver::picturesEntry("XDG_PICTURES_DIR=\"$HOME/My \\\"Shots\\\"\"", "/h/"), "/h/My \"Shots\"");
    // Turned off, relative, unquoted or unterminated: no folder.
    for (const char* text : {"XDG_PICTURES_DIR=\"$HOME\"", "XDG_PICTURES_DIR=\"pics\"", "XDG_PICTURES_DIR=/srv",
                             "XDG_PICTURES_DIR=\"/srv", "XDG_DESKTOP_DIR=\"/srv\""})
        EXPECT_EQ(PictureSaver::picturesEntry(text, "/h"), "") << text;
    // The last assignment holds, as when the file is read by a shell.
    EXPECT_EQ(PictureSaver::picturesEntry("XDG_PICTURES_DIR=\"/a\"\n  XDG_PICTURES_DIR=\"/b\"\n", "/h"), "/b");
}

TEST(PictureSaver, TheFolderIsTheUsersPicturesFolderElsePicturesInHomeElseTheWorkingFolder)
{
    TempFolder home;
    TempFolder config;
    PictureSaver::Places places;
    places.home = home.path.c_str();
    places.configHome = config.path.c_str();
    EXPECT_EQ(PictureSaver::folder(places), "") << "nothing there: the working folder";
    fs::create_directory(home.path + "/Pictures");
    EXPECT_EQ(PictureSaver::folder(places), home.path + "/Pictures/");
    std::ofstream(config.path + "/user-dirs.dirs") << "XDG_PICTURES_DIR=\"$HOME/Shots\"\n";
    EXPECT_EQ(PictureSaver::folder(places), home.path + "/Pictures/") << "a named folder that is missing";
    fs::create_directory(home.path + "/Shots");
    EXPECT_EQ(PictureSaver::folder(places), home.path + "/Shots/");
    // Without XDG_CONFIG_HOME the file is looked for in ~/.config.
    places.configHome = nullptr;
    EXPECT_EQ(PictureSaver::folder(places), home.path + "/Pictures/");
}

TEST(PictureSaver, APictureIsNamedByItsTimeAndNeverOverwritesAFile)
{
    TempFolder folder;
    const std::string base = folder.path + "/";
    // 2026-03-04 05:06:07 in the local time zone.
    std::tm local{};
    local.tm_year = 126;
    local.tm_mon = 2;
    local.tm_mday = 4;
    local.tm_hour = 5;
    local.tm_min = 6;
    local.tm_sec = 7;
    local.tm_isdst = -1;
    const std::time_t when = std::mktime(&local);
    std::ofstream(base + "lumenfold-20260304-050607.png") << "mine";

    std::string path;
    std::string error;
    for (const char* expected : {"lumenfold-20260304-050607-1.png", "lumenfold-20260304-050607-2.png"}) {
        ASSERT_TRUE(PictureSaver::reserve(base, when, path, error)) << error;
        EXPECT_EQ(path, base + expected);
        ASSERT_TRUE(PictureSaver::save(sample(), path, error)) << error;
    }
    std::ifstream kept(base + "lumenfold-20260304-050607.png");
    std::string contents;
    std::getline(kept, contents);
    EXPECT_EQ(contents, "mine");
    RgbImage back;
    ASSERT_TRUE(PngReader::read(path, back, error)) << error;
    EXPECT_EQ(back.width(), 3);
    EXPECT_EQ(back.bytes(), sample().bytes());

    // A folder that cannot be written says why; a picture that cannot be
    // written leaves no file behind.
    EXPECT_FALSE(PictureSaver::reserve(base + "missing/", when, path, error));
    EXPECT_NE(error.find("No such file or directory"), std::string::npos) << error;
    ASSERT_TRUE(PictureSaver::reserve(base, when, path, error));
    EXPECT_FALSE(PictureSaver::save(RgbImage(), path, error));
    EXPECT_FALSE(fs::exists(path));
}
