#include "app/TerminalText.h"

#include <cstddef>

namespace {

void appendHex(std::string& out, unsigned char byte)
{
    constexpr char kDigits[] = "0123456789ABCDEF";
    out += "\\x";
    out += kDigits[byte >> 4];
    out += kDigits[byte & 0x0F];
}

// The letter of a control byte's short escape, or 0 when it has none.
char escapeLetter(unsigned char byte)
{
    switch (byte) {
    case '\a':
        return 'a';
    case '\b':
        return 'b';
    case '\t':
        return 't';
    case '\n':
        return 'n';
    case '\v':
        return 'v';
    case '\f':
        return 'f';
    case '\r':
        return 'r';
    case 0x1B:
        return 'e';
    default:
        return 0;
    }
}

// The length of the valid UTF-8 sequence of two to four bytes at `at`, or 0:
// no overlong forms, no surrogates, nothing above U+10FFFF.
std::size_t sequenceLength(const std::string& text, std::size_t at)
{
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[at + i]); };
    const auto continuation = [&](std::size_t i) { return at + i < text.size() && (byte(i) & 0xC0) == 0x80; };
    const unsigned char lead = byte(0);
    std::size_t length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        low = lead == 0xE0 ? 0xA0 : 0x80;
        high = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    } else {
        return 0;
    }
    if (!continuation(1) || byte(1) < low || byte(1) > high)
        return 0;
    for (std::size_t i = 2; i < length; ++i)
        if (!continuation(i))
            return 0;
    return length;
}

} // namespace

std::string TerminalText::escaped(const std::string& name)
{
    std::string out;
    out.reserve(name.size());
    for (std::size_t at = 0; at < name.size();) {
        const auto byte = static_cast<unsigned char>(name[at]);
        if (byte >= 0x20 && byte < 0x7F) {
            if (byte == '\\')
                out += '\\';
            out += static_cast<char>(byte);
            ++at;
            continue;
        }
        if (const char letter = escapeLetter(byte)) {
            out += '\\';
            out += letter;
            ++at;
            continue;
        }
        const std::size_t length = byte >= 0x80 ? sequenceLength(name, at) : 0;
        // U+0080 to U+009F: C2 80 to C2 9F, which some terminals obey as controls.
        const bool control = length == 2 && byte == 0xC2 && static_cast<unsigned char>(name[at + 1]) < 0xA0;
        if (length == 0 || control) {
            for (std::size_t i = 0; i < (control ? 2u : 1u); ++i)
                appendHex(out, static_cast<unsigned char>(name[at + i]));
            at += control ? 2 : 1;
            continue;
        }
        out.append(name, at, length);
        at += length;
    }
    return out;
}
