#include "exchange/ExportWriter.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {

constexpr std::size_t kBlock = 64 * 1024;

const char* exclusionWord(Exclusion exclusion)
{
    switch (exclusion) {
    case Exclusion::None:
        break;
    case Exclusion::OtherFileSystem:
        return "otherfs";
    case Exclusion::KernelFileSystem:
        return "kernfs";
    case Exclusion::Pattern:
    case Exclusion::Other:
        return "pattern";
    }
    return nullptr;
}

} // namespace

ExportWriter::ExportWriter(int descriptor, const ExportMetadata& metadata) : fd(descriptor)
{
    buffer.reserve(kBlock + 1024);
    text("[1,2,{\"progname\":");
    name(metadata.programName);
    text(",\"progver\":");
    name(metadata.programVersion);
    if (metadata.hasTimestamp)
        number("timestamp", static_cast<std::uint64_t>(metadata.timestamp < 0 ? 0 : metadata.timestamp));
    text("}");
}

void ExportWriter::text(std::string_view bytes)
{
    buffer.append(bytes.data(), bytes.size());
}

void ExportWriter::name(std::string_view bytes)
{
    static const char hex[] = "0123456789abcdef";
    buffer.push_back('"');
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            buffer.push_back('\\');
            buffer.push_back(c);
        } else if (byte < 0x20 || byte == 0x7f) {
            const char escape[] = {'\\', 'u', '0', '0', hex[byte >> 4], hex[byte & 15]};
            buffer.append(escape, sizeof escape);
        } else {
            buffer.push_back(c);
        }
        if (buffer.size() >= kBlock)
            flush();
    }
    buffer.push_back('"');
}

void ExportWriter::number(const char* key, std::uint64_t value)
{
    buffer.append(",\"").append(key).append("\":").append(std::to_string(value));
}

void ExportWriter::info(const ExportEntry& entry, bool top)
{
    text("{\"name\":");
    name(entry.name);
    number("asize", entry.size);
    if (entry.diskUsage != 0)
        number("dsize", entry.diskUsage);
    const std::uint64_t folderDevice = devices.empty() ? 0 : devices.back();
    if (top || entry.device != folderDevice)
        number("dev", entry.device);
    if (entry.hardLink && entry.hasInode) {
        number("ino", entry.inode);
        text(",\"hlnkc\":true");
        number("nlink", entry.links);
    }
    if (entry.readError)
        text(",\"read_error\":true");
    if (const char* word = exclusionWord(entry.exclusion))
        text(std::string(",\"excluded\":\"") + word + "\"");
    if (entry.notRegular)
        text(",\"notreg\":true");
    if (entry.hasMode)
        number("mode", entry.mode);
    if (entry.hasModifiedTime)
        number("mtime", static_cast<std::uint64_t>(entry.modifiedTime < 0 ? 0 : entry.modifiedTime));
    text("}");
}

void ExportWriter::beginFolder(const ExportEntry& folder)
{
    const bool top = devices.empty();
    text(",[");
    info(folder, top);
    devices.push_back(folder.device);
    flushIfFull();
}

void ExportWriter::entry(const ExportEntry& entry)
{
    text(",");
    info(entry, false);
    flushIfFull();
}

void ExportWriter::endFolder()
{
    text("]");
    devices.pop_back();
    flushIfFull();
}

void ExportWriter::flushIfFull()
{
    if (buffer.size() >= kBlock)
        flush();
}

void ExportWriter::flush()
{
    std::size_t done = 0;
    while (done < buffer.size() && fault.empty()) {
        const ssize_t wrote = ::write(fd, buffer.data() + done, buffer.size() - done);
        if (wrote > 0)
            done += static_cast<std::size_t>(wrote);
        else if (wrote < 0 && errno != EINTR)
            fault = std::strerror(errno);
    }
    buffer.clear();
}

bool ExportWriter::finish()
{
    while (!devices.empty())
        endFolder();
    text("]\n");
    flush();
    return fault.empty();
}
