#pragma once

#include "picture/RgbImage.h"

#include <string>
#include <vector>

struct _XDisplay;

// Where a top-level window sits on the screen and how large it is.
struct WindowGeometry {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

// One connection to an X display, for driving a program from outside:
// find its window by title, read and grab it, send it keys, resize or close it.
// X errors (for example a window that vanished meanwhile) are counted and make
// the call fail instead of ending the process.
class XSession {
public:
    using WindowId = unsigned long;

    // An empty name means $DISPLAY.
    explicit XSession(const std::string& displayName = std::string());
    ~XSession();
    XSession(const XSession&) = delete;
    XSession& operator=(const XSession&) = delete;

    bool isOpen() const { return display != nullptr; }
    const std::string& error() const { return lastError; }

    // Polls the window tree until a viewable window whose WM_NAME is `title`,
    // or `title` followed by " — " and what the window shows (UTF-8), shows,
    // or the timeout passes; 0 when none did.
    WindowId findWindow(const std::string& title, int timeoutMs);
    bool windowExists(WindowId window);
    std::string windowTitle(WindowId window);
    // Both title properties, each as UTF-8 whatever its encoding: WM_NAME
    // (STRING is Latin-1, COMPOUND_TEXT anything) and _NET_WM_NAME.
    struct TitleProperties {
        std::string wmName;
        std::string netWmName;
    };
    TitleProperties titleProperties(WindowId window);
    // Position relative to the root window and inner size.
    bool geometry(WindowId window, WindowGeometry& out);

    // The window's pixels as shown on screen (clipped to the screen).
    bool grab(WindowId window, RgbImage& out);
    // A rectangle of it, in window coordinates; useful for fast polling of one row or column.
    bool grabArea(WindowId window, int x, int y, int width, int height, RgbImage& out);

    // Gives the window input focus and moves the pointer into it, so the program
    // keeps receiving keys and does not see itself deactivated.
    bool focus(WindowId window);
    // Synthetic key press or release; `keyName` is an X keysym name such as
    // "Escape", "Up", "Left", "F1" or "slash".
    bool key(const std::string& keyName, bool press);
    bool tapKey(const std::string& keyName);
    // Taps `keyName` with modifier keys held, e.g. {"Alt_L"} and "Home".
    bool tapKeyWith(const std::vector<std::string>& modifiers, const std::string& keyName);
    // Types ASCII text key by key, with Shift where the keyboard needs it.
    bool typeText(const std::string& text);
    // Moves the pointer from one window point to another in small steps, with
    // the left button held when `holdLeftButton` (a drag), released at the end.
    bool movePointer(WindowId window, int fromX, int fromY, int toX, int toY, bool holdLeftButton);
    // `count` presses and releases of pointer button `button` where the
    // pointer is (1 left, 3 right, 4 and 5 a wheel notch up and down).
    bool click(int button, int count);

    bool resize(WindowId window, int width, int height);
    // A plain window of this session's own at (x, y) on the screen, mapped and
    // shown; 0 on failure. Another program's window, for taking focus away.
    WindowId createWindow(int x, int y, int width, int height);
    bool destroyWindow(WindowId window);
    // Replaces the screen's X resources (the root window's RESOURCE_MANAGER,
    // "name:\tvalue" lines), which programs read when they connect.
    bool setResources(const std::string& resources);
    // Asks the window to close, the way a window manager's close button does.
    bool close(WindowId window);
    // One round trip to the server: sends nothing and waits for its answer.
    bool roundTrip() { return isOpen() && syncAndCheck("a round trip"); }
    // The server's clock (milliseconds, as it stamps events) as it takes this
    // request: after every request this session sent before, before any it
    // sends after. Brackets the stamps of the keys and clicks sent between.
    bool serverTime(unsigned long& milliseconds);

private:
    bool syncAndCheck(const char* what);
    WindowId searchTree(WindowId parent, const std::string& title, int depth);
    // Presses or releases the key that gives `symbol`, with Shift when the keyboard needs it.
    bool keySymbol(unsigned long symbol, bool press);

    _XDisplay* display = nullptr;
    // An unmapped window of this session's own whose property changes report
    // the server's time; made on first use.
    WindowId clockWindow = 0;
    std::string lastError;
};
