#pragma once

#include "scene/EntryKind.h"

#include <cstdint>
#include <string>
#include <string_view>

// Why an entry of an export was left unentered by the tool that wrote it.
enum class Exclusion : std::uint8_t {
    None,
    // Matched an exclude pattern.
    Pattern,
    // A folder on another file system than the top folder's.
    OtherFileSystem,
    // A folder of a kernel file system (/proc, /sys ...).
    KernelFileSystem,
    // Excluded by a rule of the tool that wrote the export.
    Other,
};

// One entry of an export file as the reader hands it on: a folder (its
// entries follow) or anything else.
struct ExportEntry {
    // Any bytes but '/' and NUL; the top folder's is a path.
    std::string_view name;
    EntryKind kind = EntryKind::File;
    // Apparent size in bytes ("asize") and disk usage ("dsize").
    std::uint64_t size = 0;
    std::uint64_t diskUsage = 0;
    // Bytes this entry adds to its folders' totals, as a scan counts them: its
    // size for a regular file met for the first time, 0 for a further name of
    // a file with several links, a link, a folder or anything else.
    std::uint64_t countedSize = 0;
    bool hasModifiedTime = false;
    // Seconds since the epoch.
    std::int64_t modifiedTime = 0;
    // The device (inherited from the folder when not given) and inode.
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    bool hasInode = false;
    // Names of this file; more than 1 marks a hard link.
    std::uint64_t links = 1;
    bool hardLink = false;
    // Permission and type bits, when the export has them (extended mode).
    bool hasMode = false;
    std::uint32_t mode = 0;
    // The folder, or some of its entries, could not be read.
    bool readError = false;
    Exclusion exclusion = Exclusion::None;
    // Not a regular file, a folder or a link (a FIFO, socket, device ...).
    bool notRegular = false;

    // A folder that was not entered shows its reason, as the status line has it.
    std::string_view exclusionReason() const;
};

// What an export says of itself.
struct ExportMetadata {
    unsigned major = 0;
    unsigned minor = 0;
    std::string programName;
    std::string programVersion;
    bool hasTimestamp = false;
    std::int64_t timestamp = 0;
};

// Where and why reading stopped early.
struct ExportProblem {
    // Bytes of the (uncompressed) export read before the fault.
    std::uint64_t offset = 0;
    std::string message;
    // Nothing of the tree could be had: the file could not be opened, is not
    // an export, or is of a version this reader does not know.
    bool unreadable = false;
};
