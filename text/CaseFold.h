#pragma once

#include <string>
#include <string_view>

// Text made comparable without regard to case: every letter in its lower-case
// form. ASCII is folded directly; other characters by the C library's Unicode
// case mapping (the "C.UTF-8" locale, used without changing the process's
// locale; where it is missing only ASCII is folded). Bytes that are not valid
// UTF-8 are kept as they are, so folding never merges two different names'
// invalid bytes with valid characters.
class CaseFold {
public:
    static std::string fold(std::string_view text);
    // Folds into `out`, replacing its contents; reuses its storage.
    static void foldInto(std::string_view text, std::string& out);
};
