#include "explore/KeyHelp.h"

#include <algorithm>
#include <cstring>

const std::vector<KeyHelp::Key>& KeyHelp::keys()
{
    static const std::vector<Key> list = {
        {"Up / Down", "walk forward / back, faster with Shift"},
        {"Left / Right", "turn"},
        {"Wheel", "walk a step forward / back"},
        {"Drag", "turn and tip the view"},
        {"B", "look back while held"},
        {"Home", "the start view"},
        {"Tab / Shift+Tab", "select the next / previous entry"},
        {"Page Down / Page Up", "select twelve entries on / back; on the map sink / rise"},
        {"Ctrl+Home / Ctrl+End", "select the first / last entry"},
        {"Enter", "go into the selected folder (none: select the middle one)"},
        {"Backspace / Alt+Up", "come back out"},
        {"Alt+Home", "go to the top folder"},
        {"/", "find a name: Enter or Down next, Up previous, Escape closes"},
        {"o", "open the selected entry with its default application"},
        {"s", "sort by name, size, time, type or as listed; on the map by name or size"},
        {"t", "show the legend of file types"},
        {"Ctrl+H", "hide or show names starting with a dot"},
        {"F5 / Ctrl+R", "scan the shown folder again, keeping your place"},
        {"m", "switch between the row and the map of the whole subtree"},
        {"Ctrl+S", "save the tree as an export file"},
        {"F12", "save the window's picture as a PNG"},
        {"F1", "full screen"},
        {"? / h", "these keys"},
        {"Escape", "quit"},
    };
    return list;
}

std::string KeyHelp::text(const std::string& indent)
{
    std::size_t column = 0;
    for (const Key& key : keys())
        column = std::max(column, std::strlen(key.keys));
    std::string out;
    for (const Key& key : keys()) {
        const std::string keys = key.keys;
        out += indent + keys + std::string(column + 2 - keys.size(), ' ') + key.action + "\n";
    }
    return out;
}
