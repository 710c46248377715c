#pragma once

#include <string>

// Whether this is the explore view's first start for the user: its settings
// folder ($XDG_CONFIG_HOME/lumenfold, else ~/.config/lumenfold) is not there
// yet. The folder is made then, so the next start is not a first one; a
// folder that cannot be made changes nothing but that.
class FirstStart {
public:
    // The settings folder for the given variables (either may be null or
    // empty); empty when neither gives one.
    static std::string settingsFolder(const char* configHome, const char* home);
    // True when `folder` was missing; makes it and any missing parents.
    static bool claim(const std::string& folder);
};
