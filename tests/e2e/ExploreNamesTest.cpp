#include "tests/e2e/TextReading.h"
#include "tests/e2e/ViewerSession.h"
#include "tools/PixelProbe.h"
#include "tools/PngWriter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <sstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace {

// A row through the symbols of the start view, below the ground axis's
// reach at the window's left, and the top of the names' room below them.
constexpr int kSymbolRow = 305;
constexpr int kNamesTop = 328;
constexpr int kBandRows = 70;

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

// The picture once the start view has drawn `count` symbols and two grabs agree.
RgbImage settledPicture(ViewerSession& session, std::size_t count)
{
    RgbImage picture;
    session.pollUntil(
        [&] {
            const RgbImage first = session.grab();
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            picture = session.grab();
            return symbolsAcross(picture, kSymbolRow).size() == count && first.bytes() == picture.bytes();
        },
        20000, 100);
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
}
