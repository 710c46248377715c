#pragma once

#include "scene/ScanControl.h"

#include <cstdint>
#include <optional>
#include <string>

// How many entries a scan will find, when that can be known before it ends:
// the folder is the root of its file system and the scan sees all of that
// file system and nothing more (it keeps to it with -x, or no other file
// system is mounted below it). Then every used inode but the root's own is
// an entry to find, hard links aside. With the total known, the status line
// shows a bar and a percentage beside the count.
class ProgressEstimate {
public:
    // The entries below `folder` the scan will list, or none when that cannot be told.
    static std::optional<std::uint64_t> expectedEntries(const std::string& folder, bool oneFileSystem);
    // Whether the mount table (/proc/self/mountinfo's text) has a mount point
    // strictly below `folder`, an absolute path without a trailing '/'.
    static bool mountsBelow(const std::string& mountInfo, const std::string& folder);

    // The status line while the scan runs: ScanControl's text, with a bar
    // and a percentage in front of it when `expected` is known.
    static std::string statusText(const ScanControl::Progress& progress, std::optional<std::uint64_t> expected);
    // The bar alone: `width` cells, filled in proportion to `done` of `total`.
    static std::string bar(std::uint64_t done, std::uint64_t total, int width);
};
