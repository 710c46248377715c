#pragma once

#include "scene/DirectoryReader.h"

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

// The open folders along the branch a depth-first walk is in: level 0 is the
// folder the walk started from, the last level the deepest. Only so many
// levels stay open (the process's descriptor limit is shared with the symbol
// files, X and GL); the upper ones are closed as the walk goes deeper and
// reopened when it climbs back: through ".." of the level below while that is
// still open, otherwise by name from the nearest level above still open, so
// the cost stays linear in the depth. A level reopened is checked to be the
// same folder as before. When the system runs out of descriptors, cached
// levels are closed and the open is tried again.
class BranchDescriptors {
public:
    // Never more levels open than this.
    static constexpr std::size_t kMostOpen = 128;
    // Descriptors left to the rest of the program.
    static constexpr std::size_t kReserve = 20;
    // Never fewer: the deepest level and its parent.
    static constexpr std::size_t kFewestOpen = 2;

    // Keeps at most `capacity` levels open (kFewestOpen at least).
    explicit BranchDescriptors(std::size_t capacity = capacityFromLimit());
    // Closes every level still open.
    ~BranchDescriptors();
    BranchDescriptors(const BranchDescriptors&) = delete;
    BranchDescriptors& operator=(const BranchDescriptors&) = delete;

    // The process's soft descriptor limit less kReserve, within
    // [kFewestOpen, kMostOpen].
    static std::size_t capacityFromLimit();

    // Tests the folder `name` inside the folder open as parentFd (AT_FDCWD:
    // relative to the working directory, or absolute), as DirectoryReader
    // does. While that fails for want of descriptors, closes the uppermost
    // open level above the deepest and tries again, and keeps fewer open
    // from then on.
    void open(std::optional<DirectoryReader>& reader, int parentFd, const std::string& name);

    // Adds the folder open as fd, identified as id, as the new deepest level;
    // `name` is how it is reached from the level above (it must outlive the
    // level). Takes the descriptor.
    void push(int fd, const FolderId& id, const std::string& name);
    // Drops the deepest level. The level above it, if closed, is reopened
    // through the dropped level's "..".
    void pop();

    // The descriptor of the deepest level, reopened when closed; -1 when it
    // cannot be had (error() then says why). Valid until the next call.
    int deepest();
    int error() const { return lastError; }

    std::size_t depth() const { return levels.size(); }
    // Levels open now.
    std::size_t openLevels() const { return openCount; }
    std::size_t capacity() const { return most; }

private:
    struct Level {
        // Open, kClosed or kLost.
        int fd;
        FolderId id;
        const std::string* name;
        // Why a lost level could not be reopened.
        int error;
    };

    // open(), sparing the levels from busyFrom down when descriptors run out.
    void openSparing(std::optional<DirectoryReader>& reader, int parentFd, const std::string& name,
                     std::size_t busyFrom);
    // Opens name inside parentFd as the folder expected; -1 when it fails or
    // is another folder (error() says why).
    int reopen(int parentFd, const std::string& name, const FolderId& expected, std::size_t busyFrom);
    // Closes the uppermost open level among 1 .. busyFrom-1; false when there is none.
    bool closeUppermost(std::size_t busyFrom);
    void keep(std::size_t at, int fd);
    void release(std::size_t at);
    // Closes upper levels until at most `most` are open, sparing busyFrom and below.
    void trim(std::size_t busyFrom);

    std::vector<Level> levels;
    std::size_t most;
    std::size_t openCount = 0;
    // Levels 1 .. firstMaybeOpen-1 are all closed.
    std::size_t firstMaybeOpen = 1;
    int lastError = 0;
};
