#include "types/TypeGroup.h"

namespace {

struct GroupInfo {
    std::string_view name;
    std::string_view symbol;
    GroupColour colour;
};

constexpr GroupInfo kGroups[kTypeGroupCount] = {
    {"folder", "folder", {0x9e, 0x75, 0x1a}}, // the folder symbol's own amber
    {"image", "image", {0x56, 0xb4, 0xe9}}, // sky blue
    {"video", "video", {0xd5, 0x5e, 0x00}}, // vermillion
    {"audio", "audio", {0xcc, 0x79, 0xa7}}, // reddish purple
    {"archive", "archive", {0xf0, 0xe4, 0x42}}, // yellow
    {"document", "document", {0xff, 0xff, 0xff}}, // white in black's place
    {"text", "text", {0x00, 0x9e, 0x73}}, // bluish green
    {"executable", "executable", {0x00, 0x72, 0xb2}}, // blue
    {"font", "font", {0xb8, 0xb8, 0xb8}}, // light grey
    {"package", "package", {0xe6, 0x9f, 0x00}}, // orange
    {"other", "file", {0x80, 0x80, 0x80}}, // mid grey
};

} // namespace

std::string_view groupName(TypeGroup group)
{
    return kGroups[static_cast<int>(group)].name;
}

std::string_view groupSymbol(TypeGroup group)
{
    return kGroups[static_cast<int>(group)].symbol;
}

GroupColour groupColour(TypeGroup group)
{
    return kGroups[static_cast<int>(group)].colour;
}

bool groupNamed(std::string_view name, TypeGroup& group)
{
    for (int i = 0; i < kTypeGroupCount; ++i) {
        const std::string_view known = kGroups[i].name;
        if (known.size() != name.size())
            continue;
        bool same = true;
        for (std::size_t c = 0; c < name.size() && same; ++c) {
            const char lower = name[c] >= 'A' && name[c] <= 'Z' ? static_cast<char>(name[c] - 'A' + 'a') : name[c];
            same = lower == known[c];
        }
        if (same) {
            group = static_cast<TypeGroup>(i);
            return true;
        }
    }
    return false;
}
