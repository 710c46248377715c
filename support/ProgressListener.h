#pragma once

#include <cstdint>

// Long start-up work (the scan of the tree, the reading of a symbol model)
// reports to a listener that the program hands down, so that the program can
// show progress and answer a request to quit while the work runs, without the
// work knowing of windows, terminals or signals. The work calls progressed()
// often, every few hundred units at most; a listener keeps the call cheap and
// may end the process from inside it.
class ProgressListener {
public:
    virtual ~ProgressListener() = default;
    // `done` counts the units finished so far: entries scanned, lines read,
    // faces compiled.
    virtual void progressed(std::uint64_t done) = 0;
    // The work is over; called once, after the last progressed().
    virtual void finished() {}
};
