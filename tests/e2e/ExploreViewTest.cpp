#include "tests/e2e/LargeTree.h"
#include "tests/e2e/QuitReference.h"
#include "tests/e2e/ViewerSession.h"
#include "tools/PixelProbe.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <optional>
#include <string>
#include <thread>

namespace {

// The ground axis is a level line below the middle of the start view; column
// 100 sees it left of the row, and rows below 450 leave out the depth axis.
constexpr int kProbeColumn = 100;
constexpr int kProbeTop = 301;
constexpr int kProbeBottom = 450;
constexpr double kTanHalfFieldOfView = 0.57735026918962573; // tan(30 degrees)
// The eye's height over the ground axis in the start view of the standard symbols.
constexpr double kEyeHeight = 0.5;

void startExplore(ViewerSession& session, std::vector<std::string> arguments = {"--explore"})
{
    session.setArguments(std::move(arguments));
    ASSERT_TRUE(session.start()) << session.error();
    ASSERT_TRUE(session.waitForWindow()) << session.error();
}

float groundAxisRow(ViewerSession& session)
{
    const RgbImage strip = session.grabColumn(kProbeColumn);
    return PixelProbe::litCentreInColumn(strip, 0, kProbeTop, kProbeBottom);
}

// The ground axis's row once the viewer has drawn all it had to and sleeps;
// -1 when it never does.
float settledGroundAxisRow(ViewerSession& session)
{
    float settled = -1.0f;
    const bool still = session.pollUntil(
        [&] {
            RgbImage picture;
            if (!session.grabSettled(picture))
                return false;
            settled = PixelProbe::litCentreInColumn(picture, kProbeColumn, kProbeTop, kProbeBottom);
            return settled > 0.0f;
        },
        10000);
    return still ? settled : -1.0f;
}

// How far the eye stands from the ground axis, looking level at it from
// kEyeHeight above, when the axis shows at `row` of a 600-row window.
double distanceToAxis(float row)
{
    return 300.0 * kEyeHeight / ((row - 300.0) * kTanHalfFieldOfView);
}

int litPixels(const RgbImage& picture)
{
    int lit = 0;
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            lit += PixelProbe::isLit(picture.pixel(x, y)) ? 1 : 0;
    return lit;
}

void addRow(ViewerSession& session, int entries)
{
    for (int i = 0; i < entries; ++i) {
        const std::string name = "entry" + std::to_string(100 + i);
        ASSERT_TRUE(i % 3 == 0 ? session.addFolder(name) : session.addFile(name)) << session.error();
    }
}

// A walk of the camera on holding Up, and how long the X server saw the key
// held: its press and release each lie between two readings of the server's
// clock, so the hold is known to within those readings.
struct Walk {
    double units = 0.0;
    double heldShortest = 0.0;
    double heldLongest = 0.0;

    double speed() const { return units / (0.5 * (heldShortest + heldLongest)); }
    // How far speed() may lie from the truth, from the readings' spread alone.
    double speedSpread() const { return 0.5 * (units / heldShortest - units / heldLongest); }
};

// Holds Up for a second with frames capped at `rate` a second. With
// `stoppedAtRelease`, the viewer is stopped for the second half of the hold
// and half a second after, so it reads the release that long after it came.
void walkFor(int rate, Walk& walk, bool stoppedAtRelease = false)
{
    ViewerSession session;
    addRow(session, 2);
    session.setEnvironment("LUMENFOLD_FRAME_CAP", std::to_string(rate));
    ASSERT_NO_FATAL_FAILURE(startExplore(session));
    const float before = settledGroundAxisRow(session);
    ASSERT_GT(before, 0.0f) << "the ground axis never showed at rest";

    XSession& x = *session.x();
    unsigned long clock[4] = {0, 0, 0, 0};
    ASSERT_TRUE(x.serverTime(clock[0])) << x.error();
    ASSERT_TRUE(session.press("Up"));
    ASSERT_TRUE(x.serverTime(clock[1])) << x.error();
    if (stoppedAtRelease) {
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        ASSERT_TRUE(session.sendSignal(SIGSTOP));
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
    } else {
        std::this_thread::sleep_for(std::chrono::seconds(1));
    }
    ASSERT_TRUE(x.serverTime(clock[2])) << x.error();
    ASSERT_TRUE(session.release("Up"));
    ASSERT_TRUE(x.serverTime(clock[3])) << x.error();
    if (stoppedAtRelease) {
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        ASSERT_TRUE(session.sendSignal(SIGCONT));
    }
    // The walk shows (a viewer busy as the key came may not have drawn it
    // yet), then the picture settles where it ended.
    ASSERT_TRUE(session.pollUntil([&] { return groundAxisRow(session) > before; }, 10000))
        << "walking forward did not lower the ground axis";
    const float after = settledGroundAxisRow(session);
    ASSERT_GT(after, before) << "walking forward did not lower the ground axis";
    walk.units = distanceToAxis(before) - distanceToAxis(after);
    // The server's clock counts milliseconds in 32 bits, wrapping.
    walk.heldShortest = static_cast<double>(static_cast<std::uint32_t>(clock[2] - clock[1])) / 1000.0;
    walk.heldLongest = static_cast<double>(static_cast<std::uint32_t>(clock[3] - clock[0])) / 1000.0;
    std::printf("[ figures  ] %d frames/s%s: ground axis row %.1f -> %.1f, walked %.2f units in %.3f to %.3f s held\n",
                rate, stoppedAtRelease ? ", release read 0.5 s late" : "", before, after, walk.units, walk.heldShortest,
                walk.heldLongest);
}

} // namespace

// The walk lasts from the press to the release as the X server took them,
// however late the viewer handles either, so the frame rate changes nothing.
TEST(ExploreView, HoldingUpForOneSecondWalksAsFarAtTwentyAsAtTwoHundredFramesASecond)
{
    Walk walks[2];
    ASSERT_NO_FATAL_FAILURE(walkFor(20, walks[0]));
    ASSERT_NO_FATAL_FAILURE(walkFor(200, walks[1]));
    EXPECT_NEAR(walks[0].speed(), 6.0, 0.9 + walks[0].speedSpread()) << "about 6 units a second";
    const double ratioSpread = walks[0].speedSpread() / walks[0].speed() + walks[1].speedSpread() / walks[1].speed();
    EXPECT_NEAR(walks[1].speed() / walks[0].speed(), 1.0, 0.05 + ratioSpread);
}

TEST(ExploreView, AReleaseReadLateEndsTheWalkWhenTheKeyWasReleased)
{
    Walk walk;
    ASSERT_NO_FATAL_FAILURE(walkFor(60, walk, true));
    EXPECT_NEAR(walk.speed(), 6.0, 0.3 + walk.speedSpread()) << "the walk went on until the release was read";
}

TEST(ExploreView, HomeBringsBackThePictureOfTheStart)
{
    ViewerSession session;
    addRow(session, 14);
    startExplore(session);
    ASSERT_GT(settledGroundAxisRow(session), 0.0f);
    const RgbImage start = session.grab();

    ASSERT_TRUE(session.press("Up"));
    ASSERT_TRUE(session.press("Left"));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    ASSERT_TRUE(session.release("Left"));
    ASSERT_TRUE(session.release("Up"));
    ASSERT_TRUE(session.movePointer(400, 300, 450, 280, true)) << session.error();
    ASSERT_TRUE(session.pollUntil([&] { return session.grab().bytes() != start.bytes(); }, 5000))
        << "walking, turning and dragging changed nothing";

    // The pointer back where it started: the entry under it is part of the picture.
    ASSERT_TRUE(session.movePointer(450, 280, 400, 300, false)) << session.error();
    ASSERT_TRUE(session.tapKey("Home"));
    EXPECT_TRUE(session.pollUntil([&] { return session.grab().bytes() == start.bytes(); }, 5000))
        << "Home did not bring back the first picture";
}

TEST(ExploreView, HoldingUpWithThePointerOutsideTheWindowKeepsWalking)
{
    ViewerSession session;
    addRow(session, 2);
    startExplore(session);
    const float before = settledGroundAxisRow(session);
    ASSERT_GT(before, 0.0f);

    // The pointer goes to another program's window; the keyboard stays.
    const XSession::WindowId other = session.x()->createWindow(900, 100, 200, 200);
    ASSERT_NE(other, 0u) << session.x()->error();
    ASSERT_TRUE(session.x()->movePointer(other, 100, 100, 100, 100, false)) << session.x()->error();
    ASSERT_TRUE(session.press("Up"));
    // The axis goes on moving down, picture after picture.
    float row = before;
    int advances = 0;
    for (; advances < 4; ++advances) {
        const bool advanced = session.pollUntil(
            [&] {
                const float now = groundAxisRow(session);
                const bool further = now > row;
                row = std::max(row, now);
                return further;
            },
            5000);
        if (!advanced)
            break;
    }
    ASSERT_TRUE(session.release("Up"));
    EXPECT_EQ(advances, 4) << "the picture stopped following the walk; the axis reached row " << row;
    EXPECT_TRUE(session.x()->destroyWindow(other));
}

TEST(ExploreView, AnIdleWindowSleepsAndTheConsoleStaysQuietUnlessVerbose)
{
    ViewerSession quiet;
    addRow(quiet, 12);
    startExplore(quiet);
    ASSERT_GT(settledGroundAxisRow(quiet), 0.0f);
    const double cpuBefore = quiet.cpuSeconds();
    std::this_thread::sleep_for(std::chrono::seconds(3));
    const double cpuUsed = quiet.cpuSeconds() - cpuBefore;
    std::printf("[ figures  ] CPU %.2f s over 3 s idle\n", cpuUsed);
    EXPECT_LT(cpuUsed, kSanitizedBuild ? 0.2 : 0.05);
    EXPECT_TRUE(quiet.isRunning());
    EXPECT_EQ(quiet.standardOutput(), "");
    EXPECT_EQ(quiet.standardError(), "");

    ViewerSession verbose;
    startExplore(verbose, {"-e", "-v"});
    EXPECT_TRUE(verbose.waitForStandardOutput("Loading " + ViewerSession::symbolDir() + "folder.ASE\n", 10000))
        << verbose.standardOutput();
}

// Six symbols in the row light about 12,000 pixels, the axes alone under 2,000.
constexpr int kRowLitPixels = 6000;

// The scan of the large tree takes seconds: the top folder's row shows long
// before it ends, and a quit meanwhile ends the viewer at once, whichever way.
TEST(ExploreView, TheTopFolderShowsWhileALongScanRunsAndAQuitEndsItAtOnce)
{
    std::string error;
    ASSERT_TRUE(LargeTree::make(error)) << error;
    // The tree itself, not a link to it: a link out of the folder shown is not walked.
    auto startOnLargeTree = [](ViewerSession& session, const std::string& label) {
        startExplore(session, {"--explore", "--verbose", LargeTree::path()});
        ASSERT_TRUE(session.pollUntil([&] { return litPixels(session.grab()) > kRowLitPixels; }, 10000))
            << label << ": the row never showed";
        EXPECT_EQ(session.standardOutput().find("Scanned"), std::string::npos)
            << label << ": the row showed only after the scan";
    };
    {
        ViewerSession session;
        ASSERT_NO_FATAL_FAILURE(startOnLargeTree(session, "to the end"));
        // The large tree's folders, its marker and its files.
        static_assert(LargeTree::kFolders * (LargeTree::kFilesPerFolder + 1) + 1 == 500501);
        EXPECT_TRUE(session.waitForStandardOutput("Scanned: 500,501 entries", 60000)) << session.standardOutput();
    }
    for (const char* request : {"SIGTERM", "close button", "Escape"}) {
        ViewerSession session;
        ASSERT_NO_FATAL_FAILURE(startOnLargeTree(session, request));

        // The reference copies the viewer's memory, which takes a while in a
        // sanitised build; the scan must not run out meanwhile.
        std::optional<QuitReference> reference;
        ASSERT_TRUE(session.whileStopped([&] { reference.emplace(session.pid()); }));
        const auto requested = std::chrono::steady_clock::now();
        const std::string which = request;
        if (which == "SIGTERM")
            ASSERT_TRUE(session.sendSignal(SIGTERM));
        else if (which == "Escape")
            ASSERT_TRUE(session.tapKey("Escape"));
        else
            ASSERT_TRUE(session.closeWindow()) << session.x()->error();
        reference->signal(SIGTERM);
        const bool ended = session.waitForExit(5000);
        const double elapsed
            = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - requested).count();
        ASSERT_TRUE(ended) << request;
        const double limit = reference->limitMs(which == "SIGTERM" ? 0.0 : QuitReference::roundTripsMs(*session.x()));
        std::printf("[ figures  ] %s: exit %.0f ms after the request, limit %.0f ms\n", request, elapsed, limit);
        EXPECT_LT(elapsed, limit) << request;
        EXPECT_EQ(session.exitCode(), 0) << request << ": " << session.standardError();
        EXPECT_EQ(session.standardOutput().find("Scanned"), std::string::npos) << request << ": the scan was over";
    }
}

// /proc is on a file system of its own, and its links lead all over the
// system: with -x a link to it stays unentered, and the scan is soon over.
TEST(ExploreView, OneFileSystemLeavesALinkToProcUnentered)
{
    ViewerSession session;
    addRow(session, 2);
    ASSERT_EQ(symlink("/proc", (ViewerSession::sceneRoot() + "proc").c_str()), 0);
    startExplore(session, {"--explore", "--verbose", "-x"});
    ASSERT_TRUE(session.waitForStandardOutput("Scanned", 10000)) << session.standardOutput();
    EXPECT_NE(session.standardOutput().find("Scanned: 3 entries, "), std::string::npos) << session.standardOutput();
}
