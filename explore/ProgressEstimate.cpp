#include "explore/ProgressEstimate.h"

#include <stdlib.h>
#include <sys/stat.h>
#include <sys/statvfs.h>

#include <algorithm>
#include <fstream>
#include <memory>
#include <sstream>

namespace {

constexpr int kBarCells = 20;

// A mount point as /proc/self/mountinfo writes it: space, tab, newline and
// backslash as three octal digits after a backslash.
std::string unescaped(const std::string& field)
{
    std::string out;
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size()) {
            const std::string digits = field.substr(i + 1, 3);
            if (digits.find_first_not_of("01234567") == std::string::npos) {
                out += static_cast<char>(std::stoi(digits, nullptr, 8));
                i += 3;
                continue;
            }
        }
        out += field[i];
    }
    return out;
}

std::string realFolder(const std::string& folder)
{
    std::unique_ptr<char, decltype(&free)> resolved(realpath(folder.c_str(), nullptr), &free);
    if (!resolved)
        return std::string();
    std::string path = resolved.get();
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

} // namespace

bool ProgressEstimate::mountsBelow(const std::string& mountInfo, const std::string& folder)
{
    const std::string prefix = folder == "/" ? "/" : folder + "/";
    std::istringstream lines(mountInfo);
    std::string line;
    while (std::getline(lines, line)) {
        // id parent major:minor root mount-point ...
        std::istringstream fields(line);
        std::string id, parent, device, root, point;
        if (!(fields >> id >> parent >> device >> root >> point))
            continue;
        const std::string mounted = unescaped(point);
        if (mounted.size() > prefix.size() && mounted.compare(0, prefix.size(), prefix) == 0)
            return true;
    }
    return false;
}

std::optional<std::uint64_t> ProgressEstimate::expectedEntries(const std::string& folder, bool oneFileSystem)
{
    const std::string path = realFolder(folder);
    if (path.empty())
        return std::nullopt;
    struct stat self;
    struct stat parent;
    if (stat(path.c_str(), &self) != 0 || stat((path == "/" ? path : path + "/..").c_str(), &parent) != 0)
        return std::nullopt;
    // The root of a file system: its parent is on another one, or is itself.
    const bool root = self.st_dev != parent.st_dev || self.st_ino == parent.st_ino;
    if (!root)
        return std::nullopt;
    if (!oneFileSystem) {
        std::ifstream file("/proc/self/mountinfo");
        std::stringstream text;
        text << file.rdbuf();
        if (!file || mountsBelow(text.str(), path))
            return std::nullopt;
    }
    struct statvfs counts;
    // Some file systems keep no count of inodes and report none.
    if (statvfs(path.c_str(), &counts) != 0 || counts.f_files == 0 || counts.f_ffree > counts.f_files)
        return std::nullopt;
    const std::uint64_t used = counts.f_files - counts.f_ffree;
    return used > 0 ? used - 1 : 0;
}

std::string ProgressEstimate::bar(std::uint64_t done, std::uint64_t total, int width)
{
    const std::uint64_t shown = std::min(done, total);
    const int filled
        = total == 0 ? width : static_cast<int>(static_cast<double>(shown) * width / static_cast<double>(total));
    std::string out;
    for (int cell = 0; cell < width; ++cell)
        out += cell < filled ? "\u2588" : "\u2591";
    return out;
}

std::string ProgressEstimate::statusText(const ScanControl::Progress& progress, std::optional<std::uint64_t> expected)
{
    const std::string count = ScanControl::statusText(progress);
    if (!expected)
        return count;
    const std::uint64_t total = *expected;
    // Hard links are counted once as inodes and again for each name: never past 100 %.
    const int percent
        = total == 0 ? 100 : static_cast<int>(std::min<std::uint64_t>(progress.entries, total) * 100 / total);
    return bar(progress.entries, total, kBarCells) + " " + std::to_string(percent) + " %   " + count;
}
