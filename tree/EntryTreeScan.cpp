#include "tree/EntryTreeScan.h"

#include "scene/ScanControl.h"

#include <utility>

namespace {

// The mode bit the row reads: the owner may not write to it.
constexpr std::int32_t kReadOnlyMode = 0x100;

} // namespace

static_assert(ScanControl::kNoRequest == kNoEntry, "no request is no entry");

EntryTreeScan::EntryTreeScan(EntryTree& into, std::string folderPath, bool oneFileSystem, ProgressListener* listener,
                             ScanControl* control, bool keepInside, EntryOrderer orderer)
    : tree(into), folder(std::move(folderPath)), byName(std::move(orderer)), topEntry(tree.makeRoot(folder)),
      walk(*this, oneFileSystem, listener, control, keepInside, /*onEveryCore=*/true)
{
}

bool EntryTreeScan::run()
{
    return walk.run();
}

WalkState EntryTreeScan::state(Node node) const
{
    if (tree.isComplete(node))
        return WalkState::Complete;
    return tree.isListed(node) ? WalkState::Listed : WalkState::Pending;
}

EntryFacts EntryTreeScan::factsOf(const DirectoryEntry& entry, bool counted)
{
    EntryFacts facts;
    facts.name = entry.name;
    facts.kind = entry.kind;
    facts.size = (static_cast<std::uint64_t>(entry.sizeHigh) << 32) | entry.size;
    facts.countedSize = counted ? facts.size : 0;
    facts.modifiedTime = entry.modifiedTime;
    facts.mode = entry.readOnly ? kReadOnlyMode : 0;
    if (entry.sharedFile)
        facts.identity = FileIdentity{entry.fileId.device, entry.fileId.inode, entry.links};
    return facts;
}

void EntryTreeScan::add(Node into, DirectoryEntry& entry, bool counted)
{
    tree.addEntry(into, factsOf(entry, counted));
    // A large top folder shows what is listed of it so far, so that its row
    // comes as soon as a small folder's would: at 1,024 entries, then each
    // time their count doubles (each publication copies the ids so far).
    if (into == topEntry && ++topAdded >= EntryTree::kSmallListing && (topAdded & (topAdded - 1)) == 0)
        tree.publishSoFar(into);
}

void EntryTreeScan::listed(Node node, int error)
{
    const EntryRange added = tree.unlistedEntries(node);
    if (byName && added.size() >= kOrderedAhead) {
        const std::vector<std::uint32_t> order = byName(tree, added);
        tree.markListed(node, error, kNoEntry, &order);
    } else {
        tree.markListed(node, error);
    }
    if (walkOver)
        tree.markComplete(node);
}

void EntryTreeScan::leaf(Node node, bool isFolder, int error)
{
    if (!isFolder) {
        tree.markNotFolder(node, error);
        return;
    }
    tree.markListed(node, error);
    tree.markComplete(node);
}

void EntryTreeScan::repeat(Node node, Node copy)
{
    // Its totals are its copy's, known only at the end.
    tree.markListed(node, 0, copy);
    if (walkOver)
        tree.markComplete(node);
    else
        repeats.push_back(node);
}

void EntryTreeScan::finish()
{
    // Complete only now: a link may lead back to an ancestor.
    for (const EntryId each : repeats)
        tree.markComplete(each);
    repeats.clear();
    walkOver = true;
}

EntryTreeScan::Node EntryTreeScan::takeRequest(ScanControl& control)
{
    return control.takeEntryListingRequest();
}
