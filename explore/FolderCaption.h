#pragma once

#include <string>

// The window's caption while the explore view shows a folder.
class FolderCaption {
public:
    // "Lumenfold — <path>": the path spelled plainly (PathText) without its
    // final '/' (except for "/" itself), the home folder written as "~", any bytes made into valid
    // UTF-8 on one line (as the status line shows names). An empty `home`
    // shortens nothing.
    static std::string of(const std::string& folderPath, const std::string& home);
};
