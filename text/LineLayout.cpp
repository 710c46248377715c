#include "text/LineLayout.h"

#include <algorithm>

LineLayout LineLayout::build(const std::u32string& text, const std::function<float(char32_t)>& advance,
                             size_t maxCharacters, float maxWidth)
{
    LineLayout line;
    if (maxCharacters == 0)
        return line;
    std::vector<float> pen;
    pen.reserve(text.size() + 1);
    float x = 0.0f;
    for (const char32_t c : text) {
        pen.push_back(x);
        x += advance(c);
    }
    pen.push_back(x);

    size_t kept = text.size();
    line.shortened = text.size() > maxCharacters || x > maxWidth;
    if (line.shortened) {
        // Keep the longest prefix after which "…" still fits both limits.
        const float ellipsis = advance(kEllipsis);
        if (ellipsis > maxWidth)
            return line;
        kept = std::min(text.size(), maxCharacters - 1);
        while (kept > 0 && pen[kept] + ellipsis > maxWidth)
            --kept;
    }
    line.characters.assign(text, 0, kept);
    line.penX.assign(pen.begin(), pen.begin() + static_cast<std::ptrdiff_t>(kept));
    line.width = pen[kept];
    if (line.shortened) {
        line.characters.push_back(kEllipsis);
        line.penX.push_back(line.width);
        line.width += advance(kEllipsis);
    }
    return line;
}
