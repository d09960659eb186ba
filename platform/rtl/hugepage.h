#pragma once

// Storage for large arrays that are filled soon after they are allocated
// (the points of a long curve). Touching fresh memory one 4 KiB page at a
// time costs far more than filling it, so such memory is asked for
// transparent huge pages: a block of 2 MiB or more is a mapping of its own
// on a 2 MiB boundary, a block from 128 KiB up is carved from a shared
// huge-page chunk, and smaller blocks come from operator new. Where huge
// pages are not granted the blocks work as ordinary memory.

#include <cstddef>
#include <limits>
#include <new>

namespace rtl {

constexpr std::size_t kHugePageSize = std::size_t(2) << 20;

// A block of `bytes` aligned to `align` (at most 4 KiB for the large ones);
// throws std::bad_alloc. Free it with the same size and alignment.
void* AllocateLargeBlock(std::size_t bytes, std::size_t align);
void FreeLargeBlock(void* p, std::size_t bytes, std::size_t align) noexcept;

// Standard allocator over AllocateLargeBlock. It holds no state: any two
// compare equal, so containers move and swap their storage freely.
template <class T> struct HugePageAllocator {
    using value_type = T;

    HugePageAllocator() noexcept = default;
    template <class U> HugePageAllocator(const HugePageAllocator<U>&) noexcept { }

    T* allocate(std::size_t n)
    {
        if (n > std::numeric_limits<std::size_t>::max() / sizeof(T))
            throw std::bad_array_new_length();
        return static_cast<T*>(AllocateLargeBlock(n * sizeof(T), alignof(T)));
    }
    void deallocate(T* p, std::size_t n) noexcept { FreeLargeBlock(p, n * sizeof(T), alignof(T)); }

    template <class U> bool operator==(const HugePageAllocator<U>&) const noexcept { return true; }
};

} // namespace rtl
