#include "live/FolderWatcher.h"

#include <sys/inotify.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

const std::uint32_t FolderWatcher::kMask = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_CLOSE_WRITE
    | IN_ATTRIB | IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR | IN_EXCL_UNLINK | IN_DONT_FOLLOW;

FolderWatcher::FolderWatcher() : fd(inotify_init1(IN_NONBLOCK | IN_CLOEXEC))
{
    if (fd < 0)
        failure = errno;
}

FolderWatcher::~FolderWatcher()
{
    if (fd >= 0)
        close(fd);
}

int FolderWatcher::watch(const std::string& path)
{
    if (fd < 0)
        return -failure;
    const int made = inotify_add_watch(fd, path.c_str(), kMask);
    return made >= 0 ? made : -errno;
}

void FolderWatcher::unwatch(int watch)
{
    if (fd >= 0 && watch >= 0)
        inotify_rm_watch(fd, watch);
}

void FolderWatcher::read(std::vector<Event>& events)
{
    if (fd < 0)
        return;
    // Aligned as the records are; a name is at most NAME_MAX bytes.
    alignas(inotify_event) char buffer[16 * (sizeof(inotify_event) + 256)];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return;
        for (ssize_t at = 0; at + static_cast<ssize_t>(sizeof(inotify_event)) <= got;) {
            inotify_event record;
            std::memcpy(&record, buffer + at, sizeof record);
            events.push_back(Event{record.wd, record.mask});
            at += static_cast<ssize_t>(sizeof(inotify_event) + record.len);
        }
    }
}
