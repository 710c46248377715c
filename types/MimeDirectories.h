#pragma once

#include <functional>
#include <string>
#include <vector>

// The folders holding the shared MIME database, highest priority first:
// $XDG_DATA_HOME/mime/ (default ~/.local/share/mime/), then each folder of
// $XDG_DATA_DIRS (default /usr/local/share:/usr/share) with mime/ appended.
// Relative and empty entries are ignored. Each ends with '/'.
using EnvironmentReader = std::function<const char*(const char*)>;
std::vector<std::string> mimeDirectories(const EnvironmentReader& environment);

// The user's languages for messages, most specific first, from LC_ALL,
// LC_MESSAGES or LANG (the first set): "de_AT.UTF-8@euro" gives de_AT@euro,
// de_AT, de@euro, de. Empty for the C and POSIX locales.
std::vector<std::string> messageLanguages(const EnvironmentReader& environment);
