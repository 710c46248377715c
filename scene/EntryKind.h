#pragma once

#include <cstdint>

// What a listed entry is, links told apart from what they lead to.
enum class EntryKind : std::uint8_t {
    Folder,
    File,
    FolderLink,
    FileLink,
    // FIFOs, sockets, devices, links to them, dangling links.
    Other,
};
