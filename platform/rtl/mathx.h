#pragma once

// Rounding as the old class library did it, and the saturating
// conversions that every double-to-pixel step goes through.

#include <cmath>
#include <cstdint>
#include <limits>

namespace rtl {

// Nearest integer, halves to even (the library's Round). Below 2^51 the
// sum with 1.5 * 2^52 rounds exactly as nearbyint does, without a call:
// drawing rounds every point of every curve through here.
inline double RoundHalfEven(double v)
{
    constexpr double kShift = 6755399441055744.0;
    if (std::fabs(v) < 2251799813685248.0)
        return std::copysign((v + kShift) - kShift, v);
    return std::nearbyint(v);
}

// Round and Trunc into a 64-bit integer; NaN gives 0 and values outside
// the range saturate.
std::int64_t Round(double v);
std::int64_t Trunc(double v);

// Round into an int for device pixels: saturates at +/- 1e9 so that
// later additions cannot overflow; NaN gives 0.
int RoundPx(double v);
int TruncPx(double v);

constexpr int kPixelLimit = 1000000000;

} // namespace rtl
