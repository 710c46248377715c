// Our scan's export against the disk-usage tools' own exports of the same
// trees, all read back through our reader, entry for entry; and our export
// read by gdu against gdu's scan of the tree.
#include "app/TreeExport.h"
#include "exchange/ExportReader.h"
#include "exchange/ExportWriter.h"
#include "scene/TreeScan.h"
#include "tests/gl/HardAndRandomTree.h"
#include "text/Utf8Decoder.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

// An export read into a map from path (below the top folder) to what the
// viewer would show of the entry, folders with their totals.
class ImportedTree : public ExportSink {
public:
    struct Item {
        EntryKind kind = EntryKind::Other;
        std::uint64_t size = 0;
        std::uint64_t total = 0;
        bool folderWithEntries = false;
        bool readError = false;
    };

    void metadata(const ExportMetadata&) override {}
    void beginFolder(const ExportEntry& folder) override
    {
        const std::string path = open.empty() ? std::string() : open.back() + "/" + std::string(folder.name);
        add(path, folder).folderWithEntries = true;
        open.push_back(path);
    }
    void entry(const ExportEntry& entry) override { add(open.back() + "/" + std::string(entry.name), entry); }
    void endFolder() override
    {
        const std::string done = open.back();
        open.pop_back();
        if (!open.empty())
            items[open.back()].total += items[done].total;
    }
    void stopped(const ExportProblem& problem) override { fault = problem.message; }

    std::map<std::string, Item> items;
    std::string fault;

private:
    Item& add(const std::string& path, const ExportEntry& entry)
    {
        Item& item = items[path];
        if (!open.empty())
            items[open.back()].total += entry.countedSize;
        item.kind = entry.kind;
        item.size = entry.size;
        item.total = entry.countedSize;
        item.readError = entry.readError;
        return item;
    }
    std::vector<std::string> open;
};

std::string readInto(const std::string& file, ImportedTree& tree)
{
    ExportInput input;
    input.open(file);
    if (!ExportReader::read(input, tree))
        return file + ": " + tree.fault;
    return std::string();
}

// gdu's non-interactive listing of the top folder: name -> bytes.
std::map<std::string, std::string> topLevelSizes(const std::string& command)
{
    std::map<std::string, std::string> sizes;
    if (std::FILE* pipe = popen((command + " 2>/dev/null").c_str(), "r")) {
        char line[4096];
        while (std::fgets(line, sizeof line, pipe) != nullptr) {
            // A flag column, the size, one space, the name.
            const std::string text(line);
            const std::size_t start = text.find_first_of("0123456789");
            const std::size_t space = text.find(' ', start);
            if (start == std::string::npos || space == std::string::npos || text.size() < space + 2)
                continue;
            sizes[text.substr(space + 1, text.size() - space - 2)] = text.substr(start, space - start);
        }
        pclose(pipe);
    }
    return sizes;
}

bool showable(const std::string& path)
{
    for (const char32_t c : Utf8Decoder::decode(path))
        if (c == Utf8Decoder::kReplacement)
            return false;
    return true;
}

// Why an entry may differ between our export and a tool's; empty when it must not.
std::string allowedDifference(const std::string& tool, const std::string& path, const ImportedTree& mine,
                              const ImportedTree::Item* ours, const ImportedTree::Item* theirs)
{
    if (path.size() > 4000)
        return "below the path limit, where a tool gives up";
    if (tool == "gdu" && (!showable(path)))
        return "gdu writes names that are not UTF-8 with U+FFFD in place of their bytes";
    if (ours == nullptr && theirs != nullptr) {
        const std::string parent = path.substr(0, path.rfind('/'));
        const auto above = mine.items.find(parent);
        if (tool == "gdu" && above != mine.items.end() && above->second.readError)
            return "gdu lists a folder it may read but not search, which the viewer leaves unentered";
    }
    if (ours == nullptr || theirs == nullptr)
        return std::string();
    if (tool == "gdu" && ours->kind == EntryKind::FileLink && theirs->kind == EntryKind::Other)
        return "gdu marks links as not regular without telling them apart";
    if (tool == "gdu" && ours->kind == EntryKind::Other && theirs->kind == EntryKind::File)
        return "gdu writes FIFOs and sockets as files";
    if (tool == "gdu" && ours->kind == EntryKind::Folder && theirs->kind == EntryKind::Folder
        && ours->total == theirs->total && theirs->size == 0)
        return "gdu writes no size for a folder itself";
    return std::string();
}

std::string compare(const std::string& tool, const ImportedTree& ours, const ImportedTree& theirs,
                    std::map<std::string, std::size_t>& explained)
{
    std::set<std::string> paths;
    for (const auto& [path, item] : ours.items)
        paths.insert(path);
    for (const auto& [path, item] : theirs.items)
        paths.insert(path);
    std::string report;
    for (const std::string& path : paths) {
        const auto a = ours.items.find(path);
        const auto b = theirs.items.find(path);
        const ImportedTree::Item* mine = a == ours.items.end() ? nullptr : &a->second;
        const ImportedTree::Item* other = b == theirs.items.end() ? nullptr : &b->second;
        const bool same = mine != nullptr && other != nullptr && mine->kind == other->kind && mine->size == other->size
            && mine->total == other->total;
        if (same)
            continue;
        const std::string reason = allowedDifference(tool, path, ours, mine, other);
        if (!reason.empty()) {
            ++explained[reason];
            continue;
        }
        if (report.size() < 2000) {
            const auto describe = [](const ImportedTree::Item* item) {
                return item == nullptr ? std::string("missing")
                                       : "kind " + std::to_string(static_cast<int>(item->kind)) + " size "
                        + std::to_string(item->size) + " total " + std::to_string(item->total);
            };
            report += tool + ": '" + path + "': ours " + describe(mine) + ", theirs " + describe(other) + "\n";
        }
    }
    return report;
}

class ExportDifferential : public testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = (fs::temp_directory_path() / "lumenfold-export-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        base = pattern;
        chmod(base.c_str(), 0777);
        root = base + "/tree";
        fs::create_directory(root);
        chmod(root.c_str(), 0755);
    }
    void TearDown() override
    {
        fs::current_path(fs::temp_directory_path());
        const std::string command = "chmod -R u+rwx '" + base + "' 2>/dev/null; rm -rf '" + base + "'";
        EXPECT_EQ(std::system(command.c_str()), 0);
    }

    std::string base;
    std::string root;
};

} // namespace

TEST_F(ExportDifferential, ToolsExportsEqualOursEntryForEntryAndGduReadsOursWithItsOwnTotal)
{
    ASSERT_EQ(std::system("command -v ncdu >/dev/null && command -v gdu >/dev/null"), 0)
        << "ncdu and gdu are needed (tools/install-deps.sh test)";
    ASSERT_NO_FATAL_FAILURE(gltest::makeHardAndRandomTree(root));
    const std::string report = gltest::reportAsUnprivileged([&] {
        const std::string ours = base + "/ours.json";
        std::vector<SharedFileName> sharedFiles;
        ScanOptions options;
        options.makeIcons = false;
        options.sharedFiles = &sharedFiles;
        FsNode top(FsNode::Deferred{}, root + "/");
        TreeScan(top, options, nullptr).run();
        const int fd = open(ours.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ExportWriter writer(fd, ExportMetadata{});
        TreeExport(top, sharedFiles, root).write(writer);
        if (!writer.finish() || close(fd) != 0)
            return std::string("our export was not written");

        const std::string home = "HOME='" + base + "' ";
        for (const std::string& command :
             {home + "ncdu --ignore-config -0 -e -o '" + base + "/ncdu.json' '" + root + "'",
              home + "gdu -n -p -o '" + base + "/gdu.json' '" + root + "'"}) {
            // Either may exit 1 for folders it could not read; the export is read all the same.
            const int status = std::system((command + " >/dev/null 2>'" + base + "/tool.err'").c_str());
            if (status == -1 || WEXITSTATUS(status) > 1)
                return command + " failed: " + std::to_string(status);
            std::printf("%s: exit %d\n", command.c_str(), WEXITSTATUS(status));
        }
        ImportedTree mine;
        std::string found = readInto(ours, mine);
        if (mine.items.size() < 4000)
            found += "our export is too small: " + std::to_string(mine.items.size());
        std::map<std::string, std::size_t> reasons;
        for (const std::string tool : {"ncdu", "gdu"}) {
            ImportedTree theirs;
            found += readInto(base + "/" + tool + ".json", theirs);
            found += compare(tool, mine, theirs, reasons);
        }
        // gdu adds up our export as it adds up the tree it scans, top-level
        // entry by top-level entry; the chain goes deeper than gdu's scan,
        // and gdu lists the folder it may read but not search.
        const std::string sizes = home + "gdu -n -p -a --no-prefix ";
        const auto readBack = topLevelSizes(sizes + "-f '" + ours + "'");
        const auto scanned = topLevelSizes(sizes + "'" + root + "'");
        if (readBack.size() < 20 || readBack.size() != scanned.size())
            found += "gdu shows " + std::to_string(readBack.size()) + " top-level entries of our export, "
                + std::to_string(scanned.size()) + " of its scan\n";
        for (const auto& [name, size] : scanned) {
            const auto other = readBack.find(name);
            // Names that are not UTF-8 come back from the export changed.
            if (name != "/chain" && name != "/unsearchable" && showable(name)
                && (other == readBack.end() || other->second != size))
                found += "gdu: '" + name + "' scanned " + size + ", read from our export "
                    + (other == readBack.end() ? std::string("missing") : other->second) + "\n";
        }
        // The differences the tools are known for, in the test's log.
        for (const auto& [reason, count] : reasons)
            std::printf("allowed difference, %zu entries: %s\n", count, reason.c_str());
        std::fflush(stdout);
        return found;
    });
    EXPECT_EQ(report, "");
}
