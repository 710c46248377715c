#pragma once

#include <string>

// Names (of folders, of files, words from the command line) as they may be
// written to a terminal: a name is bytes, and a control byte in it would be
// taken by the terminal as a command (to recolour, to set the title, to clear
// the screen, to start a new line). Backslash escapes stand for every byte
// that is not printable text:
//   \a \b \t \n \v \f \r \e   the control bytes that have a letter
//   \xHH                      any other control byte, DEL, a byte that is no
//                             valid UTF-8, and each byte of a UTF-8 encoded
//                             control character U+0080 to U+009F
//   \\                        the backslash itself, so the text reads back
//                             unambiguously
// Valid UTF-8 text is kept as it is.
class TerminalText {
public:
    static std::string escaped(const std::string& name);
};
