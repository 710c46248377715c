#include "app/ScanProgressLine.h"

#include "app/TerminalText.h"

#include <unistd.h>

namespace {

constexpr auto kRewriteInterval = std::chrono::milliseconds(100);
// Back to the line's start; clear from the cursor to the end of the line.
constexpr char kLineStart[] = "\r";
constexpr char kClearToEnd[] = "\033[K";
constexpr char kEraseLine[] = "\r\033[K";

} // namespace

ScanProgressLine::ScanProgressLine(const std::string& folderPath, std::FILE* stream,
                                   std::chrono::milliseconds showAfter, int columns)
    : folder(TerminalText::escaped(folderPath)), terminal(stream), terminalFd(fileno(stream)), delay(showAfter),
      maxLength(columns > 1 ? static_cast<std::size_t>(columns - 1) : 79), start(Clock::now())
{
}

void ScanProgressLine::progressed(std::uint64_t done)
{
    const Clock::time_point now = Clock::now();
    if (ended || now - start <= delay || (shown && now - lastShown < kRewriteInterval))
        return;
    const std::string line = kLineStart + text(done, now - start) + kClearToEnd;
    shown = true;
    std::fputs(line.c_str(), terminal);
    std::fflush(terminal);
    lastShown = now;
}

void ScanProgressLine::finished()
{
    erase();
    ended = true;
}

void ScanProgressLine::erase()
{
    if (!shown)
        return;
    std::fputs(kEraseLine, terminal);
    std::fflush(terminal);
    shown = false;
}

void ScanProgressLine::eraseFromSignalHandler() const noexcept
{
    static_assert(std::atomic<bool>::is_always_lock_free, "a signal handler may only read a lock-free flag");
    if (!shown)
        return;
    // A failed write leaves nothing else a handler could do.
    [[maybe_unused]] const ssize_t written = write(terminalFd, kEraseLine, sizeof kEraseLine - 1);
}

std::string ScanProgressLine::text(std::uint64_t done, Clock::duration elapsed) const
{
    const long tenths = static_cast<long>(std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count() / 100);
    const std::string counts = ": " + std::to_string(done) + " entries, " + std::to_string(tenths / 10) + "."
        + std::to_string(tenths % 10) + " s";
    const std::string lead = "Scanning ";
    std::string shownFolder = folder;
    const std::size_t room = maxLength > lead.size() + counts.size() + 3 ? maxLength - lead.size() - counts.size() : 3;
    if (shownFolder.size() > room) {
        // Keep the end of the path, which names the folder; never start inside
        // a multi-byte character.
        std::size_t cut = shownFolder.size() - (room - 3);
        while (cut < shownFolder.size() && (static_cast<unsigned char>(shownFolder[cut]) & 0xC0) == 0x80)
            ++cut;
        shownFolder = "..." + shownFolder.substr(cut);
    }
    return lead + shownFolder + counts;
}
