#include "tests/e2e/ViewerSession.h"

#include <gtest/gtest.h>

#include <algorithm>
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
