#include "bench/TreeGenerator.h"

#include "tools/ChildProcess.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace {

constexpr std::size_t kFanOut = 10;
constexpr int kNestedLevels = 3;
constexpr std::size_t kThousandsGroup = 1000;

unsigned coreCount()
{
    return std::max(1u, std::thread::hardware_concurrency());
}

// The paths one level below every folder directly in `base`.
std::vector<std::string> entriesTwoLevelsDown(const std::string& base)
{
    std::vector<std::string> paths;
    std::unique_ptr<DIR, int (*)(DIR*)> top(opendir(base.c_str()), closedir);
    while (top != nullptr) {
        const dirent* tree = readdir(top.get());
        if (tree == nullptr)
            break;
        const std::string name = tree->d_name;
        if (name == "." || name == "..")
            continue;
        std::unique_ptr<DIR, int (*)(DIR*)> below(opendir((base + "/" + name).c_str()), closedir);
        while (below != nullptr) {
            const dirent* item = readdir(below.get());
            if (item == nullptr)
                break;
            const std::string part = item->d_name;
            if (part != "." && part != "..")
                paths.push_back(base + "/" + name + "/" + part);
        }
    }
    return paths;
}

std::string numbered(const char* prefix, std::size_t number)
{
    char text[64];
    std::snprintf(text, sizeof text, "%s%06zu", prefix, number);
    return text;
}

} // namespace

TreeGenerator::TreeGenerator()
{
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + "/lumenfold-bench-XXXXXX";
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    if (mkdtemp(buffer.data()) == nullptr) {
        lastError = "cannot create " + pattern + ": " + std::strerror(errno);
        return;
    }
    base = buffer.data();
}

TreeGenerator::~TreeGenerator()
{
    if (base.empty())
        return;
    // rm works relative to open folders, so a chain deeper than any path
    // can name goes as well. The trees' top folders are dealt out to one rm
    // per core, as ten million files take one rm minutes; one more rm takes
    // what is left.
    const std::vector<std::string> parts = entriesTwoLevelsDown(base);
    std::vector<std::vector<std::string>> commands(std::min<std::size_t>(coreCount(), parts.size()),
                                                   std::vector<std::string>{"rm", "-rf", "--"});
    for (std::size_t i = 0; i < parts.size(); ++i)
        commands[i % commands.size()].push_back(parts[i]);
    std::vector<ChildProcess> removers(commands.size());
    for (std::size_t i = 0; i < commands.size(); ++i)
        removers[i].start(commands[i]);
    for (ChildProcess& remover : removers)
        remover.waitForExit();
    ChildProcess remover;
    if (remover.start({"rm", "-rf", "--", base}))
        remover.waitForExit();
}

const char* TreeGenerator::shapeName(TreeShape shape)
{
    switch (shape) {
    case TreeShape::Flat:
        return "flat";
    case TreeShape::Nested:
        return "nested";
    case TreeShape::Grouped:
        return "grouped";
    case TreeShape::Square:
        return "square";
    case TreeShape::Thousands:
        return "thousands";
    case TreeShape::Chain:
        break;
    }
    return "chain";
}

std::string TreeGenerator::make(TreeShape shape, std::size_t entries, std::size_t fileBytes, std::size_t rootPathBytes)
{
    if (base.empty())
        return std::string();
    std::string root = base + "/" + numbered("tree", static_cast<std::size_t>(treeCount++)) + "/";
    if (!makeFolder(root))
        return std::string();
    while (root.size() < rootPathBytes) {
        // Names of at most 200 bytes, so the last one need not overshoot by much.
        const std::size_t missing = rootPathBytes - root.size();
        root += std::string(missing > 201 ? 200 : (missing > 1 ? missing - 1 : 1), 'p') + "/";
        if (!makeFolder(root))
            return std::string();
    }
    return fill(shape, root, entries, fileBytes) ? root : std::string();
}

std::string TreeGenerator::makeAt(const std::string& root, TreeShape shape, std::size_t entries)
{
    std::string folder = root;
    while (folder.size() > 1 && folder.back() == '/')
        folder.pop_back();
    if (folder.empty() || !makeFolder(folder))
        return std::string();
    folder += "/";
    return fill(shape, folder, entries, 0) ? folder : std::string();
}

bool TreeGenerator::fill(TreeShape shape, const std::string& root, std::size_t entries, std::size_t fileBytes)
{
    switch (shape) {
    case TreeShape::Flat:
        return makeFlat(root, entries, fileBytes);
    case TreeShape::Nested:
        return makeNested(root, entries, fileBytes);
    case TreeShape::Grouped:
        return makeGrouped(root, entries, fileBytes, 100);
    case TreeShape::Square:
        return makeGrouped(root, entries, fileBytes,
                           std::max<std::size_t>(1, static_cast<std::size_t>(std::lround(std::sqrt(entries)))));
    case TreeShape::Thousands:
        return makeGrouped(root, entries, fileBytes, kThousandsGroup);
    case TreeShape::Chain:
        break;
    }
    return makeChain(root, entries);
}

bool TreeGenerator::makeFlat(const std::string& root, std::size_t entries, std::size_t fileBytes)
{
    for (std::size_t i = 0; i < entries; ++i) {
        const bool made
            = i % 10 == 9 ? makeFolder(root + numbered("folder", i)) : makeFile(root + numbered("file", i), fileBytes);
        if (!made)
            return false;
    }
    return true;
}

bool TreeGenerator::makeNested(const std::string& root, std::size_t entries, std::size_t fileBytes)
{
    // Folders first, level by level, as long as the entry budget lasts.
    std::vector<std::string> level{root};
    std::size_t made = 0;
    for (int depth = 0; depth < kNestedLevels; ++depth) {
        std::vector<std::string> next;
        for (const std::string& parent : level) {
            for (std::size_t i = 0; i < kFanOut && made < entries; ++i, ++made) {
                const std::string folder = parent + numbered("folder", i) + "/";
                if (!makeFolder(folder))
                    return false;
                next.push_back(folder);
            }
        }
        if (next.empty())
            break;
        level.swap(next);
    }
    // The remaining entries are files, dealt out over the deepest folders:
    // file i goes to folder i modulo their count.
    const std::size_t files = entries - made;
    return fillFolders(level, fileBytes, [&](std::size_t folder, std::vector<std::size_t>& names) {
        for (std::size_t i = folder; i < files; i += level.size())
            names.push_back(i);
    });
}

bool TreeGenerator::makeGrouped(const std::string& root, std::size_t entries, std::size_t fileBytes, std::size_t group)
{
    // Entry i is a folder where i is a multiple of the group, else a file
    // in the folder last made; the folders first, then their files.
    std::vector<std::string> folders;
    for (std::size_t i = 0; i < entries; i += group) {
        folders.push_back(root + numbered("folder", i) + "/");
        if (!makeFolder(folders.back()))
            return false;
    }
    return fillFolders(folders, fileBytes, [&](std::size_t folder, std::vector<std::size_t>& names) {
        const std::size_t first = folder * group;
        for (std::size_t i = first + 1; i < std::min(first + group, entries); ++i)
            names.push_back(i);
    });
}

bool TreeGenerator::fillFolders(const std::vector<std::string>& folders, std::size_t fileBytes,
                                const std::function<void(std::size_t, std::vector<std::size_t>&)>& filesOf)
{
    std::atomic<std::size_t> nextFolder{0};
    std::atomic<bool> failed{false};
    std::mutex errorLock;
    const auto fail = [&](const std::string& what) {
        const std::lock_guard<std::mutex> hold(errorLock);
        if (!failed.exchange(true))
            lastError = what + ": " + std::strerror(errno);
    };
    const auto work = [&] {
        std::vector<std::size_t> names;
        for (std::size_t f = nextFolder++; f < folders.size() && !failed; f = nextFolder++) {
            const int folder = open(folders[f].c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
            if (folder < 0) {
                fail("cannot open folder " + folders[f]);
                return;
            }
            names.clear();
            filesOf(f, names);
            for (const std::size_t number : names) {
                const std::string name = numbered("file", number);
                bool made = false;
                if (fileBytes == 0) {
                    made = mknodat(folder, name.c_str(), S_IFREG | 0644, 0) == 0;
                } else {
                    const int fd = openat(folder, name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
                    made = fd >= 0 && ftruncate(fd, static_cast<off_t>(fileBytes)) == 0;
                    if (fd >= 0)
                        close(fd);
                }
                if (!made) {
                    fail("cannot create file " + folders[f] + name);
                    break;
                }
            }
            close(folder);
        }
    };
    std::vector<std::thread> helpers;
    for (unsigned i = 1; i < coreCount(); ++i)
        helpers.emplace_back(work);
    work();
    for (std::thread& helper : helpers)
        helper.join();
    return !failed;
}

bool TreeGenerator::makeChain(const std::string& root, std::size_t entries)
{
    int level = open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    for (std::size_t depth = 0; level >= 0 && depth < entries / 3; ++depth) {
        if (mkdirat(level, "before", 0755) != 0 || mkdirat(level, "d", 0755) != 0
            || mkdirat(level, "after", 0755) != 0) {
            close(level);
            level = -1;
            break;
        }
        const int below = openat(level, "d", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        close(level);
        level = below;
    }
    if (level < 0) {
        lastError = "cannot make a chain below " + root + ": " + std::strerror(errno);
        return false;
    }
    close(level);
    return true;
}

bool TreeGenerator::makeFolder(const std::string& path)
{
    if (mkdir(path.c_str(), 0755) == 0)
        return true;
    lastError = "cannot create folder " + path + ": " + std::strerror(errno);
    return false;
}

bool TreeGenerator::makeFile(const std::string& path, std::size_t bytes)
{
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0) {
        lastError = "cannot create file " + path + ": " + std::strerror(errno);
        return false;
    }
    const bool sized = bytes == 0 || ftruncate(fd, static_cast<off_t>(bytes)) == 0;
    if (!sized)
        lastError = "cannot size file " + path + ": " + std::strerror(errno);
    close(fd);
    return sized;
}
