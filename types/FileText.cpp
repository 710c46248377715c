#include "types/FileText.h"

#include <cstdio>

bool readFileText(const std::string& path, std::string& text)
{
    text.clear();
    std::FILE* in = std::fopen(path.c_str(), "rb");
    if (in == nullptr)
        return false;
    char buffer[16384];
    std::size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof buffer, in)) > 0)
        text.append(buffer, got);
    const bool ok = std::ferror(in) == 0;
    std::fclose(in);
    if (!ok)
        text.clear();
    return ok;
}
