#include "app/TreeSaver.h"

#include "exchange/ExportWriter.h"

#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {

// Gives `from` the name `to` unless something has that name: false with
// errno EEXIST then.
bool nameWithoutReplacing(const std::string& from, const std::string& to)
{
    if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
        return true;
    // A file system that cannot rename so: a second name, then the first goes.
    if (errno != EINVAL && errno != ENOSYS)
        return false;
    if (link(from.c_str(), to.c_str()) != 0)
        return false;
    unlink(from.c_str());
    return true;
}

} // namespace

bool TreeSaver::save(const EntryTree& tree, const EntryTreeExport::Options& options, const ExportMetadata& metadata,
                     const std::string& folder, std::time_t when, std::string& path, std::string& error)
{
    std::tm local{};
    char stamp[32];
    if (localtime_r(&when, &local) == nullptr || std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local) == 0) {
        error = "the time cannot be read";
        return false;
    }
    std::string temporary = folder + ".lumenfold-save-XXXXXX";
    const int descriptor = mkostemp(temporary.data(), O_CLOEXEC);
    if (descriptor < 0) {
        error = "cannot write in " + (folder.empty() ? std::string("the working folder") : folder) + ": "
            + std::strerror(errno);
        return false;
    }
    ExportWriter writer(descriptor, metadata);
    EntryTreeExport(tree, options).write(writer);
    bool whole = writer.finish();
    error = writer.problem();
    if (whole && fsync(descriptor) != 0) {
        whole = false;
        error = std::strerror(errno);
    }
    if (close(descriptor) != 0 && whole) {
        whole = false;
        error = std::strerror(errno);
    }
    const std::string stem = folder + "lumenfold-" + stamp;
    for (int number = 0; whole && number < 1000; ++number) {
        path = stem + (number == 0 ? std::string() : "-" + std::to_string(number)) + ".json";
        if (nameWithoutReplacing(temporary, path))
            return true;
        if (errno != EEXIST) {
            error = "cannot name it " + path + ": " + std::strerror(errno);
            whole = false;
        }
    }
    if (whole)
        error = "a thousand saves of this second are there already";
    unlink(temporary.c_str());
    return false;
}
