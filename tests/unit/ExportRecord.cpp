#include "ExportRecord.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace {

// Deep trees are read too: the indentation stops growing.
std::string indent(std::size_t depth)
{
    return std::string(std::min<std::size_t>(depth, 16), ' ');
}

} // namespace

std::string ExportRecord::describe(const ExportEntry& entry)
{
    static const char* const kinds[] = {"folder", "file", "folder-link", "file-link", "other"};
    std::string text = std::string(entry.name) + " " + kinds[static_cast<int>(entry.kind)]
        + " size=" + std::to_string(entry.size) + " counted=" + std::to_string(entry.countedSize);
    if (entry.hasModifiedTime)
        text += " mtime=" + std::to_string(entry.modifiedTime);
    if (entry.hardLink)
        text += " ino=" + std::to_string(entry.inode) + " links=" + std::to_string(entry.links);
    if (entry.readError)
        text += " read-error";
    if (entry.exclusion != Exclusion::None)
        text += " (" + std::string(entry.exclusionReason()) + ")";
    return text;
}

void ExportRecord::metadata(const ExportMetadata& data)
{
    lines.push_back("metadata " + std::to_string(data.major) + "." + std::to_string(data.minor) + " " + data.programName
                    + " " + data.programVersion + " " + std::to_string(data.timestamp));
}

void ExportRecord::beginFolder(const ExportEntry& folder)
{
    lines.push_back(indent(depth) + "[" + describe(folder));
    ++entries;
    deepest = std::max(deepest, ++depth);
}

void ExportRecord::entry(const ExportEntry& entry)
{
    lines.push_back(indent(depth) + describe(entry));
    ++entries;
}

void ExportRecord::endFolder()
{
    --depth;
    lines.push_back(indent(depth) + "]");
}

void ExportRecord::stopped(const ExportProblem& stop)
{
    EXPECT_FALSE(stoppedEarly) << "stopped() twice";
    stoppedEarly = true;
    problem = stop;
}

ExportRecord ExportRecord::of(const std::string& bytes, bool* whole)
{
    char path[] = "/tmp/lumenfold-export-XXXXXX";
    const int fd = mkstemp(path);
    EXPECT_GE(fd, 0);
    EXPECT_EQ(write(fd, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    close(fd);
    ExportRecord record;
    ExportInput input;
    input.open(path);
    const bool read = ExportReader::read(input, record);
    unlink(path);
    EXPECT_EQ(read, !record.stoppedEarly);
    if (whole != nullptr)
        *whole = read;
    return record;
}
