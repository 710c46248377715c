#pragma once

#include "exchange/ExportEntry.h"
#include "exchange/ExportInput.h"
#include "scene/ScanControl.h"
#include "tree/EntryTree.h"
#include "tree/TreeSource.h"

#include <atomic>
#include <chrono>
#include <mutex>
#include <string>
#include <thread>

// The reading of an export file into an EntryTree on a worker thread of its
// own, in place of a scan: the same progress and stop through control()
// ("Reading: ..."), files with several links counted once in the totals as
// the reader reports them, folders the tool did not enter listed with their
// reason as enterError(). An export that breaks off keeps what was read: the
// folders open at that point are listed with what they had.
class EntryImport : public TreeSource {
public:
    // Opens `file` ("-": standard input) on the calling thread; when it
    // cannot be read at all, opened() is false and nothing starts.
    explicit EntryImport(std::string file);
    ~EntryImport() override;
    EntryImport(const EntryImport&) = delete;
    EntryImport& operator=(const EntryImport&) = delete;

    bool opened() const { return isOpen; }
    EntryTree& tree() const override { return *entries; }
    ScanControl& control() override { return shared; }
    bool ended() const override { return over.load(std::memory_order_acquire); }
    bool imported() const override { return true; }
    bool stop(std::chrono::milliseconds patience) override;

    // Once ended(): whether reading stopped before the end, why and where.
    bool stoppedEarly() const { return early; }
    const ExportProblem& problem() const { return fault; }
    // Once ended(): what the export says of itself.
    const ExportMetadata& metadata() const { return about; }
    // Once ended(): the top folder's device and inode, as the export has them.
    bool hasTopIdentity() const { return topKnown; }
    std::uint64_t topDevice() const { return topDev; }
    std::uint64_t topInode() const { return topIno; }

    // Once ended(): whether the top folder exists here as the same folder
    // (the same device and inode), so that its entries can be opened.
    bool onThisMachine() const;
    // The file as given on the command line.
    const std::string& file() const { return path; }

    // "lumenfold: FILE: byte N: what was wrong", for standard error.
    std::string problemLine() const;
    // "scanned by gdu 5.22 on 2026-12-01 14:03", or where reading stopped,
    // for the status line over no entry.
    std::string sourceNote() const;

private:
    class Sink;
    void work();

    std::string path;
    EntryTree* entries;
    ScanControl shared;
    ExportInput input;
    bool isOpen = false;
    bool early = false;
    ExportProblem fault;
    ExportMetadata about;
    bool topKnown = false;
    std::uint64_t topDev = 0;
    std::uint64_t topIno = 0;
    std::atomic<bool> over{false};
    std::thread worker;
};
