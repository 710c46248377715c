#include "app/ScreenFit.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <sstream>

ScreenFit::Size ScreenFit::window(int screenWidth, int screenHeight)
{
    return {std::max(kMinWidth, screenWidth * 2 / 3), std::max(kMinHeight, screenHeight * 2 / 3)};
}

double ScreenFit::textScale(const std::string& resources, double minimum, double maximum)
{
    // One resource a line, "name:\tvalue"; the last one named holds.
    static const std::string kName = "Xft.dpi:";
    std::istringstream lines(resources);
    std::string line;
    double scale = 1.0;
    while (std::getline(lines, line)) {
        if (line.compare(0, kName.size(), kName) != 0)
            continue;
        const std::string value = line.substr(kName.size());
        char* end = nullptr;
        const double dpi = std::strtod(value.c_str(), &end);
        if (end == value.c_str() || !std::isfinite(dpi) || dpi <= 0.0)
            continue;
        scale = std::clamp(dpi / kBaseDpi, minimum, maximum);
    }
    return scale;
}
