#include "exchange/EntryImport.h"

#include "exchange/ExportReader.h"
#include "exchange/ExportSink.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <ctime>
#include <new>
#include <stdexcept>
#include <utility>
#include <vector>

namespace {

// Thrown out of the reader when the window asks the import to stop.
struct StopReading {};

// Entries between two progress reports and two looks at a stop request.
constexpr std::uint64_t kBatch = 4096;
// How often the folders being read show what they have so far: often enough
// for the eye, seldom enough that the copies this takes stay small.
constexpr std::chrono::milliseconds kPublishEvery{50};

EntryFacts factsOf(const ExportEntry& entry)
{
    EntryFacts facts;
    facts.name = entry.name;
    facts.kind = entry.kind;
    facts.size = entry.size;
    facts.countedSize = entry.countedSize;
    facts.modifiedTime = entry.hasModifiedTime ? entry.modifiedTime : 0;
    facts.mode = entry.hasMode ? static_cast<std::int32_t>(entry.mode & 0xffffu) : 0;
    if (entry.hardLink && entry.hasInode)
        facts.identity = FileIdentity{entry.device, entry.inode, std::max<std::uint64_t>(entry.links, 2)};
    return facts;
}

// The reason a folder was not entered, as the tree keeps it.
int enterErrorOf(const ExportEntry& entry)
{
    switch (entry.exclusion) {
    case Exclusion::None:
        break;
    case Exclusion::OtherFileSystem:
    case Exclusion::KernelFileSystem:
        return EXDEV;
    case Exclusion::Pattern:
    case Exclusion::Other:
        return ECANCELED;
    }
    return entry.readError ? EACCES : 0;
}

} // namespace

class EntryImport::Sink : public ExportSink {
public:
    explicit Sink(EntryImport& import) : owner(import), tree(*import.entries) {}

    void metadata(const ExportMetadata& data) override { owner.about = data; }

    void beginFolder(const ExportEntry& folder) override
    {
        if (open.empty() && tree.root() == kNoEntry) {
            std::string top(folder.name);
            if (top.empty() || top.back() != '/')
                top += '/';
            const EntryId root = tree.makeRoot(top);
            if (folder.hasModifiedTime)
                tree.setRootTime(folder.modifiedTime);
            owner.topKnown = folder.hasInode;
            owner.topDev = folder.device;
            owner.topIno = folder.inode;
            open.push_back(Open{root, folder.readError ? EACCES : 0});
            return;
        }
        EntryFacts facts = factsOf(folder);
        facts.kind = EntryKind::Folder;
        const EntryId added = tree.addEntry(open.back().folder, facts);
        open.back().error = 0;
        open.push_back(Open{added, folder.readError ? EACCES : 0});
        counted();
    }

    void entry(const ExportEntry& entry) override
    {
        if (open.empty())
            return;
        const EntryId added = tree.addEntry(open.back().folder, factsOf(entry));
        open.back().error = 0;
        if (entry.kind == EntryKind::Folder) {
            // A folder the tool did not enter: listed empty, with its reason.
            tree.markListed(added, enterErrorOf(entry));
            tree.markComplete(added);
        }
        counted();
    }

    void endFolder() override
    {
        if (open.empty())
            return;
        closeInnermost();
    }

    void stopped(const ExportProblem&) override
    {
        // The folders open when reading stopped keep what they had.
        while (!open.empty())
            closeInnermost();
    }

    // The input waits for its writer: what was read shows meanwhile.
    void waiting()
    {
        publish();
        owner.shared.progressed(done);
        if (owner.shared.stopRequested())
            throw StopReading();
    }

    void finish() { owner.shared.progressed(done); }

private:
    // A folder being read, and why it cannot be entered: one the tool could
    // not read shows so while it has no entries at all.
    struct Open {
        EntryId folder;
        int error;
    };

    void closeInnermost()
    {
        const EntryId folder = open.back().folder;
        const int error = open.back().error;
        open.pop_back();
        tree.markListed(folder, error);
        tree.markComplete(folder);
    }

    // The folder the window shows, while it is being read, shows what it
    // has so far: the window asks for it (as it asks a scan to list it) for
    // as long as it is not listed, and the last one asked for is the one
    // published, at most every kPublishEvery (a small folder is copied whole
    // each time, a large one once it doubled). Folders nobody looks at cost
    // nothing.
    void publish()
    {
        const auto now = std::chrono::steady_clock::now();
        if (now - published < kPublishEvery)
            return;
        published = now;
        const EntryId asked = owner.shared.takeEntryListingRequest();
        if (asked != ScanControl::kNoRequest && asked < tree.size())
            watched = asked;
        if (watched != kNoEntry)
            tree.publishSoFar(watched);
    }

    void counted()
    {
        if (++done % kBatch != 0)
            return;
        publish();
        owner.shared.progressed(done);
        if (owner.shared.stopRequested())
            throw StopReading();
    }

    EntryImport& owner;
    EntryTree& tree;
    std::vector<Open> open;
    EntryId watched = kNoEntry;
    std::chrono::steady_clock::time_point published;
    std::uint64_t done = 0;
};

EntryImport::EntryImport(std::string file) : path(std::move(file)), entries(new EntryTree)
{
    shared.readsFile();
    isOpen = input.open(path);
    if (!isOpen) {
        early = true;
        fault.unreadable = true;
        fault.message = input.problem();
        over.store(true, std::memory_order_release);
        return;
    }
    shared.started();
    worker = std::thread(&EntryImport::work, this);
}

EntryImport::~EntryImport()
{
    if (stop(std::chrono::milliseconds::max()))
        delete entries;
}

void EntryImport::work()
{
    Sink sink(*this);
    input.onWait([&sink] { sink.waiting(); });
    try {
        ExportProblem problem;
        if (!ExportReader::read(input, sink, &problem)) {
            early = true;
            fault = problem;
        }
    } catch (const StopReading&) {
        sink.stopped(ExportProblem());
    } catch (const std::bad_alloc&) {
        shared.ranOutOfMemory();
        sink.stopped(ExportProblem());
    } catch (const std::length_error& error) {
        early = true;
        fault.offset = input.Tell();
        fault.message = error.what();
        sink.stopped(fault);
    }
    sink.finish();
    // Something to show even when nothing of the tree could be read.
    if (entries->root() == kNoEntry) {
        const EntryId root = entries->makeRoot(path + "/");
        entries->markListed(root, EINVAL);
        entries->markComplete(root);
    }
    shared.finished();
    over.store(true, std::memory_order_release);
}

bool EntryImport::stop(std::chrono::milliseconds patience)
{
    if (!worker.joinable())
        return true;
    shared.requestStop();
    const auto until = std::chrono::steady_clock::now() + std::min(patience, std::chrono::milliseconds(86400000));
    while (!ended() && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    if (!ended()) {
        // Held up reading a pipe that never ends: left to end with the process.
        worker.detach();
        return false;
    }
    worker.join();
    return true;
}

std::string EntryImport::problemLine() const
{
    return "lumenfold: " + path + ": byte " + std::to_string(fault.offset) + ": " + fault.message;
}

std::string EntryImport::sourceNote() const
{
    if (early && !fault.message.empty())
        return "Reading stopped at byte " + std::to_string(fault.offset) + ": " + fault.message;
    std::string note;
    if (!about.programName.empty()) {
        note = "scanned by " + about.programName;
        if (!about.programVersion.empty())
            note += " " + about.programVersion;
    }
    if (about.hasTimestamp) {
        const std::time_t when = static_cast<std::time_t>(about.timestamp);
        std::tm local{};
        char text[32];
        if (localtime_r(&when, &local) != nullptr && std::strftime(text, sizeof text, "%Y-%m-%d %H:%M", &local) > 0)
            note += (note.empty() ? "scanned on " : " on ") + std::string(text);
    }
    return note;
}

bool EntryImport::onThisMachine() const
{
    if (!topKnown || entries->root() == kNoEntry)
        return false;
    struct stat here {};
    const std::string top = entries->path(entries->root());
    return stat(top.c_str(), &here) == 0 && S_ISDIR(here.st_mode) && static_cast<std::uint64_t>(here.st_dev) == topDev
        && static_cast<std::uint64_t>(here.st_ino) == topIno;
}
