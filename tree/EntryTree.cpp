#include "tree/EntryTree.h"

#include "tree/ChunkedStore.h"
#include "tree/NameArena.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <unordered_map>
#include <vector>

namespace {

enum State : std::uint8_t { kPending, kListed, kComplete };

enum Flag : std::uint8_t {
    // A file whose bytes its folders count (its first name).
    kCounted = 1,
    // Listed as a folder: entered, whether or not it could be listed.
    kEntered = 2,
    kRemoved = 4,
};

constexpr unsigned kModeBits = 16;

// One entry, whatever it is: 32 bytes, its name in the arena.
// What a live update may change while the window reads it (size, time and
// mode, kind, flags) is atomic, read and written relaxed: a reader sees the
// old value or the new one, never a torn one.
struct Entry {
    std::atomic<std::uint64_t> size{0};
    // The modification time in the high 48 bits, the mode in the low 16.
    std::atomic<std::int64_t> timeAndMode{0};
    std::uint32_t nameOffset = 0;
    EntryId parent = kNoEntry;
    // Its folder data, for an entry that may be a folder; kNoEntry otherwise.
    std::uint32_t folder = kNoEntry;
    std::uint8_t nameLength = 0;
    std::atomic<EntryKind> kind{EntryKind::Other};
    std::atomic<std::uint8_t> flags{0};
    std::atomic<std::uint8_t> state{kPending};
};
static_assert(sizeof(Entry) == 32, "an entry takes 32 bytes beside its name");

// What only a folder has.
struct Folder {
    // Its entries: a block of the shared index, its first word their count.
    // A live update writes a new block and publishes it here (release), so a
    // reader holding the old one reads it unchanged: blocks are never freed.
    std::atomic<const EntryId*> ids{nullptr};
    // Atomic so that a reader that reads totals early reads a value, never a torn one.
    std::atomic<std::uint64_t> totalSize{0};
    std::atomic<std::uint32_t> totalEntries{0};
    // The copy expanded elsewhere, for a folder reached again through a link.
    EntryId contents = kNoEntry;
    std::uint8_t error = 0;
};
static_assert(sizeof(Folder) == 32, "a folder's data take 32 bytes");

bool mayBeFolder(EntryKind kind)
{
    return kind == EntryKind::Folder || kind == EntryKind::FolderLink;
}

std::int64_t packTime(std::int64_t time, std::int32_t mode)
{
    constexpr std::int64_t limit = std::int64_t(1) << (63 - kModeBits);
    const std::int64_t clamped = std::clamp(time, -limit, limit - 1);
    return static_cast<std::int64_t>(static_cast<std::uint64_t>(clamped) << kModeBits)
        | static_cast<std::uint16_t>(mode);
}

// The listing of a folder with no entries.
const EntryId kEmptyBlock[1] = {0};
// Set in a block's first word when the order by name follows its ids.
constexpr EntryId kOrderedBlock = EntryId(1) << 31;

EntryRange rangeOf(const EntryId* block)
{
    return block == nullptr ? EntryRange() : EntryRange(block + 1, block[0] & ~kOrderedBlock);
}

std::uint8_t errorByte(int error)
{
    return static_cast<std::uint8_t>(error >= 0 && error <= 255 ? error : EIO);
}

} // namespace

struct EntryTree::Storage {
    // Up to 2^30 entries and 2^28 folders.
    ChunkedStore<Entry, 16, 16384> entries;
    ChunkedStore<Folder, 14, 16384> folders;
    NameArena names;
    // The blocks of folders' entries, end to end; a block never crosses a chunk.
    std::vector<std::unique_ptr<EntryId[]>> indexChunks;
    EntryId* indexFree = nullptr;
    std::size_t indexLeft = 0;
    // Ids written, and the ends of chunks left unused.
    std::size_t indexBytes = 0;
    // The entries of folders being listed.
    std::unordered_map<EntryId, std::vector<EntryId>> open;
    // What publishSoFar() made readable of folders still being listed: ranges
    // of the index, which stays put, found by readers under their own lock.
    std::unordered_map<EntryId, EntryRange> soFar;
    mutable std::mutex soFarLock;
    // Regular files with several names.
    std::unordered_map<EntryId, FileIdentity> sharedFiles;
    std::string rootPath;
    std::atomic<EntryId> root{kNoEntry};
    std::atomic<std::size_t> count{0};
    // Held by whoever writes: a source, or live updates beside it.
    std::mutex writing;

    // A block of the count and the ids after it, and with `order` (as many
    // positions as ids) their order by name after those.
    const EntryId* writeBlock(const EntryId* ids, std::size_t n, const std::uint32_t* order = nullptr)
    {
        if (n == 0)
            return kEmptyBlock;
        const std::size_t words = 1 + (order != nullptr ? 2 * n : n);
        if (words > indexLeft) {
            constexpr std::size_t kIndexChunk = std::size_t(1) << 16;
            const std::size_t size = std::max(kIndexChunk, words);
            // Left untouched, so only what is written costs memory.
            indexChunks.emplace_back(new EntryId[size]);
            indexBytes += indexLeft * sizeof(EntryId);
            indexFree = indexChunks.back().get();
            indexLeft = size;
        }
        indexBytes += words * sizeof(EntryId);
        EntryId* block = indexFree;
        block[0] = static_cast<EntryId>(n) | (order != nullptr ? kOrderedBlock : 0);
        std::copy(ids, ids + n, block + 1);
        if (order != nullptr)
            std::copy(order, order + n, block + 1 + n);
        indexFree += words;
        indexLeft -= words;
        return block;
    }

    EntryId make(EntryId parent, const EntryFacts& facts, std::uint8_t state)
    {
        if (facts.name.size() > 255)
            throw std::length_error("a name of more than 255 bytes");
        const auto id = static_cast<EntryId>(entries.append());
        Entry& entry = entries[id];
        entry.size.store(facts.size, std::memory_order_relaxed);
        entry.timeAndMode.store(packTime(facts.modifiedTime, facts.mode), std::memory_order_relaxed);
        entry.nameOffset = names.add(facts.name);
        entry.nameLength = static_cast<std::uint8_t>(facts.name.size());
        entry.parent = parent;
        entry.kind.store(facts.kind, std::memory_order_relaxed);
        if (mayBeFolder(facts.kind))
            entry.folder = static_cast<std::uint32_t>(folders.append());
        else if (facts.countedSize != 0)
            entry.flags.store(kCounted, std::memory_order_relaxed);
        if (facts.kind == EntryKind::File && facts.identity.links > 1)
            sharedFiles.emplace(id, facts.identity);
        entry.state.store(entry.folder == kNoEntry ? std::uint8_t(kComplete) : state, std::memory_order_relaxed);
        return id;
    }

    std::uint64_t ownTotal(const Entry& entry) const
    {
        if (entry.folder != kNoEntry)
            return folders[entry.folder].totalSize.load(std::memory_order_relaxed);
        return (entry.flags.load(std::memory_order_relaxed) & kCounted) != 0
            ? entry.size.load(std::memory_order_relaxed)
            : 0;
    }

    std::uint32_t ownEntries(const Entry& entry) const
    {
        return entry.folder != kNoEntry ? folders[entry.folder].totalEntries.load(std::memory_order_relaxed) : 0;
    }

    // Adds the change up through the complete folders from `folder` on.
    void carry(EntryId folder, std::int64_t bytes, std::int64_t entryCount)
    {
        for (EntryId at = folder; at != kNoEntry; at = entries[at].parent) {
            const Entry& entry = entries[at];
            if (entry.state.load(std::memory_order_relaxed) != kComplete)
                break;
            Folder& data = folders[entry.folder];
            data.totalSize.fetch_add(static_cast<std::uint64_t>(bytes), std::memory_order_relaxed);
            data.totalEntries.fetch_add(static_cast<std::uint32_t>(entryCount), std::memory_order_relaxed);
            // Taken out of its folder: nothing above counts it any more.
            if ((entry.flags.load(std::memory_order_relaxed) & kRemoved) != 0)
                break;
        }
    }

    EntryRange listing(const Entry& folder) const
    {
        return rangeOf(folders[folder.folder].ids.load(std::memory_order_acquire));
    }
};

EntryTree::EntryTree() : store(new Storage)
{
}

EntryTree::~EntryTree()
{
    delete store;
}

EntryId EntryTree::root() const
{
    return store->root.load(std::memory_order_acquire);
}

std::size_t EntryTree::size() const
{
    return store->count.load(std::memory_order_acquire);
}

std::string_view EntryTree::name(EntryId entry) const
{
    const Entry& e = store->entries[entry];
    return store->names.at(e.nameOffset, e.nameLength);
}

EntryKind EntryTree::kind(EntryId entry) const
{
    return store->entries[entry].kind.load(std::memory_order_relaxed);
}

std::uint64_t EntryTree::byteSize(EntryId entry) const
{
    return store->entries[entry].size.load(std::memory_order_relaxed);
}

std::int64_t EntryTree::modifiedTime(EntryId entry) const
{
    return store->entries[entry].timeAndMode.load(std::memory_order_relaxed) >> kModeBits;
}

std::int32_t EntryTree::mode(EntryId entry) const
{
    return static_cast<std::uint16_t>(store->entries[entry].timeAndMode.load(std::memory_order_relaxed));
}

EntryId EntryTree::parent(EntryId entry) const
{
    return store->entries[entry].parent;
}

bool EntryTree::isListed(EntryId entry) const
{
    return store->entries[entry].state.load(std::memory_order_acquire) >= kListed;
}

bool EntryTree::isComplete(EntryId entry) const
{
    return store->entries[entry].state.load(std::memory_order_acquire) >= kComplete;
}

bool EntryTree::isFolder(EntryId entry) const
{
    return (store->entries[entry].flags.load(std::memory_order_relaxed) & kEntered) != 0;
}

bool EntryTree::isRemoved(EntryId entry) const
{
    return (store->entries[entry].flags.load(std::memory_order_acquire) & kRemoved) != 0;
}

bool EntryTree::showsAsFolder(EntryId entry) const
{
    if (isListed(entry))
        return isFolder(entry);
    return mayBeFolder(kind(entry));
}

int EntryTree::enterError(EntryId entry) const
{
    const Entry& e = store->entries[entry];
    return e.folder == kNoEntry ? 0 : store->folders[e.folder].error;
}

std::string EntryTree::enterProblem(EntryId entry) const
{
    const int error = enterError(entry);
    if (error == 0)
        return std::string();
    if (error == EXDEV)
        return "on another file system";
    return std::strerror(error);
}

EntryRange EntryTree::entries(EntryId folder) const
{
    if (!isListed(folder))
        return EntryRange();
    const Entry& e = store->entries[folder];
    if (e.folder == kNoEntry)
        return EntryRange();
    return store->listing(e);
}

EntryRange EntryTree::entriesSoFar(EntryId folder) const
{
    if (isListed(folder))
        return entries(folder);
    {
        const std::lock_guard<std::mutex> hold(store->soFarLock);
        const auto found = store->soFar.find(folder);
        if (found != store->soFar.end())
            return found->second;
    }
    // Listed meanwhile: markListed() states so before it drops the partial range.
    return entries(folder);
}

const std::uint32_t* EntryTree::nameOrder(EntryId folder) const
{
    return nameOrderOf(entries(folder));
}

const std::uint32_t* EntryTree::nameOrderOf(EntryRange listing)
{
    // A listing's block starts one word before its ids, with their count.
    if (listing.size() == 0 || (listing.begin()[-1] & kOrderedBlock) == 0)
        return nullptr;
    return listing.begin() + listing.size();
}

EntryRange EntryTree::unlistedEntries(EntryId folder) const
{
    const auto found = store->open.find(folder);
    if (found == store->open.end())
        return EntryRange();
    return EntryRange(found->second.data(), static_cast<std::uint32_t>(found->second.size()));
}

EntryId EntryTree::contents(EntryId entry) const
{
    if (!isListed(entry) || !isFolder(entry))
        return kNoEntry;
    const EntryId copy = store->folders[store->entries[entry].folder].contents;
    return copy != kNoEntry ? copy : entry;
}

bool EntryTree::sharedFile(EntryId entry, FileIdentity& identity) const
{
    const std::lock_guard<std::mutex> hold(store->writing);
    const auto found = store->sharedFiles.find(entry);
    if (found == store->sharedFiles.end())
        return false;
    identity = found->second;
    return true;
}

std::uint64_t EntryTree::totalSize(EntryId entry) const
{
    return store->ownTotal(store->entries[entry]);
}

std::uint64_t EntryTree::totalEntries(EntryId entry) const
{
    return store->ownEntries(store->entries[entry]);
}

std::string EntryTree::path(EntryId entry) const
{
    // Iterative: a chain may be thousands of folders deep.
    std::vector<EntryId> chain;
    for (EntryId at = entry; at != kNoEntry && parent(at) != kNoEntry; at = parent(at))
        chain.push_back(at);
    std::string text = store->rootPath;
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
        text += name(*it);
        if (showsAsFolder(*it))
            text += '/';
    }
    return text;
}

std::size_t EntryTree::memoryBytes() const
{
    std::size_t open = 0;
    for (const auto& [folder, ids] : store->open)
        open += ids.capacity() * sizeof(EntryId);
    {
        const std::lock_guard<std::mutex> look(store->soFarLock);
        open += store->soFar.size() * (sizeof(EntryId) + sizeof(EntryRange) + 2 * sizeof(void*));
    }
    // A node of the map and its share of the buckets.
    open += store->sharedFiles.size() * (sizeof(EntryId) + sizeof(FileIdentity) + 4 * sizeof(void*));
    return sizeof(Storage) + store->indexChunks.capacity() * sizeof(store->indexChunks[0])
        + store->entries.memoryBytes() + store->folders.memoryBytes() + store->names.memoryBytes() + store->indexBytes
        + open + store->rootPath.capacity();
}

EntryId EntryTree::makeRoot(std::string_view folderPath)
{
    const std::lock_guard<std::mutex> hold(store->writing);
    EntryFacts facts;
    facts.kind = EntryKind::Folder;
    const EntryId id = store->make(kNoEntry, facts, kPending);
    store->rootPath = folderPath;
    store->count.store(store->entries.size(), std::memory_order_release);
    store->root.store(id, std::memory_order_release);
    return id;
}

void EntryTree::setRootTime(std::int64_t modifiedTime)
{
    setModifiedTime(root(), modifiedTime);
}

void EntryTree::setModifiedTime(EntryId entry, std::int64_t modifiedTime)
{
    Entry& e = store->entries[entry];
    const auto mode = static_cast<std::uint16_t>(e.timeAndMode.load(std::memory_order_relaxed));
    e.timeAndMode.store(packTime(modifiedTime, mode), std::memory_order_relaxed);
}

EntryId EntryTree::addEntry(EntryId folder, const EntryFacts& facts)
{
    const std::lock_guard<std::mutex> hold(store->writing);
    const EntryId id = store->make(folder, facts, kPending);
    store->open[folder].push_back(id);
    store->count.store(store->entries.size(), std::memory_order_release);
    return id;
}

bool EntryTree::publishSoFar(EntryId folder)
{
    const std::lock_guard<std::mutex> hold(store->writing);
    const auto found = store->open.find(folder);
    if (found == store->open.end() || isListed(folder))
        return false;
    const std::vector<EntryId>& ids = found->second;
    const auto count = static_cast<std::uint32_t>(ids.size());
    std::uint32_t before = 0;
    {
        const std::lock_guard<std::mutex> look(store->soFarLock);
        const auto published = store->soFar.find(folder);
        if (published != store->soFar.end())
            before = published->second.size();
    }
    if (count <= before || (count > kSmallListing && count < 2 * before))
        return false;
    const EntryRange range = rangeOf(store->writeBlock(ids.data(), ids.size()));
    const std::lock_guard<std::mutex> look(store->soFarLock);
    store->soFar[folder] = range;
    return true;
}

void EntryTree::markListed(EntryId folder, int error, EntryId expandedCopy, const std::vector<std::uint32_t>* order)
{
    const std::lock_guard<std::mutex> hold(store->writing);
    Entry& entry = store->entries[folder];
    Folder& data = store->folders[entry.folder];
    EntryRange published;
    {
        const std::lock_guard<std::mutex> look(store->soFarLock);
        const auto soFar = store->soFar.find(folder);
        if (soFar != store->soFar.end())
            published = soFar->second;
    }
    const auto found = store->open.find(folder);
    if (found != store->open.end()) {
        const auto count = static_cast<std::uint32_t>(found->second.size());
        const bool withOrder = order != nullptr && order->size() == count;
        // Nothing added since the last publication: its copy (the ids after
        // the block's count) is the listing, unless an order goes with it.
        const EntryId* block = !withOrder && count > 0 && count == published.size()
            ? published.begin() - 1
            : store->writeBlock(found->second.data(), found->second.size(), withOrder ? order->data() : nullptr);
        data.ids.store(block, std::memory_order_relaxed);
        store->open.erase(found);
    }
    data.error = errorByte(error);
    data.contents = expandedCopy;
    entry.flags.fetch_or(kEntered, std::memory_order_relaxed);
    // Release: whoever sees the state sees the entries written before it.
    entry.state.store(kListed, std::memory_order_release);
    dropSoFar(folder, published);
}

void EntryTree::dropSoFar(EntryId folder, EntryRange published)
{
    // After the state is stored, so that a reader who finds no partial range
    // finds the folder listed; its ids stay where they are.
    if (published.begin() == nullptr)
        return;
    const std::lock_guard<std::mutex> look(store->soFarLock);
    store->soFar.erase(folder);
}

void EntryTree::markNotFolder(EntryId entry, int error)
{
    const std::lock_guard<std::mutex> hold(store->writing);
    Entry& e = store->entries[entry];
    store->open.erase(entry);
    store->folders[e.folder].error = errorByte(error);
    if (e.parent == kNoEntry)
        e.kind.store(EntryKind::Other, std::memory_order_relaxed);
    e.state.store(kComplete, std::memory_order_release);
    // Shown as a file from now on: entriesSoFar() has nothing for it.
    const std::lock_guard<std::mutex> look(store->soFarLock);
    store->soFar.erase(entry);
}

void EntryTree::markComplete(EntryId folder)
{
    Entry& entry = store->entries[folder];
    Folder& data = store->folders[entry.folder];
    const EntryRange listing = store->listing(entry);
    std::uint64_t bytes = 0;
    std::uint64_t count = listing.size();
    if (data.contents != kNoEntry) {
        const Entry& copy = store->entries[data.contents];
        bytes = store->ownTotal(copy);
        count = store->ownEntries(copy);
    } else {
        for (const EntryId each : listing) {
            const Entry& child = store->entries[each];
            bytes += store->ownTotal(child);
            count += store->ownEntries(child);
        }
    }
    data.totalSize.store(bytes, std::memory_order_relaxed);
    data.totalEntries.store(static_cast<std::uint32_t>(count), std::memory_order_relaxed);
    entry.state.store(kComplete, std::memory_order_release);
}

EntryId EntryTree::insert(EntryId folder, const EntryFacts& facts)
{
    return change(folder, {}, {facts}).front();
}

void EntryTree::remove(EntryId entry)
{
    const EntryId folder = store->entries[entry].parent;
    if (folder != kNoEntry)
        change(folder, {entry}, {});
}

std::vector<EntryId> EntryTree::change(EntryId folder, const std::vector<EntryId>& gone,
                                       const std::vector<EntryFacts>& added)
{
    const std::lock_guard<std::mutex> hold(store->writing);
    Entry& into = store->entries[folder];
    std::vector<EntryId> leaving(gone);
    std::sort(leaving.begin(), leaving.end());
    std::vector<EntryId> ids;
    const EntryRange before = store->listing(into);
    ids.reserve(before.size() + added.size());
    std::int64_t bytes = 0;
    std::int64_t count = 0;
    for (const EntryId each : before) {
        Entry& entry = store->entries[each];
        if (!std::binary_search(leaving.begin(), leaving.end(), each)) {
            ids.push_back(each);
            continue;
        }
        // Its facts stay readable and its number is never given to another entry.
        entry.flags.fetch_or(kRemoved, std::memory_order_release);
        bytes -= static_cast<std::int64_t>(store->ownTotal(entry));
        count -= 1 + static_cast<std::int64_t>(store->ownEntries(entry));
    }
    std::vector<EntryId> made;
    made.reserve(added.size());
    for (const EntryFacts& facts : added) {
        const EntryId id = store->make(folder, facts, kComplete);
        Entry& entry = store->entries[id];
        if (entry.folder != kNoEntry) {
            store->folders[entry.folder].ids.store(kEmptyBlock, std::memory_order_relaxed);
            entry.flags.fetch_or(kEntered, std::memory_order_relaxed);
        }
        bytes += static_cast<std::int64_t>(store->ownTotal(entry));
        ++count;
        ids.push_back(id);
        made.push_back(id);
    }
    store->count.store(store->entries.size(), std::memory_order_release);
    if (ids.size() != before.size() || !made.empty())
        store->folders[into.folder].ids.store(store->writeBlock(ids.data(), ids.size()), std::memory_order_release);
    store->carry(folder, bytes, count);
    return made;
}

void EntryTree::update(EntryId entry, const EntryFacts& facts)
{
    const std::lock_guard<std::mutex> hold(store->writing);
    Entry& e = store->entries[entry];
    if (facts.name.size() > 255)
        throw std::length_error("a name of more than 255 bytes");
    const std::uint64_t before = store->ownTotal(e);
    if (facts.name != store->names.at(e.nameOffset, e.nameLength)) {
        e.nameOffset = store->names.add(facts.name);
        e.nameLength = static_cast<std::uint8_t>(facts.name.size());
    }
    e.size.store(facts.size, std::memory_order_relaxed);
    e.timeAndMode.store(packTime(facts.modifiedTime, facts.mode), std::memory_order_relaxed);
    if (mayBeFolder(facts.kind) == (e.folder != kNoEntry))
        e.kind.store(facts.kind, std::memory_order_relaxed);
    if (e.folder == kNoEntry) {
        const std::uint8_t flags = e.flags.load(std::memory_order_relaxed);
        e.flags.store(static_cast<std::uint8_t>((flags & ~kCounted) | (facts.countedSize != 0 ? kCounted : 0)),
                      std::memory_order_relaxed);
    }
    const std::uint64_t after = store->ownTotal(e);
    const bool removed = (e.flags.load(std::memory_order_relaxed) & kRemoved) != 0;
    if (!removed && e.parent != kNoEntry && after != before)
        store->carry(e.parent, static_cast<std::int64_t>(after - before), 0);
}
