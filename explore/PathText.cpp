#include "explore/PathText.h"

std::string PathText::normal(const std::string& path)
{
    if (path.empty())
        return path;
    const bool absolute = path.front() == '/';
    const bool folder = path.back() == '/' || (path.size() >= 2 && path.compare(path.size() - 2, 2, "/.") == 0);
    std::string out = absolute ? "/" : "";
    std::size_t at = 0;
    while (at < path.size()) {
        std::size_t end = path.find('/', at);
        if (end == std::string::npos)
            end = path.size();
        const std::size_t length = end - at;
        if (length != 0 && !(length == 1 && path[at] == '.')) {
            if (!out.empty() && out.back() != '/')
                out += '/';
            out.append(path, at, length);
        }
        at = end + 1;
    }
    if (out.empty())
        return ".";
    if (folder && out.back() != '/')
        out += '/';
    return out;
}
