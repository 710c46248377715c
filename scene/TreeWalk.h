#pragma once

#include "scene/BranchDescriptors.h"
#include "scene/DirectoryReader.h"
#include "scene/EntryDescriber.h"
#include "scene/ListingPool.h"
#include "scene/ScanControl.h"
#include "support/ProgressListener.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

// How far a walk has come with a node, as its sink keeps it.
enum class WalkState { Pending, Listed, Complete };

// The walk of one tree, depth first from a top folder, written through a
// sink that holds the tree: the one walk the viewer has, whether it fills
// the plain view's FsNode tree (TreeScan) or the explore view's EntryTree.
// Each folder is tested and listed relative to its parent's open descriptor
// (no path is resolved from the top again, no path length limits the depth,
// the working directory is never changed), with an explicit stack rather
// than recursion; every folder is expanded at most once, which ends link
// loops and keeps the work linear. The sink publishes each node as the walk
// tells it the node is final, so another thread may read the tree while it
// grows.
//
// With a ScanControl the walk stops when asked to, and lists a folder asked
// for ahead of the rest: between two folders of the walk, or between two
// batches of a long listing, it lists that one folder (the same test and
// listing), and the walk enters it later without listing it again. Only the order in which folders are expanded
// changes, so a folder reached through several links may be expanded at another of them.
//
// A Sink has a node handle `Node` with `kNone`, and:
//   Node top(); std::string topPath();   the top folder and its path, ending with '/'
//   std::size_t childCount(Node); Node child(Node, std::size_t);
//   name(Node) (a string), Node parent(Node) (kNone for the top)
//   bool mayBeFolder(Node);               a folder or link to one, until it is final
//   WalkState state(Node);
//   void topIsFolder(); void setTopTime(std::int64_t);
//   void add(Node folder, DirectoryEntry&, bool counted);  an entry listed, in order;
//                                          counted: its bytes count in the totals; a
//                                          folder listed ahead inside another's listing
//                                          gets its entries between two of the other's
//   void listed(Node folder, int error);   its entries are all added (at least one)
//   void leaf(Node, bool folder, int error);  final with no entries: not a folder
//                                          at all, or a folder entered with none
//   void repeat(Node, Node copy);          a folder expanded elsewhere already
//   void passed(Node);                     the walk passed a non-folder
//   void complete(Node folder);            everything below it is final
//   void finish();                         the walk is over: repeats are final now
//   Node takeRequest(ScanControl&);        the folder asked for ahead, or kNone
//   bool isFolderLink(Node);              a link to a folder, as listed
//
// With keepInside, a link to a folder outside the top folder is not walked:
// it stays pending, adding only itself to its folders' totals, until a
// listing request asks for it, which listRequested() serves after run().
//
// With onEveryCore, walkers on every core list folders ahead of the walk
// while it runs (ListingPool): the walk takes their listings rather than
// making its own, and everything else stays as it is, so the tree comes out
// the same, in the same order.
template <class Sink>
class TreeWalk {
public:
    using Node = typename Sink::Node;

    // The listener, when given, is told of progress at least once per folder
    // listed, every 256 entries listed and every 256 folders tested.
    TreeWalk(Sink& into, bool keepToOneFileSystem, ProgressListener* progress, ScanControl* shared,
             bool keepLinksInside = false, bool onEveryCore = false)
        : sink(into), oneFileSystem(keepToOneFileSystem), keepInside(keepLinksInside), everyCore(onEveryCore),
          listener(progress), control(shared)
    {
        for (std::vector<DirectoryEntry>& batch : batches)
            batch.resize(kBatch);
    }
    TreeWalk(const TreeWalk&) = delete;
    TreeWalk& operator=(const TreeWalk&) = delete;

    // Walks the whole tree; false when the control asked it to stop first.
    bool run()
    {
        openTop();
        while (!walk.empty()) {
            if (stopping()) {
                pool.reset();
                return false;
            }
            serveRequest();
            Level& level = walk.back();
            if (level.next < sink.childCount(level.node)) {
                visit(sink.child(level.node, level.next++));
                continue;
            }
            const Node done = level.node;
            walk.pop_back();
            branch.pop();
            names.pop_back();
            sink.complete(done);
        }
        // The walkers' work ends with the walk's.
        pool.reset();
        sink.finish();
        return !stopping();
    }

    // Folder links the walk left alone because they lead out of the top
    // folder, so listing requests still matter after run().
    bool leftFoldersUnwalked() const { return unwalkedLinks != 0; }
    // After run(): lists the folder asked for, if any; true when there was one.
    bool listRequested()
    {
        const Node wanted = control != nullptr ? sink.takeRequest(*control) : Sink::kNone;
        if (wanted == Sink::kNone)
            return false;
        listAhead(wanted);
        return true;
    }

private:
    // Entries listed and described together; also how often the listener
    // hears of progress inside one folder, and while folders are tested.
    static constexpr std::size_t kBatch = 256;

    // A folder of the current branch whose children are being visited.
    struct Level {
        Node node;
        // The next child to visit.
        std::size_t next;
    };
    enum class Listing { Children, Nothing, ExpandedElsewhere };
    struct Listed {
        Listing what = Listing::Nothing;
        int error = 0;
        Node copy = Sink::kNone;
    };

    bool stopping() const { return control != nullptr && control->stopRequested(); }

    void report()
    {
        if (listener != nullptr)
            listener->progressed(listedEntries);
    }

    void openTop()
    {
        const Node top = sink.top();
        std::optional<DirectoryReader> reader;
        branch.open(reader, AT_FDCWD, sink.topPath());
        if (reader->access() == FolderAccess::Closed) {
            sink.leaf(top, false, reader->error());
            return;
        }
        sink.topIsFolder();
        int error = reader->error();
        if (reader->access() == FolderAccess::Listable) {
            FolderId id;
            const Listed listing = list(top, *reader, id, true);
            if (listing.what == Listing::Children) {
                sink.listed(top, listing.error);
                push(top, reader->release(), id, std::string(sink.name(top)));
                return;
            }
            error = reader->error();
        }
        sink.leaf(top, true, error);
    }

    void visit(Node child)
    {
        if (!sink.mayBeFolder(child)) {
            sink.passed(child);
            return;
        }
        if (leadsOutside(child)) {
            ++unwalkedLinks;
            return;
        }
        if (sink.state(child) != WalkState::Pending) {
            // Listed ahead of the walk: a leaf is finished, a folder with
            // children still to be walked.
            if (sink.childCount(child) != 0)
                walkListed(child);
            return;
        }
        // A folder full of links to folders expanded elsewhere lists nothing
        // new for a long while: report the tests as well.
        if (++testedFolders % kBatch == 0)
            report();
        const int parentFd = branch.deepest();
        if (parentFd < 0) {
            sink.leaf(child, false, branch.error());
            return;
        }
        const std::string name(sink.name(child));
        std::optional<DirectoryReader> reader;
        branch.open(reader, parentFd, name);
        FolderId id;
        if (!enter(child, *reader, id))
            return;
        push(child, reader->release(), id, name);
    }

    // Whether `child` is a link to a folder that the walk leaves alone: with
    // keepInside, one whose target is not below the top folder.
    bool leadsOutside(Node child)
    {
        if (!keepInside || !sink.isFolderLink(child))
            return false;
        const int parentFd = branch.deepest();
        if (parentFd < 0)
            return false;
        // Up from where it leads, through "..", to the top folder or the root.
        const std::string name(sink.name(child));
        int fd = openat(parentFd, name.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
        FolderId here;
        if (fd < 0 || !DirectoryReader::identify(fd, here)) {
            if (fd >= 0)
                close(fd);
            return false; // the folder test says what it is
        }
        bool outside = false;
        while (!(here == topId)) {
            const int up = openat(fd, "..", O_PATH | O_DIRECTORY | O_CLOEXEC);
            FolderId above;
            if (up < 0 || !DirectoryReader::identify(up, above) || above == here) {
                outside = up >= 0;
                if (up >= 0)
                    close(up);
                break;
            }
            close(fd);
            fd = up;
            here = above;
        }
        close(fd);
        return outside;
    }

    // The folder becomes the deepest of the branch, open as fd.
    void push(Node folder, int fd, const FolderId& id, const std::string& name)
    {
        walk.push_back(Level{folder, 0});
        // The branch refers to the name for as long as the level is open.
        names.push_back(name);
        branch.push(fd, id, names.back());
    }

    // Tests and lists `folder` through `reader`; true when it has children,
    // its identity then in `id`. Otherwise the folder is finished.
    bool enter(Node folder, DirectoryReader& reader, FolderId& id)
    {
        if (reader.access() == FolderAccess::Closed) {
            sink.leaf(folder, false, reader.error());
            return false;
        }
        if (reader.access() != FolderAccess::Listable) {
            sink.leaf(folder, true, reader.error());
            return false;
        }
        const Listed listing = list(folder, reader, id, false);
        switch (listing.what) {
        case Listing::Children:
            sink.listed(folder, listing.error);
            return true;
        case Listing::Nothing:
            sink.leaf(folder, true, listing.error);
            return false;
        case Listing::ExpandedElsewhere:
            // Its totals are its copy's, known only at the end.
            sink.repeat(folder, listing.copy);
            return false;
        }
        return false;
    }

    Listed list(Node node, DirectoryReader& reader, FolderId& id, bool isTop)
    {
        Listed result;
        std::int64_t modified = 0;
        if (!DirectoryReader::identify(reader.descriptor(), id, isTop ? &modified : nullptr))
            return result;
        if (isTop) {
            topDevice = id.device;
            topId = id;
            sink.setTopTime(modified);
        } else if (oneFileSystem && id.device != topDevice) {
            result.error = EXDEV;
            return result;
        }
        const auto [copy, fresh] = expanded.emplace(id, node);
        if (!fresh) {
            result.what = Listing::ExpandedElsewhere;
            result.copy = copy->second;
            return result;
        }
        // Listed a batch at a time and described together, so that the
        // look-ups can be shared; children keep the listing order. A folder
        // a walker lists comes in its batches; one the walk lists itself
        // gives the walkers its subfolders.
        const ListingPool::Place place = pool ? placeOf(isTop) : ListingPool::Place();
        const std::shared_ptr<ListingPool::Listing> listedAhead = pool ? pool->take(id, place) : nullptr;
        int aheadError = 0;
        // The walkers start once the top folder is listed, with its subfolders.
        const bool feedsWalkers = !listedAhead && (pool || (everyCore && isTop));
        std::vector<DirectoryEntry>& batch = batches[listingAhead];
        std::vector<ListingPool::Subfolder> subfolders;
        const Node outer = beingListed;
        beingListed = node;
        std::size_t added = 0;
        bool more = true;
        while (more && !stopping()) {
            std::size_t count = 0;
            DirectoryEntry* entries = batch.data();
            if (listedAhead) {
                more = pool->next(*listedAhead, received, aheadError);
                count = more ? received.size() : 0;
                entries = received.data();
            } else {
                while (count < kBatch && (more = reader.nextName(batch[count])))
                    ++count;
                describer.describe(reader.descriptor(), batch.data(), count);
            }
            for (std::size_t i = 0; i < count; ++i) {
                DirectoryEntry& entry = entries[i];
                const bool counted
                    = entry.kind == EntryKind::File && (!entry.sharedFile || countedFiles.insert(entry.fileId).second);
                sink.add(node, entry, counted);
                if (feedsWalkers && entry.kind == EntryKind::Folder)
                    subfolders.push_back(ListingPool::Subfolder{entry.name, static_cast<std::uint32_t>(added + i)});
            }
            added += count;
            listedEntries += count;
            if (count == kBatch) {
                report();
                // A folder entered meanwhile need not wait for the rest of a huge one.
                serveRequest();
            }
        }
        beingListed = outer;
        report();
        if (feedsWalkers && !stopping() && !(isTop && subfolders.empty())) {
            if (!pool)
                pool = std::make_unique<ListingPool>(oneFileSystem, topDevice, control);
            pool->adopt(reader.descriptor(), place, subfolders);
        }
        result.error = listedAhead ? aheadError : reader.error();
        result.what = added == 0 ? Listing::Nothing : Listing::Children;
        return result;
    }

    // Where the folder being listed stands in the walk, for the walkers to
    // take its subfolders in the walk's order; a folder asked for ahead of
    // the walk comes first.
    ListingPool::Place placeOf(bool isTop) const
    {
        ListingPool::Place place;
        if (isTop || listingAhead != 0)
            return place;
        for (const Level& level : walk)
            place.push_back(static_cast<std::uint32_t>(level.next - 1));
        return place;
    }

    // Walks into a folder listed ahead of the walk, reopening it.
    void walkListed(Node folder)
    {
        const int parentFd = branch.deepest();
        const std::string name(sink.name(folder));
        std::optional<DirectoryReader> reader;
        if (parentFd >= 0)
            branch.open(reader, parentFd, name);
        FolderId id;
        if (reader && reader->access() == FolderAccess::Listable
            && DirectoryReader::identify(reader->descriptor(), id)) {
            push(folder, reader->release(), id, name);
            return;
        }
        const int error = parentFd < 0 ? branch.error() : (reader->error() != 0 ? reader->error() : ENOENT);
        abandon(folder, error);
    }

    // Completes a folder listed ahead that cannot be reopened, with what it holds.
    void abandon(Node folder, int error)
    {
        // Gone since it was listed: the folders below it not listed yet stay
        // unentered, and those listed ahead too complete with what they hold.
        const std::size_t count = sink.childCount(folder);
        for (std::size_t i = 0; i < count; ++i) {
            const Node inner = sink.child(folder, i);
            if (!sink.mayBeFolder(inner))
                continue;
            const WalkState state = sink.state(inner);
            if (state == WalkState::Pending)
                sink.leaf(inner, false, error);
            else if (state == WalkState::Listed && sink.childCount(inner) != 0)
                abandon(inner, error);
        }
        sink.complete(folder);
    }

    void serveRequest()
    {
        if (control == nullptr || listingAhead != 0)
            return;
        const Node wanted = sink.takeRequest(*control);
        if (wanted != Sink::kNone) {
            listingAhead = 1;
            listAhead(wanted);
            listingAhead = 0;
        }
    }

    void listAhead(Node wanted)
    {
        // The folder the walk is listing right now is pending too: it comes
        // out of that listing in a moment.
        if (!sink.mayBeFolder(wanted) || sink.state(wanted) != WalkState::Pending || wanted == beingListed)
            return;
        // Down from the top by name, through folders all listed already.
        const Node top = sink.top();
        std::vector<Node> above;
        Node node = sink.parent(wanted);
        for (; node != Sink::kNone && node != top; node = sink.parent(node))
            above.push_back(node);
        if (node != top)
            return; // not of this tree
        int fd = open(sink.topPath().c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
        for (auto it = above.rbegin(); it != above.rend() && fd >= 0; ++it) {
            const std::string name(sink.name(*it));
            const int inner = openat(fd, name.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
            close(fd);
            fd = inner;
        }
        if (fd < 0)
            return; // the walk comes to it in its turn
        std::optional<DirectoryReader> reader;
        branch.open(reader, fd, std::string(sink.name(wanted)));
        close(fd);
        ++testedFolders;
        FolderId id;
        // Listed now; the walk enters it when it comes to it.
        enter(wanted, *reader, id);
    }

    Sink& sink;
    bool oneFileSystem;
    bool keepInside;
    bool everyCore;
    ProgressListener* listener;
    ScanControl* control;

    std::unordered_map<FolderId, Node, FolderIdHash> expanded;
    // Files with several names whose bytes are counted already.
    std::unordered_set<FolderId, FolderIdHash> countedFiles;
    std::vector<Level> walk;
    // Each level's name, where it stays put while the walk grows.
    std::deque<std::string> names;
    BranchDescriptors branch;
    std::uint64_t topDevice = 0;
    FolderId topId{};
    std::uint64_t unwalkedLinks = 0;
    std::uint64_t listedEntries = 0;
    std::uint64_t testedFolders = 0;
    // One batch for the walk's listing, one for a listing ahead made in the middle of it.
    std::vector<DirectoryEntry> batches[2];
    // 1 while a folder is listed ahead, which serves no further request.
    int listingAhead = 0;
    // The folder being listed, kNone between listings.
    Node beingListed = Sink::kNone;
    EntryDescriber describer;
    // The walkers listing ahead, while the walk runs with onEveryCore.
    std::unique_ptr<ListingPool> pool;
    // A batch a walker listed.
    std::vector<DirectoryEntry> received;
};
