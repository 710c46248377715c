#include "text/Utf8Decoder.h"

namespace {

// The lowest and highest valid second byte for each lead byte; this rejects
// overlong forms, surrogates and values above U+10FFFF at the second byte,
// so every ill-formed sequence is cut as early as the standard prescribes.
struct LeadRule {
    int length;
    unsigned char secondLow;
    unsigned char secondHigh;
};

LeadRule ruleFor(unsigned char lead)
{
    if (lead >= 0xC2 && lead <= 0xDF)
        return {2, 0x80, 0xBF};
    if (lead == 0xE0)
        return {3, 0xA0, 0xBF};
    if (lead == 0xED)
        return {3, 0x80, 0x9F};
    if (lead >= 0xE1 && lead <= 0xEF)
        return {3, 0x80, 0xBF};
    if (lead == 0xF0)
        return {4, 0x90, 0xBF};
    if (lead >= 0xF1 && lead <= 0xF3)
        return {4, 0x80, 0xBF};
    if (lead == 0xF4)
        return {4, 0x80, 0x8F};
    return {0, 0, 0};
}

} // namespace

char32_t Utf8Decoder::visible(char32_t c)
{
    if (c < 0x20)
        return 0x2400 + c;
    if (c == 0x7F)
        return 0x2421;
    if (c >= 0x80 && c <= 0x9F)
        return kReplacement;
    return c;
}

std::u32string Utf8Decoder::decode(std::string_view bytes)
{
    std::u32string out;
    out.reserve(bytes.size());
    const size_t size = bytes.size();
    size_t i = 0;
    while (i < size) {
        const auto lead = static_cast<unsigned char>(bytes[i]);
        if (lead < 0x80) {
            out.push_back(visible(lead));
            ++i;
            continue;
        }
        const LeadRule rule = ruleFor(lead);
        if (rule.length == 0) {
            out.push_back(kReplacement);
            ++i;
            continue;
        }
        char32_t c = lead & (0xFF >> (rule.length + 1));
        size_t taken = 1;
        for (; taken < static_cast<size_t>(rule.length) && i + taken < size; ++taken) {
            const auto next = static_cast<unsigned char>(bytes[i + taken]);
            const unsigned char low = taken == 1 ? rule.secondLow : 0x80;
            const unsigned char high = taken == 1 ? rule.secondHigh : 0xBF;
            if (next < low || next > high)
                break;
            c = (c << 6) | (next & 0x3F);
        }
        out.push_back(taken == static_cast<size_t>(rule.length) ? visible(c) : kReplacement);
        i += taken;
    }
    return out;
}
