#include "app/PictureSaver.h"

#include "picture/PngWriter.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include <fstream>
#include <sstream>

namespace {

bool isFolder(const std::string& path)
{
    struct stat status;
    return !path.empty() && stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

std::string withSlash(std::string path)
{
    if (!path.empty() && path.back() != '/')
        path += '/';
    return path;
}

// The value between the quotes of `XDG_PICTURES_DIR="..."`, its backslash
// escapes undone; false when the line is not quoted as the file's writer does.
bool quotedValue(const std::string& text, std::string& value)
{
    if (text.size() < 2 || text.front() != '"')
        return false;
    value.clear();
    for (std::size_t i = 1; i < text.size(); ++i) {
        if (text[i] == '"')
            return true;
        if (text[i] == '\\' && i + 1 < text.size())
            ++i;
        value += text[i];
    }
    return false;
}

} // namespace

std::string PictureSaver::picturesEntry(const std::string& userDirs, const std::string& home)
{
    static const std::string kKey = "XDG_PICTURES_DIR=";
    std::istringstream lines(userDirs);
    std::string line;
    std::string found;
    while (std::getline(lines, line)) {
        const std::size_t start = line.find_first_not_of(" \t");
        if (start == std::string::npos || line.compare(start, kKey.size(), kKey) != 0)
            continue;
        std::string value;
        if (!quotedValue(line.substr(start + kKey.size()), value))
            continue;
        // Either relative to the home folder or absolute; "$HOME" alone
        // means the folder is turned off.
        if (value.rfind("$HOME/", 0) == 0 && !home.empty())
            found = withSlash(home) + value.substr(6);
        else if (!value.empty() && value[0] == '/')
            found = value;
        else
            found.clear();
    }
    return found;
}

std::string PictureSaver::folder(const Places& places)
{
    const std::string home = places.home != nullptr ? places.home : "";
    std::string config;
    if (places.configHome != nullptr && places.configHome[0] == '/')
        config = places.configHome;
    else if (!home.empty())
        config = withSlash(home) + ".config";
    if (!config.empty()) {
        std::ifstream file(withSlash(config) + "user-dirs.dirs");
        std::stringstream text;
        text << file.rdbuf();
        const std::string entry = picturesEntry(text.str(), home);
        if (isFolder(entry))
            return withSlash(entry);
    }
    if (!home.empty() && isFolder(withSlash(home) + "Pictures"))
        return withSlash(home) + "Pictures/";
    return std::string();
}

bool PictureSaver::reserve(const std::string& folder, std::time_t when, std::string& path, std::string& error)
{
    std::tm local{};
    char stamp[32];
    if (localtime_r(&when, &local) == nullptr || std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local) == 0) {
        error = "the time cannot be read";
        return false;
    }
    const std::string stem = folder + "lumenfold-" + stamp;
    for (int number = 0; number < 1000; ++number) {
        path = stem + (number == 0 ? std::string() : "-" + std::to_string(number)) + ".png";
        // Only a name nothing has: a file there already is never touched.
        const int descriptor = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (descriptor >= 0) {
            ::close(descriptor);
            return true;
        }
        if (errno != EEXIST) {
            error = "cannot make " + path + ": " + std::strerror(errno);
            return false;
        }
    }
    error = "a thousand pictures of this second are there already";
    return false;
}

bool PictureSaver::save(const RgbImage& image, const std::string& path, std::string& error)
{
    if (PngWriter::write(image, path, error))
        return true;
    ::unlink(path.c_str());
    return false;
}
