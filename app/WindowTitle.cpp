#include "app/WindowTitle.h"

#include <SDL/SDL.h>
#include <SDL/SDL_syswm.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <clocale>
#include <string>
#include <vector>

namespace {

void setTextProperty(Display* display, Window window, const std::string& text, Atom legacy, const char* modern)
{
    std::vector<char> bytes(text.begin(), text.end());
    bytes.push_back('\0');
    char* list[] = {bytes.data()};
    XTextProperty property;
    // STRING when Latin-1 holds the text, COMPOUND_TEXT otherwise. Xlib
    // converts through the C library's character set, which in the default
    // "C" locale holds neither the dash nor any name beyond ASCII: the
    // conversion runs under a UTF-8 one, then the one before comes back.
    const char* before = setlocale(LC_CTYPE, nullptr);
    const std::string restore = before != nullptr ? before : "C";
    const bool unicode = setlocale(LC_CTYPE, "C.UTF-8") != nullptr;
    const int unconverted = Xutf8TextListToTextProperty(display, list, 1, XStdICCTextStyle, &property);
    if (unicode)
        setlocale(LC_CTYPE, restore.c_str());
    if (unconverted >= Success) {
        XSetTextProperty(display, window, &property, legacy);
        XFree(property.value);
    }
    const Atom utf8 = XInternAtom(display, "UTF8_STRING", False);
    XChangeProperty(display, window, XInternAtom(display, modern, False), utf8, 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(text.data()), static_cast<int>(text.size()));
}

} // namespace

void WindowTitle::set(const std::string& title, const std::string& iconTitle)
{
    SDL_WM_SetCaption(title.c_str(), iconTitle.c_str());
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (SDL_GetWMInfo(&info) <= 0 || info.subsystem != SDL_SYSWM_X11 || info.info.x11.display == nullptr)
        return;
    Display* display = info.info.x11.display;
    const Window window = info.info.x11.wmwindow != 0 ? info.info.x11.wmwindow : info.info.x11.window;
    if (info.info.x11.lock_func != nullptr)
        info.info.x11.lock_func();
    setTextProperty(display, window, title, XA_WM_NAME, "_NET_WM_NAME");
    setTextProperty(display, window, iconTitle, XA_WM_ICON_NAME, "_NET_WM_ICON_NAME");
    XFlush(display);
    if (info.info.x11.unlock_func != nullptr)
        info.info.x11.unlock_func();
}
