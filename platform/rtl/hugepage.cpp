#include "platform/rtl/hugepage.h"

#include <cstdint>
#include <sys/mman.h>
#include <unistd.h>

namespace rtl {

namespace {

std::size_t mappedSize(std::size_t bytes)
{
    return (bytes + kHugePageSize - 1) & ~(kHugePageSize - 1);
}

bool isLarge(std::size_t bytes, std::size_t align)
{
    // A block past the page's alignment would not keep it in a mapping.
    return bytes >= kHugePageSize && align <= 4096;
}

} // namespace

void* AllocateLargeBlock(std::size_t bytes, std::size_t align)
{
    if (!isLarge(bytes, align)) {
        if (bytes == 0)
            bytes = 1;
        if (align > __STDCPP_DEFAULT_NEW_ALIGNMENT__)
            return ::operator new(bytes, std::align_val_t(align));
        return ::operator new(bytes);
    }
    const std::size_t size = mappedSize(bytes);
    if (size < bytes || size + kHugePageSize < size)
        throw std::bad_alloc();
    // Map one huge page more than needed and cut it down to a 2 MiB
    // boundary: only whole aligned 2 MiB ranges can become huge pages.
    void* raw = ::mmap(nullptr, size + kHugePageSize, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (raw == MAP_FAILED)
        throw std::bad_alloc();
    auto start = reinterpret_cast<std::uintptr_t>(raw);
    const std::uintptr_t aligned = (start + kHugePageSize - 1) & ~std::uintptr_t(kHugePageSize - 1);
    if (aligned > start)
        ::munmap(raw, aligned - start);
    const std::size_t tail = kHugePageSize - (aligned - start);
    if (tail > 0)
        ::munmap(reinterpret_cast<void*>(aligned + size), tail);
    void* p = reinterpret_cast<void*>(aligned);
#ifdef MADV_HUGEPAGE
    ::madvise(p, size, MADV_HUGEPAGE); // a refusal leaves ordinary pages
#endif
    return p;
}

void FreeLargeBlock(void* p, std::size_t bytes, std::size_t align) noexcept
{
    if (!p)
        return;
    if (!isLarge(bytes, align)) {
        if (align > __STDCPP_DEFAULT_NEW_ALIGNMENT__)
            ::operator delete(p, std::align_val_t(align));
        else
            ::operator delete(p);
        return;
    }
    ::munmap(p, mappedSize(bytes));
}

} // namespace rtl
