#include "types/MimeDescriptions.h"

#include "types/FileText.h"

#include <cstdlib>

namespace {

// Text with the five predefined XML entities and numeric references decoded.
std::string decoded(std::string_view text)
{
    std::string out;
    while (!text.empty()) {
        const std::size_t amp = text.find('&');
        out.append(text.substr(0, amp));
        if (amp == std::string_view::npos)
            break;
        text = text.substr(amp);
        const std::size_t semicolon = text.find(';');
        const std::string_view entity = text.substr(1, semicolon == std::string_view::npos ? 0 : semicolon - 1);
        unsigned long code = 0;
        if (entity == "amp")
            code = '&';
        else if (entity == "lt")
            code = '<';
        else if (entity == "gt")
            code = '>';
        else if (entity == "quot")
            code = '"';
        else if (entity == "apos")
            code = '\'';
        else if (entity.size() > 1 && entity[0] == '#')
            code = entity[1] == 'x' ? std::strtoul(std::string(entity.substr(2)).c_str(), nullptr, 16)
                                    : std::strtoul(std::string(entity.substr(1)).c_str(), nullptr, 10);
        if (code == 0 || code > 0x10ffff || semicolon == std::string_view::npos) {
            out += '&';
            text = text.substr(1);
            continue;
        }
        // UTF-8 of the code point.
        if (code < 0x80) {
            out += static_cast<char>(code);
        } else if (code < 0x800) {
            out += static_cast<char>(0xc0 | (code >> 6));
            out += static_cast<char>(0x80 | (code & 0x3f));
        } else if (code < 0x10000) {
            out += static_cast<char>(0xe0 | (code >> 12));
            out += static_cast<char>(0x80 | ((code >> 6) & 0x3f));
            out += static_cast<char>(0x80 | (code & 0x3f));
        } else {
            out += static_cast<char>(0xf0 | (code >> 18));
            out += static_cast<char>(0x80 | ((code >> 12) & 0x3f));
            out += static_cast<char>(0x80 | ((code >> 6) & 0x3f));
            out += static_cast<char>(0x80 | (code & 0x3f));
        }
        text = text.substr(semicolon + 1);
    }
    return out;
}

} // namespace

MimeDescriptions::MimeDescriptions(std::vector<std::string> mimeFolders, std::vector<std::string> userLanguages)
    : folders(std::move(mimeFolders)), languages(std::move(userLanguages))
{
}

std::string MimeDescriptions::commentOf(std::string_view xml, const std::vector<std::string>& languages)
{
    // The type files are written by the database's own tool: each comment is
    // one <comment> or <comment xml:lang="..."> element holding text only.
    std::string english;
    std::string best;
    std::size_t bestRank = languages.size();
    for (std::size_t at = xml.find("<comment"); at != std::string_view::npos; at = xml.find("<comment", at + 1)) {
        const std::size_t close = xml.find('>', at);
        if (close == std::string_view::npos)
            break;
        const std::string_view tag = xml.substr(at, close - at);
        if (tag.size() > 8 && tag[8] != ' ' && tag[8] != '\t' && tag[8] != '\n')
            continue; // <comments...> or similar
        const std::size_t end = xml.find("</comment>", close);
        if (end == std::string_view::npos)
            break;
        const std::string_view text = xml.substr(close + 1, end - close - 1);
        const std::size_t lang = tag.find("xml:lang=");
        if (lang == std::string_view::npos) {
            if (english.empty())
                english = decoded(text);
            continue;
        }
        const char quote = lang + 9 < tag.size() ? tag[lang + 9] : '"';
        const std::size_t valueEnd = tag.find(quote, lang + 10);
        const std::string_view value = tag.substr(lang + 10, valueEnd - lang - 10);
        for (std::size_t rank = 0; rank < bestRank; ++rank)
            if (languages[rank] == value) {
                best = decoded(text);
                bestRank = rank;
                break;
            }
    }
    return bestRank < languages.size() ? best : english;
}

std::string MimeDescriptions::describe(std::string_view type) const
{
    std::lock_guard<std::mutex> lock(guard);
    const std::string key(type);
    const auto found = known.find(key);
    if (found != known.end())
        return found->second;
    std::string description;
    // A type name is media/subtype; anything else names no file.
    const bool named = type.find('/') != std::string_view::npos && type.find("..") == std::string_view::npos;
    for (const std::string& folder : folders) {
        if (!named)
            break;
        std::string xml;
        if (!readFileText(folder + key + ".xml", xml))
            continue;
        description = commentOf(xml, languages);
        break;
    }
    known.emplace(key, description);
    return description;
}
