#include "tests/e2e/LargeTree.h"
#include "tests/e2e/ViewerSession.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdint>
#include <fstream>
#include <regex>

namespace {

void startViewer(ViewerSession& session)
{
    ASSERT_TRUE(session.start()) << session.error();
    ASSERT_TRUE(session.waitForWindow()) << session.error();
}

} // namespace

TEST(ViewerLifecycle, EscapeEndsAtOnceWithExitCodeZero)
{
    ViewerSession session;
    startViewer(session);

    ASSERT_TRUE(session.tapKey("Escape"));
    ASSERT_TRUE(session.waitForExit(3000)) << "still running after Escape";
    EXPECT_EQ(session.exitCode(), 0) << session.standardError();
}

TEST(ViewerLifecycle, SigtermEndsWithExitCodeZero)
{
    ViewerSession session;
    startViewer(session);

    ASSERT_TRUE(session.sendSignal(SIGTERM));
    ASSERT_TRUE(session.waitForExit(5000)) << "still running after SIGTERM";
    EXPECT_EQ(session.exitCode(), 0) << session.standardError();
}

TEST(ViewerLifecycle, ClosingTheWindowEndsWithExitCodeZero)
{
    ViewerSession session;
    startViewer(session);

    ASSERT_TRUE(session.closeWindow()) << session.x()->error();
    ASSERT_TRUE(session.waitForExit(5000)) << "still running after the window was closed";
    EXPECT_EQ(session.exitCode(), 0) << session.standardError();
}

TEST(ViewerLifecycle, ReportsTheFrameRateWithinTwelveSeconds)
{
    ViewerSession session;
    startViewer(session);

    ASSERT_TRUE(session.waitForStandardOutput(" FPS\n", 12000)) << "stdout so far: " << session.standardOutput();
    const std::regex line(R"((^|\n)[1-9][0-9]* frames in [0-9.e+]+ seconds = [0-9.e+]+ FPS\n)");
    EXPECT_TRUE(std::regex_search(session.standardOutput(), line)) << session.standardOutput();
}

TEST(ViewerLifecycle, WithoutADisplayExitsWithOneAndSaysWhy)
{
    ViewerSession session;
    ASSERT_TRUE(session.startWithoutDisplay()) << session.error();

    ASSERT_TRUE(session.waitForExit(10000)) << "still running without a display";
    EXPECT_EQ(session.exitCode(), 1);
    EXPECT_EQ(session.standardError().rfind("Video initialization failed: ", 0), 0u) << session.standardError();
    EXPECT_EQ(session.standardOutput(), "");
}

TEST(ViewerLifecycle, WithoutOpenGlBuildsTheSceneThenExitsWithOneAndSaysWhy)
{
    ViewerSession session;
    ASSERT_TRUE(session.addFile("notes.txt", "x")) << session.error();
    ASSERT_TRUE(session.startWithoutGl()) << session.error();

    ASSERT_TRUE(session.waitForExit(20000)) << "still running on a display without OpenGL";
    EXPECT_EQ(session.exitCode(), 1);
    EXPECT_EQ(session.standardError().rfind("Video mode set failed: ", 0), 0u) << session.standardError();
    // The scene (and with it the symbol models) is built before the failed
    // video mode is reported.
    const std::string out = session.standardOutput();
    EXPECT_NE(out.find("Loading " + ViewerSession::symbolDir() + "file.ASE\n"), std::string::npos) << out;
    EXPECT_NE(out.find("Loading " + ViewerSession::symbolDir() + "folder.ASE\n"), std::string::npos) << out;
}

// Out of memory during the scan the viewer says so in one line and fails,
// rather than aborting: started with room for a small folder's window, it
// scans the large tree.
TEST(ViewerLifecycle, OutOfMemoryDuringTheScanSaysSoInOneLineAndExitsWithOne)
{
    std::string error;
    ASSERT_TRUE(LargeTree::make(error)) << error;
    const auto mappedBytes = [](pid_t pid) {
        std::ifstream statm("/proc/" + std::to_string(pid) + "/statm");
        std::uint64_t pages = 0;
        statm >> pages;
        return pages * static_cast<std::uint64_t>(sysconf(_SC_PAGESIZE));
    };
    std::uint64_t windowShown = 0;
    {
        ViewerSession small;
        ASSERT_TRUE(small.addFile("one.txt", "x")) << small.error();
        ASSERT_TRUE(small.start()) << small.error();
        ASSERT_TRUE(small.waitForWindow()) << small.error();
        windowShown = mappedBytes(small.pid());
        small.tapKey("Escape");
        ASSERT_TRUE(small.waitForExit(10000));
    }
    if (windowShown > (std::uint64_t{64} << 30))
        GTEST_SKIP() << "a sanitizer's shadow memory leaves no room for a memory limit";

    ViewerSession session;
    session.setArguments({LargeTree::path()});
    session.setAddressSpaceLimit(windowShown + (32u << 20));
    ASSERT_TRUE(session.start()) << session.error();
    ASSERT_TRUE(session.waitForExit(120000));
    EXPECT_EQ(session.exitCode(), 1);
    EXPECT_EQ(session.standardError(), "lumenfold: out of memory\n");
}
