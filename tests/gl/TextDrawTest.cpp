#include "text/FontFinder.h"
#include "text/FontSet.h"
#include "text/LineRaster.h"
#include "text/LineSheet.h"
#include "text/TextRenderer.h"

#include <GL/gl.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr int kWidth = 800;
constexpr int kHeight = 600;
const TextRenderer::Color kWhite{1.0f, 1.0f, 1.0f, 1.0f};

// The red channel of the back buffer, rows top to bottom like the window.
struct Ink {
    std::vector<unsigned char> red;

    int at(int x, int y) const { return red[static_cast<size_t>(y) * kWidth + static_cast<size_t>(x)]; }

    // Lit pixels inside [left, right) x [top, bottom), and outside it.
    std::pair<int, int> insideOutside(int left, int top, int right, int bottom) const
    {
        int inside = 0;
        int outside = 0;
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x)
                if (at(x, y) > 0)
                    ++(x >= left && x < right && y >= top && y < bottom ? inside : outside);
        return {inside, outside};
    }
};

Ink readInk()
{
    std::vector<unsigned char> flipped(static_cast<size_t>(kWidth) * kHeight);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, kWidth, kHeight, GL_RED, GL_UNSIGNED_BYTE, flipped.data());
    Ink ink;
    ink.red.resize(flipped.size());
    for (int y = 0; y < kHeight; ++y)
        std::copy_n(&flipped[static_cast<size_t>(kHeight - 1 - y) * kWidth], kWidth,
                    &ink.red[static_cast<size_t>(y) * kWidth]);
    return ink;
}

void clearScreen()
{
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

class TextDrawTest : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        std::string reason;
        fonts = FontSet::open("", reason).release();
        ASSERT_NE(fonts, nullptr) << reason;
    }

    void SetUp() override
    {
        ASSERT_NE(fonts, nullptr);
        text = std::make_unique<TextRenderer>(*fonts);
        text->setWindowSize(kWidth, kHeight);
        glViewport(0, 0, kWidth, kHeight);
        clearScreen();
    }

    // Ink of `bytes` drawn at (left, baseline) must stay in the line's box.
    void expectInkOnlyInLine(const std::string& bytes, int left, int baseline)
    {
        text->addScreenText(bytes, static_cast<float>(left), static_cast<float>(baseline), kWhite);
        text->drawScreen();
        const int right = left + static_cast<int>(text->screenWidth(bytes));
        const auto [inside, outside] = readInk().insideOutside(left, baseline - text->screenAscent(), right + 1,
                                                               baseline + text->screenDescent());
        EXPECT_GT(inside, 20) << bytes;
        EXPECT_EQ(outside, 0) << bytes;
    }

    static FontSet* fonts; // shared: opening it is the slow part
    std::unique_ptr<TextRenderer> text;
};

FontSet* TextDrawTest::fonts = nullptr;

TEST_F(TextDrawTest, ScreenTextInksOnlyWhereItsLineIsLaidOut)
{
    expectInkOnlyInLine("Lumenfold 42", 100, 200);
    clearScreen();
    text->setScreenPixelSize(28);
    expectInkOnlyInLine("Lumenfold 42", 100, 200);
}

TEST_F(TextDrawTest, InvalidBytesAndControlsStayOnOneLine)
{
    const std::string name = "bad\xFF\xC0name\nwith\ttab";
    // Each invalid byte and each control is one visible character, no break.
    EXPECT_EQ(text->screenWidth(name),
              text->screenWidth("bad\xEF\xBF\xBD\xEF\xBF\xBDname\xE2\x90\x8Awith\xE2\x90\x89tab"));
    EXPECT_GT(text->screenWidth(name), text->screenWidth("badnamewithtab"));
    expectInkOnlyInLine(name, 50, 300);
}

TEST_F(TextDrawTest, ScreenTextIsSharpAndDrawsTheSameAfterTheAtlasStartsAfresh)
{
    text->setScreenPixelSize(40);
    text->addScreenText("Folder", 40, 100, kWhite);
    text->drawScreen();
    const Ink before = readInk();

    // A 512 x 512 atlas holds about 200 glyphs at 40 pixels: lines of 100
    // new glyphs each, queued after the word and drawn off the window, start
    // it afresh several times. The word, queued first, must come out as
    // before, and so must a copy queued last.
    clearScreen();
    text->addScreenText("Folder", 40, 100, kWhite);
    for (char32_t first = 0x410; first < 0x410 + 600; first += 100) {
        std::string line;
        for (char32_t c = first; c < first + 100; ++c)
            line += {static_cast<char>(0xC0 | (c >> 6)), static_cast<char>(0x80 | (c & 0x3F))};
        text->addScreenText(line, -100000, 100, kWhite);
    }
    text->addScreenText("Folder", 40, 200, kWhite);
    text->drawScreen();
    const Ink after = readInk();
    int differing = 0;
    int lit = 0;
    for (int y = 50; y < 150; ++y)
        for (int x = 0; x < kWidth; ++x) {
            differing += before.at(x, y) != after.at(x, y);
            lit += after.at(x, y) > 0;
        }
    EXPECT_GT(lit, 50);
    EXPECT_EQ(differing, 0);
    // The copy drawn after the restart matches, 100 pixels lower.
    differing = 0;
    for (int y = 50; y < 150; ++y)
        for (int x = 0; x < kWidth; ++x)
            differing += before.at(x, y) != after.at(x, y + 100);
    EXPECT_EQ(differing, 0);
    // Pixel-aligned glyphs at one texel per pixel keep full-strength stems.
    int full = 0;
    for (const unsigned char v : before.red)
        full += v == 255;
    EXPECT_GT(full, 40);
}

TEST_F(TextDrawTest, SceneTextLiesOnItsPlaneFadedAndLeavesTheGlStateAsFound)
{
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-4.0, 4.0, -3.0, 3.0, -10.0, 10.0); // 100 pixels per unit
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glEnable(GL_LIGHTING);
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_CULL_FACE);
    glEnable(GL_DEPTH_TEST);
    glDisable(GL_BLEND);
    glColor4f(0.25f, 0.5f, 0.75f, 1.0f);

    const std::string word = "Projects";
    const float width = text->sceneWidth(word, 0.5f);
    for (const bool mipmaps : {false, true}) {
        clearScreen();
        text->setSceneMipmaps(mipmaps);
        text->addSceneText(word, {-2.0f, 0.0f, 0.0f}, {1.0f, 0.0f, 0.0f}, {0.0f, 1.0f, 0.0f}, 0.5f,
                           {1.0f, 1.0f, 1.0f, 0.5f});
        text->drawScene();

        const Ink ink = readInk();
        const int left = 200;
        const int right = 200 + static_cast<int>(width * 100.0f) + 1;
        const auto [inside, outside] = ink.insideOutside(left, 300 - 50, right, 300 + 20);
        EXPECT_GT(inside, 50) << "mipmaps " << mipmaps;
        EXPECT_EQ(outside, 0) << "mipmaps " << mipmaps;
        int brightest = 0;
        for (const unsigned char v : ink.red)
            brightest = std::max<int>(brightest, v);
        EXPECT_NEAR(brightest, 128, 2) << "half alpha over black, mipmaps " << mipmaps;
    }

    EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_TRUE(glIsEnabled(GL_CULL_FACE));
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    EXPECT_FALSE(glIsEnabled(GL_ALPHA_TEST));
    GLint binding = -1;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &binding);
    EXPECT_EQ(binding, 0);
    GLboolean depthMask = GL_FALSE;
    glGetBooleanv(GL_DEPTH_WRITEMASK, &depthMask);
    EXPECT_TRUE(depthMask);
    GLfloat colour[4];
    glGetFloatv(GL_CURRENT_COLOR, colour);
    EXPECT_EQ(colour[1], 0.5f);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    glDisable(GL_LIGHTING);
    glDisable(GL_CULL_FACE);
    glDisable(GL_DEPTH_TEST);
}

TEST_F(TextDrawTest, SceneTextSeenAtItsSizeDrawsTheSameFromTheFullSizeGlyphsAndSmallerTextKeepsItsMipmaps)
{
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-4.0, 4.0, -3.0, 3.0, -10.0, 10.0); // 100 pixels per unit
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    text->setSceneMipmaps(true);
    const float rasterUnits = static_cast<float>(text->scenePixelSize()) / 100.0f;
    const auto draw = [&](float height, TextRenderer::Seen seen) {
        clearScreen();
        text->addSceneText("Projects 2026", {-3.0f, 0.0f, 0.0f}, {1.0f, 0.0f, 0.0f}, {0.0f, 1.0f, 0.0f}, height, kWhite,
                           LineLayout::kNameCharacters, LineLayout::kUnlimited, seen);
        text->drawScene();
        return readInk().red;
    };
    // One texel to a pixel, and magnified twice: GL samples the full-size
    // level either way, so the picture is the same.
    for (const float scale : {1.0f, 2.0f})
        EXPECT_EQ(draw(rasterUnits * scale, TextRenderer::Seen::Smaller),
                  draw(rasterUnits * scale, TextRenderer::Seen::AtSizeOrLarger))
            << "scale " << scale;
    // A quarter the size samples the smaller levels, before and after text
    // drawn from the full-size level alone.
    const std::vector<unsigned char> small = draw(rasterUnits / 4.0f, TextRenderer::Seen::Smaller);
    EXPECT_NE(small, draw(rasterUnits / 4.0f, TextRenderer::Seen::AtSizeOrLarger));
    EXPECT_EQ(small, draw(rasterUnits / 4.0f, TextRenderer::Seen::Smaller));
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(TextDrawTest, AFacingLineDrawsAsItsGlyphsDoOneByOneWhicheverWayItReads)
{
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-4.0, 4.0, -3.0, 3.0, -10.0, 10.0); // 100 pixels per unit, origin at pixel (400, 300)
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    // Magnified from the raster size, by a whole number of size steps.
    const double pixelsPerEm = LineRaster::pixelsOf(LineRaster::stepOf(text->scenePixelSize() * 1.3));
    const float height = static_cast<float>(pixelsPerEm / 100.0);
    const TextRenderer::Color faded{1.0f, 1.0f, 1.0f, 0.75f};
    struct Way {
        TextRenderer::Point along, up;
    };
    for (const Way way : {Way{{1.0f, 0.0f, 0.0f}, {0.0f, 1.0f, 0.0f}}, Way{{0.0f, -1.0f, 0.0f}, {1.0f, 0.0f, 0.0f}}}) {
        clearScreen();
        text->addSceneText("Projects 2026", {-1.0f, 1.0f, 0.0f}, way.along, way.up, height, faded,
                           LineLayout::kNameCharacters, LineLayout::kUnlimited, TextRenderer::Seen::AtSizeOrLarger);
        text->drawScene();
        const Ink glyphs = readInk();
        clearScreen();
        TextRenderer::Facing facing{300.0,
                                    400.0,
                                    0.0,
                                    {static_cast<int>(way.along.x), static_cast<int>(way.along.y)},
                                    {static_cast<int>(way.up.x), static_cast<int>(way.up.y)},
                                    pixelsPerEm,
                                    {kWidth, kHeight}};
        ASSERT_TRUE(text->addFacingSceneText("Projects 2026", facing, faded));
        text->drawScene();
        const Ink line = readInk();
        int inked = 0;
        int worst = 0;
        for (std::size_t i = 0; i < line.red.size(); ++i) {
            inked += glyphs.red[i] > 0;
            worst = std::max(worst, std::abs(line.red[i] - glyphs.red[i]));
        }
        EXPECT_GT(inked, 500) << "reading along " << way.along.x << ", " << way.along.y;
        EXPECT_LE(worst, 3) << "reading along " << way.along.x << ", " << way.along.y;
    }
    // Seen far larger than a bitmap is worth, a line is left to the glyphs.
    TextRenderer::Facing huge{300.0, 400.0, 0.0, {1, 0}, {0, 1}, 400.0, {kWidth, kHeight}};
    EXPECT_FALSE(text->addFacingSceneText("Projects 2026", huge, faded));
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST(LineSheet, KeepsItsLinesUntilTheLeastRecentlyUsedAreCrowdedOutOrItStartsAfresh)
{
    LineSheet sheet(64, 2);
    LineRaster::Bitmap square;
    square.width = square.rows = 30;
    square.coverage.assign(900, 200);
    ASSERT_NE(sheet.add("a", square), nullptr);
    ASSERT_NE(sheet.add("b", square), nullptr);
    ASSERT_NE(sheet.find("a"), nullptr);
    ASSERT_NE(sheet.add("c", square), nullptr);
    EXPECT_EQ(sheet.find("b"), nullptr) << "the least recently used line stays beyond the count";
    EXPECT_NE(sheet.find("a"), nullptr);
    // Four squares fill the atlas: the fifth has no room until it starts afresh.
    ASSERT_NE(sheet.add("d", square), nullptr);
    EXPECT_EQ(sheet.add("e", square), nullptr);
    sheet.reset();
    EXPECT_EQ(sheet.find("a"), nullptr);
    const LineSheet::Placed* e = sheet.add("e", square);
    ASSERT_NE(e, nullptr);
    EXPECT_FLOAT_EQ(e->u1 - e->u0, 30.0f / 64.0f);
    // A line larger than the whole atlas never fits; one without ink needs no room.
    LineRaster::Bitmap wide;
    wide.width = 80;
    wide.rows = 2;
    wide.coverage.assign(160, 255);
    EXPECT_EQ(sheet.add("wide", wide), nullptr);
    const LineSheet::Placed* blank = sheet.add("blank", LineRaster::Bitmap());
    ASSERT_NE(blank, nullptr);
    EXPECT_EQ(blank->width, 0);
}

TEST(FontFinder, GivesTheReasonAFileCannotBeUsedAndFindsTheDefault)
{
    const std::string folder = testing::TempDir();
    const std::string textFile = folder + "not-a-font.ttf";
    std::ofstream(textFile) << "plain words, no glyphs\n";
    EXPECT_EQ(FontFinder::whyUnusable(folder + "no-such-font.ttf"), "No such file or directory");
    EXPECT_EQ(FontFinder::whyUnusable(textFile), "not a font file");
    EXPECT_EQ(FontFinder::whyUnusable(folder), "Is a directory");
    EXPECT_EQ(FontFinder::whyUnusable("/dev/null"), "not a regular file");
    std::remove(textFile.c_str());

    std::string reason;
    const FontFinder::Found found = FontFinder::defaultFont(reason);
    EXPECT_FALSE(found.file.empty()) << reason;
    EXPECT_EQ(FontFinder::whyUnusable(found.file, found.index), "");
}

} // namespace
