#pragma once

#include "scene/EntryKind.h"
#include "types/MimeDescriptions.h"
#include "types/MimeGlobs.h"
#include "types/TypeGroup.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// Every entry's MIME type from its name, kind and mode, and each type's
// group and description, from the shared MIME database. Nothing is opened
// to type a file. Read once (readFolders, off the window's thread), then
// only read: one database serves every thread.
class TypeDatabase {
public:
    // The database of the folders, highest priority first (each ending
    // with '/'), descriptions in `languages` (most wanted first).
    static std::shared_ptr<const TypeDatabase> readFolders(const std::vector<std::string>& folders,
                                                           std::vector<std::string> languages);
    // The folders and languages the environment names.
    static std::shared_ptr<const TypeDatabase> readSystem();

    // The type of an entry:
    //  - folders inode/directory, links inode/symlink, FIFOs, sockets and
    //    devices inode/fifo, inode/socket, inode/blockdevice, inode/chardevice;
    //  - a file its name's type, or if no pattern matches: an executable
    //    (any x bit) application/x-executable, an empty file
    //    application/x-zerosize, anything else application/octet-stream.
    MimeType typeOf(std::string_view name, EntryKind kind, std::int32_t mode, std::uint64_t size) const;
    // The type its name alone gives: application/octet-stream if no pattern matches.
    MimeType typeOfName(std::string_view name) const;

    const std::string& typeName(MimeType type) const { return globs.typeName(type); }
    TypeGroup group(MimeType type) const { return groups[type]; }
    // The type's description in the user's language ("PNG image"); the
    // type's name when the database does not describe it.
    std::string describe(MimeType type) const;
    // Whether a globs2 file was found at all.
    bool hasPatterns() const { return patternFiles > 0; }

    TypeDatabase(const std::vector<std::string>& folders, std::vector<std::string> languages);

private:
    TypeGroup groupFor(MimeType type, const std::vector<std::vector<MimeType>>& parents) const;

    MimeGlobs globs;
    MimeDescriptions descriptions;
    std::vector<TypeGroup> groups;
    int patternFiles = 0;
    MimeType folder, link, fifo, socket, blockDevice, charDevice, executable, empty, unknown;
};
