#include "tests/gl/ReferenceScan.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <set>
#include <utility>

namespace {

struct Pending {
    ReferenceScan::Node* node;
    std::size_t next;
};

void describe(int folderFd, ReferenceScan::Node& entry)
{
    entry.hidden = !entry.name.empty() && entry.name[0] == '.';
    struct stat info;
    if (fstatat(folderFd, entry.name.c_str(), &info, 0) != 0
        && fstatat(folderFd, entry.name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0)
        return;
    entry.size = static_cast<std::uint32_t>(static_cast<std::uint64_t>(info.st_size) & 0xffffffffu);
    if ((info.st_mode & S_IWUSR) == 0)
        entry.mode = FsNode::kReadOnlyMode;
    entry.fullSize = static_cast<std::uint64_t>(info.st_size);
    entry.modifiedTime = static_cast<std::int64_t>(info.st_mtime);
    struct stat itself;
    const bool link
        = fstatat(folderFd, entry.name.c_str(), &itself, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(itself.st_mode);
    if (S_ISDIR(info.st_mode))
        entry.kind = link ? EntryKind::FolderLink : EntryKind::Folder;
    else if (S_ISREG(info.st_mode))
        entry.kind = link ? EntryKind::FileLink : EntryKind::File;
}

} // namespace

std::unique_ptr<ReferenceScan::Node> ReferenceScan::scan(const std::string& name, const std::string& parentPath)
{
    auto top = std::make_unique<Node>();
    top->name = name;
    top->path = parentPath;
    std::set<std::pair<std::uint64_t, std::uint64_t>> expanded;
    std::vector<Pending> pending;
    std::size_t icons = 0;

    auto open = [&](Node* node) {
        const std::string folderPath = node->path + node->name + "/";
        const bool folder = node == top.get() || node->kind == EntryKind::Folder || node->kind == EntryKind::FolderLink;
        if (chdir(folderPath.c_str()) != 0) {
            node->enterError = folder ? errno : 0;
            node->type = FsNodeType::File;
            return;
        }
        node->type = FsNodeType::Folder;
        DIR* dir = opendir(".");
        if (dir == nullptr) {
            node->enterError = errno;
            return;
        }
        struct stat info;
        if (fstat(dirfd(dir), &info) != 0
            || !expanded.insert({static_cast<std::uint64_t>(info.st_dev), static_cast<std::uint64_t>(info.st_ino)})
                    .second) {
            closedir(dir);
            return;
        }
        while (const dirent* item = readdir(dir)) {
            if (std::strcmp(item->d_name, ".") == 0 || std::strcmp(item->d_name, "..") == 0)
                continue;
            auto child = std::make_unique<Node>();
            child->name = item->d_name;
            child->path = folderPath;
            describe(dirfd(dir), *child);
            node->children.push_back(std::move(child));
        }
        closedir(dir);
        if (!node->children.empty())
            pending.push_back(Pending{node, 0});
    };

    open(top.get());
    struct stat info;
    if (top->type == FsNodeType::Folder && stat(".", &info) == 0) {
        top->kind = EntryKind::Folder;
        top->modifiedTime = static_cast<std::int64_t>(info.st_mtime);
    }
    while (!pending.empty()) {
        Pending& last = pending.back();
        if (last.next < last.node->children.size()) {
            Node* child = last.node->children[last.next++].get();
            const std::size_t depth = pending.size();
            open(child);
            if (pending.size() == depth)
                child->iconOrder = icons++;
            continue;
        }
        Node* done = last.node;
        pending.pop_back();
        done->iconOrder = icons++;
    }
    top->hidden = false;
    return top;
}
