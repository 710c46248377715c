#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <new>
#include <stdexcept>

// A growing array of T held in chunks of 2^ChunkBits elements that never
// move once made, found through a directory of fixed size: an element's
// address stays the same while the one writer appends, so a reader on
// another thread may keep reading elements it learnt of through an
// acquire/release pair, however far the array grows meanwhile.
template <typename T, unsigned ChunkBits, std::size_t MaxChunks>
class ChunkedStore {
public:
    static constexpr std::size_t kChunkSize = std::size_t(1) << ChunkBits;
    static constexpr std::size_t kCapacity = kChunkSize * MaxChunks;

    // The directory and each chunk are taken from the system untouched and
    // an element is made only when appended, so a chunk's unused tail (and
    // the directory's) costs address space, not memory.
    ChunkedStore() : chunks(static_cast<T**>(std::calloc(MaxChunks, sizeof(T*))))
    {
        if (chunks == nullptr)
            throw std::bad_alloc();
    }
    ~ChunkedStore()
    {
        for (std::size_t i = 0; i < used; ++i)
            (*this)[i].~T();
        for (std::size_t i = 0; i < MaxChunks && chunks[i] != nullptr; ++i)
            ::operator delete(chunks[i]);
        std::free(chunks);
    }
    ChunkedStore(const ChunkedStore&) = delete;
    ChunkedStore& operator=(const ChunkedStore&) = delete;

    T& operator[](std::size_t index) { return chunks[index >> ChunkBits][index & (kChunkSize - 1)]; }
    const T& operator[](std::size_t index) const { return chunks[index >> ChunkBits][index & (kChunkSize - 1)]; }

    // Writer: a fresh default-made element at the end; its index.
    std::size_t append()
    {
        const std::size_t index = used;
        if ((index & (kChunkSize - 1)) == 0) {
            if (index >= kCapacity)
                throw std::length_error("the tree holds as many entries as it can");
            chunks[index >> ChunkBits] = static_cast<T*>(::operator new(kChunkSize * sizeof(T)));
        }
        new (&(*this)[index]) T();
        ++used;
        return index;
    }

    // Writer only (a reader learns of elements otherwise).
    std::size_t size() const { return used; }

    // The bytes in use: the elements made and the directory's part that points at chunks.
    std::size_t memoryBytes() const { return used * sizeof(T) + ((used + kChunkSize - 1) >> ChunkBits) * sizeof(T*); }

private:
    T** chunks;
    std::size_t used = 0;
};
