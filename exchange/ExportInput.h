#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

struct ZSTD_DCtx_s;
struct z_stream_s;

// The bytes of an export file or of standard input, read a fixed-size block
// at a time and inflated on the way when the first bytes say gzip or zstd.
// It is a character stream for the JSON reader: Peek() gives '\0' at the end
// or after a fault, and Tell() counts the uncompressed bytes taken.
class ExportInput {
public:
    using Ch = char;

    ExportInput();
    ~ExportInput();
    ExportInput(const ExportInput&) = delete;
    ExportInput& operator=(const ExportInput&) = delete;

    // Opens `path` ("-": standard input, which stays open). False, with the
    // reason in problem(), when it cannot be read at all: missing, a folder,
    // a device, unreadable.
    bool open(const std::string& path);
    // The same on a descriptor the caller keeps open (a test's pipe).
    bool openDescriptor(int descriptor);

    // The input ended (or failed) and every byte was taken.
    bool ended() { return Peek() == '\0' && finished; }
    // Why reading stopped before the end (an I/O error, damaged compressed
    // data, compressed data cut short); empty when it did not.
    const std::string& problem() const { return fault; }
    // The format the bytes came in: "", "gzip" or "zstd".
    const char* compression() const;

    // Called when no bytes are ready and the next read would wait for the
    // input's writer (a pipe, a FIFO), then every kWaitMs while it waits: the
    // reader hands on what it has meanwhile, and may throw to stop waiting.
    void onWait(std::function<void()> call) { waiting = std::move(call); }
    static constexpr int kWaitMs = 20;

    Ch Peek()
    {
        if (position == available && !refill())
            return '\0';
        return decoded[position];
    }
    Ch Take()
    {
        if (position == available && !refill())
            return '\0';
        ++taken;
        return decoded[position++];
    }
    std::size_t Tell() const { return static_cast<std::size_t>(taken); }

    // Writing, which the reader never does on a stream like this.
    Ch* PutBegin() { return nullptr; }
    void Put(Ch) {}
    void Flush() {}
    std::size_t PutEnd(Ch*) { return 0; }

    static constexpr std::size_t kBlock = 64 * 1024;

private:
    enum class Format { Plain, Gzip, Zstd };

    bool start();
    bool refill();
    // Raw bytes into `raw`; false at the end or on an error.
    bool readRaw();
    bool inflateGzip();
    bool inflateZstd();
    void waitForBytes();
    bool fail(const std::string& message);
    bool faultAfterOutput(const std::string& message);

    int fd = -1;
    std::function<void()> waiting;
    bool ownsDescriptor = false;
    Format format = Format::Plain;
    bool finished = false;
    bool rawEnded = false;
    std::string fault;
    std::string laterFault;
    std::uint64_t taken = 0;

    std::array<char, kBlock> raw{};
    std::size_t rawStart = 0;
    std::size_t rawEnd = 0;
    std::array<char, kBlock> decoded{};
    std::size_t position = 0;
    std::size_t available = 0;

    z_stream_s* gzip = nullptr;
    bool gzipMemberEnded = false;
    ZSTD_DCtx_s* zstd = nullptr;
    bool zstdFrameOpen = false;
};
