#include "explore/StartView.h"
#include "explore/map/MapColour.h"
#include "types/TypeGroup.h"
#include "tests/e2e/LargeTree.h"
#include "tests/e2e/QuitReference.h"
#include "tests/e2e/TextReading.h"
#include "tests/e2e/ViewerSession.h"
#include "tests/unit/StandardRow.h"
#include "tools/ScreenProjection.h"
#include "tools/SlotProbe.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cmath>
#include <cstdlib>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace {

using Kind = SlotProbe::Kind;

constexpr int kWidth = 800;
constexpr int kHeight = 600;

// The colour of a kind's boxes on the map; files (all of them text here) by
// their type's group.
MapColour colourOf(EntryKind kind)
{
    if (kind != EntryKind::File)
        return MapColour::ofKind(kind);
    const GroupColour text = groupColour(TypeGroup::Text);
    return {text.r / 255.0f, text.g / 255.0f, text.b / 255.0f};
}

// The share of the picture's pixels lit in `kind`'s colour on the map: the
// light scales a colour, so its channels keep their ratios.
double shareIn(const RgbImage& picture, EntryKind kind)
{
    const MapColour colour = colourOf(kind);
    const double strongest = std::max({colour.r, colour.g, colour.b});
    long matching = 0;
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < picture.width(); ++x) {
            const Rgb pixel = picture.pixel(x, y);
            const double top = std::max({pixel.red, pixel.green, pixel.blue});
            if (top < 40.0)
                continue;
            const double scale = top / (255.0 * strongest);
            if (std::abs(pixel.red - 255.0 * colour.r * scale) < 14.0
                && std::abs(pixel.green - 255.0 * colour.g * scale) < 14.0
                && std::abs(pixel.blue - 255.0 * colour.b * scale) < 14.0)
                ++matching;
        }
    }
    return double(matching) / (double(picture.width()) * picture.height());
}

// Whether the picture is the map: the top folder's platform, its files' blocks on it.
bool showsMap(const RgbImage& picture)
{
    return shareIn(picture, EntryKind::Folder) > 0.03 && shareIn(picture, EntryKind::File) > 0.06;
}

bool showsRow(ViewerSession& session, std::size_t count, const std::vector<Kind>& kinds)
{
    const Camera start = StartView::pose(standardRow(), count, double(kWidth) / kHeight);
    const SlotProbe probe(ScreenProjection(start.position, start.lookDirection, kWidth, kHeight));
    const RgbImage picture = session.grab();
    for (std::size_t i = 0; i < kinds.size(); ++i)
        if (probe.kindAt(picture, i) != kinds[i])
            return false;
    return true;
}

// The status band's lines as OCR reads them: the band is the rows at the
// bottom whose column 2 is not black.
std::vector<std::string> statusLines(const RgbImage& picture)
{
    int top = picture.height() - 1;
    while (top > 0 && picture.pixel(2, top).red > 0)
        --top;
    std::string error;
    return TextReading::lines(
        TextReading::forReading(picture, 0, top + 1, picture.width(), picture.height() - top - 1, 3), error);
}

bool statusNames(const RgbImage& picture, const std::string& name)
{
    for (const std::string& line : statusLines(picture))
        if (line.find(name) != std::string::npos)
            return true;
    return false;
}

void addTree(ViewerSession& session)
{
    for (const char* folder : {"big", "small"})
        ASSERT_TRUE(session.addFolder(folder)) << session.error();
    ASSERT_TRUE(session.addFile("big/a.txt", std::string(200000, 'a')));
    ASSERT_TRUE(session.addFile("big/b.txt", std::string(100000, 'b')));
    ASSERT_TRUE(session.addFile("small/c.txt", std::string(30000, 'c')));
    ASSERT_TRUE(session.addFile("d.txt", std::string(60000, 'd')));
}

} // namespace

TEST(ExploreMap, MSwitchesBetweenTheRowAndTheMapOfTheSameFolder)
{
    ViewerSession session;
    addTree(session);
    session.setArguments({"--explore"});
    ASSERT_TRUE(session.start()) << session.error();
    ASSERT_TRUE(session.waitForWindow()) << session.error();
    const std::vector<Kind> row = {Kind::Folder, Kind::Folder, Kind::File};
    ASSERT_TRUE(session.pollUntil([&] { return showsRow(session, 3, row); }, 20000, 50));
    EXPECT_FALSE(showsMap(session.grab()));

    ASSERT_TRUE(session.tapKey("m"));
    EXPECT_TRUE(session.pollUntil([&] { return showsMap(session.grab()); }, 5000, 50));
    ASSERT_TRUE(session.tapKey("m"));
    EXPECT_TRUE(session.pollUntil([&] { return showsRow(session, 3, row); }, 5000, 50));
    ASSERT_TRUE(session.tapKey("Escape"));
    ASSERT_TRUE(session.waitForExit(5000));
    EXPECT_EQ(session.exitCode(), 0);
}

TEST(ExploreMap, MapOptionStartsWithTheMapAndPageUpRisesOverIt)
{
    ViewerSession session;
    addTree(session);
    session.setArguments({"--map"});
    ASSERT_TRUE(session.start()) << session.error();
    ASSERT_TRUE(session.waitForWindow()) << session.error();
    ASSERT_TRUE(session.pollUntil([&] { return showsMap(session.grab()); }, 20000, 50));
    const double blocks = shareIn(session.grab(), EntryKind::File);

    // Rising, the map covers less of the window.
    ASSERT_TRUE(session.press("Page_Up"));
    const bool smaller
        = session.pollUntil([&] { return shareIn(session.grab(), EntryKind::File) < blocks * 0.7; }, 10000, 50);
    ASSERT_TRUE(session.release("Page_Up"));
    EXPECT_TRUE(smaller);
    ASSERT_TRUE(session.tapKey("Escape"));
    ASSERT_TRUE(session.waitForExit(5000));
    EXPECT_EQ(session.exitCode(), 0);
}

TEST(ExploreMap, ThePointerOverABlockNamesItInTheStatusLine)
{
    ViewerSession session;
    ASSERT_TRUE(session.addFile("only.txt", std::string(100000, 'a')));
    session.setArguments({"--map"});
    ASSERT_TRUE(session.start()) << session.error();
    ASSERT_TRUE(session.waitForWindow()) << session.error();
    ASSERT_TRUE(session.pollUntil([&] { return shareIn(session.grab(), EntryKind::File) > 0.06; }, 20000, 50));
    // Over the ground off the map nothing is selected; the one file's block
    // stands in the middle of the shown folder's platform.
    ASSERT_TRUE(session.movePointer(4, 4, 8, 8, false));
    EXPECT_TRUE(session.pollUntil([&] { return !statusNames(session.grab(), "only.txt"); }, 10000, 100));
    ASSERT_TRUE(session.movePointer(kWidth / 2 - 6, kHeight / 2 - 6, kWidth / 2, kHeight / 2, false));
    EXPECT_TRUE(session.pollUntil([&] { return statusNames(session.grab(), "only.txt"); }, 10000, 100));
    ASSERT_TRUE(session.tapKey("Escape"));
    ASSERT_TRUE(session.waitForExit(5000));
}

// s on the map fills its treemaps by name instead of largest first, and back.
TEST(ExploreMap, SLaysTheMapOutByNameAndAgainBySize)
{
    ViewerSession session;
    // By size the big file comes first, by name last.
    ASSERT_TRUE(session.addFile("a.txt", std::string(1000, 'a')));
    ASSERT_TRUE(session.addFile("m.txt", std::string(20000, 'm')));
    ASSERT_TRUE(session.addFile("z.txt", std::string(400000, 'z')));
    session.setArguments({"--map"});
    ASSERT_TRUE(session.start()) << session.error();
    ASSERT_TRUE(session.waitForWindow()) << session.error();
    ASSERT_TRUE(session.movePointer(4, 4, 8, 8, false));
    RgbImage bySize;
    ASSERT_TRUE(session.pollUntil(
        [&] { return session.grabSettled(bySize) && shareIn(bySize, EntryKind::File) > 0.06; }, 20000, 50));

    ASSERT_TRUE(session.tapKey("s"));
    RgbImage byName;
    EXPECT_TRUE(session.pollUntil(
        [&] { return session.grabSettled(byName) && statusNames(byName, "Map laid out by name"); }, 10000, 100));
    EXPECT_NE(byName.bytes(), bySize.bytes());
    EXPECT_GT(shareIn(byName, EntryKind::File), 0.06) << "the files left the map";

    ASSERT_TRUE(session.tapKey("s"));
    RgbImage again;
    EXPECT_TRUE(session.pollUntil(
        [&] { return session.grabSettled(again) && statusNames(again, "Map laid out by size"); }, 10000, 100));
    ASSERT_TRUE(session.tapKey("Escape"));
    ASSERT_TRUE(session.waitForExit(5000));
}

TEST(ExploreMap, EnterOnAPlatformMakesItTheShownFolderAndBackspaceComesOut)
{
    ViewerSession session;
    ASSERT_TRUE(session.addFolder("inner"));
    ASSERT_TRUE(session.addFile("inner/only.txt", std::string(100000, 'a')));
    std::string home = ViewerSession::sceneRoot();
    home.pop_back();
    session.setEnvironment("HOME", home);
    session.setArguments({"--map"});
    ASSERT_TRUE(session.start()) << session.error();
    ASSERT_TRUE(session.waitForWindow()) << session.error();
    const std::string dash = "\xE2\x80\x94";
    ASSERT_TRUE(session.pollUntil([&] { return session.title() == "Lumenfold " + dash + " ~"; }, 20000));
    ASSERT_TRUE(session.pollUntil([&] { return shareIn(session.grab(), EntryKind::File) > 0.03; }, 20000, 50));
    // The middle of the map is inner's platform, its one file on it.
    ASSERT_TRUE(session.movePointer(kWidth / 2 - 6, kHeight / 2 - 6, kWidth / 2, kHeight / 2, false));
    ASSERT_TRUE(session.pollUntil([&] { return statusNames(session.grab(), "only.txt"); }, 10000, 100));
    ASSERT_TRUE(session.tapKey("Return"));
    EXPECT_TRUE(session.pollUntil([&] { return session.title() == "Lumenfold " + dash + " ~/inner"; }, 10000))
        << session.title();
    ASSERT_TRUE(session.tapKey("BackSpace"));
    EXPECT_TRUE(session.pollUntil([&] { return session.title() == "Lumenfold " + dash + " ~"; }, 10000))
        << session.title();
    ASSERT_TRUE(session.tapKey("Escape"));
    ASSERT_TRUE(session.waitForExit(5000));
}

TEST(ExploreMap, FindFliesToANameBelowTheShownFolderAndEnterGoesToItsFolder)
{
    ViewerSession session;
    addTree(session);
    std::string home = ViewerSession::sceneRoot();
    home.pop_back();
    session.setEnvironment("HOME", home);
    session.setArguments({"--map"});
    ASSERT_TRUE(session.start()) << session.error();
    ASSERT_TRUE(session.waitForWindow()) << session.error();
    ASSERT_TRUE(session.pollUntil([&] { return showsMap(session.grab()); }, 20000, 50));
    const double blocks = shareIn(session.grab(), EntryKind::File);

    // c.txt lies in small/, below the shown folder: find selects it there.
    ASSERT_TRUE(session.tapKey("slash"));
    ASSERT_TRUE(session.x()->typeText("c.t")) << session.x()->error();
    EXPECT_TRUE(session.pollUntil([&] { return statusNames(session.grab(), "Match 1 of 1"); }, 10000, 100));
    EXPECT_TRUE(session.pollUntil([&] { return statusNames(session.grab(), "c.txt"); }, 10000, 100));
    // The camera flew to it: its block fills much more of the window.
    EXPECT_TRUE(session.pollUntil([&] { return shareIn(session.grab(), EntryKind::File) > 2.0 * blocks; }, 10000, 50));
    ASSERT_TRUE(session.tapKey("Escape"));
    ASSERT_TRUE(session.tapKey("Return"));
    const std::string dash = "\xE2\x80\x94";
    EXPECT_TRUE(session.pollUntil([&] { return session.title() == "Lumenfold " + dash + " ~/small"; }, 10000))
        << session.title();
    ASSERT_TRUE(session.tapKey("Escape"));
    ASSERT_TRUE(session.waitForExit(5000));
    EXPECT_EQ(session.exitCode(), 0);
}

TEST(ExploreMap, TheHomeViewOfTwelveFoldersReadsTheirNames)
{
    ViewerSession session;
    const std::vector<std::string> names
        = {"alpha", "bravo", "charlie", "delta", "echo", "foxtrot", "golf", "hotel", "india", "juliet", "kilo", "lima"};
    for (std::size_t i = 0; i < names.size(); ++i) {
        ASSERT_TRUE(session.addFolder(names[i]));
        ASSERT_TRUE(session.addFile(names[i] + "/f.txt", std::string(10000 + 1000 * i, 'a')));
    }
    session.setArguments({"--map"});
    ASSERT_TRUE(session.start()) << session.error();
    ASSERT_TRUE(session.waitForWindow()) << session.error();
    ASSERT_TRUE(session.pollUntil([&] { return shareIn(session.grab(), EntryKind::Folder) > 0.03; }, 20000, 50));
    // The pointer outside, nothing selected: every name in the one colour,
    // read once two pictures in a row agree (the names' finer sampling comes
    // after the first frame).
    RgbImage picture = session.grab();
    ASSERT_TRUE(session.pollUntil(
        [&] {
            RgbImage next = session.grab();
            const bool same = next.bytes() == picture.bytes();
            picture = std::move(next);
            return same;
        },
        10000, 200));
    std::string error;
    // The names are near white; the boxes under them, however light, are coloured.
    RgbImage letters(picture.width(), picture.height());
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x) {
            const Rgb pixel = picture.pixel(x, y);
            const bool white = std::min({pixel.red, pixel.green, pixel.blue}) > 170;
            letters.setPixel(x, y, white ? pixel : Rgb{0, 0, 0});
        }
    const std::vector<std::string> read = TextReading::lines(
        TextReading::forReading(letters, 0, 0, picture.width(), TextReading::bandTop(picture), 3), error);
    ASSERT_TRUE(error.empty()) << error;
    std::string all;
    // OCR takes a lone l for a bar now and then, and may break a word.
    for (const std::string& line : read)
        all += line;
    std::replace(all.begin(), all.end(), '|', 'l');
    all.erase(std::remove(all.begin(), all.end(), ' '), all.end());
    std::size_t found = 0;
    for (const std::string& name : names)
        found += all.find(name) != std::string::npos ? 1 : 0;
    // OCR misses a word now and then where a letter's tail crosses a
    // block's edge (golf, above all): one name of the twelve may go unread.
    EXPECT_GE(found + 1, names.size()) << TextReading::joined(read);
    ASSERT_TRUE(session.tapKey("Escape"));
    ASSERT_TRUE(session.waitForExit(5000));
}

TEST(ExploreMap, TheMapShowsPlatformsWhileALongScanRunsAndAQuitEndsItAtOnce)
{
    std::string error;
    ASSERT_TRUE(LargeTree::make(error)) << error;
    ViewerSession session;
    session.setArguments({"--map", "--verbose", LargeTree::path()});
    ASSERT_TRUE(session.start()) << session.error();
    ASSERT_TRUE(session.waitForWindow()) << session.error();
    ASSERT_TRUE(session.pollUntil([&] { return shareIn(session.grab(), EntryKind::Folder) > 0.03; }, 10000, 50))
        << "the map never showed";
    // The reference copies the viewer's memory, which takes a while in a
    // sanitised build; the scan must not run out meanwhile.
    std::optional<QuitReference> reference;
    ASSERT_TRUE(session.whileStopped([&] {
        EXPECT_EQ(session.standardOutput().find("Scanned"), std::string::npos) << "the map showed only after the scan";
        reference.emplace(session.pid());
    }));
    const auto requested = std::chrono::steady_clock::now();
    ASSERT_TRUE(session.tapKey("Escape"));
    reference->signal(SIGTERM);
    const bool ended = session.waitForExit(5000);
    const double elapsed
        = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - requested).count();
    ASSERT_TRUE(ended);
    const double limit = reference->limitMs(QuitReference::roundTripsMs(*session.x()));
    std::printf("[ figures  ] Escape on the map: exit %.0f ms after the request, limit %.0f ms\n", elapsed, limit);
    EXPECT_LT(elapsed, limit);
    EXPECT_EQ(session.exitCode(), 0) << session.standardError();
    EXPECT_EQ(session.standardOutput().find("Scanned"), std::string::npos) << "the scan was over";
}
