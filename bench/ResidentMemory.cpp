#include "bench/ResidentMemory.h"

#include <fstream>
#include <sstream>
#include <string>

namespace {

// Reads a "Name:   1234 kB" line of a /proc file.
std::uint64_t procKilobytes(const std::string& file, const std::string& field)
{
    std::ifstream lines(file);
    std::string line;
    while (std::getline(lines, line)) {
        if (line.size() <= field.size() || line.compare(0, field.size(), field) != 0 || line[field.size()] != ':')
            continue;
        std::istringstream value(line.substr(field.size() + 1));
        std::uint64_t kilobytes = 0;
        return value >> kilobytes ? kilobytes * 1024u : 0;
    }
    return 0;
}

} // namespace

std::uint64_t ResidentMemory::counted()
{
    return procKilobytes("/proc/self/smaps_rollup", "Rss");
}

std::uint64_t ResidentMemory::current()
{
    return procKilobytes("/proc/self/status", "VmRSS");
}

std::uint64_t ResidentMemory::peak()
{
    return procKilobytes("/proc/self/status", "VmHWM");
}

std::uint64_t ResidentMemory::peakOf(int pid)
{
    return procKilobytes("/proc/" + std::to_string(pid) + "/status", "VmHWM");
}

bool ResidentMemory::resetPeak()
{
    // Writing 5 to clear_refs resets the peak resident size to the current one.
    std::ofstream clearRefs("/proc/self/clear_refs");
    clearRefs << "5";
    clearRefs.flush();
    return clearRefs.good();
}
