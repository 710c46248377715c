#include "app/TerminalText.h"

#include <gtest/gtest.h>

#include <string>

// What reaches the terminal never holds a control byte or broken UTF-8, and
// every other name reads back as it is.
TEST(TerminalText, ControlBytesAndInvalidUtf8AreEscapedAndTextIsKept)
{
    const struct {
        std::string name;
        std::string shown;
    } cases[] = {
        {"My Projects", "My Projects"},
        {"x\033[31mRED\nnl", "x\\e[31mRED\\nnl"},
        {"\033]0;PWNED\a\033[2J", "\\e]0;PWNED\\a\\e[2J"},
        {std::string("nul\0del\x7f", 8), "nul\\x00del\\x7F"},
        {"tab\tcr\r", "tab\\tcr\\r"},
        {"back\\slash", "back\\\\slash"},
        {"caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x93\x81", "caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x93\x81"},
        {"latin1 caf\xe9", "latin1 caf\\xE9"},
        {"csi \x9b"
         "31m",
         "csi \\x9B31m"},
        {"c1 \xc2\x9b"
         "31m",
         "c1 \\xC2\\x9B31m"},
        {"overlong \xc0\xaf", "overlong \\xC0\\xAF"},
        {"surrogate \xed\xa0\x80", "surrogate \\xED\\xA0\\x80"},
        {"cut \xe2\x82", "cut \\xE2\\x82"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TerminalText::escaped(c.name), c.shown);
}
