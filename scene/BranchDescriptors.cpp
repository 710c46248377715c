#include "scene/BranchDescriptors.h"

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace {

constexpr int kClosed = -1;
// Could not be reopened as the same folder: never tried again.
constexpr int kLost = -2;

bool outOfDescriptors(int error)
{
    return error == EMFILE || error == ENFILE;
}

} // namespace

BranchDescriptors::BranchDescriptors(std::size_t capacity) : most(std::max(capacity, kFewestOpen))
{
}

BranchDescriptors::~BranchDescriptors()
{
    for (const Level& level : levels)
        if (level.fd >= 0)
            close(level.fd);
}

std::size_t BranchDescriptors::capacityFromLimit()
{
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY)
        return kMostOpen;
    const rlim_t current = limit.rlim_cur;
    if (current <= kReserve + kFewestOpen)
        return kFewestOpen;
    return static_cast<std::size_t>(std::min<rlim_t>(current - kReserve, kMostOpen));
}

void BranchDescriptors::open(std::optional<DirectoryReader>& reader, int parentFd, const std::string& name)
{
    openSparing(reader, parentFd, name, levels.empty() ? 0 : levels.size() - 1);
}

void BranchDescriptors::openSparing(std::optional<DirectoryReader>& reader, int parentFd, const std::string& name,
                                    std::size_t busyFrom)
{
    for (;;) {
        reader.emplace(parentFd, name);
        if (!outOfDescriptors(reader->error()))
            return;
        // Had all the levels open now been one fewer, this open would have
        // worked: keep no more than that from now on.
        const std::size_t openBefore = openCount;
        if (!closeUppermost(busyFrom))
            return;
        most = std::max(kFewestOpen, openBefore > 0 ? openBefore - 1 : 0);
    }
}

void BranchDescriptors::push(int fd, const FolderId& id, const std::string& name)
{
    levels.push_back(Level{kClosed, id, &name, 0});
    keep(levels.size() - 1, fd);
    trim(levels.size() - 1);
}

void BranchDescriptors::pop()
{
    const Level dropped = levels.back();
    levels.pop_back();
    // The level above is the dropped one's "..", unless the dropped one was
    // reached through a link; the identity check tells.
    if (!levels.empty() && levels.back().fd == kClosed && dropped.fd >= 0) {
        static const std::string up("..");
        const int fd = reopen(dropped.fd, up, levels.back().id, levels.size() - 1);
        if (fd >= 0)
            keep(levels.size() - 1, fd);
    }
    if (dropped.fd >= 0) {
        close(dropped.fd);
        --openCount;
    }
}

int BranchDescriptors::deepest()
{
    lastError = 0;
    const std::size_t top = levels.size() - 1;
    if (levels[top].fd >= 0)
        return levels[top].fd;
    if (levels[top].fd == kLost) {
        lastError = levels[top].error;
        return -1;
    }
    // Down by name from the nearest open level above; a lost level on the
    // way cuts off everything below it. Level 0 is never closed.
    std::size_t from = top - 1;
    while (levels[from].fd < 0) {
        if (levels[from].fd == kLost) {
            levels[top].fd = kLost;
            levels[top].error = lastError = levels[from].error;
            return -1;
        }
        --from;
    }
    // The deepest half of the capacity stays open, so that climbing on does
    // not come back here at once.
    const std::size_t keepFrom = std::max(top + 1 > most / 2 ? top + 1 - most / 2 : 1, from + 1);
    int through = levels[from].fd;
    for (std::size_t at = from + 1; at <= top; ++at) {
        const int fd = reopen(through, *levels[at].name, levels[at].id, from);
        if (at - 1 > from && at - 1 < keepFrom)
            close(through);
        if (fd < 0) {
            for (std::size_t lost = at; lost <= top; ++lost) {
                levels[lost].fd = kLost;
                levels[lost].error = lastError;
            }
            return -1;
        }
        if (at >= keepFrom)
            keep(at, fd);
        through = fd;
    }
    trim(top);
    return levels[top].fd;
}

int BranchDescriptors::reopen(int parentFd, const std::string& name, const FolderId& expected, std::size_t busyFrom)
{
    std::optional<DirectoryReader> reader;
    openSparing(reader, parentFd, name, busyFrom);
    if (reader->access() != FolderAccess::Listable) {
        lastError = reader->error() != 0 ? reader->error() : EACCES;
        return -1;
    }
    FolderId id;
    if (!DirectoryReader::identify(reader->descriptor(), id) || !(id == expected)) {
        // Renamed or replaced since it was listed.
        lastError = ESTALE;
        return -1;
    }
    return reader->release();
}

bool BranchDescriptors::closeUppermost(std::size_t busyFrom)
{
    while (firstMaybeOpen < busyFrom && firstMaybeOpen < levels.size()) {
        const std::size_t at = firstMaybeOpen++;
        if (levels[at].fd >= 0) {
            release(at);
            return true;
        }
    }
    return false;
}

void BranchDescriptors::keep(std::size_t at, int fd)
{
    levels[at].fd = fd;
    ++openCount;
    if (at >= 1)
        firstMaybeOpen = std::min(firstMaybeOpen, at);
}

void BranchDescriptors::release(std::size_t at)
{
    close(levels[at].fd);
    levels[at].fd = kClosed;
    --openCount;
}

void BranchDescriptors::trim(std::size_t busyFrom)
{
    while (openCount > most && closeUppermost(busyFrom)) {}
}
