#include "tests/e2e/ViewerSession.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

// An empty folder beside the built-in scene root, for arguments to name; the
// viewer starts in it.
fs::path freshArgumentFolder()
{
    const fs::path folder = fs::path(LUMENFOLD_E2E_ROOT) / "args";
    std::error_code ignored;
    fs::remove_all(folder, ignored);
    fs::create_directories(folder, ignored);
    return folder;
}

// The viewer is started without a display: had it got as far as opening a
// window, it would end with exit code 1 and SDL's line instead.
void runWithoutWindow(ViewerSession& session, const std::vector<std::string>& arguments)
{
    session.setArguments(arguments);
    session.setWorkingDirectory((fs::path(LUMENFOLD_E2E_ROOT) / "args").string());
    ASSERT_TRUE(session.startWithoutDisplay()) << session.error();
    ASSERT_TRUE(session.waitForExit(10000)) << "still running";
}

} // namespace

TEST(ViewerCommandLine, UsageErrorsExitTwoWithOneLineAndTheHintBeforeAnyWindow)
{
    struct Case {
        std::vector<std::string> arguments;
        std::string line;
    };
    const std::vector<Case> cases = {
        {{"Projets"}, "lumenfold: cannot open 'Projets': No such file or directory"},
        {{"notes.txt"}, "lumenfold: 'notes.txt' is not a folder"},
        {{"one", "two"}, "lumenfold: only one folder can be shown, but 2 were given"},
        {{"--fast"}, "lumenfold: unknown option '--fast'"},
    };
    for (const Case& wrong : cases) {
        ViewerSession session;
        const fs::path folder = freshArgumentFolder();
        for (const char* name : {"one", "two"})
            fs::create_directory(folder / name);
        std::ofstream(folder / "notes.txt") << "x";
        runWithoutWindow(session, wrong.arguments);
        SCOPED_TRACE(wrong.arguments.front());
        EXPECT_EQ(session.exitCode(), 2);
        EXPECT_EQ(session.standardError(), wrong.line + "\nTry 'lumenfold --help'.\n");
        EXPECT_EQ(session.standardOutput(), "");
    }
}

TEST(ViewerCommandLine, HelpAndVersionPrintTheirTextAndExitZeroWithoutAWindow)
{
    for (const char* option : {"--help", "-h"}) {
        ViewerSession session;
        freshArgumentFolder();
        runWithoutWindow(session, {option, "no-such-folder"});
        EXPECT_EQ(session.exitCode(), 0) << option;
        const std::string& text = session.standardOutput();
        EXPECT_EQ(text.rfind("Usage: lumenfold [FOLDER]\n", 0), 0u) << text;
        for (const std::string& part : {std::string("Escape"), std::string("Exit status"),
                                        "Symbol models: " + ViewerSession::symbolDir() + "folder.ASE"})
            EXPECT_NE(text.find(part), std::string::npos) << part << " missing from\n" << text;
        EXPECT_EQ(session.standardError(), "");
    }

    ViewerSession session;
    freshArgumentFolder();
    runWithoutWindow(session, {"--version"});
    EXPECT_EQ(session.exitCode(), 0);
    EXPECT_EQ(session.standardOutput(), "lumenfold " LUMENFOLD_VERSION "\n");
    EXPECT_EQ(session.standardError(), "");
}

// The test viewer shows the line from the scan's start rather than after a second.
TEST(ViewerCommandLine, ProgressLineOnATerminalIsRewrittenInPlaceAndErasedWhenTheScanEnds)
{
    ViewerSession session;
    for (int i = 0; i < 2000; ++i)
        ASSERT_TRUE(session.addFile("box/entry" + std::to_string(i))) << session.error();
    session.setStandardErrorOnTerminal(true);
    ASSERT_TRUE(session.start()) << session.error();
    ASSERT_TRUE(session.waitForWindow()) << session.error();
    // The window opens before the scan; the scan's end erases the line.
    const std::string erase = "\r\033[K";
    session.pollUntil(
        [&] {
            const std::string& text = session.standardError();
            return text.size() >= erase.size() && text.compare(text.size() - erase.size(), erase.size(), erase) == 0;
        },
        10000);

    // Every piece after a carriage return is one progress line cleared to its
    // end; the last one only clears: nothing stays on the terminal.
    const std::string& terminal = session.standardError();
    const std::string lead = "Scanning " + ViewerSession::sceneRoot() + ": ";
    ASSERT_EQ(terminal.rfind("\r", 0), 0u) << terminal;
    std::vector<std::string> pieces;
    for (std::size_t at = 0; at < terminal.size();) {
        const std::size_t next = terminal.find('\r', at + 1);
        pieces.push_back(terminal.substr(at + 1, (next == std::string::npos ? terminal.size() : next) - at - 1));
        at = next == std::string::npos ? terminal.size() : next;
    }
    ASSERT_GE(pieces.size(), 2u) << terminal;
    EXPECT_EQ(pieces.back(), "\033[K");
    for (std::size_t i = 0; i + 1 < pieces.size(); ++i) {
        EXPECT_EQ(pieces[i].rfind(lead, 0), 0u) << pieces[i];
        EXPECT_NE(pieces[i].find(" entries, "), std::string::npos) << pieces[i];
        EXPECT_EQ(pieces[i].substr(pieces[i].size() - 3), "\033[K") << pieces[i];
    }
}

TEST(ViewerCommandLine, NoProgressLineWhenStandardErrorIsNoTerminal)
{
    ViewerSession session;
    for (int i = 0; i < 2000; ++i)
        ASSERT_TRUE(session.addFile("box/entry" + std::to_string(i))) << session.error();
    ASSERT_TRUE(session.start()) << session.error();
    // The root's own folder icon is the scan's last.
    ASSERT_TRUE(session.waitForStandardOutput(ViewerSession::symbolDir() + "folder.ASE ... done\n", 10000))
        << session.standardOutput();
    EXPECT_EQ(session.standardError(), "");
}
