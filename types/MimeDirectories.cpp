#include "types/MimeDirectories.h"

#include <algorithm>
#include <string_view>

namespace {

void addFolder(std::vector<std::string>& folders, std::string_view base)
{
    if (base.empty() || base[0] != '/')
        return;
    std::string folder(base);
    if (folder.back() != '/')
        folder += '/';
    folder += "mime/";
    for (const std::string& known : folders)
        if (known == folder)
            return;
    folders.push_back(std::move(folder));
}

const char* valueOf(const EnvironmentReader& environment, const char* name)
{
    const char* value = environment(name);
    return value != nullptr && value[0] != '\0' ? value : nullptr;
}

} // namespace

std::vector<std::string> mimeDirectories(const EnvironmentReader& environment)
{
    std::vector<std::string> folders;
    if (const char* home = valueOf(environment, "XDG_DATA_HOME"))
        addFolder(folders, home);
    else if (const char* user = valueOf(environment, "HOME"))
        addFolder(folders, std::string(user) + "/.local/share");
    const char* dirs = valueOf(environment, "XDG_DATA_DIRS");
    std::string_view list = dirs != nullptr ? dirs : "/usr/local/share/:/usr/share/";
    while (!list.empty()) {
        const std::size_t colon = list.find(':');
        addFolder(folders, list.substr(0, colon));
        list = colon == std::string_view::npos ? std::string_view() : list.substr(colon + 1);
    }
    return folders;
}

std::vector<std::string> messageLanguages(const EnvironmentReader& environment)
{
    const char* locale = valueOf(environment, "LC_ALL");
    if (locale == nullptr)
        locale = valueOf(environment, "LC_MESSAGES");
    if (locale == nullptr)
        locale = valueOf(environment, "LANG");
    if (locale == nullptr)
        return {};
    const std::string_view name(locale);
    if (name == "C" || name == "POSIX" || name.substr(0, 2) == "C.")
        return {};
    // language[_territory][.codeset][@modifier]
    const std::size_t at = name.find('@');
    const std::string modifier = at == std::string_view::npos ? std::string() : std::string(name.substr(at));
    const std::string_view base = name.substr(0, std::min(name.find('.'), at));
    const std::size_t underscore = base.find('_');
    const std::string language(base.substr(0, underscore));
    std::vector<std::string> out;
    if (underscore != std::string_view::npos) {
        if (!modifier.empty())
            out.push_back(std::string(base) + modifier);
        out.emplace_back(base);
    }
    if (!modifier.empty())
        out.push_back(language + modifier);
    out.push_back(language);
    return out;
}
