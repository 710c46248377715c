#include "tests/e2e/ViewerSession.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
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

// A folder name holding terminal commands (set the title, clear the screen, a
// new line) reaches the terminal escaped, in the progress line and in a usage
// error alike.
TEST(ViewerCommandLine, NamesReachTheTerminalEscaped)
{
    const std::string name = "x\033]0;PWNED\a\033[2J\nnl";
    const std::string shown = "x\\e]0;PWNED\\a\\e[2J\\nnl";
    const fs::path folder = freshArgumentFolder();
    {
        ViewerSession session;
        runWithoutWindow(session, {name});
        EXPECT_EQ(session.standardError(),
                  "lumenfold: cannot open '" + shown + "': No such file or directory\nTry 'lumenfold --help'.\n");
    }
    ViewerSession session;
    fs::create_directory(folder / name);
    std::ofstream(folder / name / "notes.txt") << "x";
    session.setArguments({name});
    session.setWorkingDirectory(folder.string());
    session.setStandardErrorOnTerminal(true);
    ASSERT_TRUE(session.start()) << session.error();
    ASSERT_TRUE(session.waitForWindow()) << session.error();
    const std::string& terminal = session.standardError();
    session.pollUntil([&] { return terminal.size() >= 4 && terminal.compare(terminal.size() - 4, 4, "\r\033[K") == 0; },
                      10000);
    // The line keeps the end of a path too long for the terminal's width.
    EXPECT_NE(terminal.find("/" + shown + "/: "), std::string::npos) << terminal;
    // The line's own clearing is the only control sequence, and no line ends.
    for (std::size_t at = terminal.find('\033'); at != std::string::npos; at = terminal.find('\033', at + 1))
        EXPECT_EQ(terminal.compare(at, 3, "\033[K"), 0) << terminal.substr(at);
    EXPECT_EQ(terminal.find_first_of("\a\n"), std::string::npos) << terminal;
}

// As a user who may not read it: an error before any window, as for a
// missing folder. Root reads every folder, so it runs without capabilities.
TEST(ViewerCommandLine, FolderThatCannotBeReadIsAUsageError)
{
    const fs::path folder = freshArgumentFolder();
    fs::create_directory(folder / "closed");
    fs::permissions(folder / "closed", fs::perms::none);
    std::vector<std::string> argv = {ViewerSession::e2eViewerPath(), "closed"};
    if (geteuid() == 0)
        argv.insert(argv.begin(), {"setpriv", "--bounding-set=-all", "--inh-caps=-all"});
    ChildProcess viewer;
    ChildOptions options;
    options.unsetEnvironment.push_back("DISPLAY");
    options.workingDirectory = folder.string();
    ASSERT_TRUE(viewer.start(argv, options)) << viewer.error();
    ASSERT_TRUE(viewer.waitForExit(10000));
    fs::permissions(folder / "closed", fs::perms::owner_all);
    EXPECT_EQ(viewer.exitCode(), 2);
    EXPECT_EQ(viewer.standardError(), "lumenfold: cannot read 'closed': Permission denied\nTry 'lumenfold --help'.\n");
    EXPECT_EQ(viewer.standardOutput(), "");
}

// '.' from a working folder whose path is longer than a path may be: the
// folder is opened relative to it and shown, so its subfolder loads the
// folder symbol (an unopened top folder would be a file and load file.ASE).
TEST(ViewerCommandLine, RelativeFolderUnderAWorkingFolderLongerThanAnyPathIsShown)
{
    const fs::path base = freshArgumentFolder() / "deep";
    fs::create_directory(base);
    const int previous = open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ASSERT_GE(previous, 0);
    ASSERT_EQ(chdir(base.c_str()), 0);
    const std::string level(240, 'd');
    std::size_t length = base.string().size();
    while (length <= static_cast<std::size_t>(PATH_MAX)) {
        ASSERT_EQ(mkdir(level.c_str(), 0755), 0);
        ASSERT_EQ(chdir(level.c_str()), 0);
        length += level.size() + 1;
    }
    ASSERT_EQ(mkdir("box", 0755), 0);

    ViewerSession session;
    session.setArguments({"."});
    const bool started = session.start();
    ASSERT_EQ(fchdir(previous), 0);
    close(previous);
    ASSERT_TRUE(started) << session.error();
    const std::string folderModel = ViewerSession::symbolDir() + "folder.ASE";
    const std::string expected = "Loading " + folderModel + "\nCreating Displaylist: " + folderModel + " ... done\n";
    session.waitForStandardOutput(expected, 10000);
    EXPECT_EQ(session.standardOutput().substr(0, expected.size()), expected);
    EXPECT_EQ(session.standardOutput().find("file.ASE"), std::string::npos) << session.standardOutput();
    EXPECT_TRUE(session.isRunning()) << session.standardError();
    EXPECT_EQ(std::system(("rm -rf '" + base.string() + "'").c_str()), 0);
}
