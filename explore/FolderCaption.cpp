#include "explore/FolderCaption.h"

#include "explore/PathText.h"

#include "text/Utf8Decoder.h"
#include "text/Utf8Encoder.h"

std::string FolderCaption::of(const std::string& folderPath, const std::string& home)
{
    std::string path = PathText::normal(folderPath);
    if (path.size() > 1 && path.back() == '/')
        path.pop_back();
    std::string homeFolder = PathText::normal(home);
    while (homeFolder.size() > 1 && homeFolder.back() == '/')
        homeFolder.pop_back();
    if (homeFolder.size() > 1 && path.compare(0, homeFolder.size(), homeFolder) == 0
        && (path.size() == homeFolder.size() || path[homeFolder.size()] == '/'))
        path = "~" + path.substr(homeFolder.size());
    return "Lumenfold \xE2\x80\x94 " + Utf8Encoder::encode(Utf8Decoder::decode(path));
}
