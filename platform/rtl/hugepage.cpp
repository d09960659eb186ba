#include "platform/rtl/hugepage.h"

#include <cstdint>
#include <mutex>
#include <sys/mman.h>
#include <unistd.h>

namespace rtl {

namespace {

constexpr std::size_t kPage = 4096;

std::size_t roundUp(std::size_t bytes, std::size_t unit)
{
    return (bytes + unit - 1) & ~(unit - 1);
}

// A fresh anonymous mapping of `size` bytes on a `align` boundary (both
// multiples of the huge page), asked for huge pages; nullptr when the
// address space is exhausted.
void* mapAligned(std::size_t size, std::size_t align)
{
    if (size + align < size)
        return nullptr;
    // Map one alignment unit more and cut the mapping down to the boundary.
    void* raw = ::mmap(nullptr, size + align, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (raw == MAP_FAILED)
        return nullptr;
    const auto start = reinterpret_cast<std::uintptr_t>(raw);
    const std::uintptr_t aligned = (start + align - 1) & ~std::uintptr_t(align - 1);
    if (aligned > start)
        ::munmap(raw, aligned - start);
    const std::size_t tail = align - (aligned - start);
    if (tail > 0)
        ::munmap(reinterpret_cast<void*>(aligned + size), tail);
    void* p = reinterpret_cast<void*>(aligned);
#ifdef MADV_HUGEPAGE
    ::madvise(p, size, MADV_HUGEPAGE); // a refusal leaves ordinary pages
#endif
    return p;
}

// Blocks below the huge page size but too big for the heap to keep warm
// (sixteen-port curves are a few hundred KiB each) are carved one after the
// other from shared chunks, so that they too fault in huge pages. A chunk is
// unmapped when its last block is freed; the chunk being carved is reused
// from its start instead.
constexpr std::size_t kPoolMin = std::size_t(128) << 10;
constexpr std::size_t kChunkSize = std::size_t(16) << 20;

struct ChunkHeader {
    std::size_t used; // bytes carved, header included
    std::size_t live; // blocks not yet freed
};

constinit std::mutex poolMutex;
constinit ChunkHeader* currentChunk = nullptr;

ChunkHeader* chunkOf(void* p)
{
    return reinterpret_cast<ChunkHeader*>(reinterpret_cast<std::uintptr_t>(p) & ~std::uintptr_t(kChunkSize - 1));
}

void* poolAllocate(std::size_t bytes)
{
    bytes = roundUp(bytes, kPage);
    std::lock_guard lock(poolMutex);
    if (!currentChunk || currentChunk->used + bytes > kChunkSize) {
        auto* chunk = static_cast<ChunkHeader*>(mapAligned(kChunkSize, kChunkSize));
        if (!chunk)
            throw std::bad_alloc();
        if (currentChunk && currentChunk->live == 0)
            ::munmap(currentChunk, kChunkSize);
        chunk->used = kPage; // blocks stay page-aligned behind the header
        chunk->live = 0;
        currentChunk = chunk;
    }
    void* p = reinterpret_cast<char*>(currentChunk) + currentChunk->used;
    currentChunk->used += bytes;
    ++currentChunk->live;
    return p;
}

void poolFree(void* p)
{
    std::lock_guard lock(poolMutex);
    ChunkHeader* chunk = chunkOf(p);
    if (--chunk->live > 0)
        return;
    if (chunk == currentChunk)
        chunk->used = kPage;
    else
        ::munmap(chunk, kChunkSize);
}

enum class BlockKind { Heap, Pool, Mapped };

BlockKind kindOf(std::size_t bytes, std::size_t align)
{
    // Mappings and chunks keep at most the page's alignment.
    if (align > kPage || bytes < kPoolMin)
        return BlockKind::Heap;
    return bytes < kHugePageSize ? BlockKind::Pool : BlockKind::Mapped;
}

} // namespace

void* AllocateLargeBlock(std::size_t bytes, std::size_t align)
{
    switch (kindOf(bytes, align)) {
    case BlockKind::Heap:
        if (bytes == 0)
            bytes = 1;
        if (align > __STDCPP_DEFAULT_NEW_ALIGNMENT__)
            return ::operator new(bytes, std::align_val_t(align));
        return ::operator new(bytes);
    case BlockKind::Pool:
        return poolAllocate(bytes);
    case BlockKind::Mapped:
        break;
    }
    // Whole huge pages, so that the last one is not left in small pages.
    const std::size_t size = roundUp(bytes, kHugePageSize);
    void* p = size < bytes ? nullptr : mapAligned(size, kHugePageSize);
    if (!p)
        throw std::bad_alloc();
    return p;
}

void FreeLargeBlock(void* p, std::size_t bytes, std::size_t align) noexcept
{
    if (!p)
        return;
    switch (kindOf(bytes, align)) {
    case BlockKind::Heap:
        if (align > __STDCPP_DEFAULT_NEW_ALIGNMENT__)
            ::operator delete(p, std::align_val_t(align));
        else
            ::operator delete(p);
        return;
    case BlockKind::Pool:
        poolFree(p);
        return;
    case BlockKind::Mapped:
        ::munmap(p, roundUp(bytes, kHugePageSize));
        return;
    }
}

} // namespace rtl
