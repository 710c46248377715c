#pragma once

#include <cstdint>
#include <string_view>

// The kinds of entry the explore view tells apart by symbol and colour.
enum class TypeGroup : std::uint8_t {
    Folder,
    Image,
    Video,
    Audio,
    Archive,
    Document,
    Text,
    Executable,
    Font,
    Package,
    // Links, and files whose name says nothing.
    Other,
};
inline constexpr int kTypeGroupCount = 11;

struct GroupColour {
    std::uint8_t r, g, b;
};

// The group's name as the legend and find show it ("image", "archive", ...).
std::string_view groupName(TypeGroup group);
// The name of its symbol model ("image" for image.ASE); "folder" and "file"
// for the two groups drawn with the standard symbols.
std::string_view groupSymbol(TypeGroup group);
// The group's colour: files take the Okabe-Ito palette, made to be told
// apart with every common colour-vision deficiency; its black gives way to
// white on the dark background, and as it has no further hue, fonts and the
// links-and-other group take two greys of different lightness. Folders keep
// the folder symbol's own amber, the shape telling them apart.
GroupColour groupColour(TypeGroup group);
// The group named `name` (as groupName gives it, any case); false if none.
bool groupNamed(std::string_view name, TypeGroup& group);
