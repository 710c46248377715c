#include "tests/e2e/TextReading.h"
#include "tests/e2e/ViewerSession.h"
#include "tools/PixelProbe.h"
#include "types/FileText.h"
#include "types/TypeGroup.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

namespace {

// A row through the symbols of the start view, below the ground axis's reach.
constexpr int kSymbolRow = 305;

// One entry per group, in the row's name order (the folder first); the
// folder symbol's amber reads as the package's hue.
struct Sample {
    const char* name;
    TypeGroup group;
};
const std::vector<Sample> kSamples{
    {"folder", TypeGroup::Folder}, {"a.png", TypeGroup::Image},      {"b.mkv", TypeGroup::Video},
    {"c.flac", TypeGroup::Audio},  {"d.tar.gz", TypeGroup::Archive}, {"e.pdf", TypeGroup::Document},
    {"f.cpp", TypeGroup::Text},    {"g.so", TypeGroup::Executable},  {"h.ttf", TypeGroup::Font},
    {"i.deb", TypeGroup::Package}, {"j.unknown", TypeGroup::Other},
};
const char* const kGroupSymbols[]
    = {"image", "video", "audio", "archive", "document", "text", "executable", "font", "package"};

std::string repositorySymbol(const std::string& name)
{
    std::string text;
    readFileText(std::string(LUMENFOLD_SOURCE_DIR) + "/symbols/standard/" + name + ".ASE", text);
    return text;
}

void addSamples(ViewerSession& session)
{
    for (const Sample& sample : kSamples) {
        const bool made = sample.group == TypeGroup::Folder ? session.addFile(std::string(sample.name) + "/inside", "x")
                                                            : session.addFile(sample.name, "some bytes");
        ASSERT_TRUE(made) << session.error();
    }
}

struct Span {
    int left;
    int right;
    int centre() const { return (left + right) / 2; }
};

std::vector<Span> symbolsAcross(const RgbImage& picture, int y)
{
    std::vector<Span> runs;
    int start = -1;
    for (int x = 0; x <= picture.width(); ++x) {
        const bool lit = x < picture.width() && PixelProbe::isLit(picture.pixel(x, y));
        if (lit && start < 0)
            start = x;
        if (!lit && start >= 0) {
            if (x - start >= 10)
                runs.push_back({start, x});
            start = -1;
        }
    }
    return runs;
}

bool colourless(TypeGroup group)
{
    return group == TypeGroup::Document || group == TypeGroup::Font || group == TypeGroup::Other;
}

// A colour's hue as proportions of red, green and blue once its grey part
// (the smallest of the three, which lighting adds and takes) is taken away.
std::vector<double> hue(double r, double g, double b)
{
    const double grey = std::min({r, g, b});
    const double sum = std::max(r + g + b - 3.0 * grey, 1.0);
    return {(r - grey) / sum, (g - grey) / sum, (b - grey) / sum};
}

// What a symbol's colour shows: the file group of the nearest hue, or for
// a colour with hardly any hue, one of the colourless groups. The folder
// symbol keeps its own amber, whose hue the package's orange shares.
TypeGroup shownGroup(const Rgb& seen)
{
    if (std::max({seen.red, seen.green, seen.blue}) - std::min({seen.red, seen.green, seen.blue}) < 40)
        return TypeGroup::Other;
    const std::vector<double> mine = hue(seen.red, seen.green, seen.blue);
    TypeGroup best = TypeGroup::Other;
    double bestDistance = 1e9;
    for (int i = 0; i < kTypeGroupCount; ++i) {
        const TypeGroup group = static_cast<TypeGroup>(i);
        if (group == TypeGroup::Folder || colourless(group))
            continue;
        const GroupColour c = groupColour(group);
        const std::vector<double> theirs = hue(c.r, c.g, c.b);
        const double distance = std::hypot(mine[0] - theirs[0], mine[1] - theirs[1], mine[2] - theirs[2]);
        if (distance < bestDistance) {
            bestDistance = distance;
            best = group;
        }
    }
    return best;
}

// The group most of a symbol's pixels show, the black around it left out.
TypeGroup mostOf(const RgbImage& picture, const Span& span)
{
    int votes[kTypeGroupCount] = {};
    for (int y = kSymbolRow - 35; y <= kSymbolRow + 15; ++y)
        for (int x = span.left + 2; x < span.right - 2; ++x) {
            const Rgb c = picture.pixel(x, y);
            if (std::max({c.red, c.green, c.blue}) > 60)
                ++votes[static_cast<int>(shownGroup(c))];
        }
    return static_cast<TypeGroup>(std::max_element(votes, votes + kTypeGroupCount) - votes);
}

// Whether every slot shows its sample's group; what each shows in `seen`.
bool showsTheGroups(const RgbImage& picture, std::string& seen)
{
    const std::vector<Span> symbols = symbolsAcross(picture, kSymbolRow);
    std::ostringstream out;
    bool all = symbols.size() == kSamples.size();
    for (std::size_t i = 0; i < symbols.size() && i < kSamples.size(); ++i) {
        const TypeGroup expected = kSamples[i].group;
        const TypeGroup shown = mostOf(picture, symbols[i]);
        const bool same = expected == TypeGroup::Folder ? shown == TypeGroup::Package
            : colourless(expected)                      ? colourless(shown)
                                                        : shown == expected;
        all = all && same;
        out << " " << kSamples[i].name << ":" << groupName(shown);
    }
    seen = out.str() + " (" + std::to_string(symbols.size()) + " symbols)";
    return all;
}

std::string withoutSpaces(std::string text)
{
    text.erase(std::remove(text.begin(), text.end(), ' '), text.end());
    return text;
}

int bandTop(const RgbImage& picture)
{
    int y = picture.height() - 1;
    while (y > 0 && picture.pixel(2, y).red > 0)
        --y;
    return y + 1;
}

std::string bandText(const RgbImage& picture, std::string& error)
{
    const int top = bandTop(picture);
    std::string text;
    for (const std::string& line : TextReading::lines(
             TextReading::forReading(picture, 0, top, picture.width(), picture.height() - top, 3), error))
        text += line + "\n";
    return text;
}

// The picture once the viewer has drawn all it had to and `condition` holds of it.
RgbImage settled(ViewerSession& session, const std::function<bool(const RgbImage&)>& condition)
{
    RgbImage picture;
    session.pollUntil([&] { return session.grabSettled(picture) && condition(picture); }, 20000, 100);
    return picture;
}

} // namespace

TEST(ExploreTypes, EachGroupShowsInItsColourTheLegendNamesThemAndTheStatusLineDescribesTheType)
{
    ViewerSession session;
    for (const char* symbol : kGroupSymbols)
        ASSERT_TRUE(session.addSymbol(std::string(symbol) + ".ASE", repositorySymbol(symbol))) << session.error();
    ASSERT_NO_FATAL_FAILURE(addSamples(session));
    session.setEnvironment("LANG", "C");
    session.setArguments({"--explore"});
    ASSERT_TRUE(session.start()) << session.error();
    ASSERT_TRUE(session.waitForWindow()) << session.error();
    ASSERT_TRUE(session.movePointer(400, 100, 400, 60, false));

    std::string seen;
    const RgbImage row = settled(session, [&](const RgbImage& picture) { return showsTheGroups(picture, seen); });
    EXPECT_TRUE(showsTheGroups(row, seen)) << "each slot's colour:" << seen;

    // The legend names every group of the folder's subtree.
    ASSERT_TRUE(session.tapKey("t"));
    const int rowBand = bandTop(row);
    const RgbImage legend = settled(session, [&](const RgbImage& picture) { return bandTop(picture) < rowBand - 100; });
    std::string error;
    const std::string legendText = bandText(legend, error);
    ASSERT_EQ(error, "");
    for (const char* name :
         {"folder", "image", "video", "audio", "archive", "document", "text", "executable", "font", "package", "other"})
        EXPECT_NE(legendText.find(name), std::string::npos) << name << " is not in the legend:\n" << legendText;
    ASSERT_TRUE(session.tapKey("t"));

    // The pointer on the image's symbol: its type's description.
    const std::vector<Span> symbols = symbolsAcross(row, kSymbolRow);
    ASSERT_EQ(symbols.size(), kSamples.size());
    ASSERT_TRUE(session.movePointer(symbols[1].centre(), kSymbolRow - 40, symbols[1].centre(), kSymbolRow, false));
    std::string status;
    settled(session, [&](const RgbImage& picture) {
        status = bandText(picture, error);
        return withoutSpaces(status).find("PNGimage") != std::string::npos;
    });
    // OCR may read the spaces or not.
    EXPECT_NE(status.find("a.png"), std::string::npos) << status;
    EXPECT_NE(withoutSpaces(status).find("PNGimage"), std::string::npos) << status;
    EXPECT_TRUE(session.isRunning());
}

TEST(ExploreTypes, ASymbolFolderWithOnlyTheFolderAndFileSymbolsStillShowsEveryEntry)
{
    ViewerSession session;
    ASSERT_NO_FATAL_FAILURE(addSamples(session));
    session.setArguments({"--explore"});
    ASSERT_TRUE(session.start()) << session.error();
    ASSERT_TRUE(session.waitForWindow()) << session.error();
    const RgbImage row = settled(
        session, [&](const RgbImage& picture) { return symbolsAcross(picture, kSymbolRow).size() == kSamples.size(); });
    EXPECT_EQ(symbolsAcross(row, kSymbolRow).size(), kSamples.size());
    EXPECT_TRUE(session.isRunning());
}
