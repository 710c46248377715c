#pragma once

#include <string>

// The fixed layout values of the icon row, answered as text by key.
class IconSettings {
public:
    static IconSettings* instance();

    // The value for key, compared exactly; "" for an unknown key.
    std::string get(std::string key) const;
};
