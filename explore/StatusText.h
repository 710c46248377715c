#pragma once

#include "scene/EntryKind.h"
#include "tree/EntryTree.h"

#include <cstdint>
#include <string>

// The words of the status line: a title line (an entry's full name, or the
// shown folder's path) and a line of details below it, fields separated by
// " · ". Names are passed on as bytes: whoever draws them makes any bytes
// drawable on one line.
class StatusText {
public:
    struct Lines {
        std::string title;
        std::string details;
    };

    // An entry: its name; its kind, its size (for a folder the total size and
    // the count of the entries below it), its modification time, and why it
    // could not be entered when that failed. A file's type's description
    // ("PNG image"), when there is one, follows its kind.
    static Lines forEntry(const EntryTree& tree, EntryId entry, const std::string& typeDescription = std::string());
    // The shown folder with nothing selected: its path (as the caller names
    // it), its entry count and the total size and count of everything below it.
    static Lines forFolder(const EntryTree& tree, EntryId folder, std::string path);

    // "folder", "file", "link to a folder", "link to a file", "other".
    static const char* kindName(EntryKind kind);
    // A count with thousands separated: "1,234,567".
    static std::string count(std::uint64_t value);
    // "1 entry", "1,234 entries".
    static std::string entries(std::uint64_t value);
};
