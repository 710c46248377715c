#pragma once

#include <cstddef>
#include <mutex>
#include <vector>

// Hands out memory blocks of one fixed size, carved from large slabs, with no
// per-block bookkeeping. A scanned tree holds one node and one icon per entry
// for the whole run, so for trees of 100,000 entries the allocator's per-block
// header and rounding are a noticeable share of their memory. Freed blocks are
// reused; slabs are never returned. Safe to use from several threads.
// Built with AddressSanitizer, every block is its own allocation, so the
// sanitizer still guards each one.
class BlockPool {
public:
    // alignment: a power of two, at most alignof(std::max_align_t).
    BlockPool(std::size_t blockSize, std::size_t alignment);
    ~BlockPool();
    BlockPool(const BlockPool&) = delete;
    BlockPool& operator=(const BlockPool&) = delete;

    // A block of blockSize() bytes with the pool's alignment; throws
    // std::bad_alloc like operator new.
    void* allocate();
    // Returns a block from allocate() of this pool; null is ignored.
    void release(void* block);

    std::size_t blockSize() const { return size; }
    // True in a build with AddressSanitizer, where blocks are not pooled.
    static bool allocatesEachBlockAlone();

private:
    struct FreeBlock {
        FreeBlock* next;
    };

    std::size_t size;
    std::size_t blocksPerSlab;
    std::mutex guard;
    FreeBlock* freeList = nullptr;
    // Unused blocks of the newest slab, from nextBlock on.
    char* nextBlock = nullptr;
    std::size_t blocksLeft = 0;
    std::vector<char*> slabs;
};
