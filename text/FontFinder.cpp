#include "text/FontFinder.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

std::string freeTypeReason(FT_Error error)
{
    if (error == FT_Err_Unknown_File_Format)
        return "not a font file";
    if (const char* text = FT_Error_String(error))
        return text;
    char text[64];
    std::snprintf(text, sizeof text, "damaged or unsupported font file (FreeType error 0x%02X)",
                  static_cast<unsigned>(error));
    return text;
}

std::string faceReason(FT_Library library, const std::string& file, int index)
{
    FT_Face face = nullptr;
    const FT_Error error = FT_New_Face(library, file.c_str(), index, &face);
    if (error != 0)
        return freeTypeReason(error);
    std::string reason;
    if (!FT_IS_SCALABLE(face))
        reason = "not a scalable font (bitmap sizes only)";
    else if (FT_Select_Charmap(face, FT_ENCODING_UNICODE) != 0)
        reason = "the font has no Unicode character map";
    FT_Done_Face(face);
    return reason;
}

FontFinder::Found fileOf(FcPattern* pattern)
{
    FontFinder::Found found;
    FcChar8* file = nullptr;
    if (FcPatternGetString(pattern, FC_FILE, 0, &file) == FcResultMatch && file != nullptr)
        found.file = reinterpret_cast<const char*>(file);
    int index = 0;
    if (FcPatternGetInteger(pattern, FC_INDEX, 0, &index) == FcResultMatch)
        found.index = index;
    return found;
}

// The pattern for "sans-serif", with `c` required when it is not 0, after
// the configuration's substitutions.
FcPattern* sansSerif(char32_t c)
{
    FcPattern* pattern = FcNameParse(reinterpret_cast<const FcChar8*>("sans-serif"));
    if (pattern == nullptr)
        return nullptr;
    FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
    if (c != 0) {
        FcCharSet* characters = FcCharSetCreate();
        FcCharSetAddChar(characters, c);
        FcPatternAddCharSet(pattern, FC_CHARSET, characters);
        FcCharSetDestroy(characters);
    }
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    return pattern;
}

bool covers(FcPattern* font, char32_t c)
{
    if (c == 0)
        return true;
    FcCharSet* characters = nullptr;
    return FcPatternGetCharSet(font, FC_CHARSET, 0, &characters) == FcResultMatch && FcCharSetHasChar(characters, c);
}

// The best match first, then the rest of the sorted chain: the first font
// that covers `c` and that FreeType accepts.
FontFinder::Found firstUsable(char32_t c)
{
    if (!FcInit())
        return {};
    FcPattern* pattern = sansSerif(c);
    if (pattern == nullptr)
        return {};
    FontFinder::Found found;
    FcResult result = FcResultNoMatch;
    if (FcPattern* match = FcFontMatch(nullptr, pattern, &result)) {
        const FontFinder::Found candidate = fileOf(match);
        if (covers(match, c) && !candidate.file.empty()
            && FontFinder::whyUnusable(candidate.file, candidate.index).empty())
            found = candidate;
        FcPatternDestroy(match);
    }
    if (found.file.empty()) {
        if (FcFontSet* chain = FcFontSort(nullptr, pattern, FcTrue, nullptr, &result)) {
            for (int i = 0; i < chain->nfont && found.file.empty(); ++i) {
                const FontFinder::Found candidate = fileOf(chain->fonts[i]);
                if (covers(chain->fonts[i], c) && !candidate.file.empty()
                    && FontFinder::whyUnusable(candidate.file, candidate.index).empty())
                    found = candidate;
            }
            FcFontSetDestroy(chain);
        }
    }
    FcPatternDestroy(pattern);
    return found;
}

} // namespace

std::string FontFinder::whyUnusable(const std::string& file, int index)
{
    // FreeType would block on a FIFO and read a device for ever: only
    // regular files are opened.
    struct stat status {};
    if (stat(file.c_str(), &status) != 0)
        return std::strerror(errno);
    if (!S_ISREG(status.st_mode))
        return S_ISDIR(status.st_mode) ? std::strerror(EISDIR) : "not a regular file";
    if (std::FILE* probe = std::fopen(file.c_str(), "rb"))
        std::fclose(probe);
    else
        return std::strerror(errno);

    FT_Library library = nullptr;
    if (FT_Init_FreeType(&library) != 0)
        return "FreeType could not start";
    std::string reason = faceReason(library, file, index);
    FT_Done_FreeType(library);
    return reason;
}

FontFinder::Found FontFinder::defaultFont(std::string& reason)
{
    Found found = firstUsable(0);
    if (found.file.empty())
        reason = "no usable font found through fontconfig (install fonts-dejavu-core)";
    return found;
}

FontFinder::Found FontFinder::covering(char32_t c)
{
    return firstUsable(c);
}
