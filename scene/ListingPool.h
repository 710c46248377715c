#pragma once

#include "scene/DirectoryReader.h"

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

class ScanControl;

// Walkers on every core that list and describe folders ahead of a
// depth-first walk, so that the walk itself makes almost no system calls:
// it still opens and tests each folder, and still decides everything a tree
// holds (which copy of a folder is expanded, which name of a file counts,
// what stays a leaf), but takes the entries of a folder some walker has
// listed already, in the order the system lists them, batch by batch.
//
// Walkers take folders from one shared queue, earliest in the walk's order
// first, so that they stay just ahead of it; each folder they list adds its
// subfolders (not links: the walk decides where a link leads) to the queue.
// A folder is listed at most once, known by its identity. Everything a
// walker cannot do (no descriptor to be had, out of memory, a folder on
// another file system when the walk keeps to one) it leaves to the walk,
// which lists such a folder itself, as it would without walkers. How many
// descriptors the walkers keep open, and how many entries they hold that
// the walk has not taken yet, is bounded.
class ListingPool {
public:
    using Batch = std::vector<DirectoryEntry>;
    // A folder's place in the walk: the position of each folder down to it
    // among its folder's entries. Walkers take the earliest first.
    using Place = std::vector<std::uint32_t>;
    // A subfolder of a folder listed, and its position among the folder's entries.
    struct Subfolder {
        std::string name;
        std::uint32_t position;
    };
    struct Listing;

    // Walkers on every online core, working for as long as the pool lives:
    // until then, or until `control` (when given) asks to stop. Folders on
    // another device than topDevice are left to the walk when oneFileSystem.
    ListingPool(bool oneFileSystem, std::uint64_t topDevice, const ScanControl* control);
    // Stops the walkers and waits for them.
    ~ListingPool();
    ListingPool(const ListingPool&) = delete;
    ListingPool& operator=(const ListingPool&) = delete;

    // How many walkers run (none when no thread or descriptor can be had:
    // then the walk lists every folder itself).
    std::size_t walkers() const { return threads.size(); }

    // The walk is about to list the folder known as `id`, at `place`: the
    // listing a walker has made or is making, or null when the walk is to
    // list it itself (from then on no walker lists it).
    std::shared_ptr<Listing> take(const FolderId& id, const Place& place);
    // The next batch of a listing taken, waiting for it; false at the end,
    // with why the listing stopped early in `error` (0 when it did not), or
    // when the scan is asked to stop.
    bool next(Listing& listing, Batch& into, int& error);
    // The walk listed a folder itself, open as folderFd (the pool keeps a
    // duplicate): its subfolders become work for the walkers.
    void adopt(int folderFd, const Place& place, std::vector<Subfolder>& subfolders);

private:
    struct Descriptor;
    struct Job {
        std::shared_ptr<Descriptor> parent;
        std::string name;
    };

    void serve();
    void list(Job& job, const Place& place);
    // Queues the subfolders of the folder open as fd, which the pool then owns; under the lock.
    void queue(int fd, const Place& place, std::vector<Subfolder>& subfolders);
    bool stopping() const;

    const bool oneFileSystem;
    const std::uint64_t topDevice;
    const ScanControl* const control;
    // Descriptors of folders whose subfolders are queued, at most so many.
    std::size_t mostOpen = 0;
    std::atomic<std::size_t> open{0};

    std::mutex lock;
    // Walkers wait for work, or for room to hold more entries.
    std::condition_variable work;
    // The walk waits for the next batch of a listing.
    std::condition_variable produced;
    // Under the lock from here on: folders to list, by their place in the walk.
    std::map<Place, Job> jobs;
    // Every folder listed or being listed; null once the walk lists it itself or has taken it.
    std::unordered_map<FolderId, std::shared_ptr<Listing>, FolderIdHash> claimed;
    // Entries listed that the walk has not taken yet.
    std::size_t ahead = 0;
    bool walkWaits = false;
    bool ending = false;
    std::vector<std::thread> threads;
};
