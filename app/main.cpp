#include "app/Application.h"
#include "app/CommandLine.h"
#include "app/ErrorStreamGuard.h"
#include "app/EventSource.h"
#include "app/ExploreApplication.h"
#include "app/ProgressLineGuard.h"
#include "app/QuitSignals.h"
#include "app/ScanProgressLine.h"
#include "app/StartupWatch.h"
#include "app/TerminalText.h"
#include "app/TreeExport.h"
#include "exchange/ExportWriter.h"
#include "explore/KeyHelp.h"
#include "model/Model.h"
#include "scene/SceneRoot.h"
#include "scene/TreeScan.h"
#include "text/FontFinder.h"

#include <SDL/SDL.h>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <iostream>
#include <new>
#include <string>
#include <system_error>
#include <vector>

// A test build shows the progress line at once, so that a small tree shows it.
#ifndef LUMENFOLD_PROGRESS_DELAY_MS
#define LUMENFOLD_PROGRESS_DELAY_MS 1000
#endif

namespace {

int usageError(const std::string& problem)
{
    std::fprintf(stderr, "lumenfold: %s\nTry 'lumenfold --help'.\n", problem.c_str());
    return 2;
}

// The folder holding this executable, without a trailing '/'; empty if unknown.
std::string executableFolder()
{
    std::vector<char> buffer(4096);
    for (;;) {
        const ssize_t length = readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (length < 0)
            return std::string();
        if (static_cast<std::size_t>(length) < buffer.size()) {
            const std::string path(buffer.data(), static_cast<std::size_t>(length));
            return path.substr(0, path.rfind('/'));
        }
        buffer.resize(buffer.size() * 2);
    }
}

// A build-time folder: an absolute one as it is, a relative one (an installed
// copy's) taken from the executable's folder. The executable's path has no
// links in it, so ".." can be folded away by text alone.
std::string buildTimeFolder(const char* folder)
{
    if (folder[0] == '/')
        return folder;
    const std::string base = executableFolder();
    if (base.empty())
        return folder;
    std::string resolved = (std::filesystem::path(base + "/" + folder)).lexically_normal().string();
    if (resolved.empty() || resolved.back() != '/')
        resolved += '/';
    return resolved;
}

std::string workingFolder()
{
    std::vector<char> buffer(4096);
    while (getcwd(buffer.data(), buffer.size()) == nullptr) {
        if (errno != ERANGE)
            return std::string();
        buffer.resize(buffer.size() * 2);
    }
    return buffer.data();
}

// The folder argument as the scan opens it: as given (relative to the working
// folder or absolute), ending with '/', a link kept as given. Opening it
// relative to the working folder, rather than through a path built from it,
// keeps it reachable however long the working folder's path is. False with
// the reason when it names no folder or one that cannot be listed.
bool folderToShow(const std::string& argument, std::string& folder, std::string& problem)
{
    const std::string shown = TerminalText::escaped(argument);
    struct stat status {};
    if (stat(argument.c_str(), &status) != 0) {
        problem = "cannot open '" + shown + "': " + std::strerror(errno);
        return false;
    }
    if (!S_ISDIR(status.st_mode)) {
        problem = "'" + shown + "' is not a folder";
        return false;
    }
    // "/." needs search permission, O_RDONLY read permission: what listing
    // the folder and describing its entries take.
    const int fd = open((argument + "/.").c_str(), O_RDONLY | O_DIRECTORY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        problem = "cannot read '" + shown + "': " + std::strerror(errno);
        return false;
    }
    close(fd);
    folder = argument;
    if (folder.back() != '/')
        folder += '/';
    return true;
}

// The folder as the progress line names it: absolute when the working
// folder's path can be had.
std::string absoluteName(const std::string& folder)
{
    if (folder[0] == '/')
        return folder;
    const std::string base = workingFolder();
    return base.empty() ? folder : base + (base.back() == '/' ? "" : "/") + folder;
}

void printHelp(const std::string& sceneRoot, const std::string& symbolDir)
{
    std::printf("Usage: lumenfold [FOLDER]\n"
                "       lumenfold --explore [--map] [--verbose] [-x] [--font FILE] [--text-scale N] [FOLDER]\n"
                "       lumenfold --export FILE [-x] FOLDER\n"
                "       lumenfold --import FILE [--verbose] [--font FILE]\n"
                "       lumenfold --help | --version\n"
                "\n"
                "Scans FOLDER and everything below it, then shows the entries of FOLDER as\n"
                "3D symbols standing in a row, to walk past in first person. Without FOLDER\n"
                "it shows %s\n"
                "\n"
                "Keys: Up/Down walk, Left/Right turn, B looks back, dragging with the left\n"
                "mouse button turns and tips the view, F1 toggles full screen, Escape quits.\n"
                "\n"
                "The explore view opens with the row's first entries across the window and\n"
                "moves in time: Up/Down walk 6 units a second, with Shift held 4 times as\n"
                "fast, Left/Right turn 90 degrees a second, Home brings back the start view.\n"
                "It draws only when something changes, and keeps walking while the pointer\n"
                "is outside the window. Its entries stand sorted by name, folders first.\n"
                "Names hang below the symbols, read top to bottom; the status line at the\n"
                "bottom tells of the selected entry: name, kind, size, what a folder holds,\n"
                "modification time. A symbol's height grows with the logarithm of its size:\n"
                "1 + 2 log10(1 + bytes) / 11 times. It shows FOLDER as soon as FOLDER is\n"
                "listed and scans the rest while you look: the status line counts the\n"
                "entries until the scan ends, and a folder you enter is listed at once.\n"
                "The selected entry is the one under the pointer, or with the pointer\n"
                "outside the window the one nearest the middle of the view.\n"
                "\n"
                "The explore view opens at two thirds of the screen each way (at least\n"
                "800 x 600), its text scaled by the X server's Xft.dpi over 96. While the\n"
                "scan of a whole file system runs (FOLDER its root, with -x or nothing else\n"
                "mounted below), the status line shows a bar and a percentage too.\n"
                "Types come from the file names through the system's shared MIME\n"
                "database; the find field takes type:image, type:text and so on.\n"
                "The map (m, or --map) shows the shown folder's whole subtree: each\n"
                "folder a platform shared among its entries by size. There Enter flies\n"
                "into the folder under the pointer, Page Up and Page Down rise and sink,\n"
                "and find matches names anywhere below the shown folder.\n"
                "\n"
                "Explore keys:\n"
                "%s"
                "\n"
                "Options:\n"
                "  -e, --explore  show the explore view\n"
                "  --map          show the explore view, starting with the map\n"
                "  -v, --verbose  in the explore view, print the symbol loading and\n"
                "                 frame-rate lines too\n"
                "  -x, --one-file-system\n"
                "                 do not enter folders on other file systems than FOLDER's;\n"
                "                 best for / and /proc, whose links lead all over the system\n"
                "  --font FILE    the font of the explore view's text\n"
                "  --export FILE  scan FOLDER and write its tree to FILE ('-': standard output)\n"
                "                 in the JSON export format of the terminal disk-usage tools\n"
                "                 (read back with 'ncdu -f FILE' or 'gdu -f FILE'), no window\n"
                "  --text-scale N the explore view's text N times its size (0.5 to 4);\n"
                "                 by default the X server's Xft.dpi over 96\n"
                "  -f, --import FILE\n"
                "                 show the tree of an export file of the terminal disk-usage\n"
                "                 tools in the explore view instead of scanning ('-': standard\n"
                "                 input; gzip or zstd compressed too); o opens an entry only\n"
                "                 when the tree's top folder is the same folder on this machine\n"
                "  -h, --help     show this text and exit\n"
                "  --version      show the version and exit\n"
                "  --             end of options (for a folder whose name begins with '-')\n"
                "\n"
                "Exit status: 0 when the window is closed or Escape is pressed, 1 when the\n"
                "window or a symbol model cannot be opened, 2 on a wrong command line.\n"
                "--export exits 0 when the file is written, 1 when writing it fails.\n"
                "--import exits 2 when nothing of its file can be read.\n"
                "\n"
                "Symbol models: %sfolder.ASE and file.ASE\n",
                TerminalText::escaped(sceneRoot).c_str(), KeyHelp::text("  ").c_str(),
                TerminalText::escaped(symbolDir).c_str());
}

// A test build may force a frame cap through the environment, to show that
// the explore view's motion does not depend on the frame rate.
int frameCapForTests()
{
#ifdef LUMENFOLD_FRAME_CAP_VARIABLE
    const char* value = std::getenv(LUMENFOLD_FRAME_CAP_VARIABLE);
    return value != nullptr ? std::atoi(value) : 0;
#else
    return 0;
#endif
}

// A test build may hold the event loop back through the environment, for so
// many milliseconds after saying so on standard output, so that a key sent
// then reaches the moment start-up hands its events over.
#ifdef LUMENFOLD_LOOP_DELAY_VARIABLE
void holdLoopBackForTests()
{
    const char* value = std::getenv(LUMENFOLD_LOOP_DELAY_VARIABLE);
    const int delayMs = value != nullptr ? std::atoi(value) : 0;
    if (delayMs <= 0)
        return;
    std::printf("Holding the event loop back for %d ms\n", delayMs);
    std::fflush(stdout);
    SDL_Delay(static_cast<std::uint32_t>(delayMs));
}
#endif

ExploreOptions exploreOptions(const CommandLine& commandLine, const std::string& folder)
{
    ExploreOptions options;
    options.folder = folder;
    options.oneFileSystem = commandLine.oneFileSystem();
    options.verbose = commandLine.verbose();
    options.fontFile = commandLine.fontFile();
    options.map = commandLine.map();
    options.frameCap = frameCapForTests();
    options.textScale = commandLine.textScale();
    options.importFile = commandLine.importFile();
    return options;
}

int terminalColumns(int fd)
{
    winsize size{};
    if (ioctl(fd, TIOCGWINSZ, &size) != 0 || size.ws_col == 0)
        return 80;
    return size.ws_col;
}

// The scan's progress line, when standard error is a terminal; otherwise null.
// It lives until the process ends, and every way out erases it first: other
// text on standard error or output, a quit signal, the exit.
ScanProgressLine* progressLineFor(const std::string& folder)
{
    if (isatty(STDERR_FILENO) == 0)
        return nullptr;
    auto* line
        = new ScanProgressLine(absoluteName(folder), stderr, std::chrono::milliseconds(LUMENFOLD_PROGRESS_DELAY_MS),
                               terminalColumns(STDERR_FILENO));
    if (isatty(STDOUT_FILENO) != 0)
        std::cout.rdbuf(new ProgressLineGuard(std::cout.rdbuf(), *line));
    ErrorStreamGuard::install(*line);
    QuitSignals::setProgressLine(line);
    return line;
}

// --export: scans the folder as the start-up scan does, without icons, and
// writes its tree; no window opens. The file is made before the scan, so a
// name that cannot be written is told at once.
int exportTree(const CommandLine& commandLine)
{
    std::string folder;
    std::string problem;
    if (!folderToShow(commandLine.folder(), folder, problem))
        return usageError(problem);
    const std::string& file = commandLine.exportFile();
    const bool toOutput = file == "-";
    const int fd = toOutput ? STDOUT_FILENO : open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0)
        return usageError("cannot write '" + TerminalText::escaped(file) + "': " + std::strerror(errno));

    ScanProgressLine* progressLine = progressLineFor(folder);
    std::vector<SharedFileName> sharedFiles;
    ScanOptions options;
    options.makeIcons = false;
    options.oneFileSystem = commandLine.oneFileSystem();
    options.sharedFiles = &sharedFiles;
    FsNode top(FsNode::Deferred{}, folder);
    TreeScan(top, options, progressLine).run();
    if (progressLine != nullptr)
        progressLine->finished();

    ExportMetadata metadata;
    metadata.programName = "lumenfold";
    metadata.programVersion = LUMENFOLD_VERSION;
    metadata.hasTimestamp = true;
    metadata.timestamp = static_cast<std::int64_t>(std::time(nullptr));
    std::string topName = absoluteName(folder);
    while (topName.size() > 1 && topName.back() == '/')
        topName.pop_back();
    ExportWriter writer(fd, metadata);
    TreeExport(top, sharedFiles, topName).write(writer);
    const bool written = writer.finish();
    const int closed = toOutput ? 0 : close(fd);
    if (!written || closed != 0) {
        const std::string reason = written ? std::strerror(errno) : writer.problem();
        std::fprintf(stderr, "lumenfold: cannot write '%s': %s\n", TerminalText::escaped(file).c_str(), reason.c_str());
        return 1;
    }
    return 0;
}

int run(int argc, char** argv)
{
    QuitSignals::install();
#ifdef LUMENFOLD_LOOP_DELAY_VARIABLE
    EventSource::setBeforeLoop(holdLoopBackForTests);
#endif
    // Line by line, so that a quit during start-up, which ends the process
    // without flushing, loses no line already printed.
    std::setvbuf(stdout, nullptr, _IOLBF, BUFSIZ);
    const CommandLine commandLine(std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc));
    const std::string sceneRoot = buildTimeFolder(kSceneRoot);
    const std::string symbolDir = buildTimeFolder(kSymbolDir);

    switch (commandLine.action()) {
    case CommandLine::Action::UsageError:
        return usageError(commandLine.problem());
    case CommandLine::Action::ShowHelp:
        printHelp(sceneRoot, symbolDir);
        return 0;
    case CommandLine::Action::ShowVersion:
        std::printf("lumenfold %s\n", LUMENFOLD_VERSION);
        return 0;
    case CommandLine::Action::Export:
        return exportTree(commandLine);
    case CommandLine::Action::ShowScene:
        break;
    }

    // A font given with --font is part of the command line: checked before any window opens.
    if (!commandLine.fontFile().empty()) {
        const std::string reason = FontFinder::whyUnusable(commandLine.fontFile());
        if (!reason.empty())
            return usageError("cannot use font '" + TerminalText::escaped(commandLine.fontFile()) + "': " + reason);
    }

    std::string folder = sceneRoot;
    if (commandLine.hasFolder()) {
        std::string problem;
        if (!folderToShow(commandLine.folder(), folder, problem))
            return usageError(problem);
    }
    SceneRoot::setFolder(folder);
    SceneRoot::setOneFileSystem(commandLine.oneFileSystem());
    Model::setSymbolDir(symbolDir);

    // The listeners live until the process ends: the scan runs inside the
    // Application, and the standard output stream is flushed at exit.
    ScanProgressLine* progressLine = commandLine.importFile().empty() ? progressLineFor(folder) : nullptr;

    // Only the X11 video driver gives an OpenGL context. Without this default,
    // SDL would fall back to a text-mode driver when no display is reachable,
    // take over the terminal and only then fail to set the GL mode.
    setenv("SDL_VIDEODRIVER", "x11", 0);
    std::atexit(SDL_Quit);
    // The scan and the symbol loads report to these, so a quit is answered
    // before the event loop runs; the scan's reports go on to the progress line.
    static StartupWatch scanWatch(progressLine);
    static StartupWatch loadWatch;
    SceneRoot::setProgressListener(&scanWatch);
    Model::setProgressListener(&loadWatch);
    if (!commandLine.explore()) {
        new Application();
        return 0; // not reached: the application ends the process itself
    }
    // The explore view keeps the console quiet: a stream in a failed state
    // drops what the symbol loads write to it. Errors go to stderr as ever.
    if (!commandLine.verbose())
        std::cout.setstate(std::ios_base::badbit);
    new ExploreApplication(exploreOptions(commandLine, folder));
    return 0; // not reached: the application ends the process itself
}

} // namespace

int main(int argc, char** argv)
{
    // Out of memory anywhere on this thread, the tree's nodes or a thread's
    // stack: one line and a failure, not an abort. (The explore view's scan
    // stops by itself and leaves the window with what it listed.)
    try {
        return run(argc, argv);
    } catch (const std::bad_alloc&) {
        std::fputs("lumenfold: out of memory\n", stderr);
    } catch (const std::system_error& error) {
        if (error.code() != std::errc::resource_unavailable_try_again)
            throw;
        std::fputs("lumenfold: out of memory: cannot start a thread\n", stderr);
    }
    // Nothing is torn down: that could need memory too.
    std::fflush(nullptr);
    std::_Exit(1);
}
