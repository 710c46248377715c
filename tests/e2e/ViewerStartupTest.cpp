#include "tests/e2e/AxisReading.h"
#include "tests/e2e/LargeTree.h"
#include "tests/e2e/QuitReference.h"
#include "tests/e2e/ViewerSession.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <chrono>
#include <cstddef>
#include <cstring>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <ostream>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

namespace fs = std::filesystem;

namespace {

using Clock = std::chrono::steady_clock;

double millisecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// The lines a terminal shows after `text`: a carriage return goes back to the
// line's start, "\033[K" clears to its end, a line feed starts the next line.
std::vector<std::string> terminalLines(const std::string& text)
{
    std::vector<std::string> lines(1);
    std::size_t column = 0;
    for (std::size_t at = 0; at < text.size(); ++at) {
        std::string& line = lines.back();
        if (text[at] == '\r') {
            column = 0;
        } else if (text[at] == '\n') {
            lines.emplace_back();
            column = 0;
        } else if (text.compare(at, 3, "\033[K") == 0) {
            line.resize(std::min(line.size(), column));
            at += 2;
        } else {
            if (column < line.size())
                line[column] = text[at];
            else
                line += text[at];
            ++column;
        }
    }
    return lines;
}

// ---- symbol files that are no regular files ----

enum class NotAFile { Fifo, Folder, LinkToDevice };

struct SymbolCase {
    NotAFile kind;
    const char* reason;
};

// Names the case in the test's name.
void PrintTo(const SymbolCase& symbolCase, std::ostream* out)
{
    *out << symbolCase.reason;
}

class SymbolFileTest : public testing::TestWithParam<SymbolCase> {};

TEST_P(SymbolFileTest, EndsWithinASecondWithExitCodeOneAndTheReasonAndNeverOpensIt)
{
    ViewerSession session;
    const std::string path = ViewerSession::symbolDir() + "folder.ASE";
    ASSERT_TRUE(fs::remove(path));
    switch (GetParam().kind) {
    case NotAFile::Fifo:
        ASSERT_EQ(mkfifo(path.c_str(), 0644), 0);
        break;
    case NotAFile::Folder:
        ASSERT_TRUE(fs::create_directory(path));
        break;
    case NotAFile::LinkToDevice:
        fs::create_symlink("/dev/zero", path);
        break;
    }

    ASSERT_TRUE(session.start()) << session.error();
    const Clock::time_point started = Clock::now();
    // A writer that opens a FIFO without blocking finds a reader only while
    // someone has it open (or waits in open for a writer).
    bool fifoOpened = false;
    const bool ended = session.pollUntil(
        [&] {
            if (GetParam().kind == NotAFile::Fifo) {
                const int fd = ::open(path.c_str(), O_WRONLY | O_NONBLOCK);
                if (fd >= 0) {
                    fifoOpened = true;
                    ::close(fd);
                } else {
                    EXPECT_EQ(errno, ENXIO);
                }
            }
            return !session.isRunning();
        },
        1000, 1);
    const double elapsed = millisecondsSince(started);
    std::printf("[ figures  ] exit %.0f ms after the start\n", elapsed);
    ASSERT_TRUE(ended) << "still running a second after the start";
    EXPECT_FALSE(fifoOpened);
    EXPECT_EQ(session.exitCode(), 1);
    EXPECT_EQ(session.standardError(), "Could not open symbol model: " + path + ": " + GetParam().reason + "\n");
    EXPECT_EQ(session.standardOutput(), "");
}

// The scan's progress line shows at once in the test viewer; the message must
// not be glued to it, and nothing of it may stay.
TEST(SymbolFileOnATerminal, TheFailureLineStartsOnAClearedLineAndNothingElseStays)
{
    ViewerSession session;
    ASSERT_TRUE(fs::remove(ViewerSession::symbolDir() + "file.ASE"));
    for (int i = 0; i < 300; ++i)
        ASSERT_TRUE(session.addFile("entry" + std::to_string(i))) << session.error();
    session.setStandardErrorOnTerminal(true);
    ASSERT_TRUE(session.start()) << session.error();
    ASSERT_TRUE(session.waitForExit(10000));
    EXPECT_EQ(session.exitCode(), 1);
    ASSERT_NE(session.standardError().find("Scanning "), std::string::npos) << "no progress line to erase";
    const std::vector<std::string> expected
        = {"Could not open symbol model: " + ViewerSession::symbolDir() + "file.ASE: No such file or directory", ""};
    EXPECT_EQ(terminalLines(session.standardError()), expected) << session.standardError();
}

INSTANTIATE_TEST_SUITE_P(Symbol, SymbolFileTest,
                         testing::Values(SymbolCase{NotAFile::Fifo, "not a regular file"},
                                         SymbolCase{NotAFile::Folder, "Is a directory"},
                                         SymbolCase{NotAFile::LinkToDevice, "not a regular file"}),
                         [](const testing::TestParamInfo<SymbolCase>& test) {
                             switch (test.param.kind) {
                             case NotAFile::Fifo:
                                 return "Fifo";
                             case NotAFile::Folder:
                                 return "Folder";
                             case NotAFile::LinkToDevice:
                                 return "LinkToDevZero";
                             }
                             return "";
                         });

// ---- a quit during a long scan ----

enum class QuitRequest { Sigterm, Sigint, CloseButton, Escape };

// The signal the reference process gets beside a quit asked for this way.
int referenceSignal(QuitRequest request)
{
    return request == QuitRequest::Sigint ? SIGINT : SIGTERM;
}

// The quit's limit, with the X server's round trips for a request that passes it.
double quitLimitMs(QuitRequest request, ViewerSession& session, QuitReference& reference)
{
    const bool throughX = request == QuitRequest::CloseButton || request == QuitRequest::Escape;
    return reference.limitMs(throughX ? QuitReference::roundTripsMs(*session.x()) : 0.0);
}

void PrintTo(QuitRequest request, std::ostream* out)
{
    const char* names[] = {"SIGTERM", "SIGINT", "close button", "Escape"};
    *out << names[static_cast<int>(request)];
}

class StartupQuitTest : public testing::TestWithParam<QuitRequest> {};

TEST_P(StartupQuitTest, OneSecondIntoALongScanEndsAtOnceWithExitCodeZero)
{
    std::string error;
    ASSERT_TRUE(LargeTree::make(error)) << error;
    ViewerSession session;
    fs::create_directory_symlink(LargeTree::path(), ViewerSession::sceneRoot() + "large");
    ASSERT_TRUE(session.start()) << session.error();
    // The window opens just before the scan starts.
    ASSERT_TRUE(session.waitForWindow()) << session.error();
    // For a second the pointer wanders over the window as a quick hand would
    // move it: more motion events than SDL's queue holds, which must not crowd
    // out the request.
    const Clock::time_point scanning = Clock::now();
    for (int sweep = 0; millisecondsSince(scanning) < 1000.0; ++sweep) {
        ASSERT_TRUE(session.movePointer(100, 300, 300, 300 + sweep % 100, false)) << session.x()->error();
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
    }
    ASSERT_TRUE(session.isRunning()) << session.standardError();

    QuitReference reference(session.pid());
    const Clock::time_point requested = Clock::now();
    switch (GetParam()) {
    case QuitRequest::Sigterm:
        ASSERT_TRUE(session.sendSignal(SIGTERM));
        break;
    case QuitRequest::Sigint:
        ASSERT_TRUE(session.sendSignal(SIGINT));
        break;
    case QuitRequest::CloseButton:
        ASSERT_TRUE(session.closeWindow()) << session.x()->error();
        break;
    case QuitRequest::Escape:
        ASSERT_TRUE(session.tapKey("Escape")) << session.x()->error();
        break;
    }
    reference.signal(referenceSignal(GetParam()));
    const bool ended = session.waitForExit(10000);
    const double elapsed = millisecondsSince(requested);
    ASSERT_TRUE(ended) << "still running 10 s after the request; stderr: " << session.standardError();
    const double limit = quitLimitMs(GetParam(), session, reference);
    std::printf("[ figures  ] exit %.0f ms after the request, limit %.0f ms\n", elapsed, limit);
    EXPECT_LT(elapsed, limit);
    EXPECT_EQ(session.exitCode(), 0) << session.standardError();
    // Still scanning when it ended: the frame loop never reported.
    EXPECT_EQ(session.standardOutput().find(" FPS"), std::string::npos) << session.standardOutput();
}

INSTANTIATE_TEST_SUITE_P(Startup, StartupQuitTest,
                         testing::Values(QuitRequest::Sigterm, QuitRequest::Sigint, QuitRequest::CloseButton,
                                         QuitRequest::Escape),
                         [](const testing::TestParamInfo<QuitRequest>& test) {
                             switch (test.param) {
                             case QuitRequest::Sigterm:
                                 return "Sigterm";
                             case QuitRequest::Sigint:
                                 return "Sigint";
                             case QuitRequest::CloseButton:
                                 return "CloseButton";
                             case QuitRequest::Escape:
                                 return "Escape";
                             }
                             return "";
                         });

// Wheel notches and clicks over the window during a long scan, more than SDL's
// queue holds, then a request to quit: it is answered at once, and the
// progress line is gone from the terminal.
class FloodedQuitTest : public testing::TestWithParam<QuitRequest> {};

// The scan's time on the last progress line in `terminal` ("Scanning …: N
// entries, 1.2 s"), in tenths of a second; -1 before the first line.
int lastProgressTenths(const std::string& terminal)
{
    const std::size_t line = terminal.rfind("Scanning ");
    const std::size_t figure = line == std::string::npos ? line : terminal.find(" entries, ", line);
    int whole = 0;
    int tenth = 0;
    if (figure == std::string::npos || std::sscanf(terminal.c_str() + figure + 10, "%d.%1d", &whole, &tenth) != 2)
        return -1;
    return whole * 10 + tenth;
}

TEST_P(FloodedQuitTest, AfterAFloodOfClicksDuringTheScanEndsAtOnceAndLeavesTheTerminalClean)
{
    std::string error;
    ASSERT_TRUE(LargeTree::make(error)) << error;
    ViewerSession session;
    fs::create_directory_symlink(LargeTree::path(), ViewerSession::sceneRoot() + "large");
    session.setStandardErrorOnTerminal(true);
    const Clock::time_point launched = Clock::now();
    ASSERT_TRUE(session.start()) << session.error();
    ASSERT_TRUE(session.waitForWindow()) << session.error();
    ASSERT_TRUE(
        session.pollUntil([&] { return session.standardError().find("Scanning ") != std::string::npos; }, 10000))
        << "no progress line: " << session.standardError();
    ASSERT_TRUE(session.click(5, 70)) << session.x()->error();
    ASSERT_TRUE(session.click(1, 30)) << session.x()->error();
    // The flood went through the server before the clicks returned; the
    // viewer reads it between pieces of the scan, at least once every
    // StartupWatch::kCheckIntervalMs. Its scan's clock started after the
    // launch, so a progress line that reads 0.2 s past the clicks' time since
    // the launch was written after such a pump was due, and the next line
    // after the pump had been made.
    const int floodedTenths = static_cast<int>(millisecondsSince(launched) / 100.0) + 2;
    int pastFlood = -1;
    ASSERT_TRUE(session.pollUntil(
        [&] {
            const int tenths = lastProgressTenths(session.standardError());
            if (pastFlood < 0 && tenths >= floodedTenths)
                pastFlood = tenths;
            return pastFlood >= 0 && tenths > pastFlood;
        },
        10000))
        << "the progress line stopped: " << session.standardError();
    ASSERT_TRUE(session.isRunning()) << session.standardError();

    QuitReference reference(session.pid());
    const Clock::time_point requested = Clock::now();
    switch (GetParam()) {
    case QuitRequest::Sigterm:
        ASSERT_TRUE(session.sendSignal(SIGTERM));
        break;
    case QuitRequest::Sigint:
        ASSERT_TRUE(session.sendSignal(SIGINT));
        break;
    case QuitRequest::CloseButton:
        ASSERT_TRUE(session.closeWindow()) << session.x()->error();
        break;
    case QuitRequest::Escape:
        ASSERT_TRUE(session.tapKey("Escape")) << session.x()->error();
        break;
    }
    reference.signal(referenceSignal(GetParam()));
    const bool ended = session.waitForExit(5000);
    const double elapsed = millisecondsSince(requested);
    ASSERT_TRUE(ended) << "the request was lost";
    const double limit = quitLimitMs(GetParam(), session, reference);
    std::printf("[ figures  ] exit %.0f ms after the request, limit %.0f ms\n", elapsed, limit);
    EXPECT_LT(elapsed, limit);
    EXPECT_EQ(session.exitCode(), 0);
    ASSERT_NE(session.standardError().find("Scanning "), std::string::npos) << "no progress line to erase";
    EXPECT_EQ(terminalLines(session.standardError()).back(), "") << session.standardError();
}

std::string floodedQuitName(const testing::TestParamInfo<QuitRequest>& info)
{
    const char* names[] = {"Sigterm", "Sigint", "CloseButton", "Escape"};
    return names[static_cast<int>(info.param)];
}

INSTANTIATE_TEST_SUITE_P(Startup, FloodedQuitTest,
                         testing::Values(QuitRequest::Sigterm, QuitRequest::Sigint, QuitRequest::CloseButton,
                                         QuitRequest::Escape),
                         floodedQuitName);

// Left pressed after the flood, as soon as the window shows (while it opens or
// during the scan), is kept: held, it turns the view once the loop runs, so the
// vertical axis leaves the window's middle.
TEST(StartupEvents, AKeyPressedAfterAFloodOfClicksDuringTheScanActsOnceTheRowShows)
{
    std::string error;
    ASSERT_TRUE(LargeTree::make(error)) << error;
    ViewerSession session;
    fs::create_directory_symlink(LargeTree::path(), ViewerSession::sceneRoot() + "large");
    ASSERT_TRUE(session.start()) << session.error();
    ASSERT_TRUE(session.waitForWindow()) << session.error();
    ASSERT_TRUE(session.click(5, 70)) << session.x()->error();
    ASSERT_TRUE(session.press("Left"));
    const bool turned = session.pollUntil(
        [&] { return AxisReading::verticalAxisColumn(session, 100) > 410.0f || !session.isRunning(); }, 20000, 5);
    ASSERT_TRUE(session.release("Left"));
    EXPECT_TRUE(turned && session.isRunning()) << "the key was lost; stderr: " << session.standardError();
}

// Escape sent while the event loop is held back, before start-up hands its
// events over, ends either view once the loop runs.
TEST(StartupEvents, EscapePressedAsTheWindowAppearsEndsEitherViewOnceTheLoopRuns)
{
    for (const bool explore : {false, true}) {
        const std::string view = explore ? "the explore view" : "the plain view";
        ViewerSession session;
        ASSERT_TRUE(session.addFolder("docs"));
        session.setEnvironment("LUMENFOLD_LOOP_DELAY_MS", "1000");
        if (explore)
            session.setArguments({"--explore"});
        ASSERT_TRUE(session.start()) << session.error();
        ASSERT_TRUE(session.waitForWindow()) << session.error();
        ASSERT_TRUE(session.waitForStandardOutput("Holding the event loop back", 20000))
            << view << ": " << session.standardOutput();
        ASSERT_TRUE(session.tapKey("Escape"));
        ASSERT_TRUE(session.waitForExit(10000)) << view << ": Escape was lost";
        EXPECT_EQ(session.exitCode(), 0) << view << ": " << session.standardError();
    }
}

// ---- a quit before the window ----

// A signal that came before main ran (held back until the viewer unblocks it)
// ends the viewer with exit code 0 before anything else happens. A shell with
// the signal blocked sends it to itself and then becomes the viewer, so it is
// pending as the viewer starts however the machine schedules the two.
TEST(EarlyQuit, ASigtermPendingAtTheStartEndsWithExitCodeZeroTwentyTimesInTwenty)
{
    for (int run = 0; run < 20; ++run) {
        ChildProcess viewer;
        ChildOptions options;
        options.unsetEnvironment.push_back("DISPLAY");
        options.blockedSignals = {SIGTERM};
        ASSERT_TRUE(viewer.start({"sh", "-c", "kill -TERM $$ && exec \"$0\"", ViewerSession::e2eViewerPath()}, options))
            << viewer.error();
        ASSERT_TRUE(viewer.waitForExit(5000)) << "run " << run;
        EXPECT_EQ(viewer.exitCode(), 0) << "run " << run << ": " << viewer.standardError();
        EXPECT_EQ(viewer.standardError(), "") << "run " << run;
    }
}

// An X server that takes the connection and never answers: the viewer waits
// in a read that does not return, and a signal still ends it.
TEST(EarlyQuit, ASignalEndsTheViewerWhileItWaitsInASystemCallThatDoesNotReturn)
{
    for (int signalNumber : {SIGTERM, SIGINT}) {
        // An abstract socket where the X library looks first for display :N.
        const int server = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        ASSERT_GE(server, 0);
        const int display = 2000 + getpid() % 5000;
        const std::string name = "/tmp/.X11-unix/X" + std::to_string(display);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::copy(name.begin(), name.end(), address.sun_path + 1);
        const auto length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + name.size());
        ASSERT_EQ(bind(server, reinterpret_cast<sockaddr*>(&address), length), 0) << std::strerror(errno);
        ASSERT_EQ(listen(server, 4), 0);

        ChildProcess viewer;
        ChildOptions options;
        options.setEnvironment["DISPLAY"] = ":" + std::to_string(display);
        ASSERT_TRUE(viewer.start({ViewerSession::e2eViewerPath()}, options)) << viewer.error();
        pollfd waiting{server, POLLIN, 0};
        ASSERT_EQ(poll(&waiting, 1, 10000), 1) << "the viewer never connected";
        const int connection = accept(server, nullptr, nullptr);
        ASSERT_GE(connection, 0) << std::strerror(errno);
        // The client's greeting begins with 12 bytes (byte order, protocol
        // version, lengths of its authorisation); once they came it waits.
        std::size_t greeted = 0;
        char greeting[12];
        while (greeted < sizeof greeting) {
            pollfd reading{connection, POLLIN, 0};
            ASSERT_EQ(poll(&reading, 1, 10000), 1) << "no greeting from the viewer";
            const ssize_t got = read(connection, greeting + greeted, sizeof greeting - greeted);
            ASSERT_GT(got, 0) << "the viewer closed the connection";
            greeted += static_cast<std::size_t>(got);
        }
        ASSERT_TRUE(viewer.running()) << viewer.standardError();

        QuitReference reference(viewer.pid());
        const Clock::time_point requested = Clock::now();
        ASSERT_TRUE(viewer.sendSignal(signalNumber));
        reference.signal(signalNumber);
        const bool ended = viewer.waitForExit(5000);
        const double elapsed = millisecondsSince(requested);
        close(connection);
        close(server);
        ASSERT_TRUE(ended);
        const double limit = reference.limitMs();
        std::printf("[ figures  ] exit %.0f ms after signal %d, limit %.0f ms\n", elapsed, signalNumber, limit);
        EXPECT_LT(elapsed, limit);
        EXPECT_EQ(viewer.exitCode(), 0) << viewer.standardError();
    }
}

// ---- a quit while a folder of links to itself is checked ----

constexpr int kSelfLinks = 600000;

// A folder of links to itself, beside the large tree and removed with it. Its
// listing reports as it goes; then each link is opened and found expanded
// already, which the scan must report as well.
bool selfLinkFolder(std::string& error)
{
    const fs::path root(std::string(LUMENFOLD_E2E_TREE) + "-links");
    const fs::path marker = root / ".complete";
    if (fs::exists(marker))
        return true;
    std::error_code failure;
    fs::remove_all(root, failure);
    fs::create_directories(root, failure);
    if (failure) {
        error = "cannot create " + root.string() + ": " + failure.message();
        return false;
    }
    for (int i = 0; i < kSelfLinks; ++i) {
        if (symlink(".", (root / ("l" + std::to_string(i))).c_str()) != 0) {
            error = "cannot create a link in " + root.string() + ": " + std::strerror(errno);
            return false;
        }
    }
    std::ofstream(marker) << "complete\n";
    return true;
}

// The close button rather than a signal: a signal during start-up ends the
// process from its handler, while the close button is seen only when the scan
// reports.
TEST(StartupQuitDuringLinks, ClosingWhileAFolderOfLinksToItselfIsCheckedEndsAtOnceWithExitCodeZero)
{
    std::string error;
    ASSERT_TRUE(selfLinkFolder(error)) << error;
    ViewerSession session;
    fs::create_directory_symlink(std::string(LUMENFOLD_E2E_TREE) + "-links", ViewerSession::sceneRoot() + "links");
    // The progress line tells when the listing is over: the link, the marker
    // and every link in the folder.
    session.setStandardErrorOnTerminal(true);
    ASSERT_TRUE(session.start()) << session.error();
    ASSERT_TRUE(session.waitForWindow()) << session.error();
    const std::string listed = ": " + std::to_string(kSelfLinks + 2) + " entries";
    ASSERT_TRUE(session.pollUntil([&] { return session.standardError().find(listed) != std::string::npos; }, 20000, 5))
        << "the scan never reported while it checked the links; stderr: " << session.standardError();
    ASSERT_TRUE(session.isRunning());

    QuitReference reference(session.pid());
    const Clock::time_point requested = Clock::now();
    ASSERT_TRUE(session.closeWindow()) << session.x()->error();
    reference.signal(SIGTERM);
    const bool ended = session.waitForExit(10000);
    const double elapsed = millisecondsSince(requested);
    ASSERT_TRUE(ended) << "still running 10 s after the request";
    const double limit = quitLimitMs(QuitRequest::CloseButton, session, reference);
    std::printf("[ figures  ] exit %.0f ms after the request, limit %.0f ms\n", elapsed, limit);
    EXPECT_LT(elapsed, limit);
    EXPECT_EQ(session.exitCode(), 0);
    EXPECT_EQ(session.standardOutput().find(" FPS"), std::string::npos) << session.standardOutput();
}

} // namespace
