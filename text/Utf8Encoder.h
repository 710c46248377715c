#pragma once

#include <string>
#include <string_view>

// Writes characters as UTF-8.
class Utf8Encoder {
public:
    // Appends `c` to `out`; a surrogate or a value above U+10FFFF appends U+FFFD.
    static void append(char32_t c, std::string& out);
    static std::string encode(std::u32string_view text);
};
