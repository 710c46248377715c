#include "tests/e2e/ViewerSession.h"
#include "tools/SlotProbe.h"

#include <dirent.h>

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr int kWidth = 800;
constexpr int kHeight = 600;
constexpr double kPixelTolerance = 1.0;
constexpr int kDrawTimeoutMs = 10000;

enum class Shade { None, Folder, File, Other };

// A flat square facing the viewer, centred on the model origin, in one colour:
// after the icon's half scale it is 0.6 units wide, so each slot (1.3 apart)
// shows a separate square centred on its slot origin.
std::string squareSymbol(const char* rgb)
{
    std::ostringstream text;
    text << "*COMMENT \"test model\"\n"
         << "\t\t*MATERIAL_AMBIENT " << rgb << "\n"
         << "\t\t*MATERIAL_DIFFUSE " << rgb << "\n"
         << "\t\t*MATERIAL_SPECULAR 0 0 0\n"
         << "\t\t*MATERIAL_TRANSPARENCY 0\n"
         << "\t\t\t*MESH_VERTEX 0\t-0.6\t0.0\t-0.6\n"
         << "\t\t\t*MESH_VERTEX 1\t0.6\t0.0\t-0.6\n"
         << "\t\t\t*MESH_VERTEX 2\t0.6\t0.0\t0.6\n"
         << "\t\t\t*MESH_VERTEX 3\t-0.6\t0.0\t0.6\n"
         << "\t\t\t*MESH_FACE 0:  A: 0 B: 1 C: 2 AB: 1 BC: 1 CA: 1\t*MESH_SMOOTHING 1\t*MESH_MTLID 0\n"
         << "\t\t\t*MESH_FACE 1:  A: 0 B: 2 C: 3 AB: 1 BC: 1 CA: 1\t*MESH_SMOOTHING 1\t*MESH_MTLID 0\n";
    for (int corner = 0; corner < 6; ++corner)
        text << "\t\t\t\t*MESH_VERTEXNORMAL " << corner % 3 << "\t0.0\t-1.0\t0.0\n";
    return text.str();
}

// Folders yellow, files cyan: neither can be mistaken for the white axes.
bool useSquareSymbols(ViewerSession& session)
{
    return session.addSymbol("folder.ASE", squareSymbol("1 1 0"))
        && session.addSymbol("file.ASE", squareSymbol("0 1 1"));
}

Shade shadeOf(Rgb colour)
{
    const bool red = colour.red > 150;
    const bool green = colour.green > 150;
    const bool blue = colour.blue > 150;
    if (!red && !green && !blue && colour.red < 60 && colour.green < 60 && colour.blue < 60)
        return Shade::None;
    if (red && green && colour.blue < 80)
        return Shade::Folder;
    if (green && blue && colour.red < 80)
        return Shade::File;
    return Shade::Other;
}

struct Run {
    Shade shade;
    double centre; // window coordinate
    bool touchesEdge;
};

std::vector<Run> coloredRuns(const RgbImage& strip, bool alongRow)
{
    const int length = alongRow ? strip.width() : strip.height();
    std::vector<Run> runs;
    int start = 0;
    Shade current = Shade::None;
    for (int i = 0; i <= length; ++i) {
        const Shade shade = i < length ? shadeOf(alongRow ? strip.pixel(i, 0) : strip.pixel(0, i)) : Shade::None;
        if (shade == current)
            continue;
        if (current == Shade::Folder || current == Shade::File)
            runs.push_back(Run{current, (start + i) / 2.0, start == 0 || i == length});
        current = shade;
        start = i;
    }
    return runs;
}

// The root's entries as the system lists them: the order of the slots.
std::vector<std::string> listingOrder(const std::string& folder)
{
    std::vector<std::string> names;
    if (DIR* dir = opendir(folder.c_str())) {
        while (const dirent* item = readdir(dir))
            if (std::string(item->d_name) != "." && std::string(item->d_name) != "..")
                names.push_back(item->d_name);
        closedir(dir);
    }
    return names;
}

struct Slot {
    Shade shade;
    ScreenPoint where;
};

// Only slots whose whole square is inside the window are predicted.
std::vector<Slot> visibleSlots(const std::vector<Shade>& shades)
{
    const SlotProbe probe(kWidth, kHeight);
    std::vector<Slot> slots;
    for (std::size_t i = 0; i < shades.size(); ++i) {
        const ScreenPoint where = probe.origin(i);
        if (where.inFront && where.x > 10.0 && where.x < kWidth - 10.0)
            slots.push_back(Slot{shades[i], where});
    }
    return slots;
}

// Every predicted square is found in the row through the slot origins, and
// down the column through its own origin, and nothing else is coloured.
testing::AssertionResult rowMatches(ViewerSession& session, const std::vector<Slot>& slots)
{
    const int row = slots.empty() ? kHeight / 2 : static_cast<int>(slots[0].where.y);
    std::vector<Run> runs;
    for (const Run& run : coloredRuns(session.grabRow(row), true))
        if (!run.touchesEdge)
            runs.push_back(run);
    if (runs.size() != slots.size())
        return testing::AssertionFailure()
            << runs.size() << " coloured squares in row " << row << ", expected " << slots.size();
    for (std::size_t i = 0; i < slots.size(); ++i) {
        if (runs[i].shade != slots[i].shade)
            return testing::AssertionFailure() << "slot " << i << " has the other symbol type";
        if (std::fabs(runs[i].centre - slots[i].where.x) > kPixelTolerance)
            return testing::AssertionFailure()
                << "slot " << i << " centred at x " << runs[i].centre << ", expected " << slots[i].where.x;
        const std::vector<Run> column = coloredRuns(session.grabColumn(static_cast<int>(slots[i].where.x)), false);
        if (column.size() != 1 || std::fabs(column[0].centre - slots[i].where.y) > kPixelTolerance)
            return testing::AssertionFailure()
                << "slot " << i << " not centred at y " << slots[i].where.y << " in its column";
    }
    return testing::AssertionSuccess();
}

bool anythingColoured(const RgbImage& picture)
{
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x) {
            const Shade shade = shadeOf(picture.pixel(x, y));
            if (shade == Shade::Folder || shade == Shade::File)
                return true;
        }
    return false;
}

std::vector<Shade> shadesInListingOrder(const std::vector<std::string>& folders)
{
    std::vector<Shade> shades;
    for (const std::string& name : listingOrder(ViewerSession::sceneRoot())) {
        bool isFolder = false;
        for (const std::string& folder : folders)
            isFolder = isFolder || folder == name;
        shades.push_back(isFolder ? Shade::Folder : Shade::File);
    }
    return shades;
}

} // namespace

TEST(SceneRow, EachRootEntryIsOneSymbolAtItsProjectedSlot)
{
    ViewerSession session;
    ASSERT_TRUE(useSquareSymbols(session)) << session.error();
    const std::vector<std::string> folders = {"Music", "Photos", ".config"};
    for (const std::string& folder : folders)
        ASSERT_TRUE(session.addFolder(folder)) << session.error();
    for (const char* file : {"notes.txt", "todo.md", "budget.csv", "...", "with space"})
        ASSERT_TRUE(session.addFile(file, "text")) << session.error();
    ASSERT_TRUE(session.start()) << session.error();
    ASSERT_TRUE(session.waitForWindow()) << session.error();

    const std::vector<Shade> shades = shadesInListingOrder(folders);
    ASSERT_EQ(shades.size(), 8u);
    const std::vector<Slot> slots = visibleSlots(shades);
    ASSERT_EQ(slots.size(), 8u);
    testing::AssertionResult matched = testing::AssertionFailure();
    session.pollUntil([&] { return bool(matched = rowMatches(session, slots)); }, kDrawTimeoutMs);
    EXPECT_TRUE(matched);

    // The slot probe that checks installed packages tells the same kinds apart.
    const RgbImage picture = session.grab();
    const SlotProbe probe(picture.width(), picture.height());
    for (std::size_t i = 0; i < shades.size(); ++i)
        EXPECT_EQ(probe.kindAt(picture, i),
                  shades[i] == Shade::Folder ? SlotProbe::Kind::Folder : SlotProbe::Kind::File)
            << "slot " << i;
    EXPECT_EQ(probe.kindAt(picture, shades.size()), SlotProbe::Kind::Empty);
}

TEST(SceneRow, SubfolderIsOneFolderSymbolAndItsContentsStayHidden)
{
    ViewerSession session;
    ASSERT_TRUE(useSquareSymbols(session)) << session.error();
    for (const char* file : {"box/a.txt", "box/b.txt", "box/inner/c.txt", "box/inner/deeper/d.txt"})
        ASSERT_TRUE(session.addFile(file, "x")) << session.error();
    ASSERT_TRUE(session.start()) << session.error();
    ASSERT_TRUE(session.waitForWindow()) << session.error();

    const std::vector<Slot> slots = visibleSlots({Shade::Folder});
    testing::AssertionResult matched = testing::AssertionFailure();
    session.pollUntil([&] { return bool(matched = rowMatches(session, slots)); }, kDrawTimeoutMs);
    EXPECT_TRUE(matched);

    // No file symbol anywhere: the files below the folder are scanned, not drawn.
    const RgbImage picture = session.grab();
    bool fileShown = false;
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            fileShown = fileShown || shadeOf(picture.pixel(x, y)) == Shade::File;
    EXPECT_FALSE(fileShown);
}

TEST(SceneRow, EmptyRootShowsTheAxesAlone)
{
    ViewerSession session;
    ASSERT_TRUE(useSquareSymbols(session)) << session.error();
    ASSERT_TRUE(session.start()) << session.error();
    ASSERT_TRUE(session.waitForWindow()) << session.error();

    // Wait until the axes are drawn (white, in the ground axis's column near the left edge).
    auto axesDrawn = [&] {
        const RgbImage column = session.grabColumn(100);
        for (int y = 0; y < column.height(); ++y)
            if (shadeOf(column.pixel(0, y)) == Shade::Other)
                return true;
        return false;
    };
    ASSERT_TRUE(session.pollUntil(axesDrawn, kDrawTimeoutMs));
    EXPECT_FALSE(anythingColoured(session.grab()));
    EXPECT_TRUE(session.isRunning()) << session.standardError();
}

TEST(SceneRow, TenThousandEntriesStartAndDrawTheRow)
{
    ViewerSession session;
    ASSERT_TRUE(useSquareSymbols(session)) << session.error();
    for (int i = 0; i < 10000; ++i)
        ASSERT_TRUE(session.addFile("entry" + std::to_string(i), "")) << session.error();
    ASSERT_TRUE(session.start()) << session.error();
    ASSERT_TRUE(session.waitForWindow()) << session.error();

    const std::vector<Slot> slots = visibleSlots(std::vector<Shade>(10000, Shade::File));
    ASSERT_GT(slots.size(), 10u);
    testing::AssertionResult matched = testing::AssertionFailure();
    session.pollUntil([&] { return bool(matched = rowMatches(session, slots)); }, kDrawTimeoutMs);
    EXPECT_TRUE(matched);
    EXPECT_TRUE(session.isRunning()) << session.standardError();
}

namespace {

namespace fs = std::filesystem;

// A folder outside the built-in scene root with a subfolder and files, so that
// its row and its console lines differ from those of the empty built-in root.
// The viewer is started in the folder that holds it.
fs::path prepareShownFolder(ViewerSession& session, const std::string& name)
{
    const fs::path holder = fs::path(ViewerSession::sceneRoot()).parent_path().parent_path() / "args";
    std::error_code ignored;
    fs::remove_all(holder, ignored);
    const fs::path folder = holder / name;
    fs::create_directories(folder / "box", ignored);
    for (const char* file : {"notes.txt", "box/inner.txt", "with space.md"})
        std::ofstream(folder / file) << "x";
    session.setWorkingDirectory(holder.string());
    return folder;
}

// The window shows the folder's row, and the console its model loads: a file
// is the first leaf whatever the listing order, the root's folder icon the last.
void expectShowsFolder(ViewerSession& session, const fs::path& folder)
{
    ASSERT_TRUE(useSquareSymbols(session)) << session.error();
    ASSERT_TRUE(session.start()) << session.error();
    ASSERT_TRUE(session.waitForWindow()) << session.error();

    std::vector<Shade> shades;
    for (const std::string& name : listingOrder(folder.string()))
        shades.push_back(fs::is_directory(folder / name) ? Shade::Folder : Shade::File);
    ASSERT_EQ(shades.size(), 3u);
    const std::vector<Slot> slots = visibleSlots(shades);
    testing::AssertionResult matched = testing::AssertionFailure();
    session.pollUntil([&] { return bool(matched = rowMatches(session, slots)); }, kDrawTimeoutMs);
    EXPECT_TRUE(matched);

    std::string expected;
    for (const char* type : {"file", "folder"}) {
        const std::string path = ViewerSession::symbolDir() + type + ".ASE";
        expected += "Loading " + path + "\nCreating Displaylist: " + path + " ... done\n";
    }
    session.waitForStandardOutput(expected, kDrawTimeoutMs);
    EXPECT_EQ(session.standardOutput().substr(0, expected.size()), expected);
    EXPECT_EQ(session.standardError(), "");
}

} // namespace

TEST(SceneRow, FolderArgumentRelativeWithoutSlashIsShownInsteadOfTheBuiltInRoot)
{
    ViewerSession session;
    prepareShownFolder(session, "My Projects");
    session.setArguments({"My Projects"});
    expectShowsFolder(session, fs::path(ViewerSession::sceneRoot()).parent_path().parent_path() / "args/My Projects");
}

TEST(SceneRow, FolderArgumentAbsoluteWithSlashIsShown)
{
    ViewerSession session;
    const fs::path folder = prepareShownFolder(session, "Projects");
    session.setArguments({folder.string() + "/"});
    expectShowsFolder(session, folder);
}

TEST(SceneRow, FolderArgumentThroughALinkShowsTheLinkedFolder)
{
    ViewerSession session;
    const fs::path folder = prepareShownFolder(session, "Projects");
    const fs::path link = folder.parent_path() / "current";
    fs::create_directory_symlink("Projects", link);
    session.setArguments({link.string()});
    expectShowsFolder(session, folder);
}

TEST(SceneRow, FolderArgumentNamedLikeAnOptionIsShownAfterDoubleDash)
{
    ViewerSession session;
    const fs::path folder = prepareShownFolder(session, "-x");
    session.setArguments({"--", "-x"});
    expectShowsFolder(session, folder);
}

// Installed after the build under a prefix the build never knew, and started
// from '/', the binary finds the demo and the symbols beside it.
TEST(SceneRow, InstalledUnderAnyPrefixShowsTheDemoFromAnyWorkingFolder)
{
    const fs::path prefix = fs::path(ViewerSession::sceneRoot()).parent_path().parent_path() / "prefix with space";
    std::error_code ignored;
    fs::remove_all(prefix, ignored);
    ChildProcess install;
    ASSERT_TRUE(install.start({LUMENFOLD_CMAKE, "--install", LUMENFOLD_BINARY_DIR, "--prefix", prefix.string()}))
        << install.error();
    ASSERT_TRUE(install.waitForExit(60000));
    ASSERT_EQ(install.exitCode(), 0) << install.standardOutput() << install.standardError();
    EXPECT_EQ(install.standardError(), "");

    // Square symbols in the installed folder show that it is the one read.
    const fs::path data = fs::canonical(prefix) / "share/lumenfold";
    std::ofstream(data / "symbols/standard/folder.ASE") << squareSymbol("1 1 0");
    std::ofstream(data / "symbols/standard/file.ASE") << squareSymbol("0 1 1");

    ViewerSession session;
    session.setWorkingDirectory("/");
    ASSERT_TRUE(session.start((prefix / "bin/lumenfold").string())) << session.error();
    ASSERT_TRUE(session.waitForWindow()) << session.error();

    const fs::path demo = data / "demo/FS";
    std::vector<Shade> shades;
    for (const std::string& name : listingOrder(demo.string()))
        shades.push_back(fs::is_directory(demo / name) ? Shade::Folder : Shade::File);
    ASSERT_GE(shades.size(), 2u);
    const std::vector<Slot> slots = visibleSlots(shades);
    testing::AssertionResult matched = testing::AssertionFailure();
    session.pollUntil([&] { return bool(matched = rowMatches(session, slots)); }, kDrawTimeoutMs);
    EXPECT_TRUE(matched);
    const std::string loading = "Loading " + (data / "symbols/standard/folder.ASE").string() + "\n";
    EXPECT_TRUE(session.waitForStandardOutput(loading, kDrawTimeoutMs)) << session.standardOutput();
    fs::remove_all(prefix, ignored);
}
