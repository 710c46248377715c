#pragma once

#include <cstddef>
#include <vector>

// Hands out memory blocks of one fixed size, carved from large slabs, with no
// per-block bookkeeping. A scanned tree holds one node and one icon per entry
// for the whole run, so for trees of 100,000 entries the allocator's per-block
// header and rounding are a noticeable share of their memory. Freed blocks are
// reused; slabs are never returned. Not safe to share between threads: one
// thread at a time, so no block costs a lock.
// Built with AddressSanitizer, every block is its own allocation, so the
// sanitizer still guards each one.
class BlockPool {
public:
    // alignment: a power of two, at most alignof(std::max_align_t).
    BlockPool(std::size_t blockSize, std::size_t alignment);
    ~BlockPool();
    BlockPool(const BlockPool&) = delete;
    BlockPool& operator=(const BlockPool&) = delete;

    // Memory for an object of the given size: a block of the pool when it fits
    // one, otherwise (a larger derived class) from the global operator new.
    // Throws std::bad_alloc like operator new.
    void* allocate(std::size_t bytes);
    // Gives back what allocate(bytes) returned; null is ignored.
    void release(void* block, std::size_t bytes);

    std::size_t blockSize() const { return size; }
    // True in a build with AddressSanitizer, where blocks are not pooled.
    static bool allocatesEachBlockAlone();

private:
    void* takeBlock();
    void returnBlock(void* block);

    struct FreeBlock {
        FreeBlock* next;
    };

    std::size_t size;
    std::size_t blocksPerSlab;
    FreeBlock* freeList = nullptr;
    // Unused blocks of the newest slab, from nextBlock on.
    char* nextBlock = nullptr;
    std::size_t blocksLeft = 0;
    std::vector<char*> slabs;
};

// The process-wide pool for objects of type T, for class-specific operator
// new and delete. Never destroyed, because pooled objects may live until exit.
template <typename T>
BlockPool& blockPoolFor()
{
    static BlockPool* pool = new BlockPool(sizeof(T), alignof(T));
    return *pool;
}
