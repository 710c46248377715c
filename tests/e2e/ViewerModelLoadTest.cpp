#include "bench/AseGenerator.h"
#include "tests/e2e/ViewerSession.h"
#include "tests/e2e/QuitReference.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <string>

namespace fs = std::filesystem;

namespace {

using Clock = std::chrono::steady_clock;

// Big enough that compiling its display list takes about half a second on a
// software GL (its file is about 100 MB).
constexpr std::size_t kFaces = 400000;

double millisecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// Whether process `pid` holds `path` open.
bool holdsOpen(pid_t pid, const std::string& path)
{
    std::error_code failure;
    for (const fs::directory_entry& entry : fs::directory_iterator("/proc/" + std::to_string(pid) + "/fd", failure)) {
        std::error_code unreadable;
        if (fs::read_symlink(entry.path(), unreadable) == path)
            return true;
    }
    return false;
}

} // namespace

TEST(ViewerModelLoad, SigtermWhileALargeSymbolCompilesEndsAtOnce)
{
    ViewerSession session;
    ASSERT_TRUE(session.addFile("a file")) << session.error();
    const std::string symbol = ViewerSession::symbolDir() + "file.ASE";
    ASSERT_TRUE(AseGenerator::writeFile(symbol, kFaces)) << symbol;
    ASSERT_TRUE(session.start()) << session.error();

    // The reader holds the file open while it reads it; the compile follows at once.
    const Clock::time_point started = Clock::now();
    ASSERT_TRUE(session.pollUntil([&] { return holdsOpen(session.pid(), symbol); }, 30000, 1))
        << session.standardError();
    ASSERT_TRUE(session.pollUntil([&] { return !holdsOpen(session.pid(), symbol); }, 60000, 1))
        << session.standardError();
    const double readMs = millisecondsSince(started);

    QuitReference reference(session.pid());
    const Clock::time_point requested = Clock::now();
    ASSERT_TRUE(session.sendSignal(SIGTERM));
    reference.signal(SIGTERM);
    const bool ended = session.waitForExit(10000);
    const double elapsed = millisecondsSince(requested);
    fs::remove(symbol);
    ASSERT_TRUE(ended) << "still running 10 s after SIGTERM; stderr: " << session.standardError();
    const double limit = reference.limitMs();
    std::printf("[ figures  ] read in %.0f ms, exit %.0f ms after SIGTERM, limit %.0f ms\n", readMs, elapsed, limit);
    EXPECT_LT(elapsed, limit);
    EXPECT_EQ(session.exitCode(), 0) << session.standardError();
    // It ended inside the compile.
    EXPECT_EQ(session.standardOutput().find(" ... done"), std::string::npos) << session.standardOutput();
}
