#include "scene/ListingPool.h"

#include "scene/ScanControl.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <new>
#include <optional>
#include <system_error>
#include <utility>

namespace {

// Entries listed and described together, and handed to the walk together.
constexpr std::size_t kBatch = 256;
// Entries the walkers hold for the walk before they start another folder;
// and before they go on with one folder the walk has not come to yet.
constexpr std::size_t kMostAhead = std::size_t(1) << 16;
constexpr std::size_t kMostAheadInOne = std::size_t(1) << 14;
// How often a waiting thread looks whether the scan is to stop.
constexpr std::chrono::milliseconds kStopCheck(2);
// Descriptors left to the walk's own branch, the window and the rest.
constexpr rlim_t kLeftToOthers = 256;
constexpr std::size_t kMostOpenHere = 128;
constexpr std::size_t kFewestOpenHere = 8;

} // namespace

struct ListingPool::Listing {
    std::deque<Batch> ready;
    std::size_t readyEntries = 0;
    bool done = false;
    int error = 0;
};

// A folder open while its subfolders wait in the queue.
struct ListingPool::Descriptor {
    Descriptor(int descriptor, std::atomic<std::size_t>& openCount) : fd(descriptor), count(openCount)
    {
        count.fetch_add(1, std::memory_order_relaxed);
    }
    ~Descriptor()
    {
        close(fd);
        count.fetch_sub(1, std::memory_order_relaxed);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int fd;
    std::atomic<std::size_t>& count;
};

ListingPool::ListingPool(bool keepToOneFileSystem, std::uint64_t device, const ScanControl* shared)
    : oneFileSystem(keepToOneFileSystem), topDevice(device), control(shared)
{
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) != 0)
        return;
    if (limit.rlim_cur == RLIM_INFINITY)
        mostOpen = kMostOpenHere;
    else if (limit.rlim_cur > kLeftToOthers)
        mostOpen = std::min<std::size_t>((limit.rlim_cur - kLeftToOthers) / 2, kMostOpenHere);
    if (mostOpen < kFewestOpenHere)
        return;
    const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    try {
        for (unsigned i = 0; i < cores; ++i)
            threads.emplace_back([this] { serve(); });
    } catch (const std::system_error&) {
        // Fewer walkers, or none: the walk lists what they do not.
    } catch (const std::bad_alloc&) {
    }
}

ListingPool::~ListingPool()
{
    {
        const std::lock_guard<std::mutex> hold(lock);
        ending = true;
    }
    work.notify_all();
    for (std::thread& walker : threads)
        walker.join();
    jobs.clear();
}

bool ListingPool::stopping() const
{
    return control != nullptr && control->stopRequested();
}

std::shared_ptr<ListingPool::Listing> ListingPool::take(const FolderId& id, const Place& place)
{
    std::shared_ptr<Descriptor> parent;
    const std::lock_guard<std::mutex> hold(lock);
    const auto [found, fresh] = claimed.emplace(id, nullptr);
    if (fresh) {
        // No walker need open it to find it listed; its parent may close once unlocked.
        const auto job = jobs.find(place);
        if (job != jobs.end()) {
            parent = std::move(job->second.parent);
            jobs.erase(job);
        }
        return nullptr;
    }
    return std::move(found->second);
}

bool ListingPool::next(Listing& listing, Batch& into, int& error)
{
    std::unique_lock<std::mutex> hold(lock);
    while (listing.ready.empty() && !listing.done) {
        if (stopping())
            return false;
        walkWaits = true;
        produced.wait_for(hold, kStopCheck);
        walkWaits = false;
    }
    if (listing.ready.empty()) {
        error = listing.error;
        return false;
    }
    // A walker may wait for room.
    const bool full = ahead >= kMostAhead || listing.readyEntries >= kMostAheadInOne;
    into = std::move(listing.ready.front());
    listing.ready.pop_front();
    listing.readyEntries -= into.size();
    ahead -= into.size();
    hold.unlock();
    if (full)
        work.notify_all();
    return true;
}

void ListingPool::adopt(int folderFd, const Place& place, std::vector<Subfolder>& subfolders)
{
    if (threads.empty() || subfolders.empty() || open.load(std::memory_order_relaxed) >= mostOpen)
        return;
    const int fd = fcntl(folderFd, F_DUPFD_CLOEXEC, 0);
    if (fd < 0)
        return;
    {
        const std::lock_guard<std::mutex> hold(lock);
        queue(fd, place, subfolders);
    }
    work.notify_all();
}

void ListingPool::queue(int fd, const Place& place, std::vector<Subfolder>& subfolders)
{
    std::shared_ptr<Descriptor> parent;
    try {
        parent = std::make_shared<Descriptor>(fd, open);
    } catch (const std::bad_alloc&) {
        close(fd);
        throw;
    }
    Place inner = place;
    inner.push_back(0);
    for (Subfolder& each : subfolders) {
        inner.back() = each.position;
        jobs.emplace(inner, Job{parent, std::move(each.name)});
    }
}

void ListingPool::serve()
{
    for (;;) {
        Job job;
        Place place;
        {
            std::unique_lock<std::mutex> hold(lock);
            while (!ending && (jobs.empty() || ahead >= kMostAhead)) {
                if (stopping())
                    return;
                work.wait_for(hold, kStopCheck * 10);
            }
            if (ending)
                return;
            // The earliest in the walk's order.
            const auto first = jobs.begin();
            place = first->first;
            job = std::move(first->second);
            jobs.erase(first);
        }
        try {
            list(job, place);
        } catch (const std::bad_alloc&) {
            // The walk lists what is left itself, and meets the shortage there.
            return;
        }
    }
}

void ListingPool::list(Job& job, const Place& place)
{
    std::optional<DirectoryReader> reader;
    reader.emplace(job.parent->fd, job.name);
    job.parent.reset();
    FolderId id;
    if (reader->access() != FolderAccess::Listable || !DirectoryReader::identify(reader->descriptor(), id)
        || (oneFileSystem && id.device != topDevice))
        return;
    const auto listing = std::make_shared<Listing>();
    {
        const std::lock_guard<std::mutex> hold(lock);
        if (!claimed.emplace(id, listing).second)
            return;
    }
    std::vector<Subfolder> subfolders;
    std::uint32_t position = 0;
    bool more = true;
    try {
        while (more) {
            Batch batch;
            DirectoryEntry entry;
            while (batch.size() < kBatch && (more = reader->nextName(entry)))
                batch.push_back(std::move(entry));
            const std::size_t count = batch.size();
            for (DirectoryEntry& listed : batch) {
                DirectoryReader::describe(reader->descriptor(), listed);
                if (listed.kind == EntryKind::Folder)
                    subfolders.push_back(Subfolder{listed.name, position});
                ++position;
            }
            std::unique_lock<std::mutex> hold(lock);
            if (count != 0) {
                listing->readyEntries += count;
                ahead += count;
                listing->ready.push_back(std::move(batch));
                if (walkWaits)
                    produced.notify_one();
            }
            // A folder the walk has not come to yet waits for it past a point.
            while (more && listing->readyEntries >= kMostAheadInOne && !ending && !stopping())
                work.wait_for(hold, kStopCheck * 10);
            if (ending || stopping())
                more = false;
        }
    } catch (const std::bad_alloc&) {
        const std::lock_guard<std::mutex> hold(lock);
        listing->error = ENOMEM;
        listing->done = true;
        produced.notify_one();
        throw;
    }
    const std::lock_guard<std::mutex> hold(lock);
    listing->error = reader->error();
    listing->done = true;
    if (walkWaits)
        produced.notify_one();
    if (!subfolders.empty() && open.load(std::memory_order_relaxed) < mostOpen && !ending) {
        queue(reader->release(), place, subfolders);
        work.notify_all();
    }
}
