#include "ExportRecord.h"

#include "exchange/ExportWriter.h"

#include <gtest/gtest.h>
#include <unistd.h>
#include <zlib.h>
#include <zstd.h>

#include <cstdio>
#include <string>

namespace {

std::string joined(const std::vector<std::string>& lines)
{
    std::string text;
    for (const std::string& line : lines)
        text += line + "\n";
    return text;
}

ExportEntry entryOf(std::string_view name, EntryKind kind, std::uint64_t size)
{
    ExportEntry entry;
    entry.name = name;
    entry.kind = kind;
    entry.size = size;
    entry.hasModifiedTime = true;
    entry.modifiedTime = 1700000000;
    return entry;
}

// A small tree with every kind of entry the writer marks, written to a string.
std::string writtenTree()
{
    char path[] = "/tmp/lumenfold-written-XXXXXX";
    const int fd = mkstemp(path);
    ExportMetadata metadata;
    metadata.programName = "lumenfold";
    metadata.programVersion = "1.0.0";
    metadata.hasTimestamp = true;
    metadata.timestamp = 1800000000;
    ExportWriter writer(fd, metadata);
    ExportEntry top = entryOf("/srv/data", EntryKind::Folder, 4096);
    top.device = 77;
    writer.beginFolder(top);
    const char oddName[] = "tab\tquote\"back\\slash\x01\xff\x7f";
    const std::string odd(oddName, sizeof oddName - 1);
    writer.entry(entryOf(odd, EntryKind::File, 10));
    ExportEntry link = entryOf("link", EntryKind::FileLink, 0);
    link.notRegular = true;
    link.hasMode = true;
    link.mode = 0120777;
    writer.entry(link);
    ExportEntry shared = entryOf("shared", EntryKind::File, 300);
    shared.hardLink = true;
    shared.hasInode = true;
    shared.inode = 42;
    shared.links = 2;
    shared.device = 77;
    writer.entry(shared);
    ExportEntry other = entryOf("mnt", EntryKind::Folder, 0);
    other.exclusion = Exclusion::OtherFileSystem;
    writer.entry(other);
    writer.beginFolder(entryOf("sub", EntryKind::Folder, 4096));
    writer.entry(shared);
    ExportEntry elsewhere = entryOf("usb", EntryKind::Folder, 4096);
    elsewhere.device = 78;
    writer.beginFolder(elsewhere);
    // Unended folders are ended by finish().
    EXPECT_TRUE(writer.finish()) << writer.problem();
    close(fd);
    std::string bytes;
    if (std::FILE* file = std::fopen(path, "rb")) {
        char block[4096];
        std::size_t got = 0;
        while ((got = std::fread(block, 1, sizeof block, file)) > 0)
            bytes.append(block, got);
        std::fclose(file);
    }
    unlink(path);
    return bytes;
}

const char* const kReadBack = "metadata 1.2 lumenfold 1.0.0 1800000000\n"
                              "[/srv/data folder size=4096 counted=0 mtime=1700000000\n"
                              " tab\tquote\"back\\slash\x01\xff\x7f file size=10 counted=10 mtime=1700000000\n"
                              " link file-link size=0 counted=0 mtime=1700000000\n"
                              " shared file size=300 counted=300 mtime=1700000000 ino=42 links=2\n"
                              " mnt folder size=0 counted=0 mtime=1700000000 (on another file system)\n"
                              " [sub folder size=4096 counted=0 mtime=1700000000\n"
                              "  shared file size=300 counted=0 mtime=1700000000 ino=42 links=2\n"
                              "  [usb folder size=4096 counted=0 mtime=1700000000\n"
                              "  ]\n"
                              " ]\n"
                              "]\n";

std::string gzipped(const std::string& bytes)
{
    z_stream stream{};
    // 31: a gzip header and trailer.
    EXPECT_EQ(deflateInit2(&stream, 6, Z_DEFLATED, 31, 8, Z_DEFAULT_STRATEGY), Z_OK);
    std::string out(deflateBound(&stream, bytes.size()) + 64, '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data()));
    stream.avail_in = static_cast<uInt>(bytes.size());
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = static_cast<uInt>(out.size());
    EXPECT_EQ(deflate(&stream, Z_FINISH), Z_STREAM_END);
    out.resize(stream.total_out);
    deflateEnd(&stream);
    return out;
}

std::string zstdCompressed(const std::string& bytes)
{
    std::string out(ZSTD_compressBound(bytes.size()), '\0');
    out.resize(ZSTD_compress(out.data(), out.size(), bytes.data(), bytes.size(), 3));
    return out;
}

} // namespace

TEST(ExportWriter, WhatItWritesReadsBackEntryForEntryPlainGzipAndZstd)
{
    const std::string plain = writtenTree();
    // Bigger than one block of the reader, so that blocks are refilled.
    const std::string big = plain.substr(0, plain.size() - 3) + std::string(200000, ' ') + "]]\n";
    for (const std::string& bytes : {plain, gzipped(plain), zstdCompressed(plain), gzipped(big), zstdCompressed(big)}) {
        bool whole = false;
        const ExportRecord record = ExportRecord::of(bytes, &whole);
        EXPECT_TRUE(whole) << record.problem.message;
        EXPECT_EQ(joined(record.lines), kReadBack);
    }
}

TEST(ExportWriter, CompressedExportCutShortOrDamagedSaysSoAndKeepsWhatWasRead)
{
    const std::string plain = writtenTree();
    const std::string gz = gzipped(plain);
    const std::string zs = zstdCompressed(plain);
    struct Case {
        std::string bytes;
        std::string message;
        bool unreadable;
        std::size_t entriesKept;
    };
    std::string damaged = gz;
    damaged[damaged.size() - 6] = static_cast<char>(damaged[damaged.size() - 6] ^ 0x55);
    // The tree is whole before the gzip trailer is cut or damaged; zstd
    // gives nothing of a block that is cut.
    for (const Case& c : {Case{gz.substr(0, gz.size() - 4), "the gzip data ends early", false, 8},
                          Case{damaged, "the gzip data is damaged: incorrect data check", false, 8},
                          Case{zs.substr(0, zs.size() - 4), "the zstd data ends early", true, 0}}) {
        const ExportRecord record = ExportRecord::of(c.bytes);
        EXPECT_TRUE(record.stoppedEarly);
        EXPECT_EQ(record.problem.message, c.message);
        EXPECT_EQ(record.problem.unreadable, c.unreadable);
        EXPECT_EQ(record.entries, c.entriesKept);
    }
}
