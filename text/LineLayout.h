#pragma once

#include <cstddef>
#include <functional>
#include <limits>
#include <string>
#include <vector>

// One line of characters placed left to right from x = 0 by their advances,
// shortened with a trailing "…" when it holds too many characters or is too
// wide. Units are whatever the advances are in (pixels of the raster size).
class LineLayout {
public:
    static constexpr char32_t kEllipsis = 0x2026;
    static constexpr size_t kNameCharacters = 40;
    static constexpr float kUnlimited = std::numeric_limits<float>::infinity();

    // At most `maxCharacters` characters (the "…" counts as one) and at most
    // `maxWidth` wide. When not even "…" fits the width the line is empty.
    static LineLayout build(const std::u32string& text, const std::function<float(char32_t)>& advance,
                            size_t maxCharacters = kNameCharacters, float maxWidth = kUnlimited);

    std::u32string characters; // as drawn, "…" included
    std::vector<float> penX; // start of each character
    float width = 0.0f; // pen position after the last character
    bool shortened = false;
};
