#pragma once

#include <string>

// Sets the window's title from UTF-8 text so that every reader of it gets the
// same text: through SDL, then on X both properties a window manager may read,
// _NET_WM_NAME as UTF-8 and WM_NAME as Latin-1 where that holds the text and as
// compound text where it does not. (One SDL 1.2 stores UTF-8 bytes in WM_NAME
// as if they were Latin-1, so a dash reads as three other characters.)
class WindowTitle {
public:
    // Call again after SDL_SetVideoMode: a new mode may set SDL's own again.
    static void set(const std::string& title, const std::string& iconTitle);
};
