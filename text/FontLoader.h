#pragma once

#include "text/FontSet.h"

#include <memory>
#include <string>
#include <thread>

// Opens a FontSet on a helper thread, so that starting fontconfig and reading
// the font overlap the caller's other start-up work (the scan). Start it
// early, finish it before the first frame; nothing else may use fontconfig
// or FreeType in between.
class FontLoader {
public:
    FontLoader() = default;
    ~FontLoader(); // joins a thread never finished
    FontLoader(const FontLoader&) = delete;
    FontLoader& operator=(const FontLoader&) = delete;

    // Begins opening `file`, or the default font when `file` is empty.
    void start(const std::string& file);

    // Waits for the thread; the fonts, or nullptr and `reason` as FontSet::open.
    std::unique_ptr<FontSet> finish(std::string& reason);

private:
    std::thread worker;
    std::unique_ptr<FontSet> fonts;
    std::string failure;
};
