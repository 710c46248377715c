#pragma once

#include "scene/EntryKind.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

// An entry of an EntryTree: a dense number, the same for the entry's whole
// life in the tree (a live update moves no other entry's number).
using EntryId = std::uint32_t;
inline constexpr EntryId kNoEntry = 0xffffffffu;

// A listed folder's entries, in listing order: a view into the tree's own
// storage. A live update of the folder publishes a new listing and leaves
// this one as it was, so a range stays valid (and unchanged) for the tree's
// whole life; entries() afterwards gives the new one.
class EntryRange {
public:
    EntryRange() = default;
    EntryRange(const EntryId* first, std::uint32_t count) : ids(first), length(count) {}
    const EntryId* begin() const { return ids; }
    const EntryId* end() const { return ids + length; }
    std::uint32_t size() const { return length; }
    bool empty() const { return length == 0; }
    EntryId operator[](std::uint32_t i) const { return ids[i]; }

private:
    const EntryId* ids = nullptr;
    std::uint32_t length = 0;
};

// A regular file with several names: where it is, so that a saved export
// lets its reader count the file's bytes once, as the source did.
struct FileIdentity {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    // Its names; more than 1 for a file kept by sharedFile().
    std::uint64_t links = 1;
};

// What a source knows of one entry when it lists it: a scan from its
// directory entry and fstatat, an import from the export's fields, a live
// update from a fresh look-up.
struct EntryFacts {
    std::string_view name;
    EntryKind kind = EntryKind::Other;
    // Bytes (a link: its target's, as the scan has it).
    std::uint64_t size = 0;
    // Bytes this entry adds to its folders' totals: its size for a regular
    // file counted for the first time, 0 for a further name of a file with
    // several links, a link, or anything but a regular file.
    std::uint64_t countedSize = 0;
    // Seconds since the epoch.
    std::int64_t modifiedTime = 0;
    std::int32_t mode = 0;
    // For a regular file with several names (links > 1); kept beside the
    // tree, so it costs nothing for the other entries.
    FileIdentity identity;
};

// The explore view's tree, held compactly: every view, the status text,
// find, sort and types read it; a scan, an import and live updates are its
// only writers. The plain view keeps its own FsNode tree.
//
// One writer thread (a scan or an import beside the window) may grow the
// tree while the window's thread reads it: a reader reads a folder's
// entries(), isFolder() and enterError() only once isListed() says so, its
// totals only once isComplete() says so; an entry's name, kind, size, time
// and mode are final as soon as it is among its folder's listed entries.
// Storage never moves under a reader: ids, names and a listed folder's range
// stay valid while the writer appends.
//
// Live updates (change(), insert(), remove(), update()) write only complete
// folders, on one thread, which may run beside a source writing other
// folders. A reader then sees each folder's listing whole, old or new; an
// entry's size, time, mode and kind may change under it (each read is whole);
// a removed entry is a tombstone: out of its folder's listing, isRemoved(),
// its facts readable, and its number never given to another entry. So an
// EntryId held anywhere (a selection, a cache, find results) never reads
// freed or reused memory. Nothing removed is reclaimed while the tree lives.
class EntryTree {
public:
    EntryTree();
    ~EntryTree();
    EntryTree(const EntryTree&) = delete;
    EntryTree& operator=(const EntryTree&) = delete;

    // --- Reading (any thread, as above) ---

    // The top folder; kNoEntry until the writer has made it.
    EntryId root() const;
    // Entries made so far, listed or not.
    std::size_t size() const;

    std::string_view name(EntryId entry) const;
    EntryKind kind(EntryId entry) const;
    bool hidden(EntryId entry) const { return !name(entry).empty() && name(entry)[0] == '.'; }
    std::uint64_t byteSize(EntryId entry) const;
    std::int64_t modifiedTime(EntryId entry) const;
    std::int32_t mode(EntryId entry) const;
    // The folder whose entries include this one; kNoEntry for the root.
    EntryId parent(EntryId entry) const;
    // Taken out of its folder by a live update (it stays out).
    bool isRemoved(EntryId entry) const;

    // True once the entry's folder-ness, enterError() and entries() are final.
    bool isListed(EntryId entry) const;
    // Once listed: whether it was entered as a folder (also one that could
    // not be listed, or a link to a folder expanded elsewhere).
    bool isFolder(EntryId entry) const;
    // True once totalSize() and totalEntries() are final (and isListed()).
    bool isComplete(EntryId entry) const;
    // Whether the row shows it as a folder: once listed, whether it was
    // entered as one; before, whether the listing found a folder or a link to one.
    bool showsAsFolder(EntryId entry) const;
    // Why a folder could not be entered (an errno value, EXDEV for another
    // file system when the scan keeps to one); 0 otherwise.
    int enterError(EntryId entry) const;
    // The system's message for enterError(), or "on another file system"; empty for 0.
    std::string enterProblem(EntryId entry) const;

    // A listed folder's own entries, in listing order; empty for anything else.
    EntryRange entries(EntryId folder) const;
    // A folder's entries as far as the writer has published them with
    // publishSoFar() while it lists the folder, then entries() once it is
    // listed: a longer and longer prefix of the final listing, each entry's
    // name, kind, size, time and mode final. Takes a lock the writer holds
    // only while it publishes, so it is meant for a frame, not an inner loop.
    EntryRange entriesSoFar(EntryId folder) const;
    // For a listed folder its source gave one: the positions in entries() in
    // the order by name (the explore view's, folders first), made beside the
    // scan so that a large folder opens without sorting; null otherwise, and
    // once a live update changes the folder.
    const std::uint32_t* nameOrder(EntryId folder) const;
    // The same for a listing entries() gave (of any folder, at any time): its
    // order by name when one was stored with it, else null. Use this when the
    // listing is at hand, so that both come from one publication.
    static const std::uint32_t* nameOrderOf(EntryRange listing);
    // The entry whose entries() list this folder's contents: itself, or for a
    // folder reached again through a link the one copy the source expanded;
    // kNoEntry for anything that cannot be entered.
    EntryId contents(EntryId entry) const;

    // A regular file with several names: its identity, as its source gave
    // it. Takes the writer's lock: for a save, not for a frame.
    bool sharedFile(EntryId entry, FileIdentity& identity) const;

    // A folder: bytes of the regular files below it, each file counted once;
    // anything else: its countedSize.
    std::uint64_t totalSize(EntryId entry) const;
    // A folder: entries below it at every depth; 0 for anything else.
    std::uint64_t totalEntries(EntryId entry) const;

    // The path of a folder or entry below the root, from the root's path (as
    // the source was given it) with single '/' separators; a folder's ends with '/'.
    std::string path(EntryId entry) const;

    // Bytes the tree holds, names and all (for the memory figures); on the
    // writer's thread, or once the writer has ended.
    std::size_t memoryBytes() const;

    // --- Writing (the one writer thread) ---

    // The top folder, named by its path (ending with '/'), not listed yet;
    // its name is empty.
    EntryId makeRoot(std::string_view folderPath);
    // The top folder's time, once its source has looked it up (before it is listed).
    void setRootTime(std::int64_t modifiedTime);
    // A folder's own time, as a fresh listing of it found it.
    void setModifiedTime(EntryId entry, std::int64_t modifiedTime);
    // Lists `folder`, not listed yet: several folders may be listed at once
    // (an export lists a subfolder's whole subtree before its parent's later
    // entries); each folder's entries stand together in entries() and are
    // published with its markListed(). A name has at most 255 bytes
    // (std::length_error otherwise), a time 48 bits, a mode 16.
    EntryId addEntry(EntryId folder, const EntryFacts& facts);
    // Publishes the entries added so far to a folder not listed yet, for
    // entriesSoFar(), when there are more than last time and either few of
    // them (kSmallListing) or at least twice as many as last time. Each
    // publication copies the ids, which stay for as long as the tree: past
    // kSmallListing a folder of n entries costs at most about 2n ids more
    // than its listing, below it each call may copy it whole, so a source
    // publishes at a measured pace. True when it published.
    bool publishSoFar(EntryId folder);
    static constexpr std::uint32_t kSmallListing = 1024;
    // The entries added to a folder not listed yet, so far (the writer's
    // thread only; valid until the next change).
    EntryRange unlistedEntries(EntryId folder) const;
    // The folder's entries are all added (or it could not be entered:
    // `error`), or it is a link to `expandedCopy`, listed elsewhere. With
    // `order` (as many positions as entries): their order by name.
    void markListed(EntryId folder, int error = 0, EntryId expandedCopy = kNoEntry,
                    const std::vector<std::uint32_t>* order = nullptr);
    // The folder or link to one could not be entered at all (gone, no search
    // permission, a loop): it shows as a file from now on, with `error`, and
    // is complete. The top folder becomes of kind Other.
    void markNotFolder(EntryId entry, int error);
    // Every entry below the folder is complete: sums its totals from its
    // entries' and publishes them.
    void markComplete(EntryId folder);

    // Live updates on a complete folder (see above): entries added, gone, or
    // whose facts changed; each carries the change in totals up through the
    // complete folders above it. change() takes `gone` (entries of the
    // folder) out and adds entries with the `added` facts at its end, as one
    // new listing; their ids, in order. An added folder is listed and
    // complete, empty. insert() and remove() are change() for one entry.
    // update() keeps whether the entry is a folder; a new name there is for a
    // tree no other thread reads (live updates rename by remove and insert).
    std::vector<EntryId> change(EntryId folder, const std::vector<EntryId>& gone, const std::vector<EntryFacts>& added);
    EntryId insert(EntryId folder, const EntryFacts& facts);
    void remove(EntryId entry);
    void update(EntryId entry, const EntryFacts& facts);

private:
    void dropSoFar(EntryId folder, EntryRange published);

    struct Storage;
    Storage* store;
};

// Puts a folder's entries (as unlistedEntries() gives them) in the order by
// name: their positions, as many as entries. A source given one orders large
// folders as it lists them, so that they open at once.
using EntryOrderer = std::function<std::vector<std::uint32_t>(const EntryTree&, EntryRange)>;
