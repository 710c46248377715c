#include "text/Utf8Decoder.h"
#include "text/Utf8Encoder.h"

#include <gtest/gtest.h>

#include <string>

namespace {

constexpr char32_t kBad = Utf8Decoder::kReplacement;

std::string encode(char32_t c)
{
    std::string out;
    Utf8Encoder::append(c, out);
    return out;
}

TEST(Utf8Decoder, EveryScalarValueRoundTripsAndControlsBecomeVisible)
{
    for (char32_t c = 0; c <= 0x10FFFF; ++c) {
        if (c >= 0xD800 && c <= 0xDFFF)
            continue;
        const std::u32string decoded = Utf8Decoder::decode(encode(c) + "x");
        char32_t shown = c;
        if (c < 0x20)
            shown = 0x2400 + c;
        else if (c == 0x7F)
            shown = 0x2421;
        else if (c >= 0x80 && c <= 0x9F)
            shown = kBad;
        ASSERT_EQ(decoded, (std::u32string{shown, U'x'})) << std::hex << "U+" << static_cast<unsigned>(c);
    }
}

TEST(Utf8Decoder, EachMaximalIllFormedSubsequenceBecomesOneReplacement)
{
    const struct {
        std::string bytes;
        std::u32string expected;
    } cases[] = {
        {"\x61\xF1\x80\x80\xE1\x80\xC2\x62\x80\x63\x80\xBF\x64",
         {U'a', kBad, kBad, kBad, U'b', kBad, U'c', kBad, kBad, U'd'}},
        {"\xC0\xAF", {kBad, kBad}}, // overlong '/'
        {"\xE0\x80\xAF", {kBad, kBad, kBad}}, // overlong, cut at the second byte
        {"\xED\xA0\x80", {kBad, kBad, kBad}}, // a surrogate
        {"\xF4\x90\x80\x80", {kBad, kBad, kBad, kBad}}, // above U+10FFFF
        {"\xF8\x88\x80\x80\x80", {kBad, kBad, kBad, kBad, kBad}},
        {"\xFF\xFE", {kBad, kBad}},
        {"\xE2\x82", {kBad}}, // truncated at the end
        {"\xF0\x9F\x98", {kBad}},
        {"\xE2\x82\xAC", {0x20AC}},
        {std::string("a\0b", 3), {U'a', 0x2400, U'b'}},
        {"line\nbreak\ttab\x1B",
         {U'l', U'i', U'n', U'e', 0x240A, U'b', U'r', U'e', U'a', U'k', 0x2409, U't', U'a', U'b', 0x241B}},
        {"", {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Utf8Decoder::decode(c.bytes), c.expected) << testing::PrintToString(c.bytes);
}

} // namespace
