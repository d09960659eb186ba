#include "platform/rtl/mathx.h"

namespace rtl {

namespace {
template <typename T> T saturate(double v, double lo, double hi)
{
    if (std::isnan(v))
        return 0;
    if (v <= lo)
        return static_cast<T>(lo);
    if (v >= hi)
        return static_cast<T>(hi);
    return static_cast<T>(v);
}
constexpr double kInt64Lo = -9223372036854775808.0;
constexpr double kInt64Hi = 9223372036854774784.0; // largest double below 2^63
} // namespace

std::int64_t Round(double v) { return saturate<std::int64_t>(std::nearbyint(v), kInt64Lo, kInt64Hi); }
std::int64_t Trunc(double v) { return saturate<std::int64_t>(std::trunc(v), kInt64Lo, kInt64Hi); }
int RoundPx(double v) { return saturate<int>(std::nearbyint(v), -kPixelLimit, kPixelLimit); }
int TruncPx(double v) { return saturate<int>(std::trunc(v), -kPixelLimit, kPixelLimit); }

} // namespace rtl
