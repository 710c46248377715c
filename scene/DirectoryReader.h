#pragma once

#include "scene/EntryKind.h"

#include <cstdint>
#include <string>
#include <vector>

// Identifies a folder or file independently of the path it was reached by,
// so that folder links leading back into a tree, and several names of one
// file, can be recognised.
struct FolderId {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;

    bool operator==(const FolderId& other) const { return device == other.device && inode == other.inode; }
};

// One entry of a folder listing with the attributes the scene keeps, all
// taken from the listing and one look-up per entry.
struct DirectoryEntry {
    std::string name;
    // Low and high 32 bits of the byte size; a link reports its target's size.
    std::uint32_t size = 0;
    std::uint32_t sizeHigh = 0;
    // st_mtime in seconds since the epoch (a link: its target's).
    std::int64_t modifiedTime = 0;
    EntryKind kind = EntryKind::Other;
    // The type the listing gave (a DT_ value; DT_UNKNOWN when it gave none).
    unsigned char listedType = 0;
    // A regular file with more than one name (hard links), and its identity,
    // so that its bytes can be counted once.
    bool sharedFile = false;
    FolderId fileId;
    std::uint64_t links = 1;
    // Names beginning with a dot are hidden by convention.
    bool hidden = false;
    // The owner may not write to it.
    bool readOnly = false;
    // It is a folder, or a link to one: only such an entry can pass the folder
    // test. Anything else (files, FIFOs, sockets, devices, dangling links)
    // never can, and is never opened.
    bool folder = false;
};

struct FolderIdHash {
    // noexcept, so the set need not store each hash beside its entry.
    std::size_t operator()(const FolderId& id) const noexcept
    {
        return static_cast<std::size_t>(id.inode * 31u + id.device);
    }
};

// What the folder test found.
enum class FolderAccess {
    // Not a folder that can be entered: a file, missing, no search permission,
    // a link loop, a name too long.
    Closed,
    // A folder that can be entered but not listed (no read permission).
    Unlistable,
    // A folder, open for listing.
    Listable,
};

// The folder test and the listing of one folder, both relative to an open
// folder, so no path is resolved from the top again and no path length
// limits the depth. Never changes the working directory. Only folders are
// ever opened, without blocking, so FIFOs and devices are never touched.
class DirectoryReader {
public:
    // Tests the folder `name` (following links) in the folder open as
    // parentFd; AT_FDCWD takes name relative to the working directory or as
    // an absolute path. A folder counts as entered exactly when it grants
    // search permission; it is opened for listing when it grants read
    // permission too.
    DirectoryReader(int parentFd, const std::string& name);
    // Closes the folder unless its descriptor was released.
    ~DirectoryReader();
    DirectoryReader(const DirectoryReader&) = delete;
    DirectoryReader& operator=(const DirectoryReader&) = delete;

    FolderAccess access() const { return result; }

    // Why the folder could not be opened for listing (EACCES, ELOOP, EMFILE,
    // ...), or why its listing stopped early (EIO ...); 0 when neither.
    int error() const { return failure; }

    // The open folder's descriptor; -1 unless Listable.
    int descriptor() const { return fd; }

    // Hands the descriptor to the caller, who then closes it.
    int release();

    // Fills entry's sizes, time, kind, hidden, readOnly, folder and shared
    // file from its name, looked up in the folder open as folderFd, with one
    // look-up when the listing gave the entry's type and it is no link. An
    // entry that has vanished gets size 0, is no folder and of kind Other.
    static void describe(int folderFd, DirectoryEntry& entry);

    // The identity of the folder open as folderFd, and when asked its st_mtime;
    // false when it cannot be read.
    static bool identify(int folderFd, FolderId& folder, std::int64_t* modifiedTime = nullptr);

    // The next entry other than "." and "..", in the order the system lists
    // them, with only its name and listed type filled in (describe() does the
    // rest); false at the end or when the folder is not listable.
    bool nextName(DirectoryEntry& entry);

private:
    bool fill();

    int fd = -1;
    FolderAccess result = FolderAccess::Closed;
    int failure = 0;
    // Raw listing records, read in large chunks; [offset, filled) unread.
    std::vector<char> buffer;
    std::size_t offset = 0;
    std::size_t filled = 0;
    bool ended = false;
};
