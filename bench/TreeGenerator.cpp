#include "bench/TreeGenerator.h"

#include "tools/ChildProcess.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

constexpr std::size_t kFanOut = 10;
constexpr int kNestedLevels = 3;

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
    // can name goes as well.
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
    bool made = false;
    switch (shape) {
    case TreeShape::Flat:
        made = makeFlat(root, entries, fileBytes);
        break;
    case TreeShape::Nested:
        made = makeNested(root, entries, fileBytes);
        break;
    case TreeShape::Grouped:
        made = makeGrouped(root, entries, fileBytes, 100);
        break;
    case TreeShape::Square:
        made = makeGrouped(root, entries, fileBytes,
                           std::max<std::size_t>(1, static_cast<std::size_t>(std::lround(std::sqrt(entries)))));
        break;
    case TreeShape::Chain:
        made = makeChain(root, entries);
        break;
    }
    return made ? root : std::string();
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
    // The remaining entries are files, dealt out over the deepest folders.
    const std::size_t files = entries - made;
    for (std::size_t i = 0; i < files; ++i) {
        if (!makeFile(level[i % level.size()] + numbered("file", i), fileBytes))
            return false;
    }
    return true;
}

bool TreeGenerator::makeGrouped(const std::string& root, std::size_t entries, std::size_t fileBytes, std::size_t group)
{
    std::string folder;
    for (std::size_t i = 0; i < entries; ++i) {
        const bool made = i % group == 0 ? makeFolder(folder = root + numbered("folder", i) + "/")
                                         : makeFile(folder + numbered("file", i), fileBytes);
        if (!made)
            return false;
    }
    return true;
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
