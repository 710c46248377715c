#include "explore/StatusText.h"

#include "scene/FsNode.h"
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
std::string inAll(const FsNode& folder)
{
    if (!folder.isComplete())
        return "counting\u2026";
    return StatusText::entries(folder.totalEntries) + ", " + ByteSize::format(folder.totalSize) + " in all";
}

} // namespace

StatusText::Lines StatusText::forEntry(const FsNode& entry, const std::string& typeDescription)
{
    Lines lines;
    lines.title = entry.name;
    lines.details = kindName(entry.kind);
    if (!typeDescription.empty())
        lines.details += kSeparator + typeDescription;
    if (entry.showsAsFolder())
        lines.details += kSeparator + inAll(entry);
    else if (entry.kind == EntryKind::File || entry.kind == EntryKind::FileLink)
        lines.details += kSeparator + ByteSize::format(entry.fullSize());
    const std::string modified = localTime(entry.modifiedTime);
    if (!modified.empty())
        lines.details += kSeparator + ("modified " + modified);
    if (entry.isListed() && entry.enterError != 0)
        lines.details += kSeparator + ("cannot enter: " + entry.enterProblem());
    return lines;
}

StatusText::Lines StatusText::forFolder(const FsNode& folder, std::string path)
{
    Lines lines;
    lines.title = std::move(path);
    lines.details = (folder.isListed() ? entries(folder.children.size()) : std::string("listing\u2026")) + kSeparator
        + inAll(folder);
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
