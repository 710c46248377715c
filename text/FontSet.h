#pragma once

#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

struct FT_LibraryRec_;
struct FT_FaceRec_;

// One glyph rasterised by FreeType: 8-bit coverage, rows top to bottom.
struct GlyphBitmap {
    int width = 0;
    int rows = 0;
    int left = 0; // from the pen position to the bitmap's left edge
    int top = 0; // from the baseline up to the bitmap's top row
    float advance = 0.0f; // pixels to the next pen position
    std::vector<unsigned char> coverage; // width * rows
};

// The main font face and the fallback faces fontconfig finds for characters
// the main face lacks (asked once per such character, then remembered). A
// character no font has is drawn as U+FFFD, and failing that as the main
// face's missing-glyph box. Not thread-safe; one thread at a time.
class FontSet {
public:
    // Opens `file` (face `index`), or the system's default font when `file`
    // is empty. nullptr and `reason` set when that fails; `reason` is
    // FontFinder's, for the same wording before and after a window opens.
    static std::unique_ptr<FontSet> open(const std::string& file, std::string& reason, int index = 0);
    ~FontSet();
    FontSet(const FontSet&) = delete;
    FontSet& operator=(const FontSet&) = delete;

    // Rasterises the glyph drawn for `c` at `pixelSize` pixels per em.
    GlyphBitmap render(char32_t c, int pixelSize);

    // The main face's ascent above and descent below the baseline, and the
    // distance between baselines, in pixels at `pixelSize`.
    int ascent(int pixelSize);
    int descent(int pixelSize);
    int lineHeight(int pixelSize);

    const std::string& file() const { return mainFile; }

private:
    struct Face {
        FT_FaceRec_* face = nullptr;
        int pixelSize = 0;
    };
    struct Choice {
        int face = 0;
        unsigned glyph = 0;
    };

    FontSet() = default;
    int openFace(const std::string& file, int index);
    Choice choose(char32_t c);
    Choice findGlyph(char32_t c);
    FT_FaceRec_* sized(int face, int pixelSize);

    FT_LibraryRec_* library = nullptr;
    std::string mainFile;
    std::vector<Face> faces; // [0] is the main face
    std::unordered_map<std::string, int> faceByFile;
    std::unordered_map<char32_t, Choice> choices;
};
