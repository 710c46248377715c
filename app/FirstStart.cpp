#include "app/FirstStart.h"

#include <sys/stat.h>

std::string FirstStart::settingsFolder(const char* configHome, const char* home)
{
    // A relative XDG_CONFIG_HOME is invalid and is ignored.
    if (configHome != nullptr && configHome[0] == '/')
        return std::string(configHome) + "/lumenfold";
    if (home != nullptr && home[0] != '\0')
        return std::string(home) + "/.config/lumenfold";
    return std::string();
}

bool FirstStart::claim(const std::string& folder)
{
    if (folder.empty())
        return false;
    struct stat status;
    if (stat(folder.c_str(), &status) == 0)
        return false;
    // Each missing parent in turn, the folders private as settings are.
    for (std::size_t slash = folder.find('/', 1); slash != std::string::npos; slash = folder.find('/', slash + 1))
        mkdir(folder.substr(0, slash).c_str(), 0700);
    mkdir(folder.c_str(), 0700);
    return true;
}
