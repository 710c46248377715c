#include "bench/ScanProbe.h"

#include "bench/ResidentMemory.h"
#include "explore/EntryOrder.h"
#include "tools/ChildProcess.h"
#include "tree/EntryScan.h"
#include "tree/EntryTreeScan.h"
#include "scene/FsNode.h"
#include "scene/Icon.h"
#include "tools/ChildProcess.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>
#include <vector>

FsNode* ScanProbe::scan(const std::string& rootFolder)
{
    return new FsNode(std::string(), 0, rootFolder);
}

FsNode* ScanProbe::scan(const std::string& rootFolder, const ScanOptions& options)
{
    return new FsNode(std::string(), 0, rootFolder, options, nullptr);
}

namespace {

bool runQuietly(const std::vector<std::string>& command, std::string& error)
{
    ChildOptions options;
    options.discardOutput = true;
    ChildProcess child;
    if (!child.start(command, options)) {
        error = child.error();
        return false;
    }
    child.waitForExit();
    if (child.exitCode() == 0)
        return true;
    error = command[0] + " failed with status " + std::to_string(child.exitCode());
    return false;
}

} // namespace

bool ScanProbe::runListing(const std::string& tool, const std::string& root, std::string& error)
{
    return runQuietly({tool, root, "-printf", "%y %s\n"}, error);
}

bool ScanProbe::runDiskUsage(const std::string& root, std::string& error)
{
    return runQuietly({"gdu", "-n", "-p", root}, error);
}

bool ScanProbe::dropPageCache(std::string& error)
{
    sync();
    const int fd = open("/proc/sys/vm/drop_caches", O_WRONLY | O_CLOEXEC);
    if (fd < 0 || write(fd, "3\n", 2) != 2) {
        error = std::string("cannot drop the page cache (root only): ") + std::strerror(errno);
        if (fd >= 0)
            close(fd);
        return false;
    }
    close(fd);
    return true;
}

EntryTree* ScanProbe::scanEntries(const std::string& rootFolder)
{
    auto* tree = new EntryTree;
    EntryTreeScan(*tree, rootFolder, false, nullptr, nullptr, false, &EntryOrder::byName).run();
    return tree;
}

std::size_t ScanProbe::countNodes(const FsNode* root)
{
    std::size_t count = 0;
    std::vector<const FsNode*> stack{root};
    while (!stack.empty()) {
        const FsNode* node = stack.back();
        stack.pop_back();
        ++count;
        stack.insert(stack.end(), node->children.begin(), node->children.end());
    }
    return count;
}

void ScanProbe::release(FsNode* root)
{
    if (root == nullptr)
        return;
    std::vector<FsNode*> stack{root};
    while (!stack.empty()) {
        FsNode* node = stack.back();
        stack.pop_back();
        stack.insert(stack.end(), node->children.begin(), node->children.end());
        delete node->icon;
        delete node;
    }
}

bool ScanProbe::measureGrowth(const std::string& rootFolder, Growth& out, std::string& error, bool onWorker)
{
    int channel[2];
    if (pipe(channel) != 0) {
        error = std::string("pipe: ") + std::strerror(errno);
        return false;
    }
    const pid_t child = fork();
    if (child < 0) {
        error = std::string("fork: ") + std::strerror(errno);
        close(channel[0]);
        close(channel[1]);
        return false;
    }
    if (child == 0) {
        close(channel[0]);
        // What stays is counted exactly, page by page. What the scan held only
        // for a while and gave back (the listing of a large folder) shows only
        // in the kernel's running peak; its base is the exact count too,
        // because the running total lags behind the page tables right after
        // the fork by a few hundred kilobytes, which would be charged to the
        // scan. The larger of the two growths is the scan's peak growth.
        Growth growth;
        const bool peakReset = ResidentMemory::resetPeak();
        const std::uint64_t countedBefore = ResidentMemory::counted();
        if (onWorker) {
            // The worker's tree outlives the worker, as in the viewer.
            auto* worker = new EntryScan(rootFolder, false);
            while (!worker->ended())
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            growth.nodes = worker->tree().size();
            growth.treeBytes = worker->tree().memoryBytes();
        } else {
            growth.nodes = countNodes(scan(rootFolder));
        }
        const std::uint64_t countedAfter = ResidentMemory::counted();
        const std::uint64_t peakAfter = ResidentMemory::peak();
        growth.bytes = countedAfter > countedBefore ? countedAfter - countedBefore : 0;
        if (peakReset && peakAfter > countedBefore && peakAfter - countedBefore > growth.bytes)
            growth.bytes = peakAfter - countedBefore;
        const bool known = countedBefore != 0 && countedAfter != 0;
        const ssize_t written = known ? write(channel[1], &growth, sizeof growth) : 0;
        // _exit: the exit handlers belong to the parent (SDL, the X connection).
        _exit(written == static_cast<ssize_t>(sizeof growth) ? 0 : 1);
    }
    close(channel[1]);
    Growth growth;
    const ssize_t got = read(channel[0], &growth, sizeof growth);
    close(channel[0]);
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {}
    if (got != static_cast<ssize_t>(sizeof growth) || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        error = "the measuring process could not read its resident size";
        return false;
    }
    out = growth;
    return true;
}
