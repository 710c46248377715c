#include "tests/e2e/ViewerSession.h"

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <system_error>
#include <thread>

namespace fs = std::filesystem;

namespace {

constexpr char kWindowTitle[] = "Lumenfold";

fs::path rootFolder()
{
    return fs::path(LUMENFOLD_E2E_ROOT);
}

} // namespace

ViewerSession::ViewerSession()
{
    prepareFolders();
}

ViewerSession::~ViewerSession()
{
    viewer.stop();
    session.reset();
    xvfb.stop();
}

std::string ViewerSession::sceneRoot()
{
    return (rootFolder() / "FS").string() + "/";
}

std::string ViewerSession::symbolDir()
{
    return (rootFolder() / "symbols").string() + "/";
}

std::string ViewerSession::configHome()
{
    return (rootFolder() / "config").string();
}

std::string ViewerSession::e2eViewerPath()
{
    return LUMENFOLD_E2E_VIEWER;
}

bool ViewerSession::prepareFolders()
{
    std::error_code failure;
    const fs::path scene = rootFolder() / "FS";
    const fs::path symbols = rootFolder() / "symbols";
    fs::remove_all(scene, failure);
    fs::remove_all(symbols, failure);
    fs::create_directories(scene, failure);
    fs::create_directories(symbols, failure);
    fs::remove_all(rootFolder() / "config", failure);
    fs::create_directories(rootFolder() / "config" / "lumenfold", failure);
    if (failure) {
        lastError = "cannot prepare " + rootFolder().string() + ": " + failure.message();
        return false;
    }
    const fs::path standard = fs::path(LUMENFOLD_SOURCE_DIR) / "symbols" / "standard";
    for (const char* name : {"folder.ASE", "file.ASE"}) {
        if (fs::exists(standard / name)) {
            fs::copy_file(standard / name, symbols / name, fs::copy_options::overwrite_existing, failure);
        } else {
            // An empty model file loads as a shape with nothing in it, and the
            // viewer needs both files to start.
            std::ofstream empty(symbols / name);
        }
    }
    if (failure) {
        lastError = "cannot copy the standard symbols: " + failure.message();
        return false;
    }
    return true;
}

bool ViewerSession::insideRoot(const std::string& relativePath)
{
    const fs::path path(relativePath);
    bool escapes = path.empty() || path.is_absolute();
    for (const auto& part : path)
        escapes = escapes || part == "..";
    if (escapes)
        lastError = "\"" + relativePath + "\" is not a path inside the scene root";
    return !escapes;
}

bool ViewerSession::addFolder(const std::string& relativePath)
{
    if (!insideRoot(relativePath))
        return false;
    std::error_code failure;
    fs::create_directories(rootFolder() / "FS" / relativePath, failure);
    if (failure)
        lastError = "cannot create " + relativePath + ": " + failure.message();
    return !failure;
}

bool ViewerSession::addFile(const std::string& relativePath, const std::string& contents)
{
    if (!insideRoot(relativePath))
        return false;
    const fs::path path = rootFolder() / "FS" / relativePath;
    std::error_code failure;
    fs::create_directories(path.parent_path(), failure);
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file << contents;
    file.close();
    if (failure || !file) {
        lastError = "cannot write " + path.string();
        return false;
    }
    return true;
}

bool ViewerSession::addSymbol(const std::string& fileName, const std::string& contents)
{
    const fs::path path = rootFolder() / "symbols" / fileName;
    if (fileName.empty() || fs::path(fileName).has_parent_path()) {
        lastError = "\"" + fileName + "\" is not a plain file name";
        return false;
    }
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file << contents;
    file.close();
    if (!file) {
        lastError = "cannot write " + path.string();
        return false;
    }
    return true;
}

bool ViewerSession::start(const std::string& viewerPath)
{
    return startOn(XvfbServer::Gl::Offered, viewerPath);
}

bool ViewerSession::startWithoutGl(const std::string& viewerPath)
{
    return startOn(XvfbServer::Gl::Withheld, viewerPath);
}

bool ViewerSession::startOn(XvfbServer::Gl gl, const std::string& viewerPath)
{
    if (!xvfb.start(10000, gl, screenWidth, screenHeight)) {
        lastError = "cannot start Xvfb: " + xvfb.error();
        return false;
    }
    session = std::make_unique<XSession>(xvfb.displayName());
    if (!session->isOpen() || (!resources.empty() && !session->setResources(resources))) {
        lastError = session->error();
        return false;
    }
    ChildOptions options;
    options.setEnvironment["DISPLAY"] = xvfb.displayName();
    return launch(viewerPath, options);
}

bool ViewerSession::startWithoutDisplay(const std::string& viewerPath)
{
    ChildOptions options;
    options.unsetEnvironment.push_back("DISPLAY");
    return launch(viewerPath, options);
}

bool ViewerSession::launch(const std::string& viewerPath, ChildOptions options)
{
    std::vector<std::string> argv = {viewerPath};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    options.workingDirectory = workingDirectory;
    options.standardErrorOnTerminal = errorOnTerminal;
    options.standardInput = inputDescriptor;
    options.setEnvironment.insert(environment.begin(), environment.end());
    // Set after the test's own variables, which insert() keeps.
    options.setEnvironment.insert({"XDG_CONFIG_HOME", configHome()});
    if (!viewer.start(argv, options)) {
        lastError = viewer.error();
        return false;
    }
    return true;
}

bool ViewerSession::waitForWindow(int timeoutMs)
{
    if (!session) {
        lastError = "the viewer was not started on a display";
        return false;
    }
    const bool found = pollUntil(
        [this] {
            viewerWindow = session->findWindow(kWindowTitle, 0);
            return viewerWindow != 0 || !viewer.running();
        },
        timeoutMs, 50);
    if (!found || viewerWindow == 0) {
        lastError = viewer.exited()
            ? "the viewer ended (exit code " + std::to_string(viewer.exitCode())
                + ") before its window showed; stderr: " + viewer.standardError()
            : "no window titled \"" + std::string(kWindowTitle) + "\" within " + std::to_string(timeoutMs) + " ms";
        return false;
    }
    return focus();
}

bool ViewerSession::geometry(WindowGeometry& out)
{
    return session && session->geometry(viewerWindow, out);
}

std::string ViewerSession::title()
{
    return session ? session->windowTitle(viewerWindow) : std::string();
}

RgbImage ViewerSession::grab()
{
    RgbImage picture;
    if (session)
        session->grab(viewerWindow, picture);
    return picture;
}

RgbImage ViewerSession::grabRow(int y)
{
    RgbImage picture;
    WindowGeometry where;
    if (geometry(where))
        session->grabArea(viewerWindow, 0, y, where.width, 1, picture);
    return picture;
}

RgbImage ViewerSession::grabColumn(int x)
{
    RgbImage picture;
    WindowGeometry where;
    if (geometry(where))
        session->grabArea(viewerWindow, x, 0, 1, where.height, picture);
    return picture;
}

bool ViewerSession::focus()
{
    return session && session->focus(viewerWindow);
}

bool ViewerSession::press(const std::string& keyName)
{
    return session && session->key(keyName, true);
}

bool ViewerSession::release(const std::string& keyName)
{
    return session && session->key(keyName, false);
}

bool ViewerSession::tapKey(const std::string& keyName)
{
    return session && session->tapKey(keyName);
}

bool ViewerSession::movePointer(int fromX, int fromY, int toX, int toY, bool holdLeftButton)
{
    return session && session->movePointer(viewerWindow, fromX, fromY, toX, toY, holdLeftButton);
}

bool ViewerSession::click(int button, int count)
{
    return session && session->click(button, count);
}

bool ViewerSession::resize(int width, int height)
{
    return session && session->resize(viewerWindow, width, height);
}

bool ViewerSession::closeWindow()
{
    return session && session->close(viewerWindow);
}

bool ViewerSession::sendSignal(int signalNumber)
{
    return viewer.sendSignal(signalNumber);
}

bool ViewerSession::whileStopped(const std::function<void()>& work)
{
    if (!viewer.sendSignal(SIGSTOP))
        return false;
    viewer.running(); // reads its pipes
    work();
    return viewer.sendSignal(SIGCONT);
}

bool ViewerSession::isRunning()
{
    return viewer.running();
}

bool ViewerSession::isIdle()
{
    // "number arg1 arg2 arg3 ...": poll(fds, nfds, timeout) is 7; a wait for
    // a reply from the X server polls too, but without a timeout (-1).
    std::ifstream syscall("/proc/" + std::to_string(viewer.pid()) + "/syscall");
    std::string number;
    std::string fds;
    std::string count;
    std::string timeout;
    return syscall >> number >> fds >> count >> timeout && number == "7" && timeout != "0xffffffffffffffff";
}

bool ViewerSession::grabSettled(RgbImage& picture)
{
    if (!isIdle())
        return false;
    picture = grab();
    if (!isIdle())
        return false;
    const RgbImage again = grab();
    const bool same = again.bytes() == picture.bytes();
    picture = again;
    return same && isIdle();
}

int ViewerSession::watchCount()
{
    const std::string process = "/proc/" + std::to_string(viewer.pid());
    int watches = 0;
    std::error_code error;
    for (const auto& descriptor : std::filesystem::directory_iterator(process + "/fd", error)) {
        std::error_code unreadable;
        if (std::filesystem::read_symlink(descriptor.path(), unreadable).string() != "anon_inode:inotify")
            continue;
        std::ifstream info(process + "/fdinfo/" + descriptor.path().filename().string());
        std::string line;
        while (std::getline(info, line))
            watches += line.rfind("inotify wd:", 0) == 0 ? 1 : 0;
    }
    return watches;
}

bool ViewerSession::waitForExit(int timeoutMs)
{
    return viewer.waitForExit(timeoutMs);
}

bool ViewerSession::waitForStandardOutput(const std::string& text, int timeoutMs)
{
    return viewer.waitForOutput(text, timeoutMs);
}

bool ViewerSession::pollUntil(const std::function<bool()>& condition, int timeoutMs, int intervalMs)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        if (condition())
            return true;
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        viewer.running(); // keeps its pipes drained
        std::this_thread::sleep_for(std::chrono::milliseconds(intervalMs));
    }
}
