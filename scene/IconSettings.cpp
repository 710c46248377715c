#include "scene/IconSettings.h"

namespace {

struct Setting {
    const char* key;
    const char* value;
};

// Symbol scale, gap between slots along x, and a row gap the layout never uses.
constexpr Setting kSettings[] = {
    {"iconsize", "0.5"},
    {"iconspace_x", "0.8"},
    {"iconspace_y", "1"},
};

} // namespace

IconSettings* IconSettings::instance()
{
    static IconSettings settings;
    return &settings;
}

std::string IconSettings::get(std::string key) const
{
    for (const Setting& setting : kSettings)
        if (key == setting.key)
            return setting.value;
    return std::string();
}
