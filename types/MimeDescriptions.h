#pragma once

#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

// Each MIME type's description ("PNG image") from <mime>/<media>/<sub>.xml of
// the first database folder that has the file, in the first of the user's
// languages it is written in, else in English (the comment without
// xml:lang). Read on first request only, as the status line needs them.
class MimeDescriptions {
public:
    MimeDescriptions(std::vector<std::string> mimeFolders, std::vector<std::string> languages);

    // Empty when no folder describes the type.
    std::string describe(std::string_view type) const;

    // The comment of one type file's text, as above.
    static std::string commentOf(std::string_view xml, const std::vector<std::string>& languages);

private:
    std::vector<std::string> folders;
    std::vector<std::string> languages;
    mutable std::mutex guard;
    mutable std::unordered_map<std::string, std::string> known;
};
