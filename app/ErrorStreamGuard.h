#pragma once

class ScanProgressLine;

// Puts a stream in the place of the C library's stderr that erases the scan's
// progress line before it passes any text on to the standard error
// descriptor, unbuffered: a message from any part of the program or of the
// libraries below it (a symbol file that cannot be opened, the X library's
// last words) then starts on a clean line instead of after the line's text.
// The line keeps writing to the stream it was given.
class ErrorStreamGuard {
public:
    // For the rest of the process; false, with stderr left as it was, when
    // the stream cannot be made.
    static bool install(ScanProgressLine& line);
};
