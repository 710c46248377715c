#include "app/ErrorStreamGuard.h"

#include "app/ScanProgressLine.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>

namespace {

ssize_t writeAfterErasing(void* cookie, const char* text, std::size_t size)
{
    static_cast<ScanProgressLine*>(cookie)->erase();
    std::size_t done = 0;
    while (done < size) {
        const ssize_t written = write(STDERR_FILENO, text + done, size - done);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return done > 0 ? static_cast<ssize_t>(done) : -1;
        done += static_cast<std::size_t>(written);
    }
    return static_cast<ssize_t>(done);
}

} // namespace

bool ErrorStreamGuard::install(ScanProgressLine& line)
{
    cookie_io_functions_t functions{};
    functions.write = writeAfterErasing;
    std::FILE* guarded = fopencookie(&line, "w", functions);
    if (guarded == nullptr)
        return false;
    std::setvbuf(guarded, nullptr, _IONBF, 0);
    // The C library's stderr is a variable that may be set; every caller
    // reads it at the time of its call.
    stderr = guarded;
    return true;
}
