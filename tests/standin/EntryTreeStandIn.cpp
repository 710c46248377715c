// A plain EntryTree for the map's tests while the compact one is not in the
// build: one thread, every field in its own vector. It keeps the interface's
// promises the map relies on (entries contiguous per folder, totals summed by
// markComplete, paths, contents of a link), not its memory figures.
#include "tree/EntryTree.h"

#include <cstring>
#include <deque>
#include <vector>

struct EntryTree::Storage {
    std::deque<std::string> names;
    std::vector<EntryFacts> facts;
    std::vector<EntryId> parents;
    std::vector<EntryId> order; // every folder's entries, contiguous
    std::vector<std::uint32_t> first;
    std::vector<std::uint32_t> count;
    std::vector<bool> listed;
    std::vector<bool> complete;
    std::vector<int> errors;
    std::vector<EntryId> copies;
    std::vector<std::uint64_t> totalBytes;
    std::vector<std::uint64_t> totalCount;
    EntryId top = kNoEntry;

    EntryId make(EntryId parent, const EntryFacts& entry)
    {
        const EntryId id = static_cast<EntryId>(facts.size());
        names.emplace_back(entry.name);
        facts.push_back(entry);
        facts.back().name = names.back();
        parents.push_back(parent);
        first.push_back(0);
        count.push_back(0);
        listed.push_back(false);
        complete.push_back(false);
        errors.push_back(0);
        copies.push_back(kNoEntry);
        totalBytes.push_back(entry.countedSize);
        totalCount.push_back(0);
        return id;
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
    return store->top;
}
std::size_t EntryTree::size() const
{
    return store->facts.size();
}
std::string_view EntryTree::name(EntryId entry) const
{
    return store->names[entry];
}
EntryKind EntryTree::kind(EntryId entry) const
{
    return store->facts[entry].kind;
}
std::uint64_t EntryTree::byteSize(EntryId entry) const
{
    return store->facts[entry].size;
}
std::int64_t EntryTree::modifiedTime(EntryId entry) const
{
    return store->facts[entry].modifiedTime;
}
std::int32_t EntryTree::mode(EntryId entry) const
{
    return store->facts[entry].mode;
}
EntryId EntryTree::parent(EntryId entry) const
{
    return store->parents[entry];
}
bool EntryTree::isListed(EntryId entry) const
{
    return store->listed[entry];
}
bool EntryTree::isComplete(EntryId entry) const
{
    return store->complete[entry];
}

bool EntryTree::showsAsFolder(EntryId entry) const
{
    const EntryKind k = kind(entry);
    if (isListed(entry))
        return (k == EntryKind::Folder || k == EntryKind::FolderLink) && store->errors[entry] == 0;
    return k == EntryKind::Folder || k == EntryKind::FolderLink;
}

int EntryTree::enterError(EntryId entry) const
{
    return store->errors[entry];
}
std::string EntryTree::enterProblem(EntryId entry) const
{
    return store->errors[entry] == 0 ? std::string() : std::string(std::strerror(store->errors[entry]));
}

EntryRange EntryTree::entries(EntryId folder) const
{
    if (!isListed(folder) || store->count[folder] == 0)
        return {};
    return EntryRange(store->order.data() + store->first[folder], store->count[folder]);
}

EntryId EntryTree::contents(EntryId entry) const
{
    if (store->copies[entry] != kNoEntry)
        return store->copies[entry];
    return showsAsFolder(entry) ? entry : kNoEntry;
}

std::uint64_t EntryTree::totalSize(EntryId entry) const
{
    return store->totalBytes[entry];
}
std::uint64_t EntryTree::totalEntries(EntryId entry) const
{
    return store->totalCount[entry];
}

std::string EntryTree::path(EntryId entry) const
{
    if (entry == store->top)
        return store->names[entry];
    std::string up = path(parent(entry));
    up += name(entry);
    if (showsAsFolder(entry))
        up += '/';
    return up;
}

std::size_t EntryTree::memoryBytes() const
{
    return 0;
}

EntryId EntryTree::makeRoot(std::string_view folderPath)
{
    EntryFacts facts;
    facts.name = folderPath;
    facts.kind = EntryKind::Folder;
    store->top = store->make(kNoEntry, facts);
    return store->top;
}

EntryId EntryTree::addEntry(EntryId folder, const EntryFacts& facts)
{
    // The stand-in keeps the order vector itself contiguous per folder by
    // asking for a folder's entries to be added together, as the scan does.
    if (store->count[folder] == 0)
        store->first[folder] = static_cast<std::uint32_t>(store->order.size());
    const EntryId id = store->make(folder, facts);
    store->order.push_back(id);
    ++store->count[folder];
    return id;
}

void EntryTree::markListed(EntryId folder, int error, EntryId expandedCopy)
{
    store->listed[folder] = true;
    store->errors[folder] = error;
    store->copies[folder] = expandedCopy;
}

void EntryTree::markComplete(EntryId folder)
{
    std::uint64_t bytes = 0;
    std::uint64_t below = 0;
    for (EntryId entry : entries(folder)) {
        bytes += showsAsFolder(entry) && store->copies[entry] == kNoEntry ? store->totalBytes[entry]
                                                                          : store->facts[entry].countedSize;
        below += 1 + store->totalCount[entry];
    }
    store->totalBytes[folder] = bytes;
    store->totalCount[folder] = below;
    store->complete[folder] = true;
}

EntryId EntryTree::insert(EntryId folder, const EntryFacts& facts)
{
    return addEntry(folder, facts);
}
void EntryTree::remove(EntryId /*entry*/)
{
}
void EntryTree::update(EntryId entry, const EntryFacts& facts)
{
    store->facts[entry].size = facts.size;
    store->facts[entry].countedSize = facts.countedSize;
}
