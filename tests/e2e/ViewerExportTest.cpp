#include "exchange/EntryImport.h"
#include "tests/e2e/TextReading.h"
#include "tests/e2e/ViewerSession.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

namespace fs = std::filesystem;

namespace {

// A small tree beside the built-in scene root; the viewer starts beside it.
fs::path exportFolder()
{
    const fs::path folder = fs::path(LUMENFOLD_E2E_ROOT) / "export";
    std::error_code ignored;
    fs::remove_all(folder, ignored);
    fs::create_directories(folder / "tree" / "sub", ignored);
    std::ofstream(folder / "tree" / "sub" / "deep.txt") << std::string(300, 'd');
    std::ofstream(folder / "tree" / "top \"quoted\".txt") << "12345";
    fs::create_hard_link(folder / "tree" / "sub" / "deep.txt", folder / "tree" / "again.txt", ignored);
    return folder;
}

// --export never opens a window: run without a display, it would fail if it tried.
void exportWith(ViewerSession& session, const std::vector<std::string>& arguments)
{
    session.setArguments(arguments);
    session.setWorkingDirectory(exportFolder().string());
    ASSERT_TRUE(session.startWithoutDisplay()) << session.error();
    ASSERT_TRUE(session.waitForExit(20000)) << "still running";
}

std::string commandOutput(const std::string& command)
{
    std::string text;
    if (std::FILE* pipe = popen(command.c_str(), "r")) {
        char block[4096];
        for (std::size_t got; (got = std::fread(block, 1, sizeof block, pipe)) > 0;)
            text.append(block, got);
        pclose(pipe);
    }
    return text;
}

// The total gdu gives a tree it scans or reads (-f FILE): disk usage, or with
// `-a` apparent size, in bytes; its output when it gives none.
std::string gduSum(const std::string& what, const std::string& options = "")
{
    const std::string text = commandOutput("HOME=/tmp gdu -n -p -s --no-prefix " + options + " " + what + " 2>&1");
    const std::size_t start = text.find_first_not_of(' ');
    return start == std::string::npos ? text : text.substr(start, text.find(' ', start) - start);
}

} // namespace

TEST(ViewerExport, WritesTheTreeToStandardOutputOrAFileThatTheToolsReadBack)
{
    ViewerSession toOutput;
    ASSERT_NO_FATAL_FAILURE(exportWith(toOutput, {"--export", "-", "tree"}));
    EXPECT_EQ(toOutput.exitCode(), 0);
    EXPECT_EQ(toOutput.standardError(), "");
    const std::string& text = toOutput.standardOutput();
    EXPECT_EQ(text.rfind("[1,2,{\"progname\":\"lumenfold\",\"progver\":\"" LUMENFOLD_VERSION "\",\"timestamp\":", 0),
              0u)
        << text;
    for (const std::string& part :
         {"{\"name\":\"" + (fs::path(LUMENFOLD_E2E_ROOT) / "export" / "tree").string() + "\",",
          std::string("[{\"name\":\"sub\","), std::string("{\"name\":\"top \\\"quoted\\\".txt\",\"asize\":5,"),
          std::string("\"hlnkc\":true,\"nlink\":2")})
        EXPECT_NE(text.find(part), std::string::npos) << part << " missing from\n" << text;

    ViewerSession toFile;
    ASSERT_NO_FATAL_FAILURE(exportWith(toFile, {"-x", "--export", "out.json", "tree"}));
    EXPECT_EQ(toFile.exitCode(), 0);
    EXPECT_EQ(toFile.standardOutput(), "");
    const std::string file = (fs::path(LUMENFOLD_E2E_ROOT) / "export" / "out.json").string();
    // gdu sums it as it sums its own scan of the tree; ncdu reads it back.
    const std::string summed = commandOutput("HOME=/tmp gdu -n -p -a -s --no-prefix -f '" + file + "' 2>&1");
    const std::string scanned = commandOutput("HOME=/tmp gdu -n -p -a -s --no-prefix '"
                                              + (fs::path(LUMENFOLD_E2E_ROOT) / "export" / "tree").string() + "' 2>&1");
    EXPECT_EQ(summed.substr(0, summed.find(' ', summed.find_first_not_of(' '))),
              scanned.substr(0, scanned.find(' ', scanned.find_first_not_of(' '))))
        << summed << scanned;
    // Its disk usage too, from each entry's blocks.
    EXPECT_EQ(gduSum("-f '" + file + "'"),
              gduSum("'" + (fs::path(LUMENFOLD_E2E_ROOT) / "export" / "tree").string() + "'"));
    const std::string again = commandOutput("HOME=/tmp ncdu --ignore-config -0 -f '" + file + "' -o - 2>&1");
    EXPECT_NE(again.find("{\"name\":\"deep.txt\",\"asize\":300"), std::string::npos) << again;
}

TEST(ViewerExport, AFileThatCannotBeWrittenOrAMissingFolderIsOneLineAndAnExitCode)
{
    struct Case {
        std::vector<std::string> arguments;
        std::string line;
        int exitCode;
    };
    for (const Case& wrong : {
             Case{
                 {"--export", "no/such/dir/out.json", "tree"},
                 "lumenfold: cannot write 'no/such/dir/out.json': No such file or directory\nTry 'lumenfold --help'.\n",
                 2},
             Case{{"--export", "-", "missing"},
                  "lumenfold: cannot open 'missing': No such file or directory\nTry 'lumenfold --help'.\n",
                  2},
             Case{{"--export", "/dev/full", "tree"},
                  "lumenfold: cannot write '/dev/full': No space left on device\n",
                  1},
         }) {
        ViewerSession session;
        ASSERT_NO_FATAL_FAILURE(exportWith(session, wrong.arguments));
        EXPECT_EQ(session.exitCode(), wrong.exitCode) << wrong.arguments[1];
        EXPECT_EQ(session.standardError(), wrong.line);
        EXPECT_EQ(session.standardOutput(), "");
    }
}

// Ctrl+S in the explore view saves the tree shown as an export in the
// working folder, named in the status line: our reader reads it back with the
// scan's totals (the file with two names once), gdu sums it as it sums its own
// scan of the tree, and ncdu reads it back.
TEST(ViewerExport, CtrlSSavesTheShownTreeAsAnExportThatReadsBackWithItsTotals)
{
    const fs::path work = exportFolder();
    ViewerSession session;
    ASSERT_TRUE(session.addFile("sub/deep.txt", std::string(300, 'd'))) << session.error();
    ASSERT_TRUE(session.addFile("top.txt", "12345")) << session.error();
    const std::string root = ViewerSession::sceneRoot();
    ASSERT_EQ(link((root + "sub/deep.txt").c_str(), (root + "again.txt").c_str()), 0);
    ASSERT_EQ(symlink("top.txt", (root + "link").c_str()), 0);
    session.setWorkingDirectory(work.string());
    session.setArguments({"--explore", "--verbose"});
    ASSERT_TRUE(session.start()) << session.error();
    ASSERT_TRUE(session.waitForWindow()) << session.error();
    ASSERT_TRUE(session.waitForStandardOutput("Scanned", 20000)) << session.standardOutput();
    ASSERT_TRUE(session.x()->tapKeyWith({"Control_L"}, "s"));

    std::string saved;
    ASSERT_TRUE(session.pollUntil(
        [&] {
            for (const fs::directory_entry& entry : fs::directory_iterator(work))
                if (entry.path().filename().string().rfind("lumenfold-", 0) == 0)
                    saved = entry.path().string();
            return !saved.empty();
        },
        10000));
    std::vector<std::string> lines;
    EXPECT_TRUE(session.pollUntil(
        [&] {
            std::string error;
            lines = TextReading::statusLines(session.grab(), error);
            return TextReading::hasLineWith(lines, {"Tree saved as", ".json"});
        },
        10000, 200))
        << TextReading::joined(lines);
    EXPECT_EQ(std::distance(fs::directory_iterator(work), fs::directory_iterator()), 2) << "the tree and the save";

    EntryImport import(saved);
    ASSERT_TRUE(import.opened());
    while (!import.ended())
        std::this_thread::yield();
    EXPECT_FALSE(import.stoppedEarly()) << import.problemLine();
    const EntryTree& tree = import.tree();
    EXPECT_EQ(tree.path(tree.root()), root);
    EXPECT_EQ(tree.totalSize(tree.root()), 305u);
    EXPECT_EQ(tree.totalEntries(tree.root()), 5u);

    EXPECT_EQ(gduSum("-f '" + saved + "'", "-a"), gduSum("'" + root + "'", "-a"));
    EXPECT_EQ(gduSum("-f '" + saved + "'"), gduSum("'" + root + "'")) << "the disk usage from the blocks";
    const std::string again = commandOutput("HOME=/tmp ncdu --ignore-config -0 -f '" + saved + "' -o - 2>&1");
    EXPECT_NE(again.find("{\"name\":\"deep.txt\",\"asize\":300"), std::string::npos) << again;
}
