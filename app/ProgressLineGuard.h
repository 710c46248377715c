#pragma once

#include <streambuf>

class ScanProgressLine;

// Passes a stream's output on unchanged, but first erases the scan's progress
// line: when the stream and the line share a terminal, the text then starts
// on a clean line instead of after the line's text. The line comes back with
// the scan's next report.
class ProgressLineGuard : public std::streambuf {
public:
    ProgressLineGuard(std::streambuf* target, ScanProgressLine& line);

protected:
    int overflow(int character) override;
    std::streamsize xsputn(const char* text, std::streamsize count) override;
    int sync() override;

private:
    std::streambuf* target;
    ScanProgressLine& line;
};
