#include "text/FontSet.h"

#include "text/FontFinder.h"
#include "text/Utf8Decoder.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <cmath>
#include <cstring>

std::unique_ptr<FontSet> FontSet::open(const std::string& file, std::string& reason, int index)
{
    FontFinder::Found found{file, index};
    if (file.empty()) {
        found = FontFinder::defaultFont(reason);
        if (found.file.empty())
            return nullptr;
    } else {
        reason = FontFinder::whyUnusable(file, index);
        if (!reason.empty())
            return nullptr;
    }
    std::unique_ptr<FontSet> fonts(new FontSet);
    if (FT_Init_FreeType(&fonts->library) != 0) {
        reason = "FreeType could not start";
        return nullptr;
    }
    if (fonts->openFace(found.file, found.index) != 0) {
        reason = FontFinder::whyUnusable(found.file, found.index);
        if (reason.empty())
            reason = "FreeType could not open the font";
        return nullptr;
    }
    fonts->mainFile = found.file;
    return fonts;
}

FontSet::~FontSet()
{
    for (Face& face : faces)
        FT_Done_Face(face.face);
    if (library != nullptr)
        FT_Done_FreeType(library);
}

int FontSet::openFace(const std::string& file, int index)
{
    const std::string key = file + '\n' + std::to_string(index);
    const auto known = faceByFile.find(key);
    if (known != faceByFile.end())
        return known->second;
    FT_Face face = nullptr;
    int opened = -1;
    if (FT_New_Face(library, file.c_str(), index, &face) == 0) {
        if (FT_IS_SCALABLE(face) && FT_Select_Charmap(face, FT_ENCODING_UNICODE) == 0) {
            opened = static_cast<int>(faces.size());
            faces.push_back({face, 0});
        } else {
            FT_Done_Face(face);
        }
    }
    faceByFile.emplace(key, opened);
    return opened;
}

FontSet::Choice FontSet::findGlyph(char32_t c)
{
    for (size_t i = 0; i < faces.size(); ++i)
        if (const FT_UInt glyph = FT_Get_Char_Index(faces[i].face, c))
            return {static_cast<int>(i), glyph};
    const FontFinder::Found found = FontFinder::covering(c);
    if (!found.file.empty()) {
        const int face = openFace(found.file, found.index);
        if (face >= 0)
            if (const FT_UInt glyph = FT_Get_Char_Index(faces[static_cast<size_t>(face)].face, c))
                return {face, glyph};
    }
    return {-1, 0};
}

FontSet::Choice FontSet::choose(char32_t c)
{
    const auto known = choices.find(c);
    if (known != choices.end())
        return known->second;
    Choice choice = findGlyph(c);
    if (choice.face < 0)
        choice = c == Utf8Decoder::kReplacement ? Choice{0, 0} : choose(Utf8Decoder::kReplacement);
    choices.emplace(c, choice);
    return choice;
}

FT_FaceRec_* FontSet::sized(int face, int pixelSize)
{
    Face& entry = faces[static_cast<size_t>(face)];
    if (entry.pixelSize != pixelSize) {
        FT_Set_Pixel_Sizes(entry.face, 0, static_cast<FT_UInt>(pixelSize));
        entry.pixelSize = pixelSize;
    }
    return entry.face;
}

GlyphBitmap FontSet::render(char32_t c, int pixelSize)
{
    const Choice choice = choose(c);
    FT_Face face = sized(choice.face, pixelSize);
    GlyphBitmap out;
    if (FT_Load_Glyph(face, choice.glyph, FT_LOAD_RENDER | FT_LOAD_TARGET_NORMAL) != 0)
        return out;
    const FT_GlyphSlot slot = face->glyph;
    out.advance = static_cast<float>(slot->advance.x) / 64.0f;
    const FT_Bitmap& bitmap = slot->bitmap;
    if (bitmap.pixel_mode != FT_PIXEL_MODE_GRAY && bitmap.pixel_mode != FT_PIXEL_MODE_MONO)
        return out;
    out.width = static_cast<int>(bitmap.width);
    out.rows = static_cast<int>(bitmap.rows);
    out.left = slot->bitmap_left;
    out.top = slot->bitmap_top;
    out.coverage.resize(static_cast<size_t>(out.width) * static_cast<size_t>(out.rows));
    for (int y = 0; y < out.rows; ++y) {
        const unsigned char* row = bitmap.buffer + static_cast<std::ptrdiff_t>(y) * bitmap.pitch;
        unsigned char* target = out.coverage.data() + static_cast<size_t>(y) * static_cast<size_t>(out.width);
        if (bitmap.pixel_mode == FT_PIXEL_MODE_GRAY) {
            std::memcpy(target, row, static_cast<size_t>(out.width));
            continue;
        }
        for (int x = 0; x < out.width; ++x)
            target[x] = (row[x / 8] & (0x80 >> (x % 8))) != 0 ? 255 : 0;
    }
    return out;
}

int FontSet::ascent(int pixelSize)
{
    return static_cast<int>(std::ceil(sized(0, pixelSize)->size->metrics.ascender / 64.0));
}

int FontSet::descent(int pixelSize)
{
    return static_cast<int>(std::ceil(-sized(0, pixelSize)->size->metrics.descender / 64.0));
}

int FontSet::lineHeight(int pixelSize)
{
    return static_cast<int>(std::ceil(sized(0, pixelSize)->size->metrics.height / 64.0));
}
