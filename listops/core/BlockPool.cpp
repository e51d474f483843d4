#include "BlockPool.h"

#include <cstdint>
#include <new>

// A block in a pool is memory the sanitizer would not see freed; it is told.
#if defined(__has_include)
#if __has_include(<sanitizer/asan_interface.h>)
#include <sanitizer/asan_interface.h>
#endif
#endif
#ifndef ASAN_POISON_MEMORY_REGION
#define ASAN_POISON_MEMORY_REGION(address, size) ((void)(address), (void)(size))
#define ASAN_UNPOISON_MEMORY_REGION(address, size) ((void)(address), (void)(size))
#endif

namespace quillmark {

// A chunk starts with this header; its blocks follow. Blocks never handed out
// lie past `untouched`; freed ones are linked through their first bytes.
struct BlockPool::Chunk {
    Chunk *previous = nullptr;
    Chunk *next = nullptr;
    void *freed = nullptr;
    size_t untouched = 0;
    size_t used = 0;
    bool linked = false;

    static size_t headerBytes(size_t blockSize) { return (sizeof(Chunk) + blockSize - 1) / blockSize * blockSize; }
    char *block(size_t index, size_t blockSize)
    {
        return reinterpret_cast<char *>(this) + headerBytes(blockSize) + index * blockSize;
    }
};

namespace {

constexpr size_t blockAlignment = alignof(void *);

size_t alignedSize(size_t size)
{
    const size_t atLeast = size < sizeof(void *) ? sizeof(void *) : size;
    return (atLeast + blockAlignment - 1) / blockAlignment * blockAlignment;
}

} // namespace

BlockPool::BlockPool(size_t size)
    : blockSize(alignedSize(size))
    , blocksPerChunk((chunkBytes - Chunk::headerBytes(blockSize)) / blockSize)
{
}

void *BlockPool::allocate()
{
    const std::lock_guard lock(mutex);
    if (!withRoom) {
        void *memory = ::operator new(chunkBytes, std::align_val_t(chunkBytes));
        link(new (memory) Chunk);
        ++chunks;
    }
    Chunk *chunk = withRoom;
    void *block;
    if (chunk->freed) {
        block = chunk->freed;
        ASAN_UNPOISON_MEMORY_REGION(block, blockSize);
        chunk->freed = *static_cast<void **>(block);
    } else {
        block = chunk->block(chunk->untouched++, blockSize);
    }
    if (++chunk->used == blocksPerChunk)
        unlink(chunk);
    return block;
}

void BlockPool::free(void *block)
{
    if (!block)
        return;
    const std::lock_guard lock(mutex);
    auto *chunk = reinterpret_cast<Chunk *>(reinterpret_cast<std::uintptr_t>(block) & ~std::uintptr_t(chunkBytes - 1));
    if (--chunk->used == 0) {
        if (chunk->linked)
            unlink(chunk);
        chunk->~Chunk();
        ::operator delete(chunk, std::align_val_t(chunkBytes));
        --chunks;
        return;
    }
    *static_cast<void **>(block) = chunk->freed;
    chunk->freed = block;
    ASAN_POISON_MEMORY_REGION(block, blockSize);
    if (!chunk->linked)
        link(chunk);
}

size_t BlockPool::chunkCount() const
{
    const std::lock_guard lock(mutex);
    return chunks;
}

void BlockPool::link(Chunk *chunk)
{
    chunk->previous = nullptr;
    chunk->next = withRoom;
    if (withRoom)
        withRoom->previous = chunk;
    withRoom = chunk;
    chunk->linked = true;
}

void BlockPool::unlink(Chunk *chunk)
{
    if (chunk->previous)
        chunk->previous->next = chunk->next;
    else
        withRoom = chunk->next;
    if (chunk->next)
        chunk->next->previous = chunk->previous;
    chunk->linked = false;
}

} // namespace quillmark
