#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

// A MIME type of the database, as a small number: the index of its name.
using MimeType = std::uint16_t;

// The name patterns of the shared MIME database (each directory's globs2)
// and the rule that picks one type for a file name, without opening the file:
//  - a pattern matches case-insensitively unless it carries the cs flag;
//  - patterns are tried in three stages, and the first stage with a match
//    decides: literal names ("Makefile"), then "*.ext" suffixes, then every
//    other pattern; so "x.so.2.gz" is gzip although "*.so.[0-9]*" weighs more;
//  - within a stage only the highest weight counts, then the longest pattern
//    (*.tar.gz over *.gz), then the first listed (the highest-priority
//    directory's, and within a file the earlier line).
// Literal names and "*.ext" suffixes sit in hash tables, so a name costs a
// probe per '.' in it; the few other patterns are filtered by their fixed
// start and end before fnmatch sees them.
class MimeGlobs {
public:
    MimeGlobs();

    // Adds one globs2 file's lines, `text`, read from a directory of lower
    // priority than every directory added before. A type's "__NOGLOBS__"
    // line drops its patterns from every later (lower-priority) file.
    void addFile(std::string_view text);

    // The type for a file name, or kNone when no pattern matches.
    static constexpr MimeType kNone = 0xffff;
    MimeType match(std::string_view name) const;

    // The type's number, adding the name when it is new (types known by
    // other parts of the database than the patterns: folders, links, ...).
    MimeType intern(std::string_view typeName);
    const std::string& typeName(MimeType type) const { return typeNames[type]; }
    std::size_t typeCount() const { return typeNames.size(); }
    // MimeGlobs::kNone when the database has no such type.
    MimeType find(std::string_view typeName) const;

private:
    struct Glob {
        MimeType type;
        std::uint8_t weight;
        // Characters of the whole pattern, for the longest-pattern rule.
        std::uint16_t length;
        // Order of addition: the first listed wins a tie.
        std::uint32_t order;
    };
    // A pattern with wildcards other than a leading "*.": its fixed start and
    // end rule most names out before fnmatch runs.
    struct WildGlob {
        Glob glob;
        bool caseSensitive;
        std::string pattern;
        std::string start;
        std::string end;
    };
    // Keys point into `keys`, so a probe needs no copy of the name.
    using Table = std::unordered_map<std::string_view, std::vector<Glob>>;

    void addPattern(MimeType type, int weight, std::string_view pattern, bool caseSensitive);
    void addKeyed(Table& table, std::string_view key, const Glob& glob);
    static void consider(const Table& table, std::string_view key, Glob& best);
    static bool beats(const Glob& candidate, const Glob& best);

    std::deque<std::string> keys;
    std::vector<std::string> typeNames;
    std::unordered_map<std::string, MimeType> typeNumbers;
    // Types whose patterns a higher-priority file has taken back.
    std::unordered_set<MimeType> withdrawn;
    // Whole names and "*.ext" tails (from the '.'), each exact or lower-cased.
    Table exactNames;
    Table foldedNames;
    Table exactTails;
    Table foldedTails;
    std::vector<WildGlob> wildGlobs;
    std::uint32_t added = 0;
};
