#include "tree/NameArena.h"

#include <cstring>
#include <stdexcept>

NameArena::NameArena() : blocks(new char*[kMaxBlocks]())
{
}

// Blocks are taken untouched: only the bytes names fill cost memory.

NameArena::~NameArena()
{
    for (std::size_t i = 0; i < blockCount; ++i)
        delete[] blocks[i];
}

std::uint32_t NameArena::add(std::string_view name)
{
    if (name.empty())
        return 0;
    if (name.size() > kBlockSize)
        throw std::length_error("a name longer than any file system allows");
    if (kBlockSize - filled < name.size()) {
        if (blockCount == kMaxBlocks)
            throw std::length_error("the tree holds as many names as it can");
        blocks[blockCount++] = new char[kBlockSize];
        filled = 0;
    }
    std::memcpy(blocks[blockCount - 1] + filled, name.data(), name.size());
    const std::size_t offset = ((blockCount - 1) << kBlockBits) | filled;
    filled += name.size();
    return static_cast<std::uint32_t>(offset);
}

std::size_t NameArena::memoryBytes() const
{
    // Every block but the last is full up to a name's length.
    return blockCount == 0 ? 0 : blockCount * sizeof(char*) + (blockCount - 1) * kBlockSize + filled;
}
