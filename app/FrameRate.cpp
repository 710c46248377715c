#include "app/FrameRate.h"

#include <cstdio>

std::string formatFrameRate(int frames, std::int32_t elapsedMilliseconds)
{
    const float seconds = static_cast<float>(elapsedMilliseconds / 1000.0);
    const float fps = static_cast<float>(frames) / seconds;
    char line[128];
    std::snprintf(line, sizeof line, "%d frames in %g seconds = %g FPS\n", frames, static_cast<double>(seconds),
                  static_cast<double>(fps));
    return line;
}
