#include "tests/e2e/LargeTree.h"

#include <fcntl.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <system_error>

namespace fs = std::filesystem;

std::string LargeTree::path()
{
    return LUMENFOLD_E2E_TREE;
}

bool LargeTree::make(std::string& error)
{
    // A marker written last tells a complete tree from one cut short.
    const fs::path root(path());
    const fs::path marker = root / ".complete";
    if (fs::exists(marker))
        return true;
    std::error_code failure;
    fs::remove_all(root, failure);
    for (int folder = 0; folder < kFolders; ++folder) {
        const fs::path dir = root / ("d" + std::to_string(folder));
        fs::create_directories(dir, failure);
        if (failure) {
            error = "cannot create " + dir.string() + ": " + failure.message();
            return false;
        }
        for (int file = 0; file < kFilesPerFolder; ++file) {
            const int fd = ::open((dir / ("f" + std::to_string(file))).c_str(), O_CREAT | O_WRONLY | O_CLOEXEC, 0644);
            if (fd < 0) {
                error = "cannot create a file in " + dir.string();
                return false;
            }
            ::close(fd);
        }
    }
    std::ofstream(marker) << "complete\n";
    return true;
}
