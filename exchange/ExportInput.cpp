#include "exchange/ExportInput.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>
#include <zstd.h>

#include <cerrno>
#include <cstring>

ExportInput::ExportInput() = default;

ExportInput::~ExportInput()
{
    if (gzip != nullptr) {
        inflateEnd(gzip);
        delete gzip;
    }
    if (zstd != nullptr)
        ZSTD_freeDCtx(zstd);
    if (ownsDescriptor && fd >= 0)
        close(fd);
}

bool ExportInput::fail(const std::string& message)
{
    if (fault.empty())
        fault = message;
    finished = true;
    available = position = 0;
    return false;
}

bool ExportInput::faultAfterOutput(const std::string& message)
{
    if (available == 0)
        return fail(message);
    // What was inflated before the fault is handed on first.
    laterFault = message;
    return true;
}

bool ExportInput::open(const std::string& path)
{
    if (path == "-")
        return openDescriptor(STDIN_FILENO);
    // Without blocking, so that opening a FIFO nobody writes to returns.
    fd = ::open(path.c_str(), O_RDONLY | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return fail(std::strerror(errno));
    ownsDescriptor = true;
    return openDescriptor(fd);
}

bool ExportInput::openDescriptor(int descriptor)
{
    fd = descriptor;
    struct stat info {};
    if (fstat(fd, &info) != 0)
        return fail(std::strerror(errno));
    if (S_ISDIR(info.st_mode))
        return fail("is a folder, not an export file");
    if (S_ISCHR(info.st_mode) || S_ISBLK(info.st_mode) || S_ISSOCK(info.st_mode))
        return fail("is a device, not an export file");
    // A FIFO or pipe is read as it comes, blocking for its writer.
    const int flags = fcntl(fd, F_GETFL);
    if (flags >= 0 && (flags & O_NONBLOCK) != 0 && ownsDescriptor)
        fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    return start();
}

bool ExportInput::start()
{
    // The first bytes tell the format: at least four unless the input is shorter.
    while (rawEnd < 4 && !rawEnded)
        if (!readRaw() && !fault.empty())
            return false;
    if (rawEnd == 0)
        return fail("is empty");
    const auto* bytes = reinterpret_cast<const unsigned char*>(raw.data());
    if (rawEnd >= 2 && bytes[0] == 0x1f && bytes[1] == 0x8b) {
        format = Format::Gzip;
        gzip = new z_stream_s{};
        // 32: a gzip header.
        if (inflateInit2(gzip, 15 + 32) != Z_OK)
            return fail("cannot start gzip decompression");
    } else if (rawEnd >= 4 && bytes[0] == 0x28 && bytes[1] == 0xb5 && bytes[2] == 0x2f && bytes[3] == 0xfd) {
        format = Format::Zstd;
        zstd = ZSTD_createDCtx();
        if (zstd == nullptr)
            return fail("cannot start zstd decompression");
    }
    return true;
}

const char* ExportInput::compression() const
{
    switch (format) {
    case Format::Gzip:
        return "gzip";
    case Format::Zstd:
        return "zstd";
    case Format::Plain:
        break;
    }
    return "";
}

bool ExportInput::readRaw()
{
    if (rawStart == rawEnd)
        rawStart = rawEnd = 0;
    if (rawEnded || rawEnd == raw.size())
        return false;
    waitForBytes();
    for (;;) {
        const ssize_t got = ::read(fd, raw.data() + rawEnd, raw.size() - rawEnd);
        if (got > 0) {
            rawEnd += static_cast<std::size_t>(got);
            return true;
        }
        if (got == 0) {
            rawEnded = true;
            return false;
        }
        if (errno != EINTR) {
            rawEnded = true;
            return fail(std::string("read error: ") + std::strerror(errno));
        }
    }
}

void ExportInput::waitForBytes()
{
    if (!waiting)
        return;
    pollfd ready{fd, POLLIN, 0};
    int timeout = 0;
    for (;;) {
        const int result = poll(&ready, 1, timeout);
        // Bytes, the writer gone or an error: read() says which.
        if (result > 0 || (result < 0 && errno != EINTR))
            return;
        if (result == 0) {
            waiting();
            timeout = kWaitMs;
        }
    }
}

bool ExportInput::refill()
{
    if (finished)
        return false;
    if (!laterFault.empty())
        return fail(laterFault);
    position = available = 0;
    switch (format) {
    case Format::Plain:
        while (rawStart == rawEnd) {
            if (!readRaw()) {
                finished = true;
                return false;
            }
        }
        std::memcpy(decoded.data(), raw.data() + rawStart, rawEnd - rawStart);
        available = rawEnd - rawStart;
        rawStart = rawEnd = 0;
        return true;
    case Format::Gzip:
        return inflateGzip();
    case Format::Zstd:
        return inflateZstd();
    }
    return false;
}

bool ExportInput::inflateGzip()
{
    while (available == 0) {
        if (rawStart == rawEnd && !readRaw()) {
            if (!fault.empty())
                return false;
            if (!gzipMemberEnded)
                return fail("the gzip data ends early");
            finished = true;
            return false;
        }
        if (gzipMemberEnded) {
            // Another member follows (concatenated gzip files).
            inflateReset(gzip);
            gzipMemberEnded = false;
        }
        gzip->next_in = reinterpret_cast<Bytef*>(raw.data() + rawStart);
        gzip->avail_in = static_cast<uInt>(rawEnd - rawStart);
        gzip->next_out = reinterpret_cast<Bytef*>(decoded.data());
        gzip->avail_out = static_cast<uInt>(decoded.size());
        const int result = inflate(gzip, Z_NO_FLUSH);
        rawStart = rawEnd - gzip->avail_in;
        available = decoded.size() - gzip->avail_out;
        if (result == Z_STREAM_END)
            gzipMemberEnded = true;
        else if (result != Z_OK && result != Z_BUF_ERROR)
            return faultAfterOutput(std::string("the gzip data is damaged")
                                    + (gzip->msg != nullptr ? std::string(": ") + gzip->msg : ""));
    }
    return true;
}

bool ExportInput::inflateZstd()
{
    while (available == 0) {
        if (rawStart == rawEnd && !readRaw()) {
            if (!fault.empty())
                return false;
            if (zstdFrameOpen)
                return fail("the zstd data ends early");
            finished = true;
            return false;
        }
        ZSTD_inBuffer in{raw.data() + rawStart, rawEnd - rawStart, 0};
        ZSTD_outBuffer out{decoded.data(), decoded.size(), 0};
        const std::size_t result = ZSTD_decompressStream(zstd, &out, &in);
        rawStart += in.pos;
        available = out.pos;
        if (ZSTD_isError(result) != 0)
            return faultAfterOutput(std::string("the zstd data is damaged: ") + ZSTD_getErrorName(result));
        // 0: a frame is whole; anything else: more of it is to come.
        zstdFrameOpen = result != 0;
    }
    return true;
}
