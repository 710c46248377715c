#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The system's notification of changes in folders (inotify), for the
// folders watched: each event names the watch it came from and what
// happened; the names of the entries are not kept, as whoever reads the
// events lists the folder again. Reading never blocks: descriptor() says
// when there is something to read.
class FolderWatcher {
public:
    struct Event {
        int watch = -1;
        std::uint32_t mask = 0;
    };

    // What a watch reports: entries made, gone, renamed in or out, written,
    // their attributes changed, the folder itself gone or moved; folders
    // only, and nothing more of entries already unlinked.
    static const std::uint32_t kMask;

    // Opens the notification; ok() says whether the system gave it.
    FolderWatcher();
    ~FolderWatcher();
    FolderWatcher(const FolderWatcher&) = delete;
    FolderWatcher& operator=(const FolderWatcher&) = delete;

    bool ok() const { return fd >= 0; }
    // Why the notification could not be opened (an errno value), or 0.
    int openError() const { return failure; }
    // Readable when events wait.
    int descriptor() const { return fd; }

    // A watch on the folder at `path` (not followed when it is a link to one);
    // -errno when the system refused it (ENOSPC: its limit of watches is reached).
    int watch(const std::string& path);
    void unwatch(int watch);

    // Appends the events waiting now. An event with watch -1 and IN_Q_OVERFLOW
    // says the system lost events: every watched folder may have changed.
    void read(std::vector<Event>& events);

private:
    int fd = -1;
    int failure = 0;
};
