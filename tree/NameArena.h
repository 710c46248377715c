#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

// Names stored end to end in large blocks that never move, so that a tree
// makes no allocation per name and a reader on another thread may read a
// name it learnt of through an acquire/release pair while the writer adds
// more. A name is found by the 32-bit offset add() gave and its length; no
// name crosses a block.
class NameArena {
public:
    static constexpr std::size_t kBlockBits = 20;
    static constexpr std::size_t kBlockSize = std::size_t(1) << kBlockBits;
    static constexpr std::size_t kMaxBlocks = 4096;

    NameArena();
    ~NameArena();
    NameArena(const NameArena&) = delete;
    NameArena& operator=(const NameArena&) = delete;

    // Writer: stores the name (at most kBlockSize bytes); its offset.
    std::uint32_t add(std::string_view name);
    // An empty name (the top folder's) touches no block: its offset may name
    // one the writer has yet to make.
    std::string_view at(std::uint32_t offset, std::size_t length) const
    {
        if (length == 0)
            return std::string_view();
        return std::string_view(blocks[offset >> kBlockBits] + (offset & (kBlockSize - 1)), length);
    }

    std::size_t memoryBytes() const;

private:
    std::unique_ptr<char*[]> blocks;
    std::size_t blockCount = 0;
    // Bytes used in the last block.
    std::size_t filled = kBlockSize;
};
