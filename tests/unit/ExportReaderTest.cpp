#include "ExportRecord.h"

#include "exchange/ExportWriter.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>
#include <zstd.h>

#include <cstdio>
#include <string>
#include <thread>
#include <vector>

namespace {

std::string joined(const std::vector<std::string>& lines)
{
    std::string text;
    for (const std::string& line : lines)
        text += line + "\n";
    return text;
}

// Both tools' exports of one small tree: a link to a folder, a link to a
// file, a FIFO, a name that is not UTF-8, quotes in a name, a file with two
// names. The extended one marks links by their mode; one tool flags every
// name of a file with several, the other only the names after the first.
const std::string kExtendedExport = "[1,2,{\"progname\":\"ncdu\",\"progver\":\"1.18\",\"timestamp\":1796692524},\n"
                                    "[{\"name\":\"/tmp/t\",\"asize\":4096,\"dsize\":4096,\"dev\":65024,"
                                    "\"uid\":0,\"gid\":0,\"mode\":16877,\"mtime\":1796692524},\n"
                                    "{\"name\":\"dirlink\",\"asize\":3,\"mode\":41471,\"mtime\":5,\"notreg\":true},\n"
                                    "{\"name\":\"quo\\\"te\\\\back\",\"mode\":33188,\"mtime\":5},\n"
                                    "{\"name\":\"fifo\",\"mode\":4516,\"mtime\":5,\"notreg\":true},\n"
                                    "[{\"name\":\"sub\",\"asize\":4096,\"dsize\":4096,\"mode\":16877,\"mtime\":5},\n"
                                    "{\"name\":\"a-again\",\"asize\":6,\"dsize\":4096,\"mode\":33188,\"mtime\":5,"
                                    "\"ino\":10960895,\"hlnkc\":true,\"nlink\":2}],\n"
                                    "{\"name\":\"bad\xff"
                                    "name\",\"uid\":0,\"gid\":0,\"mode\":33188,\"mtime\":5},\n"
                                    "{\"name\":\"a.txt\",\"asize\":6,\"dsize\":4096,\"mode\":33188,\"mtime\":5,"
                                    "\"ino\":10960895,\"hlnkc\":true,\"nlink\":2}]]\n";

const std::string kLaterNamesFlagged = "[1,2,{\"progname\":\"gdu\",\"progver\":\"5.22.0\",\"timestamp\":1796692524},\n"
                                       "[{\"name\":\"/tmp/t\",\"mtime\":5},\n"
                                       "[{\"name\":\"sub\",\"mtime\":5},\n"
                                       "{\"name\":\"a-again\",\"asize\":6,\"dsize\":4096,\"mtime\":5,"
                                       "\"ino\":10960895,\"hlnkc\":true}],\n"
                                       "{\"name\":\"a.txt\",\"asize\":6,\"dsize\":4096,\"mtime\":5},\n"
                                       "{\"name\":\"link\",\"asize\":5,\"mtime\":5,\"notreg\":true}]]";

} // namespace

TEST(ExportReader, TakesEveryShownFieldOfBothToolsExportsAndCountsAFileWithTwoNamesOnce)
{
    bool whole = false;
    ExportRecord extended = ExportRecord::of(kExtendedExport, &whole);
    EXPECT_TRUE(whole) << extended.problem.message;
    EXPECT_EQ(joined(extended.lines),
              "metadata 1.2 ncdu 1.18 1796692524\n"
              "[/tmp/t folder size=4096 counted=0 mtime=1796692524\n"
              " dirlink file-link size=3 counted=0 mtime=5\n"
              " quo\"te\\back file size=0 counted=0 mtime=5\n"
              " fifo other size=0 counted=0 mtime=5\n"
              " [sub folder size=4096 counted=0 mtime=5\n"
              "  a-again file size=6 counted=6 mtime=5 ino=10960895 links=2\n"
              " ]\n"
              " bad\xff"
              "name file size=0 counted=0 mtime=5\n"
              " a.txt file size=6 counted=0 mtime=5 ino=10960895 links=2\n"
              "]\n");

    ExportRecord later = ExportRecord::of(kLaterNamesFlagged, &whole);
    EXPECT_TRUE(whole) << later.problem.message;
    EXPECT_EQ(joined(later.lines),
              "metadata 1.2 gdu 5.22.0 1796692524\n"
              "[/tmp/t folder size=0 counted=0 mtime=5\n"
              " [sub folder size=0 counted=0 mtime=5\n"
              "  a-again file size=6 counted=0 mtime=5 ino=10960895 links=1\n"
              " ]\n"
              " a.txt file size=6 counted=6 mtime=5\n"
              " link other size=5 counted=0 mtime=5\n"
              "]\n");
}

TEST(ExportReader, DecodesEscapesAndSurrogatePairsAndPassesRawBytesThrough)
{
    const ExportRecord record = ExportRecord::of("[1,0,{},[{\"name\":\"/r\"},"
                                                 "{\"name\":\"caf\\u00e9 \\ud83d\\ude00 \\tx\"},"
                                                 "{\"name\":\"\xfe\xff\xc3\"},"
                                                 "{\"name\":\"x\",\"excluded\":\"otherfs\"},"
                                                 "{\"name\":\"k\",\"excluded\":\"kernfs\"},"
                                                 "{\"name\":\"p\",\"excluded\":\"pattern\",\"future\":[1,{\"a\":[]}]},"
                                                 "[{\"name\":\"unreadable\",\"read_error\":true}]],\"later\"]");
    EXPECT_FALSE(record.stoppedEarly) << record.problem.message;
    EXPECT_EQ(joined(record.lines),
              "metadata 1.0   0\n"
              "[/r folder size=0 counted=0\n"
              " caf\xc3\xa9 \xf0\x9f\x98\x80 \tx file size=0 counted=0\n"
              " \xfe\xff\xc3 file size=0 counted=0\n"
              " x folder size=0 counted=0 (on another file system)\n"
              " k folder size=0 counted=0 (a kernel file system)\n"
              " p file size=0 counted=0 (excluded by a pattern)\n"
              " [unreadable folder size=0 counted=0 read-error\n"
              " ]\n"
              "]\n");
}

TEST(ExportReader, BadInputStopsAtItsByteWithAClearReasonAndKeepsWhatWasRead)
{
    struct Case {
        std::string bytes;
        std::string message;
        std::uint64_t offset;
        bool unreadable;
        std::size_t entriesKept;
    };
    const std::string start = "[1,2,{},[{\"name\":\"/r\"},{\"name\":\"a\"}";
    const std::vector<Case> cases{
        {"", "is empty", 0, true, 0},
        {"{\"not\":\"an export\"}", "not an export file: it does not start with [1,", 0, true, 0},
        {"[2,0,{},[{\"name\":\"/r\"}]]", "export version 2.x is not one this program reads (1.x)", 2, true, 0},
        {"[1,10001,{},[{\"name\":\"/r\"}]]", "the minor version is not a number from 0 to 10000", 8, true, 0},
        {start, "the export ends early (the file is cut short)", start.size(), false, 2},
        {start + ",{\"name\":\"b\",\"asize\":12", "the export ends early (the file is cut short)", start.size() + 23,
         false, 2},
        {start + ",{\"name\":\"b\" \"asize\":1}]]", "malformed JSON: missing a comma or '}' after an object member",
         start.size() + 13, false, 2},
        {start + ",{\"name\":\"b\",\"asize\":-1}]]", "'asize' is out of range", start.size() + 23, false, 2},
        {start + ",{\"name\":\"b\",\"asize\":18446744073709551616}]]", "'asize' is out of range", start.size() + 41,
         false, 2},
        {start + ",{\"name\":\"b\",\"mtime\":1.5}]]", "'mtime' is out of range", start.size() + 24, false, 2},
        {start + ",{\"name\":\"b\",\"dsize\":\"12\"}]]", "'dsize' is not a number", start.size() + 25, false, 2},
        {start + ",{\"asize\":1}]]", "an entry has no name", start.size() + 11, false, 2},
        {start + ",{\"name\":\"a/b\"}]]", "an entry's name holds '/' or is '.' or '..'", start.size() + 14, false, 2},
        {start + ",{\"name\":\"..\"}]]", "an entry's name holds '/' or is '.' or '..'", start.size() + 13, false, 2},
        {start + ",{\"name\":\"" + std::string(ExportReader::kLongestName + 1, 'n') + "\"}]]",
         "a name is longer than 65536 bytes", start.size() + 12 + ExportReader::kLongestName, false, 2},
        {start + ",[[{\"name\":\"x\"}]]]]", "a folder's first element is not its information object", start.size() + 2,
         false, 2},
        {start + ",{\"name\":\"b\\ud800\"}]]", "malformed JSON: the surrogate pair in string is invalid",
         start.size() + 11, false, 2},
    };
    for (const Case& c : cases) {
        const ExportRecord record = ExportRecord::of(c.bytes);
        const std::string shown = c.bytes.substr(0, 60);
        EXPECT_TRUE(record.stoppedEarly) << shown;
        EXPECT_EQ(record.problem.message, c.message) << shown;
        EXPECT_EQ(record.problem.offset, c.offset) << shown;
        EXPECT_EQ(record.problem.unreadable, c.unreadable) << shown;
        EXPECT_EQ(record.entries, c.entriesKept) << shown;
    }
}

TEST(ExportReader, AMillionNestedFoldersReadWithoutRecursion)
{
    constexpr std::size_t kDepth = 1000000;
    std::string bytes = "[1,2,{},";
    bytes.reserve(kDepth * 20);
    for (std::size_t i = 0; i < kDepth; ++i)
        bytes += i == 0 ? "[{\"name\":\"/r\"}" : ",[{\"name\":\"d\"}";
    bytes += std::string(kDepth, ']') + "]";
    bool whole = false;
    const ExportRecord record = ExportRecord::of(bytes, &whole);
    EXPECT_TRUE(whole) << record.problem.message;
    EXPECT_EQ(record.deepest, kDepth);
}

TEST(ExportReader, FilesAndStandardInputThatAreNoExportsAreUnreadable)
{
    const auto problem = [](const std::string& path) {
        ExportInput input;
        EXPECT_FALSE(input.open(path)) << path;
        ExportRecord record;
        ExportProblem stop;
        EXPECT_FALSE(ExportReader::read(input, record, &stop));
        EXPECT_TRUE(stop.unreadable);
        return stop.message;
    };
    EXPECT_EQ(problem("/nonexistent/export.json"), "No such file or directory");
    EXPECT_EQ(problem("/tmp"), "is a folder, not an export file");
    EXPECT_EQ(problem("/dev/null"), "is a device, not an export file");

    // A FIFO nobody writes to ends at once instead of waiting.
    const std::string fifo = "/tmp/lumenfold-export-fifo-" + std::to_string(getpid());
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(problem(fifo), "is empty");
    unlink(fifo.c_str());
}

// Ten million entries of one name in one folder stream through a pipe with
// the reader's one buffer; names that repeat are handed on as they come.
TEST(ExportReader, TenMillionEntriesOfOneNameStreamThroughAPipe)
{
    constexpr std::size_t kEntries = 10000000;
    int ends[2];
    ASSERT_EQ(pipe(ends), 0);
    std::thread writer([&] {
        std::string block = "[1,2,{},[{\"name\":\"/wide\"}";
        for (std::size_t i = 0; i < kEntries; ++i) {
            block += ",{\"name\":\"same\",\"asize\":1}";
            if (block.size() > 60000 || i + 1 == kEntries) {
                if (i + 1 == kEntries)
                    block += "]]";
                for (std::size_t done = 0; done < block.size();) {
                    const ssize_t wrote = write(ends[1], block.data() + done, block.size() - done);
                    if (wrote <= 0)
                        break;
                    done += static_cast<std::size_t>(wrote);
                }
                block.clear();
            }
        }
        close(ends[1]);
    });
    struct Counter : ExportSink {
        void metadata(const ExportMetadata&) override {}
        void beginFolder(const ExportEntry&) override {}
        void entry(const ExportEntry& entry) override
        {
            entries += entry.name == "same" ? 1 : 0;
            bytes += entry.countedSize;
        }
        void endFolder() override {}
        void stopped(const ExportProblem&) override {}
        std::size_t entries = 0;
        std::uint64_t bytes = 0;
    } counter;
    ExportInput input;
    ASSERT_TRUE(input.openDescriptor(ends[0]));
    EXPECT_TRUE(ExportReader::read(input, counter));
    writer.join();
    close(ends[0]);
    EXPECT_EQ(counter.entries, kEntries);
    EXPECT_EQ(counter.bytes, kEntries);
}
