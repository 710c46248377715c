#include "bench/ResidentMemory.h"

#include <fstream>
#include <sstream>
#include <string>

namespace {

// Reads one "Name:   1234 kB" line of /proc/self/status.
std::uint64_t statusKilobytes(const std::string& field)
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.compare(0, field.size(), field) != 0 || line.size() <= field.size() || line[field.size()] != ':')
            continue;
        std::istringstream values(line.substr(field.size() + 1));
        std::uint64_t kilobytes = 0;
        if (values >> kilobytes)
            return kilobytes * 1024u;
        return 0;
    }
    return 0;
}

} // namespace

std::uint64_t ResidentMemory::current()
{
    return statusKilobytes("VmRSS");
}

std::uint64_t ResidentMemory::peak()
{
    return statusKilobytes("VmHWM");
}

bool ResidentMemory::resetPeak()
{
    // Writing 5 to clear_refs resets the peak resident size to the current one.
    std::ofstream clearRefs("/proc/self/clear_refs");
    clearRefs << "5";
    clearRefs.flush();
    return clearRefs.good();
}
