#pragma once

#include "support/ProgressListener.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>

// One line on a terminal while the start-up scan runs: the folder, the entries
// scanned so far and the seconds since start. It shows once the scan has run
// longer than `delay`, is rewritten in place at most ten times a second and is
// erased when the scan ends, so nothing of it stays on the terminal. The
// caller hands it a stream only when that stream is a terminal. The folder's
// name is shown escaped (TerminalText).
class ScanProgressLine : public ProgressListener {
public:
    // `columns` is the terminal's width; the line is kept shorter so that the
    // carriage return rewrites it instead of a wrapped remainder.
    ScanProgressLine(const std::string& folder, std::FILE* terminal, std::chrono::milliseconds delay, int columns);

    void progressed(std::uint64_t done) override;
    // Erases the line for good.
    void finished() override;
    // Erases the line if it shows; the next report writes it again.
    void erase();
    // The same from a signal handler: async-signal-safe, a single write(2).
    void eraseFromSignalHandler() const noexcept;

private:
    using Clock = std::chrono::steady_clock;

    std::string text(std::uint64_t done, Clock::duration elapsed) const;

    std::string folder;
    std::FILE* terminal;
    int terminalFd;
    std::chrono::milliseconds delay;
    std::size_t maxLength;
    Clock::time_point start;
    Clock::time_point lastShown;
    // Set before the line is written and cleared after it is erased, so a
    // signal handler never leaves a written line behind.
    std::atomic<bool> shown{false};
    bool ended = false;
};
