#pragma once

#include <string>

// The 800 x 600 double-buffered GL window the benchmarks draw into and load
// models with, opened the way the viewer opens its own, on $DISPLAY.
class BenchWindow {
public:
    // False, with error() set, when SDL or the GL mode cannot be had.
    bool open();
    const std::string& error() const { return lastError; }

    static constexpr int kWidth = 800;
    static constexpr int kHeight = 600;

private:
    std::string lastError;
};
