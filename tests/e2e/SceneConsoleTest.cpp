#include "tests/e2e/ViewerSession.h"

#include <dirent.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace {

// The two lines one model load prints.
std::string loadLines(const std::string& type)
{
    const std::string path = ViewerSession::symbolDir() + type + ".ASE";
    return "Loading " + path + "\nCreating Displaylist: " + path + " ... done\n";
}

// Everything the viewer printed before its first frame-rate line, once the
// expected text has arrived (or the wait has given up).
std::string startUpOutput(ViewerSession& session, const std::string& expected)
{
    session.waitForStandardOutput(expected, 10000);
    const std::string& output = session.standardOutput();
    const std::size_t rate = output.find(" frames in ");
    return output.substr(0, rate == std::string::npos ? output.size() : output.rfind('\n', rate) + 1);
}

// The first entry of the scene root as the system lists it.
std::string firstListed()
{
    std::string first;
    if (DIR* dir = opendir(ViewerSession::sceneRoot().c_str())) {
        while (const dirent* item = readdir(dir)) {
            const std::string name = item->d_name;
            if (name != "." && name != "..") {
                first = name;
                break;
            }
        }
        closedir(dir);
    }
    return first;
}

void startAndWait(ViewerSession& session)
{
    ASSERT_TRUE(session.start()) << session.error();
    ASSERT_TRUE(session.waitForWindow()) << session.error() << "\n" << session.standardError();
}

} // namespace

TEST(SceneConsole, RootOfFilesLoadsFileFirstAndFolderLastForTheRootItself)
{
    ViewerSession session;
    for (const char* file : {"a.txt", "b.txt", "c.txt"})
        ASSERT_TRUE(session.addFile(file, "x")) << session.error();
    startAndWait(session);
    const std::string expected = loadLines("file") + loadLines("folder");
    EXPECT_EQ(startUpOutput(session, expected), expected);
}

TEST(SceneConsole, IconsAreMadeChildrenFirstSoADeepFileLoadsBeforeItsFolders)
{
    ViewerSession session;
    ASSERT_TRUE(session.addFile("outer/middle/inner.txt", "x")) << session.error();
    startAndWait(session);
    const std::string expected = loadLines("file") + loadLines("folder");
    EXPECT_EQ(startUpOutput(session, expected), expected);
}

TEST(SceneConsole, FirstListedEntryDecidesWhichModelLoadsFirst)
{
    ViewerSession session;
    ASSERT_TRUE(session.addFolder("empty")) << session.error();
    ASSERT_TRUE(session.addFile("letter.txt", "x")) << session.error();
    const bool folderListedFirst = firstListed() == "empty";
    startAndWait(session);
    // An empty folder is complete at once, so its icon is the first one made.
    const std::string expected
        = folderListedFirst ? loadLines("folder") + loadLines("file") : loadLines("file") + loadLines("folder");
    EXPECT_EQ(startUpOutput(session, expected), expected);
}

TEST(SceneConsole, EmptyRootLoadsOnlyTheFolderModelForItsOwnIcon)
{
    ViewerSession session;
    startAndWait(session);
    const std::string expected = loadLines("folder");
    EXPECT_EQ(startUpOutput(session, expected), expected);
}

TEST(SceneConsole, MissingRootIsAFileLoadingOnlyTheFileModel)
{
    ViewerSession session;
    std::error_code ignored;
    std::filesystem::remove_all(ViewerSession::sceneRoot(), ignored);
    startAndWait(session);
    const std::string expected = loadLines("file");
    EXPECT_EQ(startUpOutput(session, expected), expected);
    EXPECT_TRUE(session.isRunning()) << session.standardError();
}

TEST(SceneConsole, MissingSymbolFolderEndsWithExitCodeOneAndSaysWhich)
{
    ViewerSession session;
    ASSERT_TRUE(session.addFile("notes.txt", "x")) << session.error();
    std::error_code ignored;
    std::filesystem::remove_all(ViewerSession::symbolDir(), ignored);
    ASSERT_TRUE(session.start()) << session.error();

    ASSERT_TRUE(session.waitForExit(10000)) << "still running without its symbols";
    EXPECT_EQ(session.exitCode(), 1);
    const std::string expected
        = "Could not open symbol model: " + ViewerSession::symbolDir() + "file.ASE: No such file or directory\n";
    EXPECT_EQ(session.standardError(), expected);
    EXPECT_EQ(session.standardOutput(), "");
}
