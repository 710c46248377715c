// Feeds arbitrary bytes to the export reader through a file in memory, so
// that the gzip and zstd paths are reached too: it must survive anything,
// and what it hands on must nest properly and stop at most once.
#include "exchange/ExportReader.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>

namespace {

void check(bool condition)
{
    if (!condition)
        __builtin_trap();
}

class CheckingSink : public ExportSink {
public:
    void metadata(const ExportMetadata&) override
    {
        check(!seenMetadata && !stopped_);
        seenMetadata = true;
    }
    void beginFolder(const ExportEntry& folder) override
    {
        named(folder);
        ++depth;
    }
    void entry(const ExportEntry& entry) override
    {
        check(depth > 0);
        named(entry);
        check(entry.countedSize == 0 || entry.countedSize == entry.size);
    }
    void endFolder() override
    {
        check(depth > 0 && !stopped_);
        --depth;
    }
    void stopped(const ExportProblem& problem) override
    {
        check(!stopped_ && !problem.message.empty());
        stopped_ = true;
    }

    bool seenMetadata = false;
    bool stopped_ = false;
    std::size_t depth = 0;

private:
    void named(const ExportEntry& entry)
    {
        check(seenMetadata && !stopped_ && !entry.name.empty() && entry.name.size() <= ExportReader::kLongestName);
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const int fd = memfd_create("export", MFD_CLOEXEC);
    check(fd >= 0);
    check(write(fd, data, size) == static_cast<ssize_t>(size));
    check(lseek(fd, 0, SEEK_SET) == 0);
    ExportInput input;
    input.openDescriptor(fd);
    CheckingSink sink;
    const bool whole = ExportReader::read(input, sink);
    check(whole != sink.stopped_);
    check(!whole || sink.depth == 0);
    close(fd);
    return 0;
}
