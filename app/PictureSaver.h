#pragma once

#include "picture/RgbImage.h"

#include <ctime>
#include <string>

// Where the window's picture goes and under what name: the pictures folder
// the user's user-dirs.dirs names (XDG_PICTURES_DIR), else ~/Pictures, else
// the working folder; the name lumenfold-YYYYMMDD-HHMMSS.png in local time,
// with -1, -2 ... added while a file of that name is there. Never overwrites.
class PictureSaver {
public:
    // The variables the folder comes from; null or empty when unset.
    struct Places {
        const char* home = nullptr;
        const char* configHome = nullptr;
    };

    // The pictures folder, ending with '/'; "" for the working folder.
    static std::string folder(const Places& places);
    // XDG_PICTURES_DIR from the text of a user-dirs.dirs file, $HOME
    // replaced; empty when it is not set there or not valid.
    static std::string picturesEntry(const std::string& userDirs, const std::string& home);

    // Makes a new empty file in `folder` ("" for the working one) under the
    // name for `when`, so the picture drawn next has a name of its own. On
    // success true with the file's path in `path`; else false with the
    // reason in `error`.
    static bool reserve(const std::string& folder, std::time_t when, std::string& path, std::string& error);
    // Writes `image` as a PNG into the file reserve() made; on failure the
    // file goes and the reason is in `error`.
    static bool save(const RgbImage& image, const std::string& path, std::string& error);
};
