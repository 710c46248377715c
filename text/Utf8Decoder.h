#pragma once

#include <string>
#include <string_view>

// Turns any bytes into characters that can be drawn on one line.
class Utf8Decoder {
public:
    static constexpr char32_t kReplacement = 0xFFFD;

    // Decodes `bytes` as UTF-8. Each maximal ill-formed subsequence (a stray
    // continuation byte, a truncated sequence, an overlong form, a surrogate,
    // anything above U+10FFFF) becomes one U+FFFD. Control characters never
    // survive: C0 and DEL become their control pictures (U+2400 + c, DEL as
    // U+2421) and C1 becomes U+FFFD, so nothing can break or move the line.
    static std::u32string decode(std::string_view bytes);

    // The character shown in place of `c`: its control picture for C0 and DEL,
    // U+FFFD for C1, `c` itself otherwise.
    static char32_t visible(char32_t c);

    // True for the control pictures `visible` produces, which a font may lack.
    static bool isControlPicture(char32_t c) { return c >= 0x2400 && c <= 0x2421; }
};
