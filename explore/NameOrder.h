#pragma once

#include <string>
#include <string_view>

// The order people expect names in: letters without regard to case, and runs
// of digits compared as the numbers they write, so "file2" comes before
// "file10". Names equal that way (as "File" and "file", or "7" and "007")
// fall back to their bytes, so no two different names are ever equal.
class NameOrder {
public:
    // A key whose plain byte order is this order without the fallback: the
    // name case-folded, each digit run written as a marker, the count of its
    // digits without leading zeros, and those digits. Computed once per name,
    // it makes sorting many names cheap.
    static std::string key(std::string_view name);
    // The same into `out`, reusing its storage.
    static void keyInto(std::string_view name, std::string& out);
    // Negative when a comes first, positive when b does, 0 only for equal names.
    static int compare(std::string_view a, std::string_view b);
    static bool before(std::string_view a, std::string_view b) { return compare(a, b) < 0; }
};
