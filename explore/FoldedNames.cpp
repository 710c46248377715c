#include "explore/FoldedNames.h"

#include "text/CaseFold.h"

FoldedNames::FoldedNames(std::size_t count, const NameSearch::NameOf& nameOf)
{
    starts.reserve(count + 1);
    std::string scratch;
    for (std::size_t i = 0; i < count; ++i) {
        starts.push_back(text.size());
        const std::string_view name = nameOf(i);
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

void FoldedNames::matchAll(std::string_view folded, std::vector<std::uint8_t>& perName) const
{
    perName.assign(size(), NameSearch::kNone);
    if (folded.empty())
        return;
    const std::string_view all(text);
    std::size_t name = 0;
    std::size_t from = 0;
    while (name < size()) {
        const std::size_t at = all.find(folded, from);
        if (at == std::string_view::npos)
            return;
        while (starts[name + 1] <= at)
            ++name;
        if (at + folded.size() > starts[name + 1]) {
            // The hit runs on into the next name: not a match of either.
            from = at + 1;
            continue;
        }
        perName[name] = at == starts[name] ? NameSearch::kStarts : NameSearch::kContains;
        from = starts[++name];
    }
}
