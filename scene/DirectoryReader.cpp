#include "scene/DirectoryReader.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {

// Large enough that a listing takes few system calls, small enough to come
// and go with each folder.
constexpr std::size_t kListingChunk = 32 * 1024;

bool isDotOrDotDot(const char* name)
{
    return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

// Opens name + "/." in parentFd: resolving "." inside the folder needs search
// permission on it, exactly what entering it needs, so one call both tests
// and opens. Returns the descriptor or -1 with errno set.
int openInside(int parentFd, const std::string& name, int flags)
{
    char shortPath[NAME_MAX + 3];
    if (name.size() <= NAME_MAX) {
        std::memcpy(shortPath, name.data(), name.size());
        std::memcpy(shortPath + name.size(), "/.", 3);
        return openat(parentFd, shortPath, flags);
    }
    return openat(parentFd, (name + "/.").c_str(), flags);
}

} // namespace

DirectoryReader::DirectoryReader(int parentFd, const std::string& name)
{
    // O_NONBLOCK and O_DIRECTORY: nothing but a folder is ever opened, and
    // opening cannot wait.
    fd = openInside(parentFd, name, O_RDONLY | O_DIRECTORY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd >= 0) {
        result = FolderAccess::Listable;
        return;
    }
    failure = errno;
    if (failure != EACCES)
        return;
    // Denied: either no search permission (Closed) or only no read permission.
    const int pathFd = openInside(parentFd, name, O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (pathFd >= 0) {
        close(pathFd);
        result = FolderAccess::Unlistable;
    } else if (errno != EACCES) {
        // Out of descriptors, say: the folder test itself did not happen.
        failure = errno;
    }
}

DirectoryReader::~DirectoryReader()
{
    if (fd >= 0)
        close(fd);
}

int DirectoryReader::release()
{
    const int released = fd;
    fd = -1;
    return released;
}

void DirectoryReader::describe(int folderFd, DirectoryEntry& entry)
{
    entry.hidden = !entry.name.empty() && entry.name[0] == '.';
    entry.size = 0;
    entry.sizeHigh = 0;
    entry.modifiedTime = 0;
    entry.kind = EntryKind::Other;
    entry.readOnly = false;
    entry.folder = false;
    entry.sharedFile = false;

    // Follow links to report the target; a dangling link reports itself; an
    // entry gone since it was listed keeps size 0. When the listing gave no
    // type, the entry is looked at as it is first, so only links cost a
    // second look-up.
    struct stat info;
    bool link = entry.listedType == DT_LNK;
    if (entry.listedType == DT_UNKNOWN) {
        if (fstatat(folderFd, entry.name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0)
            return;
        link = S_ISLNK(info.st_mode);
    }
    bool dangling = false;
    if ((link || entry.listedType != DT_UNKNOWN) && fstatat(folderFd, entry.name.c_str(), &info, 0) != 0) {
        if (fstatat(folderFd, entry.name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0)
            return;
        dangling = true;
    }
    const auto bytes = static_cast<std::uint64_t>(info.st_size);
    entry.size = static_cast<std::uint32_t>(bytes & 0xffffffffu);
    entry.sizeHigh = static_cast<std::uint32_t>(bytes >> 32);
    entry.modifiedTime = static_cast<std::int64_t>(info.st_mtime);
    entry.readOnly = (info.st_mode & S_IWUSR) == 0;
    entry.folder = S_ISDIR(info.st_mode);
    if (dangling || S_ISLNK(info.st_mode))
        entry.kind = EntryKind::Other;
    else if (S_ISDIR(info.st_mode))
        entry.kind = link ? EntryKind::FolderLink : EntryKind::Folder;
    else if (S_ISREG(info.st_mode))
        entry.kind = link ? EntryKind::FileLink : EntryKind::File;
    if (entry.kind == EntryKind::File && info.st_nlink > 1) {
        entry.sharedFile = true;
        entry.fileId.device = static_cast<std::uint64_t>(info.st_dev);
        entry.fileId.inode = static_cast<std::uint64_t>(info.st_ino);
        entry.links = static_cast<std::uint64_t>(info.st_nlink);
    }
}

bool DirectoryReader::identify(int folderFd, FolderId& folder, std::int64_t* modifiedTime)
{
    struct stat info;
    if (folderFd < 0 || fstat(folderFd, &info) != 0)
        return false;
    folder.device = static_cast<std::uint64_t>(info.st_dev);
    folder.inode = static_cast<std::uint64_t>(info.st_ino);
    if (modifiedTime != nullptr)
        *modifiedTime = static_cast<std::int64_t>(info.st_mtime);
    return true;
}

bool DirectoryReader::fill()
{
    if (ended || fd < 0)
        return false;
    if (buffer.empty())
        buffer.resize(kListingChunk);
    const ssize_t got = getdents64(fd, buffer.data(), buffer.size());
    if (got <= 0) {
        if (got < 0)
            failure = errno;
        ended = true;
        return false;
    }
    offset = 0;
    filled = static_cast<std::size_t>(got);
    return true;
}

bool DirectoryReader::nextName(DirectoryEntry& entry)
{
    for (;;) {
        if (offset >= filled && !fill())
            return false;
        const auto* item = reinterpret_cast<const dirent64*>(buffer.data() + offset);
        offset += item->d_reclen;
        if (isDotOrDotDot(item->d_name))
            continue;
        entry.name.assign(item->d_name, std::strlen(item->d_name));
        entry.listedType = item->d_type;
        return true;
    }
}
