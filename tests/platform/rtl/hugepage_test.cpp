#include "platform/rtl/hugepage.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <utility>
#include <vector>

namespace {

struct Point {
    double a, b, c, d, e;
};
using Points = std::vector<Point, rtl::HugePageAllocator<Point>>;

Point pointAt(std::size_t i)
{
    const double x = static_cast<double>(i);
    return { x, x + 0.5, -x, x * 2, 7 };
}

bool holds(const Points& v, std::size_t n)
{
    if (v.size() != n)
        return false;
    for (std::size_t i = 0; i < n; ++i) {
        const Point p = pointAt(i);
        if (v[i].a != p.a || v[i].b != p.b || v[i].c != p.c || v[i].d != p.d || v[i].e != p.e)
            return false;
    }
    return true;
}

// Growth from small blocks into mapped ones (and back by shrinking) must
// carry every value over: a wrong size on freeing or copying would lose or
// corrupt points.
TEST(HugePageAllocator, GrowthAcrossTheLargeBlockSizeKeepsValues)
{
    const std::size_t n = 3 * rtl::kHugePageSize / sizeof(Point) + 17; // past several growth steps
    Points v;
    for (std::size_t i = 0; i < n; ++i)
        v.push_back(pointAt(i));
    EXPECT_TRUE(holds(v, n));
    EXPECT_GE(v.capacity() * sizeof(Point), rtl::kHugePageSize);

    v.resize(100);
    v.shrink_to_fit(); // back into a small block
    EXPECT_TRUE(holds(v, 100));

    Points reserved;
    reserved.reserve(n); // one large block from the start
    for (std::size_t i = 0; i < n; ++i)
        reserved.push_back(pointAt(i));
    EXPECT_TRUE(holds(reserved, n));
    reserved.insert(reserved.begin() + 10, pointAt(0));
    reserved.erase(reserved.begin() + 10);
    EXPECT_TRUE(holds(reserved, n));
}

// Moves and swaps must hand the storage over, not copy it: a stateful or
// unequal allocator would copy a million points on every hand-over.
TEST(HugePageAllocator, MovesAndSwapsHandOverTheStorage)
{
    const std::size_t n = rtl::kHugePageSize / sizeof(Point) * 2;
    Points a;
    a.reserve(n);
    for (std::size_t i = 0; i < n; ++i)
        a.push_back(pointAt(i));
    const Point* storage = a.data();

    Points b(std::move(a));
    EXPECT_EQ(b.data(), storage);
    EXPECT_TRUE(holds(b, n));

    Points c;
    c.push_back(pointAt(0));
    c = std::move(b);
    EXPECT_EQ(c.data(), storage);
    EXPECT_TRUE(holds(c, n));

    Points d(3, pointAt(0));
    d.swap(c);
    EXPECT_EQ(d.data(), storage);
    EXPECT_TRUE(holds(d, n));
    EXPECT_EQ(c.size(), 3u);

    Points copy = d; // a copy is its own storage with the same values
    EXPECT_NE(copy.data(), d.data());
    EXPECT_TRUE(holds(copy, n));
}

// Large blocks start on a 2 MiB boundary (only such ranges become huge
// pages), are fully writable to their last byte, and an impossible size
// fails as an allocation failure instead of wrapping around.
TEST(HugePageAllocator, LargeBlocksAlignedWritableAndOverflowRefused)
{
    for (std::size_t bytes : { rtl::kHugePageSize, rtl::kHugePageSize + 1, 5 * rtl::kHugePageSize - 8 }) {
        auto* p = static_cast<unsigned char*>(rtl::AllocateLargeBlock(bytes, alignof(double)));
        EXPECT_EQ(reinterpret_cast<std::uintptr_t>(p) % rtl::kHugePageSize, 0u) << bytes;
        p[0] = 1;
        p[bytes - 1] = 2;
        EXPECT_EQ(p[0] + p[bytes - 1], 3);
        rtl::FreeLargeBlock(p, bytes, alignof(double));
    }
    void* small = rtl::AllocateLargeBlock(0, alignof(double));
    EXPECT_NE(small, nullptr);
    rtl::FreeLargeBlock(small, 0, alignof(double));

    rtl::HugePageAllocator<Point> alloc;
    EXPECT_THROW(alloc.allocate(SIZE_MAX / sizeof(Point) + 1), std::bad_array_new_length);
    EXPECT_THROW(alloc.allocate(SIZE_MAX / sizeof(Point)), std::bad_alloc);
    EXPECT_TRUE(alloc == rtl::HugePageAllocator<int>());
}

// Blocks carved from a shared chunk must not overlap, must keep their
// values while neighbours are freed and new ones carved, and a chunk must
// stay usable after all its blocks were freed (sixteen-port curves).
TEST(HugePageAllocator, SharedChunkBlocksStayApart)
{
    const std::size_t n = (300u << 10) / sizeof(Point); // a few hundred KiB each
    std::vector<Points> curves(70); // more than one chunk holds
    for (std::size_t c = 0; c < curves.size(); ++c) {
        curves[c].reserve(n);
        for (std::size_t i = 0; i < n; ++i)
            curves[c].push_back(pointAt(i + c));
    }
    for (std::size_t c = 0; c < curves.size(); c += 2)
        Points().swap(curves[c]); // free every other one
    for (std::size_t c = 0; c < curves.size(); c += 2) {
        curves[c].reserve(n / 2);
        for (std::size_t i = 0; i < n / 2; ++i)
            curves[c].push_back(pointAt(i + 1000));
    }
    for (std::size_t c = 0; c < curves.size(); ++c) {
        const std::size_t count = c % 2 ? n : n / 2;
        const std::size_t shift = c % 2 ? c : 1000;
        ASSERT_EQ(curves[c].size(), count);
        for (std::size_t i = 0; i < count; ++i)
            ASSERT_EQ(curves[c][i].a, pointAt(i + shift).a) << c << " " << i;
    }
    curves.clear();
    Points again(n, pointAt(5));
    EXPECT_EQ(again[n - 1].b, pointAt(5).b);
}

} // namespace
