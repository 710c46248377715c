#include "explore/StartView.h"
#include "tests/e2e/ExploreSteps.h"
#include "picture/PngReader.h"
#include "tests/e2e/TextReading.h"
#include "tests/e2e/ViewerSession.h"
#include "tests/unit/StandardRow.h"
#include "tools/PixelProbe.h"
#include "tools/ScreenProjection.h"
#include "tools/SlotProbe.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace fs = std::filesystem;

namespace {

using ExploreSteps::statusReads;
using Kind = SlotProbe::Kind;
using TextReading::bandTop;
using TextReading::hasLineWith;
using TextReading::joined;
using TextReading::statusLines;

constexpr int kWidth = 800;
constexpr int kHeight = 600;

ScreenProjection facing(std::size_t slot)
{
    const Camera camera = StartView::facing(standardRow(), slot, double(kWidth) / kHeight);
    return ScreenProjection(camera.position, camera.lookDirection, kWidth, kHeight);
}

// Slot `slot` and the next two seen from in front of `slot` show these kinds.
bool faces(ViewerSession& session, std::size_t slot, const std::vector<Kind>& kinds)
{
    const RgbImage picture = session.grab();
    const SlotProbe probe(facing(slot));
    for (std::size_t i = 0; i < kinds.size(); ++i)
        if (probe.kindAt(picture, slot + i) != kinds[i])
            return false;
    return true;
}

// The picture once the viewer has drawn all it had to, and it differs from
// `before` when given.
RgbImage settled(ViewerSession& session, const RgbImage* before = nullptr)
{
    RgbImage picture;
    session.pollUntil(
        [&] {
            if (!session.grabSettled(picture))
                return false;
            const bool drawn
                = std::any_of(picture.bytes().begin(), picture.bytes().end(), [](auto b) { return b != 0; });
            return drawn && (before == nullptr || picture.bytes() != before->bytes());
        },
        10000, 150);
    return picture;
}

class TempFolder {
public:
    TempFolder()
    {
        std::string pattern = (fs::temp_directory_path() / "lumenfold-habits-XXXXXX").string();
        path = mkdtemp(pattern.data()) != nullptr ? pattern : "";
    }
    ~TempFolder() { fs::remove_all(path); }
    std::string path;
};

// The lit width of the picture's row through the symbols of the start view.
int litWidth(const RgbImage& picture, int y)
{
    int first = -1;
    int last = -1;
    for (int x = 0; x < picture.width(); ++x)
        if (PixelProbe::isLit(picture.pixel(x, y))) {
            first = first < 0 ? x : first;
            last = x;
        }
    return first < 0 ? 0 : last - first + 1;
}

} // namespace

TEST(ExploreHabits, TheKeyboardAloneSelectsFacesEntersAndPagesThroughTheRow)
{
    // In the row: the folder "alpha", then file00 ... file28.
    ViewerSession session;
    ASSERT_TRUE(session.addFolder("alpha"));
    ASSERT_TRUE(session.addFile("alpha/inner"));
    for (int i = 0; i < 29; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "file%02d", i);
        ASSERT_TRUE(session.addFile(name)) << session.error();
    }
    ASSERT_TRUE(ExploreSteps::start(session));
    std::vector<std::string> lines;
    ASSERT_TRUE(statusReads(session, {"30 entries"}, lines)) << joined(lines);

    ASSERT_TRUE(session.tapKey("Tab"));
    EXPECT_TRUE(session.pollUntil(
        [&] {
            return faces(session, 0, {Kind::Folder, Kind::File, Kind::File});
        },
        5000))
        << "Tab does not face the first entry";
    EXPECT_TRUE(statusReads(session, {"alpha"}, lines)) << joined(lines);
    ASSERT_TRUE(session.tapKey("Return"));
    EXPECT_TRUE(session.pollUntil([&] { return session.title().find("alpha") != std::string::npos; }, 10000))
        << session.title();
    ASSERT_TRUE(session.tapKey("BackSpace"));
    EXPECT_TRUE(session.pollUntil([&] { return session.title().find("alpha") == std::string::npos; }, 10000));
    EXPECT_TRUE(statusReads(session, {"alpha"}, lines)) << "back selects the folder left:" << joined(lines);

    // Shift+Tab goes round to the last entry; Page Up twelve back, Page Down twelve on.
    ASSERT_TRUE(session.x()->tapKeyWith({"Shift_L"}, "Tab"));
    EXPECT_TRUE(statusReads(session, {"file28"}, lines)) << joined(lines);
    ASSERT_TRUE(session.tapKey("Prior"));
    EXPECT_TRUE(statusReads(session, {"file16"}, lines)) << joined(lines);
    ASSERT_TRUE(session.tapKey("Next"));
    EXPECT_TRUE(statusReads(session, {"file28"}, lines)) << joined(lines);
    ASSERT_TRUE(session.x()->tapKeyWith({"Control_L"}, "Home"));
    EXPECT_TRUE(session.pollUntil([&] { return faces(session, 0, {Kind::Folder, Kind::File, Kind::File}); }, 5000));
    EXPECT_TRUE(statusReads(session, {"alpha"}, lines)) << joined(lines);

    // With nothing selected, Enter selects the entry nearest the middle of the view.
    ASSERT_TRUE(session.tapKey("Home"));
    ASSERT_TRUE(session.movePointer(400, 40, 400, 30, false));
    ASSERT_TRUE(statusReads(session, {"30 entries"}, lines)) << joined(lines);
    ASSERT_TRUE(session.tapKey("Return"));
    EXPECT_TRUE(statusReads(session, {"file0"}, lines)) << joined(lines);
    EXPECT_TRUE(session.isRunning());
}

TEST(ExploreHabits, AWheelNotchWalksForwardSoTheRowGrowsAndTheOtherWayBack)
{
    ViewerSession session;
    for (const char* name : {"a", "b", "c"})
        ASSERT_TRUE(session.addFile(name, "x"));
    session.setArguments({"--explore"});
    ASSERT_TRUE(session.start()) << session.error();
    ASSERT_TRUE(session.waitForWindow()) << session.error();
    const RgbImage start = settled(session);
    constexpr int kSymbolRow = 305;
    const int before = litWidth(start, kSymbolRow);
    ASSERT_GT(before, 100);

    // The walk glides: wait for the row to grow, then for the glide to end.
    ASSERT_TRUE(session.click(4, 1));
    EXPECT_TRUE(session.pollUntil([&] { return litWidth(session.grab(), kSymbolRow) > before * 11 / 10; }, 5000))
        << "a notch forward did not bring the row nearer";
    const RgbImage nearer = settled(session);
    const int near = litWidth(nearer, kSymbolRow);
    ASSERT_TRUE(session.click(5, 1));
    int back = near;
    EXPECT_TRUE(
        session.pollUntil([&] { return std::abs((back = litWidth(session.grab(), kSymbolRow)) - before) <= 3; }, 5000))
        << "a notch back did not walk back as far: " << before << " at the start, " << near << " nearer, " << back
        << " after";
}

TEST(ExploreHabits, AFirstStartHintsAtTheKeysWhichQuestionMarkShowsUntilAKeyIsPressed)
{
    TempFolder config;
    ViewerSession session;
    for (const char* name : {"a", "b"})
        ASSERT_TRUE(session.addFile(name, "x"));
    session.setEnvironment("XDG_CONFIG_HOME", config.path);
    session.setArguments({"--explore"});
    ASSERT_TRUE(session.start()) << session.error();
    ASSERT_TRUE(session.waitForWindow()) << session.error();
    std::vector<std::string> lines;
    EXPECT_TRUE(statusReads(session, {"Press ? for keys"}, lines)) << joined(lines);
    EXPECT_TRUE(fs::is_directory(config.path + "/lumenfold"));

    const RgbImage plain = settled(session);
    for (const std::string& key : {std::string("question"), std::string("h")}) {
        SCOPED_TRACE(key);
        if (key == "question")
            ASSERT_TRUE(session.x()->typeText("?"));
        else
            ASSERT_TRUE(session.tapKey(key));
        const RgbImage panel = settled(session, &plain);
        // The panel stands in the middle; its text is light on dark, as the status line's.
        std::string error;
        const std::vector<std::string> read
            = TextReading::lines(TextReading::forReading(panel, 0, 0, panel.width(), bandTop(panel), 2), error);
        EXPECT_EQ(error, "");
        EXPECT_TRUE(hasLineWith(read, {"Enter"})) << joined(read);
        EXPECT_TRUE(hasLineWith(read, {"Backspace"})) << joined(read);
        EXPECT_FALSE(hasLineWith(statusLines(panel, error), {"Find:"})) << "? opened the find field";

        // Any key hides it, and does nothing else: Escape does not quit.
        ASSERT_TRUE(session.tapKey("Escape"));
        const RgbImage hidden = settled(session, &panel);
        EXPECT_EQ(hidden.bytes(), plain.bytes()) << "the picture is not the one before the panel";
        EXPECT_TRUE(session.isRunning());
    }

    // The next start is not a first one.
    ViewerSession again;
    again.setEnvironment("XDG_CONFIG_HOME", config.path);
    ASSERT_TRUE(again.addFile("a", "x"));
    // With the pointer off the entry, the folder's line shows, and no hint above it.
    ASSERT_TRUE(ExploreSteps::start(again));
    ASSERT_TRUE(statusReads(again, {"1 entry"}, lines)) << joined(lines);
    EXPECT_FALSE(hasLineWith(lines, {"Press"})) << joined(lines);
}

TEST(ExploreHabits, F12WritesTheWindowsPictureToThePicturesFolderWithoutOverwriting)
{
    TempFolder config;
    TempFolder home;
    fs::create_directory(home.path + "/Shots");
    std::ofstream(config.path + "/user-dirs.dirs") << "XDG_PICTURES_DIR=\"$HOME/Shots\"\n";
    fs::create_directory(config.path + "/lumenfold");
    ViewerSession session;
    for (const char* name : {"a", "b", "c"})
        ASSERT_TRUE(session.addFile(name, "x"));
    session.setEnvironment("XDG_CONFIG_HOME", config.path);
    session.setEnvironment("HOME", home.path);
    session.setArguments({"--explore"});
    ASSERT_TRUE(session.start()) << session.error();
    ASSERT_TRUE(session.waitForWindow()) << session.error();
    const RgbImage shown = settled(session);

    std::vector<RgbImage> saved;
    std::vector<std::string> names;
    for (int press = 1; press <= 2; ++press) {
        ASSERT_TRUE(session.tapKey("F12"));
        RgbImage picture;
        ASSERT_TRUE(session.pollUntil(
            [&] {
                // The new file is the one not seen before: two pictures in the
                // same second are named ...-HHMMSS.png and ...-HHMMSS-1.png,
                // which sort the other way round.
                std::string added;
                for (const fs::directory_entry& entry : fs::directory_iterator(home.path + "/Shots")) {
                    const std::string name = entry.path().filename().string();
                    if (std::find(names.begin(), names.end(), name) == names.end())
                        added = name;
                }
                std::string error;
                if (added.empty() || !PngReader::read(home.path + "/Shots/" + added, picture, error))
                    return false;
                names.push_back(added);
                return true;
            },
            10000))
            << names.size() << " files after F12 number " << press;
        saved.push_back(picture);
        std::vector<std::string> lines;
        EXPECT_TRUE(statusReads(session, {"Picture saved as"}, lines)) << joined(lines);
    }
    ASSERT_EQ(saved[0].width(), shown.width());
    ASSERT_EQ(saved[0].height(), shown.height());
    // The saved frame is the one the window shows from then on, its status line naming the file.
    const RgbImage window = settled(session);
    EXPECT_TRUE(saved[1].bytes() == window.bytes()) << "the file is not the window's picture";
    EXPECT_TRUE(saved[0].bytes() != shown.bytes()) << "the first picture does not name its file";
    for (const std::string& name : names)
        EXPECT_EQ(name.rfind("lumenfold-", 0), 0u) << name;
    EXPECT_NE(names[0], names[1]);
}

TEST(ExploreHabits, TheWindowFitsALargeScreenAndTheTextScaleSizesTheStatusLine)
{
    // The status band's height: by default, with --text-scale 2, and on a display of Xft.dpi 192.
    int heights[3] = {0, 0, 0};
    for (int run = 0; run < 3; ++run) {
        ViewerSession session;
        ASSERT_TRUE(session.addFile("a", "x"));
        session.setArguments(run == 1 ? std::vector<std::string>{"--explore", "--text-scale", "2"}
                                      : std::vector<std::string>{"--explore"});
        if (run == 2)
            session.setResources("Xft.antialias:\t1\nXft.dpi:\t192\n");
        ASSERT_TRUE(session.start()) << session.error();
        ASSERT_TRUE(session.waitForWindow()) << session.error();
        const RgbImage picture = settled(session);
        EXPECT_EQ(picture.width(), 800) << "on a screen of 1200 x 900 the window is 800 x 600";
        heights[run] = picture.height() - bandTop(picture);
    }
    EXPECT_NEAR(double(heights[1]) / heights[0], 2.0, 0.15) << heights[0] << " then " << heights[1];
    EXPECT_EQ(heights[2], heights[1]) << "Xft.dpi 192 scales as --text-scale 2 does";

    for (const bool explore : {true, false}) {
        ViewerSession session;
        session.setScreenSize(1920, 1080);
        ASSERT_TRUE(session.addFile("a", "x"));
        session.setArguments(explore ? std::vector<std::string>{"--explore"} : std::vector<std::string>{});
        ASSERT_TRUE(session.start()) << session.error();
        ASSERT_TRUE(session.waitForWindow()) << session.error();
        WindowGeometry geometry;
        ASSERT_TRUE(session.geometry(geometry));
        if (explore) {
            EXPECT_GE(geometry.width, 1280);
            EXPECT_GE(geometry.height, 720);
        } else {
            EXPECT_EQ(geometry.width, 800) << "the plain view keeps its size";
            EXPECT_EQ(geometry.height, 600);
        }
    }
}
