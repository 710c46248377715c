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
struct Entry {
    std::uint64_t size = 0;
    // The modification time in the high 48 bits, the mode in the low 16.
    std::int64_t timeAndMode = 0;
    std::uint32_t nameOffset = 0;
    EntryId parent = kNoEntry;
    // Its folder data, for an entry that may be a folder; kNoEntry otherwise.
    std::uint32_t folder = kNoEntry;
    std::uint8_t nameLength = 0;
    EntryKind kind = EntryKind::Other;
    std::uint8_t flags = 0;
    std::atomic<std::uint8_t> state{kPending};
};
static_assert(sizeof(Entry) == 32, "an entry takes 32 bytes beside its name");

// What only a folder has.
struct Folder {
    // Its entries: a block of the shared index, count long.
    const EntryId* ids = nullptr;
    // Atomic so that a reader that reads totals early reads a value, never a torn one.
    std::atomic<std::uint64_t> totalSize{0};
    std::uint32_t count = 0;
    std::atomic<std::uint32_t> totalEntries{0};
    // The copy expanded elsewhere, for a folder reached again through a link.
    EntryId contents = kNoEntry;
    std::uint8_t error = 0;
    // The order by name follows the ids in their block.
    std::atomic<std::uint8_t> ordered{0};
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
    std::string rootPath;
    std::atomic<EntryId> root{kNoEntry};
    std::atomic<std::size_t> count{0};
    // Held by whoever writes: a source, or live updates beside it.
    std::mutex writing;

    const EntryId* writeBlock(const EntryId* ids, std::size_t n, const std::uint32_t* order = nullptr)
    {
        if (n == 0)
            return nullptr;
        const std::size_t written = n;
        if (order != nullptr)
            n *= 2;
        if (n > indexLeft) {
            constexpr std::size_t kIndexChunk = std::size_t(1) << 16;
            const std::size_t size = std::max(kIndexChunk, n);
            // Left untouched, so only what is written costs memory.
            indexChunks.emplace_back(new EntryId[size]);
            indexBytes += indexLeft * sizeof(EntryId);
            indexFree = indexChunks.back().get();
            indexLeft = size;
        }
        indexBytes += n * sizeof(EntryId);
        EntryId* block = indexFree;
        std::copy(ids, ids + written, block);
        if (order != nullptr)
            std::copy(order, order + written, block + written);
        indexFree += n;
        indexLeft -= n;
        return block;
    }

    EntryId make(EntryId parent, const EntryFacts& facts, std::uint8_t state)
    {
        if (facts.name.size() > 255)
            throw std::length_error("a name of more than 255 bytes");
        const auto id = static_cast<EntryId>(entries.append());
        Entry& entry = entries[id];
        entry.size = facts.size;
        entry.timeAndMode = packTime(facts.modifiedTime, facts.mode);
        entry.nameOffset = names.add(facts.name);
        entry.nameLength = static_cast<std::uint8_t>(facts.name.size());
        entry.parent = parent;
        entry.kind = facts.kind;
        if (mayBeFolder(facts.kind))
            entry.folder = static_cast<std::uint32_t>(folders.append());
        else if (facts.countedSize != 0)
            entry.flags = kCounted;
        entry.state.store(entry.folder == kNoEntry ? std::uint8_t(kComplete) : state, std::memory_order_relaxed);
        return id;
    }

    std::uint64_t ownTotal(const Entry& entry) const
    {
        if (entry.folder != kNoEntry)
            return folders[entry.folder].totalSize.load(std::memory_order_relaxed);
        return (entry.flags & kCounted) != 0 ? entry.size : 0;
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
        }
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
    return store->entries[entry].kind;
}

std::uint64_t EntryTree::byteSize(EntryId entry) const
{
    return store->entries[entry].size;
}

std::int64_t EntryTree::modifiedTime(EntryId entry) const
{
    return store->entries[entry].timeAndMode >> kModeBits;
}

std::int32_t EntryTree::mode(EntryId entry) const
{
    return static_cast<std::uint16_t>(store->entries[entry].timeAndMode);
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
    return (store->entries[entry].flags & kEntered) != 0;
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
    const Folder& data = store->folders[e.folder];
    return EntryRange(data.ids, data.count);
}

const std::uint32_t* EntryTree::nameOrder(EntryId folder) const
{
    if (!isListed(folder))
        return nullptr;
    const Entry& e = store->entries[folder];
    if (e.folder == kNoEntry)
        return nullptr;
    const Folder& data = store->folders[e.folder];
    return data.ordered.load(std::memory_order_acquire) != 0 ? data.ids + data.count : nullptr;
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
    Entry& top = store->entries[root()];
    top.timeAndMode = packTime(modifiedTime, static_cast<std::uint16_t>(top.timeAndMode));
}

EntryId EntryTree::addEntry(EntryId folder, const EntryFacts& facts)
{
    const std::lock_guard<std::mutex> hold(store->writing);
    const EntryId id = store->make(folder, facts, kPending);
    store->open[folder].push_back(id);
    store->count.store(store->entries.size(), std::memory_order_release);
    return id;
}

void EntryTree::markListed(EntryId folder, int error, EntryId expandedCopy, const std::vector<std::uint32_t>* order)
{
    const std::lock_guard<std::mutex> hold(store->writing);
    Entry& entry = store->entries[folder];
    Folder& data = store->folders[entry.folder];
    const auto found = store->open.find(folder);
    if (found != store->open.end()) {
        const bool withOrder = order != nullptr && order->size() == found->second.size();
        data.ids = store->writeBlock(found->second.data(), found->second.size(), withOrder ? order->data() : nullptr);
        data.count = static_cast<std::uint32_t>(found->second.size());
        data.ordered.store(withOrder ? 1 : 0, std::memory_order_relaxed);
        store->open.erase(found);
    }
    data.error = errorByte(error);
    data.contents = expandedCopy;
    entry.flags |= kEntered;
    // Release: whoever sees the state sees the entries written before it.
    entry.state.store(kListed, std::memory_order_release);
}

void EntryTree::markNotFolder(EntryId entry, int error)
{
    const std::lock_guard<std::mutex> hold(store->writing);
    Entry& e = store->entries[entry];
    store->open.erase(entry);
    store->folders[e.folder].error = errorByte(error);
    if (e.parent == kNoEntry)
        e.kind = EntryKind::Other;
    e.state.store(kComplete, std::memory_order_release);
}

void EntryTree::markComplete(EntryId folder)
{
    Entry& entry = store->entries[folder];
    Folder& data = store->folders[entry.folder];
    std::uint64_t bytes = 0;
    std::uint64_t count = data.count;
    if (data.contents != kNoEntry) {
        const Entry& copy = store->entries[data.contents];
        bytes = store->ownTotal(copy);
        count = store->ownEntries(copy);
    } else {
        for (std::uint32_t i = 0; i < data.count; ++i) {
            const Entry& child = store->entries[data.ids[i]];
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
    const std::lock_guard<std::mutex> hold(store->writing);
    const EntryId id = store->make(folder, facts, kComplete);
    Entry& added = store->entries[id];
    if (added.folder != kNoEntry)
        added.flags |= kEntered;
    Folder& data = store->folders[store->entries[folder].folder];
    data.ordered.store(0, std::memory_order_release);
    std::vector<EntryId> ids(data.ids, data.ids + data.count);
    ids.push_back(id);
    data.ids = store->writeBlock(ids.data(), ids.size());
    data.count = static_cast<std::uint32_t>(ids.size());
    store->count.store(store->entries.size(), std::memory_order_release);
    store->carry(folder, static_cast<std::int64_t>(store->ownTotal(added)), 1);
    return id;
}

void EntryTree::remove(EntryId entry)
{
    const std::lock_guard<std::mutex> hold(store->writing);
    Entry& gone = store->entries[entry];
    if ((gone.flags & kRemoved) != 0 || gone.parent == kNoEntry)
        return;
    Folder& data = store->folders[store->entries[gone.parent].folder];
    auto* ids = const_cast<EntryId*>(data.ids);
    EntryId* end = ids + data.count;
    EntryId* at = std::find(ids, end, entry);
    if (at == end)
        return;
    data.ordered.store(0, std::memory_order_release);
    std::copy(at + 1, end, at);
    --data.count;
    gone.flags |= kRemoved;
    store->carry(gone.parent, -static_cast<std::int64_t>(store->ownTotal(gone)),
                 -1 - static_cast<std::int64_t>(store->ownEntries(gone)));
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
    e.size = facts.size;
    e.timeAndMode = packTime(facts.modifiedTime, facts.mode);
    if (mayBeFolder(facts.kind) == (e.folder != kNoEntry))
        e.kind = facts.kind;
    if (e.folder == kNoEntry)
        e.flags = static_cast<std::uint8_t>((e.flags & ~kCounted) | (facts.countedSize != 0 ? kCounted : 0));
    const std::uint64_t after = store->ownTotal(e);
    if ((e.flags & kRemoved) == 0 && e.parent != kNoEntry && after != before)
        store->carry(e.parent, static_cast<std::int64_t>(after - before), 0);
}
