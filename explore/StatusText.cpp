#include "explore/StatusText.h"

#include "text/ByteSize.h"

#include <cstring>
#include <ctime>
#include <utility>

namespace {

constexpr const char* kSeparator = "  \xC2\xB7  ";

// Local time to the minute, "2024-05-01 12:34"; empty when it cannot be told.
std::string localTime(std::int64_t seconds)
{
    const std::time_t time = static_cast<std::time_t>(seconds);
    std::tm parts{};
    char text[32];
    if (localtime_r(&time, &parts) == nullptr || std::strftime(text, sizeof text, "%Y-%m-%d %H:%M", &parts) == 0)
        return std::string();
    return text;
}

// "1,234 entries, 4.1 GB in all": what a listed folder holds at every depth;
// "counting…" until the scan has been through all of it.
std::string inAll(const EntryTree& tree, EntryId folder)
{
    if (!tree.isComplete(folder))
        return "counting\u2026";
    return StatusText::entries(tree.totalEntries(folder)) + ", " + ByteSize::format(tree.totalSize(folder)) + " in all";
}

} // namespace

StatusText::Lines StatusText::forEntry(const EntryTree& tree, EntryId entry, const std::string& typeDescription)
{
    Lines lines;
    lines.title = tree.name(entry);
    const EntryKind kind = tree.kind(entry);
    lines.details = kindName(kind);
    if (!typeDescription.empty())
        lines.details += kSeparator + typeDescription;
    if (tree.showsAsFolder(entry))
        lines.details += kSeparator + inAll(tree, entry);
    else if (kind == EntryKind::File || kind == EntryKind::FileLink)
        lines.details += kSeparator + ByteSize::format(tree.byteSize(entry));
    const std::string modified = localTime(tree.modifiedTime(entry));
    if (!modified.empty())
        lines.details += kSeparator + ("modified " + modified);
    if (tree.isListed(entry) && tree.enterError(entry) != 0)
        lines.details += kSeparator + ("cannot enter: " + tree.enterProblem(entry));
    return lines;
}

StatusText::Lines StatusText::forFolder(const EntryTree& tree, EntryId folder, std::string path)
{
    Lines lines;
    lines.title = std::move(path);
    lines.details = (tree.isListed(folder) ? entries(tree.entries(folder).size()) : std::string("listing\u2026"))
        + kSeparator + inAll(tree, folder);
    return lines;
}

const char* StatusText::kindName(EntryKind kind)
{
    switch (kind) {
    case EntryKind::Folder:
        return "folder";
    case EntryKind::File:
        return "file";
    case EntryKind::FolderLink:
        return "link to a folder";
    case EntryKind::FileLink:
        return "link to a file";
    case EntryKind::Other:
        break;
    }
    return "other";
}

std::string StatusText::count(std::uint64_t value)
{
    std::string digits = std::to_string(value);
    for (std::size_t at = digits.size(); at > 3; at -= 3)
        digits.insert(at - 3, ",");
    return digits;
}

std::string StatusText::entries(std::uint64_t value)
{
    return count(value) + (value == 1 ? " entry" : " entries");
}
