#pragma once

#include <dirent.h>

#include <cstdint>
#include <string>
#include <vector>

// One entry of a folder listing with the attributes the scene keeps.
struct DirectoryEntry {
    std::string name;
    // Low 32 bits of the byte size; a link reports its target's size.
    std::uint32_t size = 0;
    // Names beginning with a dot are hidden by convention.
    bool hidden = false;
    // The owner may not write to it.
    bool readOnly = false;
};

// Identifies a folder independently of the path it was reached by, so that
// folder links leading back into a tree can be recognised.
struct FolderId {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;

    bool operator==(const FolderId& other) const { return device == other.device && inode == other.inode; }
};

struct FolderIdHash {
    // noexcept, so the set need not store each hash beside its entry.
    std::size_t operator()(const FolderId& id) const noexcept
    {
        return static_cast<std::size_t>(id.inode * 31u + id.device);
    }
};

// Lists the working directory: opens "." on construction and closes it on
// destruction. Entries come in the order the system returns them.
class DirectoryReader {
public:
    DirectoryReader();
    ~DirectoryReader();
    DirectoryReader(const DirectoryReader&) = delete;
    DirectoryReader& operator=(const DirectoryReader&) = delete;

    // The folder test: makes folderPath the working directory. False when it
    // cannot be entered (a file, missing, no permission, path too long).
    static bool enter(const std::string& folderPath);

    // Fills entry's size, hidden and readOnly from its name, looked up in the
    // folder open as folderFd. An entry that has vanished gets size 0.
    static void describe(int folderFd, DirectoryEntry& entry);

    // False when the working directory could not be opened for listing.
    bool isOpen() const { return dir != nullptr; }

    // The listed folder's identity; false when closed or it cannot be read.
    bool identify(FolderId& folder) const;

    // The next entry other than "." and "..", described; false at the end.
    bool next(DirectoryEntry& entry);

private:
    DIR* dir = nullptr;
};
