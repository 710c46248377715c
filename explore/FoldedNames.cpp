#include "explore/FoldedNames.h"

#include "scene/FsNode.h"
#include "text/CaseFold.h"

FoldedNames::FoldedNames(const std::vector<FsNode*>& entries)
{
    starts.reserve(entries.size() + 1);
    std::size_t bytes = 0;
    for (const FsNode* entry : entries)
        bytes += entry->name.size();
    text.reserve(bytes);
    std::string scratch;
    for (const FsNode* entry : entries) {
        starts.push_back(text.size());
        const std::string& name = entry->name;
        bool ascii = true;
        for (const char c : name)
            ascii = ascii && static_cast<unsigned char>(c) < 0x80;
        if (ascii) {
            for (const char c : name)
                text += c >= 'A' && c <= 'Z' ? static_cast<char>(c + ('a' - 'A')) : c;
        } else {
            CaseFold::foldInto(name, scratch);
            text += scratch;
        }
    }
    starts.push_back(text.size());
}

NameSearch::Match FoldedNames::match(std::size_t i, std::string_view folded) const
{
    if (folded.empty())
        return NameSearch::kNone;
    const std::size_t at = name(i).find(folded);
    return at == 0 ? NameSearch::kStarts : at == std::string_view::npos ? NameSearch::kNone : NameSearch::kContains;
}
