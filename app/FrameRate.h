#pragma once

#include <cstdint>
#include <string>

// Interval between two frame-rate reports, in milliseconds.
constexpr std::int32_t kFrameRateInterval = 5000;

// The console line for `frames` frames drawn in `elapsedMilliseconds`, with its line end:
// "300 frames in 5.012 seconds = 59.8563 FPS\n".
std::string formatFrameRate(int frames, std::int32_t elapsedMilliseconds);
