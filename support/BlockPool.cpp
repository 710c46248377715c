#include "support/BlockPool.h"

#include <new>

namespace {

constexpr std::size_t kSlabBytes = 64 * 1024;

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kEachBlockAlone = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kEachBlockAlone = true;
#else
constexpr bool kEachBlockAlone = false;
#endif
#else
constexpr bool kEachBlockAlone = false;
#endif

std::size_t roundUp(std::size_t value, std::size_t multiple)
{
    return (value + multiple - 1) / multiple * multiple;
}

} // namespace

BlockPool::BlockPool(std::size_t blockSize, std::size_t alignment)
    : size(roundUp(blockSize < sizeof(FreeBlock) ? sizeof(FreeBlock) : blockSize,
                   alignment < alignof(FreeBlock) ? alignof(FreeBlock) : alignment)),
      blocksPerSlab(size < kSlabBytes ? kSlabBytes / size : 1)
{
}

BlockPool::~BlockPool()
{
    for (char* slab : slabs)
        ::operator delete(slab);
}

bool BlockPool::allocatesEachBlockAlone()
{
    return kEachBlockAlone;
}

void* BlockPool::allocate(std::size_t bytes)
{
    if (kEachBlockAlone || bytes > size)
        return ::operator new(bytes);
    return takeBlock();
}

void BlockPool::release(void* block, std::size_t bytes)
{
    if (block == nullptr)
        return;
    if (kEachBlockAlone || bytes > size)
        ::operator delete(block);
    else
        returnBlock(block);
}

void* BlockPool::takeBlock()
{
    if (freeList != nullptr) {
        FreeBlock* block = freeList;
        freeList = block->next;
        return block;
    }
    if (blocksLeft == 0) {
        slabs.reserve(slabs.size() + 1);
        nextBlock = static_cast<char*>(::operator new(blocksPerSlab* size));
        slabs.push_back(nextBlock);
        blocksLeft = blocksPerSlab;
    }
    void* block = nextBlock;
    nextBlock += size;
    --blocksLeft;
    return block;
}

void BlockPool::returnBlock(void* block)
{
    freeList = new (block) FreeBlock{freeList};
}
