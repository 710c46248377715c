#pragma once

#include "tools/ChildProcess.h"
#include "picture/RgbImage.h"
#include "tools/XSession.h"
#include "tools/XvfbServer.h"

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

// Whether the viewer and these tests carry the address sanitizer, whose
// quarantine keeps freed memory resident and whose own work costs processor
// time: figures of memory growth and idle time mean nothing there.
#if defined(__SANITIZE_ADDRESS__)
inline constexpr bool kSanitizedBuild = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
inline constexpr bool kSanitizedBuild = true;
#else
inline constexpr bool kSanitizedBuild = false;
#endif
#else
inline constexpr bool kSanitizedBuild = false;
#endif

// One viewer process on its own private Xvfb, driven from outside like a user would.
//
// Construction prepares the folders that lumenfold_e2e was built to read: an
// empty scene root and a symbol folder holding copies of the repository's
// symbols/standard/folder.ASE and file.ASE (an empty file, which loads as a
// model that draws nothing, for one that is missing). Shape them before start():
//
//   ViewerSession session;
//   session.addFolder("docs");                  // <root>/FS/docs/
//   session.addFile("docs/readme.txt", "hi");   // <root>/FS/docs/readme.txt
//   ASSERT_TRUE(session.start()) << session.error();
//   ASSERT_TRUE(session.waitForWindow()) << session.error();
//   RgbImage picture = session.grab();
//   session.press("Up"); ... session.release("Up");
//   session.tapKey("Escape");
//   ASSERT_TRUE(session.waitForExit(5000));
//   EXPECT_EQ(session.exitCode(), 0);
//   session.standardOutput(), session.standardError()
//
// Every lumenfold_e2e test shares the same folders, so those tests carry the
// CTest resource lock e2e_root. The destructor stops the viewer (SIGTERM, then
// SIGKILL) and the display. Waiting is always polling with a timeout.
class ViewerSession {
public:
    static constexpr int kWindowTimeoutMs = 30000;

    ViewerSession();
    ~ViewerSession();
    ViewerSession(const ViewerSession&) = delete;
    ViewerSession& operator=(const ViewerSession&) = delete;

    // The two folders lumenfold_e2e reads (absolute, ending with '/').
    static std::string sceneRoot();
    static std::string symbolDir();
    // The viewer built for these tests.
    static std::string e2eViewerPath();

    // Paths are relative to the scene root; parents are created as needed.
    // False (see error()) when the path leaves the root or can't be written.
    bool addFolder(const std::string& relativePath);
    bool addFile(const std::string& relativePath, const std::string& contents = std::string());
    // Writes a file in the symbol folder, e.g. "folder.ASE".
    bool addSymbol(const std::string& fileName, const std::string& contents);

    // How the next start runs the viewer: its arguments (after the program
    // name), the folder it starts in (empty: the test's), and whether its
    // standard error is a pseudo-terminal (captured all the same).
    void setArguments(std::vector<std::string> words) { arguments = std::move(words); }
    void setWorkingDirectory(std::string folder) { workingDirectory = std::move(folder); }
    void setStandardErrorOnTerminal(bool onTerminal) { errorOnTerminal = onTerminal; }
    void setEnvironment(const std::string& name, std::string value) { environment[name] = std::move(value); }
    // A descriptor the viewer reads as standard input (the test keeps it); /dev/null by default.
    void setStandardInput(int descriptor) { inputDescriptor = descriptor; }
    // The private Xvfb's screen; by default kScreenWidth x kScreenHeight, on
    // which the explore view opens at 800 x 600 as the plain view does.
    void setScreenSize(int width, int height)
    {
        screenWidth = width;
        screenHeight = height;
    }
    // The X resources the viewer finds on its display, e.g. "Xft.dpi:\t192\n".
    void setResources(std::string text) { resources = std::move(text); }
    static constexpr int kScreenWidth = 1200;
    static constexpr int kScreenHeight = 900;
    // The viewer's XDG_CONFIG_HOME unless set otherwise: a folder of the
    // tests' root holding lumenfold/, so no start is a first start, and
    // nothing is made in HOME.
    static std::string configHome();

    // Starts a private Xvfb and the viewer on it.
    bool start(const std::string& viewerPath = e2eViewerPath());
    // Starts the viewer on a private Xvfb that offers no OpenGL (no GLX).
    bool startWithoutGl(const std::string& viewerPath = e2eViewerPath());
    // Starts the viewer with DISPLAY unset and no X server.
    bool startWithoutDisplay(const std::string& viewerPath = e2eViewerPath());

    // Waits until the window titled "Lumenfold" shows, then gives it focus
    // and puts the pointer in it (the viewer stops drawing when it loses either).
    bool waitForWindow(int timeoutMs = kWindowTimeoutMs);
    XSession::WindowId window() const { return viewerWindow; }
    bool geometry(WindowGeometry& out);
    std::string title();

    RgbImage grab();
    RgbImage grabRow(int y);
    RgbImage grabColumn(int x);

    // True while the viewer's main thread sleeps in its wait for events (a
    // poll with a timeout), as the explore view's loop does once it has drawn
    // what its state asks for and nothing moves. False while it draws, paces
    // a frame, waits for the X server or cannot be read.
    bool isIdle();
    // The explore view's picture once it has nothing left to draw: the viewer
    // slept in its wait before, between and after two grabs that agree.
    // False (and `picture` the last grab) when it did not, this time.
    bool grabSettled(RgbImage& picture);
    // How many folders the viewer watches for changes now (its inotify
    // watches, as /proc tells them); 0 when it cannot be read.
    int watchCount();

    bool focus();
    bool press(const std::string& keyName);
    bool release(const std::string& keyName);
    bool tapKey(const std::string& keyName);
    // Moves the pointer across the window, dragging with the left button when asked.
    bool movePointer(int fromX, int fromY, int toX, int toY, bool holdLeftButton);
    // `count` clicks of pointer button `button` where the pointer is (4 and 5: wheel notches).
    bool click(int button, int count);
    bool resize(int width, int height);
    bool closeWindow();
    bool sendSignal(int signalNumber);
    // Stops the viewer (all its threads), reads what it wrote up to then and
    // runs `work` while it stands still, then lets it go on: for making a
    // measure that takes a while (a quit's reference, say) without the
    // viewer's own work, a scan, running out meanwhile.
    bool whileStopped(const std::function<void()>& work);

    bool isRunning();
    // The viewer's process id, for reading its state from /proc.
    pid_t pid() const { return viewer.pid(); }
    // Processor time the viewer has used so far, in seconds.
    double cpuSeconds() const { return viewer.cpuSeconds(); }
    bool waitForExit(int timeoutMs);
    int exitCode() const { return viewer.exitCode(); }
    bool waitForStandardOutput(const std::string& text, int timeoutMs);
    const std::string& standardOutput() const { return viewer.standardOutput(); }
    const std::string& standardError() const { return viewer.standardError(); }

    // Calls `condition` every intervalMs until it holds or the timeout passes,
    // reading the viewer's output in between.
    bool pollUntil(const std::function<bool()>& condition, int timeoutMs, int intervalMs = 20);

    XSession* x() { return session.get(); }
    const std::string& displayName() const { return xvfb.displayName(); }
    const std::string& error() const { return lastError; }

private:
    bool startOn(XvfbServer::Gl gl, const std::string& viewerPath);

    bool launch(const std::string& viewerPath, ChildOptions options);
    bool prepareFolders();
    bool insideRoot(const std::string& relativePath);

    XvfbServer xvfb;
    std::unique_ptr<XSession> session;
    ChildProcess viewer;
    XSession::WindowId viewerWindow = 0;
    std::vector<std::string> arguments;
    std::string workingDirectory;
    bool errorOnTerminal = false;
    int inputDescriptor = -1;
    std::map<std::string, std::string> environment;
    std::string resources;
    int screenWidth = kScreenWidth;
    int screenHeight = kScreenHeight;
    std::string lastError;
};
