#pragma once

#include <string>
#include <vector>

// The explore view's keys and what each does, in the order they are shown:
// the one list the key help panel, --help and the documentation follow.
class KeyHelp {
public:
    struct Key {
        const char* keys;
        const char* action;
    };

    static const std::vector<Key>& keys();
    // The list as text, one key a line: the keys padded to one column, then the action.
    static std::string text(const std::string& indent);
};
