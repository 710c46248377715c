#pragma once

class ScanProgressLine;

// SIGINT and SIGTERM ask the viewer to quit, and are answered from the first
// line of main on. Until start-up is over (the window, the scan, the symbol
// loads) a handler ends the process at once with exit code 0, after erasing
// the scan's progress line with a single write: this also holds while the
// main thread waits in a system call that does not return (a stat on a hung
// mount, an X server that never answers). From then on a signal only records
// the request, which the event loop takes as SDL_QUIT.
//
// A signal that was ignored when the program started (a job a shell without
// job control started in the background) stays ignored; one that was
// blocked is unblocked, so no request is held back.
class QuitSignals {
public:
    // First thing in main, before anything else can take time.
    static void install();
    // The line to erase when the process ends during start-up: by a signal,
    // or by exit() (Escape, the close button, a failure). May be null.
    static void setProgressLine(ScanProgressLine* line);
    // The event loop begins: from now on signals are recorded, not obeyed.
    static void startupOver();
    // True once for each signal recorded after startupOver().
    static bool takeRequest();
};
