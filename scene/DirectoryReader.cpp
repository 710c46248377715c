#include "scene/DirectoryReader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

namespace {

bool isDotOrDotDot(const char* name)
{
    return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

} // namespace

DirectoryReader::DirectoryReader() : dir(opendir("."))
{
}

DirectoryReader::~DirectoryReader()
{
    if (dir != nullptr)
        closedir(dir);
}

bool DirectoryReader::enter(const std::string& folderPath)
{
    return chdir(folderPath.c_str()) == 0;
}

void DirectoryReader::describe(int folderFd, DirectoryEntry& entry)
{
    entry.hidden = !entry.name.empty() && entry.name[0] == '.';
    entry.size = 0;
    entry.readOnly = false;

    struct stat info;
    // Follow links to report the target; a dangling link reports itself;
    // an entry gone since it was listed keeps size 0.
    if (fstatat(folderFd, entry.name.c_str(), &info, 0) != 0
        && fstatat(folderFd, entry.name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0)
        return;
    entry.size = static_cast<std::uint32_t>(static_cast<std::uint64_t>(info.st_size) & 0xffffffffu);
    entry.readOnly = (info.st_mode & S_IWUSR) == 0;
}

bool DirectoryReader::identify(FolderId& folder) const
{
    struct stat info;
    if (dir == nullptr || fstat(dirfd(dir), &info) != 0)
        return false;
    folder.device = static_cast<std::uint64_t>(info.st_dev);
    folder.inode = static_cast<std::uint64_t>(info.st_ino);
    return true;
}

bool DirectoryReader::next(DirectoryEntry& entry)
{
    if (dir == nullptr)
        return false;
    while (const dirent* item = readdir(dir)) {
        if (isDotOrDotDot(item->d_name))
            continue;
        entry.name.assign(item->d_name, std::strlen(item->d_name));
        describe(dirfd(dir), entry);
        return true;
    }
    return false;
}
