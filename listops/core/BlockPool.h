#pragma once

#include <cstddef>
#include <mutex>

namespace quillmark {

// Blocks of one size, for objects aligned to no more than a pointer that a
// list holds millions of, handed out from large chunks: the general allocator
// adds 8 bytes to each block and rounds it up to 16, and takes several times
// the instructions. A chunk goes back once none of its blocks is in use; a
// pool that goes first leaves those in use where they are. Any thread may
// allocate and free.
class BlockPool
{
public:
    explicit BlockPool(size_t blockSize);
    BlockPool(const BlockPool &) = delete;
    BlockPool &operator=(const BlockPool &) = delete;

    // Throws std::bad_alloc when no memory is left.
    void *allocate();
    void free(void *block);

    // How many chunks the pool holds now.
    size_t chunkCount() const;

    // The bytes of a chunk, a power of two, the chunks aligned to it, so that
    // a block finds its chunk from its own address.
    static constexpr size_t chunkBytes = size_t(1) << 18;

private:
    struct Chunk;
    void link(Chunk *chunk);
    void unlink(Chunk *chunk);

    const size_t blockSize;
    const size_t blocksPerChunk;
    mutable std::mutex mutex;
    // Chunks with a block free, the one blocks come from first.
    Chunk *withRoom = nullptr;
    size_t chunks = 0;
};

} // namespace quillmark
