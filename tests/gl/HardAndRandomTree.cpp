#include "tests/gl/HardAndRandomTree.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <utility>
#include <vector>

namespace gltest {

namespace fs = std::filesystem;

// Every odd kind of entry at once, plus a random tree, below root.
void makeHardAndRandomTree(const std::string& root)
{
    const auto folder = [&](const std::string& relative) { fs::create_directories(root + "/" + relative); };
    const auto file = [&](const std::string& relative, const std::string& content = std::string()) {
        std::ofstream(root + "/" + relative, std::ios::binary) << content;
    };
    const auto link = [&](const std::string& target, const std::string& relative) {
        EXPECT_EQ(symlink(target.c_str(), (root + "/" + relative).c_str()), 0) << relative;
    };
    const bool asRoot = geteuid() == 0;
    auto restrict = [&](const std::string& relative, mode_t forOthers, mode_t forOwner) {
        chmod((root + "/" + relative).c_str(), asRoot ? forOthers : forOwner);
    };

    // Links: loops, an ancestor, a folder reached three ways, dangling, a self loop.
    folder("p");
    folder("q");
    for (int i = 0; i < 3; ++i) {
        link(root + "/q", "p/toQ" + std::to_string(i));
        link("../p", "q/toP" + std::to_string(i));
    }
    folder("a/b");
    file("a/b/leaf", "leaf");
    link(root + "/a", "a/b/up");
    link(root, "a/top");
    folder("real");
    file("real/one", "1");
    link(root + "/real", "alias1");
    link("real", "alias2");
    link(root + "/gone/away", "dangling");
    link("self", "self");
    // Permissions, FIFOs, a socket, odd names, a wide folder.
    folder("closed/inner");
    folder("unreadable/inner");
    folder("unsearchable/inner");
    file("locked", "abc");
    file("huge");
    ASSERT_EQ(truncate((root + "/huge").c_str(), (off_t{5} << 30) + 3), 0);
    ASSERT_EQ(::link((root + "/locked").c_str(), (root + "/a/b/lockedAgain").c_str()), 0);
    restrict("closed", 0700, 0);
    restrict("unreadable", 0711, 0100);
    restrict("unsearchable", 0744, 0400);
    chmod((root + "/locked").c_str(), 0444);
    ASSERT_EQ(mkfifo((root + "/fifo").c_str(), 0644), 0);
    ASSERT_EQ(chdir(root.c_str()), 0);
    const int sock = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strcpy(address.sun_path, "socket");
    ASSERT_EQ(bind(sock, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    close(sock);
    for (const std::string& name : {std::string("with space"), std::string("new\nline"), std::string("latin1-\xe9"),
                                    std::string("..."), std::string(".hidden"), std::string(255, 'n')})
        file(name, name);
    folder("wide");
    for (int i = 0; i < 3000; ++i)
        file("wide/" + std::to_string(i * 7919 % 10007), std::string(static_cast<std::size_t>(i % 7), 'w'));
    // A chain beyond the path limit: the one allowed difference.
    folder("chain");
    ASSERT_EQ(chdir((root + "/chain").c_str()), 0);
    for (int i = 0; i < PATH_MAX / 2 + 10; ++i)
        ASSERT_TRUE(mkdir("d", 0755) == 0 && chdir("d") == 0) << "level " << i;

    // The random tree: files, folders, links to folders, dangling links and
    // FIFOs under odd names, some folders closed or unreadable.
    std::mt19937 random(20261207);
    std::vector<std::string> folders{"random"};
    std::vector<std::pair<std::string, bool>> closedLater;
    folder("random");
    for (int i = 0; i < 600; ++i) {
        std::string name;
        for (std::size_t length = random() % 12; length > 0; --length) {
            const char byte = static_cast<char>(1 + random() % 255);
            if (byte != '/')
                name += byte;
        }
        name += "_" + std::to_string(i);
        const std::string at = folders[random() % folders.size()] + "/" + name;
        switch (random() % 10) {
        case 0:
        case 1:
        case 2:
        case 3:
            file(at, std::string(random() % 2000, 'r'));
            break;
        case 4:
        case 5:
            folder(at);
            folders.push_back(at);
            break;
        case 6:
            link(root + "/" + folders[random() % folders.size()], at);
            break;
        case 7:
            link(root + "/nowhere" + std::to_string(i), at);
            break;
        case 8:
            ASSERT_EQ(mkfifo((root + "/" + at).c_str(), 0644), 0);
            break;
        default:
            folder(at);
            closedLater.emplace_back(at, random() % 2 == 0);
            break;
        }
    }
    for (const auto& [at, unreadable] : closedLater)
        restrict(at, unreadable ? 0711 : 0700, unreadable ? 0100 : 0);
    ASSERT_EQ(chdir(root.c_str()), 0);
}

// What `check` reports, run in a child process that has given up root, so
// that closed folders stay closed; "" when it finds nothing wrong.
std::string reportAsUnprivileged(const std::function<std::string()>& check)
{
    int channel[2];
    if (pipe(channel) != 0)
        return "pipe failed";
    const pid_t pid = fork();
    if (pid == -1)
        return "fork failed";
    if (pid == 0) {
        close(channel[0]);
        std::string report;
        if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0))
            report = "could not drop to user 65534";
        else
            report = check();
        const ssize_t written = write(channel[1], report.data(), report.size());
        _exit(written == static_cast<ssize_t>(report.size()) ? 0 : 1); // no exit handlers: they belong to the parent
    }
    close(channel[1]);
    std::string report;
    char chunk[512];
    for (ssize_t got; (got = read(channel[0], chunk, sizeof chunk)) > 0;)
        report.append(chunk, static_cast<std::size_t>(got));
    close(channel[0]);
    int status = 0;
    if (waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        report += " (the checking process failed)";
    return report;
}

} // namespace gltest
