#pragma once

#include <string>

// Finding font files through fontconfig, and telling whether a file is a font
// FreeType can draw with. Safe to call before any window opens; the
// fontconfig calls may run on a helper thread while the main thread does
// other work, as long as only one thread uses them at a time.
class FontFinder {
public:
    // A file and the face within it (collections hold several).
    struct Found {
        std::string file;
        int index = 0;
    };

    // "" when `file` opens with FreeType as a scalable face with a Unicode
    // character map; otherwise the reason, ready for "cannot use font '<file>':
    // <reason>": the system's text for a file that cannot be read ("No such
    // file or directory"), "not a regular file", "not a font file", or
    // FreeType's complaint about a damaged or unsupported one.
    static std::string whyUnusable(const std::string& file, int index = 0);

    // The system's "sans-serif" through fontconfig, following its fallback
    // chain past files that fail `whyUnusable`. An empty file and `reason`
    // set when no usable font is installed at all.
    static Found defaultFont(std::string& reason);

    // A usable scalable font that has a glyph for `c`, or an empty file.
    static Found covering(char32_t c);
};
