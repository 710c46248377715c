#include "tools/XSession.h"

#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <thread>

namespace {

int gXErrorCount = 0;
int gLastXErrorCode = 0;

// A window's title as UTF-8: _NET_WM_NAME where the program set it, else
// WM_NAME. WM_NAME alone is not enough: a title beyond Latin-1 (a dash, a
// name in another script) is stored there in another encoding by some
// toolkits. Empty when the window has neither.
std::string titleOf(Display* display, Window window)
{
    std::string title;
    Atom type = 0;
    int format = 0;
    unsigned long count = 0;
    unsigned long remaining = 0;
    unsigned char* data = nullptr;
    const Atom netName = XInternAtom(display, "_NET_WM_NAME", False);
    const Atom utf8 = XInternAtom(display, "UTF8_STRING", False);
    if (XGetWindowProperty(display, window, netName, 0, 4096, False, utf8, &type, &format, &count, &remaining, &data)
            == Success
        && data != nullptr && type == utf8 && format == 8 && count > 0)
        title.assign(reinterpret_cast<const char*>(data), count);
    if (data != nullptr)
        XFree(data);
    if (!title.empty())
        return title;
    char* name = nullptr;
    if (XFetchName(display, window, &name) && name != nullptr) {
        title = name;
        XFree(name);
    }
    return title;
}

int recordXError(Display*, XErrorEvent* event)
{
    ++gXErrorCount;
    gLastXErrorCode = event->error_code;
    return 0;
}

constexpr int kMaxTreeDepth = 8;
constexpr int kPollIntervalMs = 50;

// One colour channel of a visual's pixels, decoded once per picture.
struct Channel {
    explicit Channel(unsigned long channelMask) : mask(channelMask)
    {
        while (channelMask != 0 && (channelMask & 1) == 0) {
            channelMask >>= 1;
            ++shift;
        }
        maximum = channelMask;
    }

    std::uint8_t of(unsigned long pixel) const
    {
        if (maximum == 0)
            return 0;
        const unsigned long value = (pixel & mask) >> shift;
        return static_cast<std::uint8_t>(value * 255 / maximum);
    }

    unsigned long mask;
    int shift = 0;
    unsigned long maximum = 0;
};

bool hostIsLittleEndian()
{
    const std::uint16_t one = 1;
    std::uint8_t first = 0;
    std::memcpy(&first, &one, 1);
    return first == 1;
}

} // namespace

XSession::XSession(const std::string& displayName)
{
    XSetErrorHandler(recordXError);
    display = XOpenDisplay(displayName.empty() ? nullptr : displayName.c_str());
    if (display == nullptr) {
        const char* fromEnvironment = std::getenv("DISPLAY");
        lastError = "cannot open display "
            + (displayName.empty() ? std::string(fromEnvironment ? fromEnvironment : "(DISPLAY unset)") : displayName);
        return;
    }
    int eventBase = 0, errorBase = 0, major = 0, minor = 0;
    if (!XTestQueryExtension(display, &eventBase, &errorBase, &major, &minor))
        lastError = "the display has no XTEST extension; keys cannot be sent";
}

XSession::~XSession()
{
    if (display != nullptr)
        XCloseDisplay(display);
}

bool XSession::syncAndCheck(const char* what)
{
    const int before = gXErrorCount;
    XSync(display, False);
    if (gXErrorCount != before) {
        lastError = std::string(what) + " failed (X error " + std::to_string(gLastXErrorCode) + ")";
        return false;
    }
    return true;
}

XSession::WindowId XSession::searchTree(WindowId parent, const std::string& title, int depth)
{
    Window root = 0, parentOfParent = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(display, parent, &root, &parentOfParent, &children, &count))
        return 0;
    WindowId found = 0;
    // Topmost first: the last child is on top of the stacking order.
    for (unsigned int i = count; i-- > 0 && found == 0;) {
        XWindowAttributes attributes;
        if (!XGetWindowAttributes(display, children[i], &attributes) || attributes.map_state != IsViewable)
            continue;
        const std::string shown = titleOf(display, children[i]);
        if (shown == title || shown.rfind(title + " \xE2\x80\x94 ", 0) == 0)
            found = children[i];
        if (found == 0 && depth < kMaxTreeDepth)
            found = searchTree(children[i], title, depth + 1);
    }
    if (children != nullptr)
        XFree(children);
    return found;
}

XSession::WindowId XSession::findWindow(const std::string& title, int timeoutMs)
{
    if (!isOpen())
        return 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        const WindowId window = searchTree(DefaultRootWindow(display), title, 0);
        XSync(display, False);
        if (window != 0 && windowExists(window))
            return window;
        if (std::chrono::steady_clock::now() >= deadline)
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(kPollIntervalMs));
    }
    lastError = "no window titled \"" + title + "\" within " + std::to_string(timeoutMs) + " ms";
    return 0;
}

bool XSession::windowExists(WindowId window)
{
    if (!isOpen() || window == 0)
        return false;
    XWindowAttributes attributes;
    const int before = gXErrorCount;
    const Status status = XGetWindowAttributes(display, window, &attributes);
    XSync(display, False);
    return status != 0 && gXErrorCount == before;
}

std::string XSession::windowTitle(WindowId window)
{
    std::string title;
    if (!isOpen() || window == 0)
        return title;
    title = titleOf(display, window);
    XSync(display, False);
    return title;
}

XSession::TitleProperties XSession::titleProperties(WindowId window)
{
    TitleProperties read;
    if (!isOpen() || window == 0)
        return read;
    XTextProperty property{};
    if (XGetWMName(display, window, &property) && property.value != nullptr) {
        char** list = nullptr;
        int count = 0;
        if (Xutf8TextPropertyToTextList(display, &property, &list, &count) == Success && count > 0)
            read.wmName = list[0];
        if (list != nullptr)
            XFreeStringList(list);
        XFree(property.value);
    }
    Atom type = 0;
    int format = 0;
    unsigned long count = 0;
    unsigned long remaining = 0;
    unsigned char* data = nullptr;
    const Atom utf8 = XInternAtom(display, "UTF8_STRING", False);
    if (XGetWindowProperty(display, window, XInternAtom(display, "_NET_WM_NAME", False), 0, 4096, False, utf8, &type,
                           &format, &count, &remaining, &data)
            == Success
        && data != nullptr && type == utf8 && format == 8)
        read.netWmName.assign(reinterpret_cast<const char*>(data), count);
    if (data != nullptr)
        XFree(data);
    XSync(display, False);
    return read;
}

bool XSession::geometry(WindowId window, WindowGeometry& out)
{
    if (!isOpen() || window == 0)
        return false;
    XWindowAttributes attributes;
    const int before = gXErrorCount;
    if (!XGetWindowAttributes(display, window, &attributes) || gXErrorCount != before) {
        lastError = "window is gone";
        return false;
    }
    Window child = 0;
    int rootX = 0, rootY = 0;
    XTranslateCoordinates(display, window, attributes.root, 0, 0, &rootX, &rootY, &child);
    if (!syncAndCheck("reading the window geometry"))
        return false;
    out.x = rootX;
    out.y = rootY;
    out.width = attributes.width;
    out.height = attributes.height;
    return true;
}

bool XSession::grab(WindowId window, RgbImage& out)
{
    WindowGeometry where;
    if (!geometry(window, where))
        return false;
    return grabArea(window, 0, 0, where.width, where.height, out);
}

bool XSession::grabArea(WindowId window, int x, int y, int width, int height, RgbImage& out)
{
    WindowGeometry where;
    if (!geometry(window, where))
        return false;
    // Read from the root window: that is what is on screen, inferior windows included.
    const int screen = DefaultScreen(display);
    const int screenWidth = DisplayWidth(display, screen);
    const int screenHeight = DisplayHeight(display, screen);
    int left = where.x + x;
    int top = where.y + y;
    int right = left + width;
    int bottom = top + height;
    left = left < 0 ? 0 : left;
    top = top < 0 ? 0 : top;
    right = right > screenWidth ? screenWidth : right;
    bottom = bottom > screenHeight ? screenHeight : bottom;
    if (right <= left || bottom <= top) {
        lastError = "the area lies outside the screen";
        return false;
    }

    const int before = gXErrorCount;
    XImage* image = XGetImage(display, DefaultRootWindow(display), left, top, static_cast<unsigned int>(right - left),
                              static_cast<unsigned int>(bottom - top), AllPlanes, ZPixmap);
    XSync(display, False);
    if (image == nullptr || gXErrorCount != before) {
        if (image != nullptr)
            XDestroyImage(image);
        lastError = "XGetImage failed";
        return false;
    }

    // Keep window coordinates: pixels clipped away stay black.
    out = RgbImage(width, height);
    const int offsetX = left - (where.x + x);
    const int offsetY = top - (where.y + y);
    const Channel red(image->red_mask), green(image->green_mask), blue(image->blue_mask);
    // 32-bit pixels in the host's byte order (what Xvfb gives) are read straight
    // from the rows: a whole window per poll stays cheap in a sanitised build.
    const bool direct = image->bits_per_pixel == 32 && image->format == ZPixmap
        && (image->byte_order == LSBFirst) == hostIsLittleEndian();
    for (int row = 0; row < bottom - top; ++row) {
        const char* line = image->data + static_cast<std::ptrdiff_t>(row) * image->bytes_per_line;
        for (int column = 0; column < right - left; ++column) {
            unsigned long pixel = 0;
            if (direct) {
                std::uint32_t word = 0;
                std::memcpy(&word, line + 4 * column, 4);
                pixel = word;
            } else {
                pixel = XGetPixel(image, column, row);
            }
            out.setPixel(column + offsetX, row + offsetY, Rgb{red.of(pixel), green.of(pixel), blue.of(pixel)});
        }
    }
    XDestroyImage(image);
    return true;
}

bool XSession::focus(WindowId window)
{
    WindowGeometry where;
    if (!geometry(window, where))
        return false;
    XSetInputFocus(display, window, RevertToParent, CurrentTime);
    XWarpPointer(display, None, window, 0, 0, 0, 0, where.width / 2, where.height / 2);
    return syncAndCheck("focusing the window");
}

bool XSession::key(const std::string& keyName, bool press)
{
    if (!isOpen())
        return false;
    const KeySym symbol = XStringToKeysym(keyName.c_str());
    if (symbol == NoSymbol) {
        lastError = "unknown key name \"" + keyName + "\"";
        return false;
    }
    const KeyCode code = XKeysymToKeycode(display, symbol);
    if (code == 0) {
        lastError = "key \"" + keyName + "\" is not on the display's keyboard map";
        return false;
    }
    if (!XTestFakeKeyEvent(display, code, press ? True : False, CurrentTime)) {
        lastError = "XTEST refused the key event";
        return false;
    }
    return syncAndCheck("sending a key");
}

bool XSession::tapKey(const std::string& keyName)
{
    return key(keyName, true) && key(keyName, false);
}

bool XSession::tapKeyWith(const std::vector<std::string>& modifiers, const std::string& keyName)
{
    bool sent = true;
    std::size_t pressed = 0;
    for (; pressed < modifiers.size() && sent; ++pressed)
        sent = key(modifiers[pressed], true);
    if (sent)
        sent = tapKey(keyName);
    // Whatever happened, no modifier stays held.
    while (pressed-- > 0)
        sent = key(modifiers[pressed], false) && sent;
    return sent;
}

bool XSession::keySymbol(unsigned long symbol, bool press)
{
    const KeyCode code = XKeysymToKeycode(display, symbol);
    if (code == 0) {
        lastError = "a typed character is not on the display's keyboard map";
        return false;
    }
    const bool shifted = XkbKeycodeToKeysym(display, code, 0, 0) != symbol;
    const KeyCode shift = XKeysymToKeycode(display, XK_Shift_L);
    if (press && shifted && !XTestFakeKeyEvent(display, shift, True, CurrentTime))
        return false;
    if (!XTestFakeKeyEvent(display, code, press ? True : False, CurrentTime))
        return false;
    if (!press && shifted && !XTestFakeKeyEvent(display, shift, False, CurrentTime))
        return false;
    return syncAndCheck("typing");
}

bool XSession::typeText(const std::string& text)
{
    if (!isOpen())
        return false;
    for (const char c : text) {
        // Printable ASCII characters are their own keysyms.
        const unsigned long symbol = static_cast<unsigned char>(c);
        if (symbol < 0x20 || symbol > 0x7E) {
            lastError = "only printable ASCII can be typed";
            return false;
        }
        if (!keySymbol(symbol, true) || !keySymbol(symbol, false))
            return false;
    }
    return true;
}

bool XSession::movePointer(WindowId window, int fromX, int fromY, int toX, int toY, bool holdLeftButton)
{
    if (!isOpen())
        return false;
    XWarpPointer(display, None, window, 0, 0, 0, 0, fromX, fromY);
    if (!syncAndCheck("placing the pointer"))
        return false;
    if (holdLeftButton && !XTestFakeButtonEvent(display, 1, True, CurrentTime)) {
        lastError = "XTEST refused the button event";
        return false;
    }
    // Several small motions, as a hand would make, each its own motion event.
    constexpr int kSteps = 10;
    for (int step = 1; step <= kSteps; ++step) {
        XWarpPointer(display, None, window, 0, 0, 0, 0, fromX + (toX - fromX) * step / kSteps,
                     fromY + (toY - fromY) * step / kSteps);
        if (!syncAndCheck("moving the pointer"))
            return false;
    }
    if (holdLeftButton && !XTestFakeButtonEvent(display, 1, False, CurrentTime)) {
        lastError = "XTEST refused the button event";
        return false;
    }
    return syncAndCheck("releasing the button");
}

bool XSession::click(int button, int count)
{
    if (!isOpen() || button < 1)
        return false;
    for (int i = 0; i < count; ++i) {
        if (!XTestFakeButtonEvent(display, static_cast<unsigned int>(button), True, CurrentTime)
            || !XTestFakeButtonEvent(display, static_cast<unsigned int>(button), False, CurrentTime)) {
            lastError = "XTEST refused the button event";
            return false;
        }
    }
    return syncAndCheck("clicking");
}

bool XSession::resize(WindowId window, int width, int height)
{
    if (!isOpen() || width <= 0 || height <= 0) {
        lastError = "a window needs a positive size";
        return false;
    }
    XResizeWindow(display, window, static_cast<unsigned int>(width), static_cast<unsigned int>(height));
    return syncAndCheck("resizing the window");
}

XSession::WindowId XSession::createWindow(int x, int y, int width, int height)
{
    if (!isOpen() || width <= 0 || height <= 0) {
        lastError = "a window needs a positive size";
        return 0;
    }
    const Window window = XCreateSimpleWindow(
        display, DefaultRootWindow(display), x, y, static_cast<unsigned int>(width), static_cast<unsigned int>(height),
        0, BlackPixel(display, DefaultScreen(display)), WhitePixel(display, DefaultScreen(display)));
    XSelectInput(display, window, StructureNotifyMask);
    XMapWindow(display, window);
    // Shown once the server says so.
    XEvent event{};
    do
        XWindowEvent(display, window, StructureNotifyMask, &event);
    while (event.type != MapNotify);
    return syncAndCheck("creating a window") ? window : 0;
}

bool XSession::serverTime(unsigned long& milliseconds)
{
    if (!isOpen())
        return false;
    if (clockWindow == 0) {
        clockWindow = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 1, 1, 0, 0, 0);
        XSelectInput(display, clockWindow, PropertyChangeMask);
    }
    const Atom clock = XInternAtom(display, "LUMENFOLD_TEST_CLOCK", False);
    // Appending nothing changes no value but still reports the change, stamped.
    XChangeProperty(display, clockWindow, clock, XA_INTEGER, 32, PropModeAppend, nullptr, 0);
    if (!syncAndCheck("reading the server's clock"))
        return false;
    XEvent event{};
    do
        XWindowEvent(display, clockWindow, PropertyChangeMask, &event);
    while (event.xproperty.atom != clock);
    milliseconds = event.xproperty.time;
    return true;
}

bool XSession::destroyWindow(WindowId window)
{
    if (!isOpen())
        return false;
    XDestroyWindow(display, window);
    return syncAndCheck("destroying a window");
}

bool XSession::setResources(const std::string& resources)
{
    if (!isOpen())
        return false;
    XChangeProperty(display, DefaultRootWindow(display), XA_RESOURCE_MANAGER, XA_STRING, 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(resources.data()), static_cast<int>(resources.size()));
    return syncAndCheck("setting the resources");
}

bool XSession::close(WindowId window)
{
    if (!isOpen())
        return false;
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, window, False, NoEventMask, &event);
    return syncAndCheck("closing the window");
}
