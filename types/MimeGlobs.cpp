#include "types/MimeGlobs.h"

#include <fnmatch.h>

#include <algorithm>
#include <array>
#include <charconv>

namespace {

bool isWild(char c)
{
    return c == '*' || c == '?' || c == '[';
}

char folded(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string foldedCopy(std::string_view text)
{
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(), folded);
    return out;
}

// The next ':'-separated field of a line, or all that is left.
std::string_view nextField(std::string_view& line)
{
    const std::size_t colon = line.find(':');
    const std::string_view field = line.substr(0, colon);
    line = colon == std::string_view::npos ? std::string_view() : line.substr(colon + 1);
    return field;
}

bool hasFlag(std::string_view flags, std::string_view flag)
{
    while (!flags.empty()) {
        const std::size_t comma = flags.find(',');
        if (flags.substr(0, comma) == flag)
            return true;
        flags = comma == std::string_view::npos ? std::string_view() : flags.substr(comma + 1);
    }
    return false;
}

struct Line {
    int weight;
    std::string_view type;
    std::string_view pattern;
    bool caseSensitive;
};

} // namespace

MimeGlobs::MimeGlobs() = default;

void MimeGlobs::addFile(std::string_view text)
{
    std::vector<Line> lines;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (line.empty() || line[0] == '#')
            continue;
        const std::string_view weightField = nextField(line);
        const std::string_view type = nextField(line);
        const std::string_view pattern = nextField(line);
        const std::string_view flags = nextField(line);
        int weight = 0;
        const auto parsed = std::from_chars(weightField.data(), weightField.data() + weightField.size(), weight);
        // A line that is not weight:type:pattern is skipped, as is a weight
        // outside 0..100.
        if (parsed.ec != std::errc() || parsed.ptr != weightField.data() + weightField.size() || weight < 0
            || weight > 100 || type.find('/') == std::string_view::npos || pattern.empty())
            continue;
        lines.push_back({weight, type, pattern, hasFlag(flags, "cs")});
    }
    // A case-sensitive pattern is also listed without its flag, for readers
    // that know no flags; that copy must not match other cases.
    std::unordered_set<std::string> sensitive;
    for (const Line& line : lines)
        if (line.caseSensitive)
            sensitive.insert(std::string(line.type) + ':' + std::string(line.pattern));
    std::vector<MimeType> withdrawnHere;
    for (const Line& line : lines) {
        const MimeType type = intern(line.type);
        if (line.pattern == "__NOGLOBS__") {
            withdrawnHere.push_back(type);
            continue;
        }
        if (withdrawn.count(type) != 0)
            continue;
        if (!line.caseSensitive && sensitive.count(std::string(line.type) + ':' + std::string(line.pattern)) != 0)
            continue;
        addPattern(type, line.weight, line.pattern, line.caseSensitive);
    }
    withdrawn.insert(withdrawnHere.begin(), withdrawnHere.end());
}

void MimeGlobs::addPattern(MimeType type, int weight, std::string_view pattern, bool caseSensitive)
{
    const Glob glob{type, static_cast<std::uint8_t>(weight),
                    static_cast<std::uint16_t>(std::min<std::size_t>(pattern.size(), 0xffff)), added++};
    const std::size_t firstWild = std::find_if(pattern.begin(), pattern.end(), isWild) - pattern.begin();
    if (firstWild == pattern.size()) {
        addKeyed(caseSensitive ? exactNames : foldedNames, pattern, glob);
        return;
    }
    const std::string_view tail = pattern.substr(1);
    if (pattern[0] == '*' && !tail.empty() && tail[0] == '.' && std::none_of(tail.begin(), tail.end(), isWild)) {
        addKeyed(caseSensitive ? exactTails : foldedTails, tail, glob);
        return;
    }
    const std::size_t lastWild = pattern.find_last_of("*?]");
    WildGlob wild{glob, caseSensitive, std::string(pattern), std::string(pattern.substr(0, firstWild)),
                  std::string(pattern.substr(lastWild + 1))};
    if (!caseSensitive) {
        wild.pattern = foldedCopy(wild.pattern);
        wild.start = foldedCopy(wild.start);
        wild.end = foldedCopy(wild.end);
    }
    wildGlobs.push_back(std::move(wild));
}

void MimeGlobs::addKeyed(Table& table, std::string_view key, const Glob& glob)
{
    const std::string folded = &table == &foldedNames || &table == &foldedTails ? foldedCopy(key) : std::string(key);
    auto found = table.find(folded);
    if (found == table.end()) {
        keys.push_back(folded);
        found = table.emplace(keys.back(), std::vector<Glob>()).first;
    }
    found->second.push_back(glob);
}

void MimeGlobs::consider(const Table& table, std::string_view key, Glob& best)
{
    const auto found = table.find(key);
    if (found == table.end())
        return;
    for (const Glob& glob : found->second)
        if (beats(glob, best))
            best = glob;
}

bool MimeGlobs::beats(const Glob& candidate, const Glob& best)
{
    if (best.type == kNone || candidate.weight != best.weight)
        return best.type == kNone || candidate.weight > best.weight;
    if (candidate.length != best.length)
        return candidate.length > best.length;
    return candidate.order < best.order;
}

MimeType MimeGlobs::match(std::string_view name) const
{
    // Names are at most 255 bytes on every file system the viewer reads;
    // a longer one is folded on the heap.
    std::array<char, 256> buffer;
    std::string longName;
    char* lower = buffer.data();
    if (name.size() >= buffer.size()) {
        longName.resize(name.size() + 1);
        lower = longName.data();
    }
    std::transform(name.begin(), name.end(), lower, folded);
    lower[name.size()] = '\0';
    const std::string_view lowerName(lower, name.size());

    Glob best{kNone, 0, 0, 0};
    consider(exactNames, name, best);
    consider(foldedNames, lowerName, best);
    if (best.type != kNone)
        return best.type;
    for (std::size_t dot = name.find('.'); dot != std::string_view::npos; dot = name.find('.', dot + 1)) {
        consider(exactTails, name.substr(dot), best);
        consider(foldedTails, lowerName.substr(dot), best);
    }
    if (best.type == kNone) {
        std::string exactName;
        for (const WildGlob& wild : wildGlobs) {
            const std::string_view text = wild.caseSensitive ? name : lowerName;
            if (text.size() < wild.start.size() + wild.end.size() || text.compare(0, wild.start.size(), wild.start) != 0
                || text.compare(text.size() - wild.end.size(), wild.end.size(), wild.end) != 0)
                continue;
            if (wild.caseSensitive && exactName.empty())
                exactName.assign(name);
            const char* terminated = wild.caseSensitive ? exactName.c_str() : lower;
            if (beats(wild.glob, best) && fnmatch(wild.pattern.c_str(), terminated, 0) == 0)
                best = wild.glob;
        }
    }
    return best.type;
}

MimeType MimeGlobs::intern(std::string_view typeName)
{
    const auto found = typeNumbers.find(std::string(typeName));
    if (found != typeNumbers.end())
        return found->second;
    // The last number is kNone; a database never holds that many types.
    if (typeNames.size() >= kNone)
        return kNone;
    const MimeType type = static_cast<MimeType>(typeNames.size());
    typeNames.emplace_back(typeName);
    typeNumbers.emplace(typeNames.back(), type);
    return type;
}

MimeType MimeGlobs::find(std::string_view typeName) const
{
    const auto found = typeNumbers.find(std::string(typeName));
    return found == typeNumbers.end() ? kNone : found->second;
}
