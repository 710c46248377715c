#include "support/BlockPool.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <set>
#include <vector>

namespace {

bool alignedTo(const void* block, std::size_t alignment)
{
    return reinterpret_cast<std::uintptr_t>(block) % alignment == 0;
}

} // namespace

TEST(BlockPool, RoundsTheBlockSizeUpToTheAlignmentAndRoomForTheFreeList)
{
    EXPECT_EQ(BlockPool(112, 8).blockSize(), 112u);
    EXPECT_EQ(BlockPool(24, 8).blockSize(), 24u);
    EXPECT_EQ(BlockPool(20, 16).blockSize(), 32u);
    EXPECT_EQ(BlockPool(1, 1).blockSize(), sizeof(void*));
}

TEST(BlockPool, HandsOutAlignedBlocksThatNeverOverlapAcrossManySlabs)
{
    // 112-byte blocks: 20,000 of them span several 64 KB slabs.
    BlockPool pool(112, 8);
    std::vector<unsigned char*> blocks;
    for (int i = 0; i < 20000; ++i) {
        auto* block = static_cast<unsigned char*>(pool.allocate(pool.blockSize()));
        ASSERT_TRUE(alignedTo(block, 8));
        std::memset(block, i & 0xff, pool.blockSize());
        blocks.push_back(block);
    }
    for (std::size_t i = 0; i < blocks.size(); ++i) {
        const unsigned char expected = static_cast<unsigned char>(i & 0xff);
        ASSERT_TRUE(
            std::all_of(blocks[i], blocks[i] + pool.blockSize(), [&](unsigned char byte) { return byte == expected; }))
            << "block " << i << " was overwritten by another";
    }
    std::sort(blocks.begin(), blocks.end());
    for (std::size_t i = 1; i < blocks.size(); ++i)
        ASSERT_GE(blocks[i] - blocks[i - 1], static_cast<std::ptrdiff_t>(pool.blockSize()));
    for (unsigned char* block : blocks)
        pool.release(block, pool.blockSize());
}

TEST(BlockPool, ReusesReleasedBlocksBeforeTakingNewMemory)
{
    if (BlockPool::allocatesEachBlockAlone())
        GTEST_SKIP() << "blocks are separate allocations in this build";
    BlockPool pool(48, 8);
    void* first = pool.allocate(pool.blockSize());
    void* second = pool.allocate(pool.blockSize());
    pool.release(first, pool.blockSize());
    pool.release(second, pool.blockSize());
    const std::set<void*> reused{pool.allocate(pool.blockSize()), pool.allocate(pool.blockSize())};
    EXPECT_EQ(reused, (std::set<void*>{first, second}));
}

TEST(BlockPool, ServesBlocksLargerThanASlab)
{
    BlockPool pool(100 * 1024, 16);
    auto* a = static_cast<unsigned char*>(pool.allocate(pool.blockSize()));
    auto* b = static_cast<unsigned char*>(pool.allocate(pool.blockSize()));
    std::memset(a, 1, pool.blockSize());
    std::memset(b, 2, pool.blockSize());
    EXPECT_EQ(a[pool.blockSize() - 1], 1);
    EXPECT_EQ(b[0], 2);
    pool.release(a, pool.blockSize());
    pool.release(b, pool.blockSize());
}

TEST(BlockPool, ObjectsLargerThanTheBlockComeFromTheGlobalHeap)
{
    BlockPool pool(24, 8);
    const std::size_t larger = pool.blockSize() * 4;
    auto* object = static_cast<unsigned char*>(pool.allocate(larger));
    std::memset(object, 7, larger);
    EXPECT_EQ(object[larger - 1], 7);
    pool.release(object, larger);
}

TEST(BlockPool, ReleasingNullDoesNothing)
{
    BlockPool pool(32, 8);
    pool.release(nullptr, pool.blockSize());
    void* block = pool.allocate(pool.blockSize());
    EXPECT_NE(block, nullptr);
    pool.release(block, pool.blockSize());
}
