#include "tests/e2e/ViewerSession.h"

#include <gtest/gtest.h>

#include <csignal>
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
