#include "tests/e2e/TextReading.h"
#include "tests/e2e/ViewerSession.h"
#include "tools/PixelProbe.h"
#include "picture/PngWriter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <sstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace {

using TextReading::bandTop;
using TextReading::hasLineWith;
using TextReading::joined;
using TextReading::statusLines;

// A row through the symbols of the start view, below the ground axis's
// reach at the window's left, and the top of the names' room below them.
constexpr int kSymbolRow = 305;
constexpr int kNamesTop = 328;

struct Span {
    int left;
    int right; // exclusive
    int centre() const { return (left + right) / 2; }
};

// The lit stretches of a picture's row at least `least` pixels wide: the symbols it crosses.
std::vector<Span> symbolsAcross(const RgbImage& picture, int y, int least = 10)
{
    std::vector<Span> runs;
    int start = -1;
    for (int x = 0; x <= picture.width(); ++x) {
        const bool lit = x < picture.width() && PixelProbe::isLit(picture.pixel(x, y));
        if (lit && start < 0)
            start = x;
        if (!lit && start >= 0) {
            if (x - start >= least)
                runs.push_back({start, x});
            start = -1;
        }
    }
    return runs;
}

// The picture once the start view has drawn `count` symbols and all it had to.
RgbImage settledPicture(ViewerSession& session, std::size_t count)
{
    RgbImage picture;
    session.pollUntil(
        [&] { return session.grabSettled(picture) && symbolsAcross(picture, kSymbolRow).size() == count; }, 20000, 100);
    return picture;
}

std::vector<std::string> wordsOf(const std::vector<std::string>& lines)
{
    std::vector<std::string> words;
    for (const std::string& line : lines) {
        std::istringstream in(line);
        for (std::string word; in >> word;)
            words.push_back(word);
    }
    return words;
}

// Lit pixels of the picture inside a rectangle.
int inkIn(const RgbImage& picture, int left, int top, int right, int bottom)
{
    int ink = 0;
    for (int y = top; y < bottom; ++y)
        for (int x = left; x < right; ++x)
            ink += PixelProbe::isLit(picture.pixel(x, y)) ? 1 : 0;
    return ink;
}

} // namespace

TEST(ExploreNames, EveryNameOfTheStartViewReadsBackExactlyBelowItsSymbol)
{
    const std::vector<std::string> names
        = {"alpha",  "Bravo7", "charlie", "delta99", "echoFoxtrotGolf", "hotel", "india2024",
           "juliet", "kilo",   "lima",    "mike",    "novemberOscarPap"};
    ViewerSession session;
    for (std::size_t i = 0; i < names.size(); ++i)
        ASSERT_TRUE(i % 2 == 0 ? session.addFolder(names[i]) : session.addFile(names[i], "x")) << session.error();
    session.setArguments({"--explore"});
    ASSERT_TRUE(session.start()) << session.error();
    ASSERT_TRUE(session.waitForWindow()) << session.error();
    // The pointer away from the row, so no name is drawn highlighted.
    ASSERT_TRUE(session.movePointer(400, 100, 400, 60, false));
    const RgbImage picture = settledPicture(session, names.size());
    const std::vector<Span> symbols = symbolsAcross(picture, kSymbolRow);
    ASSERT_EQ(symbols.size(), names.size()) << "the start view does not show every symbol";

    // Each symbol has ink right below it, centred under it.
    for (const Span& symbol : symbols) {
        const int centre = symbol.centre();
        EXPECT_GT(inkIn(picture, centre - 8, kNamesTop, centre + 8, kNamesTop + 40), 20)
            << "no name below the symbol at column " << centre;
    }

    std::string error;
    const RgbImage page = TextReading::turnedLeft(TextReading::forReading(picture, 0, kNamesTop, 800, 222, 2));
    const std::vector<std::string> words = wordsOf(TextReading::lines(page, error));
    ASSERT_EQ(error, "");
    std::string shot = testing::TempDir() + "explore-names.png";
    for (const std::string& name : names)
        EXPECT_NE(std::find(words.begin(), words.end(), name), words.end())
            << "OCR did not read " << name << (PngWriter::write(page, shot, error) ? " in " + shot : "");

    // In the row's order, which is its symbols' order: folders first, each
    // group by name. The picture turned left reads the last slot first.
    const std::vector<std::string> rowOrder
        = {"alpha",  "charlie", "echoFoxtrotGolf", "india2024", "kilo", "mike",
           "Bravo7", "delta99", "hotel",           "juliet",    "lima", "novemberOscarPap"};
    std::vector<std::string> read;
    for (auto word = words.rbegin(); word != words.rend(); ++word)
        if (std::find(names.begin(), names.end(), *word) != names.end())
            read.push_back(*word);
    EXPECT_EQ(read, rowOrder);
}

namespace {

// The picture once the pointer, moved onto (x, y), has changed it and it has settled.
RgbImage pictureWithPointerAt(ViewerSession& session, int x, int y)
{
    const RgbImage before = session.grab();
    session.movePointer(x, y - 40, x, y, false);
    RgbImage picture = before;
    session.pollUntil([&] { return (picture = session.grab()).bytes() != before.bytes(); }, 5000);
    // Then until it stops changing.
    session.pollUntil(
        [&] {
            const RgbImage last = picture;
            picture = session.grab();
            return picture.bytes() == last.bytes();
        },
        5000, 100);
    return picture;
}

} // namespace

TEST(ExploreNames, TheStatusLineTellsOfTheEntryUnderThePointerOnOneLineWhateverItsBytes)
{
    ViewerSession session;
    ASSERT_TRUE(session.addFile("first.txt", std::string(12345, 'x'))) << session.error();
    ASSERT_TRUE(session.addFile("second/a", std::string(12345, 'x'))) << session.error();
    ASSERT_TRUE(session.addFile("second/b", std::string(12345, 'x'))) << session.error();
    ASSERT_TRUE(session.addFile("bad\xff\nname", "12345")) << session.error();
    session.setArguments({"--explore"});
    ASSERT_TRUE(session.start()) << session.error();
    ASSERT_TRUE(session.waitForWindow()) << session.error();
    ASSERT_TRUE(session.movePointer(400, 100, 400, 60, false));
    const RgbImage start = settledPicture(session, 3);
    const std::vector<Span> symbols = symbolsAcross(start, kSymbolRow);
    ASSERT_EQ(symbols.size(), 3u);
    const int startBand = bandTop(start);
    std::string error;
    EXPECT_TRUE(hasLineWith(statusLines(start, error), {"3 entries"})) << "the shown folder's line";

    int shown = 0;
    for (const Span& symbol : symbols) {
        const RgbImage picture = pictureWithPointerAt(session, symbol.centre(), kSymbolRow);
        const std::vector<std::string> lines = statusLines(picture, error);
        ASSERT_EQ(error, "");
        EXPECT_EQ(bandTop(picture), startBand) << "the band grew:" << joined(lines);
        if (hasLineWith(lines, {"first.txt"})) {
            EXPECT_TRUE(hasLineWith(lines, {"file", "12.3 kB", "modified"})) << joined(lines);
            // The name under the pointer is drawn in the highlight's yellow.
            int yellow = 0;
            for (int y = kNamesTop; y < kNamesTop + 100; ++y)
                for (int x = symbol.centre() - 8; x < symbol.centre() + 8; ++x) {
                    const Rgb colour = picture.pixel(x, y);
                    yellow += colour.red > 180 && colour.green > 150 && colour.blue < 110 ? 1 : 0;
                }
            EXPECT_GT(yellow, 20) << "the hovered name is not highlighted";
            ++shown;
        } else if (hasLineWith(lines, {"second"})) {
            EXPECT_TRUE(hasLineWith(lines, {"folder", "2 entries", "24.7 kB in all"})) << joined(lines);
            ++shown;
        } else if (hasLineWith(lines, {"bad", "name"})) {
            EXPECT_TRUE(hasLineWith(lines, {"file", "5 B"})) << joined(lines);
            ++shown;
        } else {
            ADD_FAILURE() << "no entry's name in the status line:" << joined(lines);
        }
    }
    EXPECT_EQ(shown, 3);
    EXPECT_TRUE(session.isRunning());
}

TEST(ExploreNames, AFontThatCannotBeUsedIsAWrongCommandLine)
{
    const std::string notAFont = ViewerSession::sceneRoot() + "notes.txt";
    const std::pair<std::string, std::string> cases[] = {
        {"/no/such/font.ttf", "No such file or directory"},
        {notAFont, "not a font file"},
    };
    for (const auto& [file, reason] : cases) {
        ViewerSession session;
        ASSERT_TRUE(session.addFile("notes.txt", "plain words, not glyphs\n")) << session.error();
        session.setArguments({"--explore", "--font", file});
        ASSERT_TRUE(session.start()) << session.error();
        ASSERT_TRUE(session.waitForExit(10000));
        EXPECT_EQ(session.exitCode(), 2);
        EXPECT_EQ(session.standardError(),
                  "lumenfold: cannot use font '" + file + "': " + reason + "\nTry 'lumenfold --help'.\n");
    }
}

TEST(ExploreNames, AFolderOfTenThousandFilesStandsTallerThanAnEmptyOneAsTheScaleSays)
{
    ViewerSession session;
    ASSERT_TRUE(session.addFolder("empty")) << session.error();
    for (int i = 0; i < 10000; ++i)
        ASSERT_TRUE(session.addFile("full/f" + std::to_string(i), std::string(100, 'x'))) << session.error();
    // Verbose, so the end of the scan, when the sizes are final, is told.
    session.setArguments({"--explore", "--verbose"});
    ASSERT_TRUE(session.start()) << session.error();
    ASSERT_TRUE(session.waitForWindow()) << session.error();
    ASSERT_TRUE(session.movePointer(400, 100, 400, 60, false));
    ASSERT_TRUE(session.waitForStandardOutput("Scanned", 20000)) << session.standardOutput();
    const RgbImage picture = settledPicture(session, 2);
    const std::vector<Span> symbols = symbolsAcross(picture, kSymbolRow);
    ASSERT_EQ(symbols.size(), 2u);

    // Each symbol's lit rows in its middle column, above the names.
    std::vector<std::pair<int, int>> spans;
    for (const Span& symbol : symbols) {
        int top = -1;
        int bottom = -1;
        for (int y = 0; y < kNamesTop; ++y)
            if (PixelProbe::isLit(picture.pixel(symbol.centre(), y))) {
                top = top < 0 ? y : top;
                bottom = y;
            }
        spans.emplace_back(top, bottom);
    }
    std::sort(spans.begin(), spans.end(), [](auto a, auto b) { return a.second - a.first < b.second - b.first; });
    const double empty = spans[0].second - spans[0].first + 1;
    const double full = spans[1].second - spans[1].first + 1;
    // 1,000,000 bytes: 1 + 2 * log10(1 + 10^6) / 11 times the empty folder's height.
    EXPECT_NEAR(full / empty, 1.0 + 2.0 * 6.0 / 11.0, 0.08) << empty << " and " << full << " pixels tall";
    EXPECT_NEAR(spans[0].second, spans[1].second, 2) << "the symbols do not stand on one base";
}
