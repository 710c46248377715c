#include "tests/e2e/QuitReference.h"
#include "tests/e2e/ViewerSession.h"
#include "tools/PixelProbe.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

namespace fs = std::filesystem;

namespace {

const std::string kExport = R"([1,2,{"progname":"gdu","progver":"5.22","timestamp":1700000000},)"
                            R"([{"name":"/srv/imported-top"},[{"name":"sub"},{"name":"deep.txt","asize":300}],)"
                            R"({"name":"notes.txt","asize":5}]])";

std::string exportFile(const std::string& name, const std::string& text)
{
    const fs::path folder = fs::path(LUMENFOLD_E2E_ROOT) / "import";
    std::error_code ignored;
    fs::create_directories(folder, ignored);
    std::ofstream(folder / name, std::ios::binary) << text;
    return (folder / name).string();
}

bool titleHas(ViewerSession& session, const std::string& part)
{
    return session.pollUntil([&] { return session.title().find(part) != std::string::npos; }, 20000);
}

} // namespace

TEST(ViewerImport, AnExportIsShownWithItsTopFolderAndFileInTheCaption)
{
    const std::string file = exportFile("whole.json", kExport);
    ViewerSession session;
    session.setArguments({"--import", file});
    ASSERT_TRUE(session.start()) << session.error();
    ASSERT_TRUE(session.waitForWindow()) << session.error();
    EXPECT_TRUE(titleHas(session, "imported-top")) << session.title();
    EXPECT_TRUE(titleHas(session, "whole.json")) << session.title();
    EXPECT_TRUE(session.isRunning());
    EXPECT_EQ(session.standardError(), "");
}

TEST(ViewerImport, AnExportThatBreaksOffIsShownAsFarAsItWasReadWithWhereItStopped)
{
    const std::string cut = kExport.substr(0, kExport.find("notes.txt") + 6);
    const std::string file = exportFile("cut.json", cut);
    ViewerSession session;
    session.setArguments({"-f", file});
    ASSERT_TRUE(session.start()) << session.error();
    ASSERT_TRUE(session.waitForWindow()) << session.error();
    EXPECT_TRUE(titleHas(session, "imported-top")) << session.title();
    EXPECT_TRUE(session.pollUntil([&] { return session.standardError().find('\n') != std::string::npos; }, 20000));
    EXPECT_EQ(session.standardError().rfind("lumenfold: " + file + ": byte ", 0), 0u) << session.standardError();
    EXPECT_TRUE(session.isRunning());
}

TEST(ViewerImport, AFileThatCannotBeReadIsOneLineAndExitTwo)
{
    for (const std::string& file : {std::string("/nonexistent/export.json"), exportFile("not.json", "{\"a\":1}")}) {
        ViewerSession session;
        session.setArguments({"--import", file});
        ASSERT_TRUE(session.start()) << session.error();
        ASSERT_TRUE(session.waitForExit(20000)) << file;
        EXPECT_EQ(session.exitCode(), 2) << file;
        EXPECT_EQ(session.standardError().rfind("lumenfold: " + file + ": ", 0), 0u) << session.standardError();
        EXPECT_EQ(std::count(session.standardError().begin(), session.standardError().end(), '\n'), 1);
    }
}

namespace {

int litPixels(const RgbImage& picture)
{
    int lit = 0;
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            lit += PixelProbe::isLit(picture.pixel(x, y)) ? 1 : 0;
    return lit;
}

// Six symbols in the row light about 12,000 pixels; the axes and the status line alone far fewer.
constexpr int kRowLitPixels = 6000;

} // namespace

// An export read from a pipe whose writer holds back the rest: the top
// folder's first entries show while it waits, and a quit ends the viewer at
// once, whichever way, with the import never over.
TEST(ViewerImport, AnExportFedSlowlyShowsItsFirstEntriesBeforeItEndsAndAQuitEndsItAtOnce)
{
    std::string head = R"([1,2,{"progname":"ncdu","progver":"2.3"},[{"name":"/srv/slow"})";
    for (int i = 0; i < 6; ++i)
        head += R"(,{"name":"entry)" + std::to_string(100 + i) + R"(","asize":1000})";
    for (const char* request : {"SIGTERM", "Escape"}) {
        int feed[2];
        ASSERT_EQ(pipe2(feed, O_CLOEXEC), 0);
        ViewerSession session;
        session.setStandardInput(feed[0]);
        session.setArguments({"--verbose", "-f", "-"});
        ASSERT_EQ(write(feed[1], head.data(), head.size()), static_cast<ssize_t>(head.size()));
        ASSERT_TRUE(session.start()) << session.error();
        close(feed[0]);
        ASSERT_TRUE(session.waitForWindow()) << session.error();
        EXPECT_TRUE(session.pollUntil([&] { return litPixels(session.grab()) > kRowLitPixels; }, 20000))
            << request << ": the entries read so far never showed";
        EXPECT_TRUE(titleHas(session, "slow")) << session.title();

        QuitReference reference(session.pid());
        const auto requested = std::chrono::steady_clock::now();
        const std::string which = request;
        ASSERT_TRUE(which == "SIGTERM" ? session.sendSignal(SIGTERM) : session.tapKey("Escape"));
        reference.signal(SIGTERM);
        const bool ended = session.waitForExit(5000);
        const double elapsed
            = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - requested).count();
        close(feed[1]);
        ASSERT_TRUE(ended) << request;
        const double limit = reference.limitMs(which == "SIGTERM" ? 0.0 : QuitReference::roundTripsMs(*session.x()));
        std::printf("[ figures  ] %s during an import: exit %.0f ms after the request, limit %.0f ms\n", request,
                    elapsed, limit);
        EXPECT_LT(elapsed, limit) << request;
        EXPECT_EQ(session.exitCode(), 0) << request << ": " << session.standardError();
        EXPECT_EQ(session.standardOutput().find("Scanned"), std::string::npos) << request << ": the import was over";
    }
}
