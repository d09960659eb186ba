#include "viewer/app/sparam_format.h"

#include "platform/rtl/format.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace viewer {

int PortCountFromExtension(std::string_view extension)
{
    if (extension.size() < 4)
        return -1;
    auto up = [](char c) { return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c; };
    char c2 = up(extension[1]), c3 = up(extension[2]), c4 = up(extension[3]);
    if (c2 != 'S' || c3 < '1' || c3 > '9')
        return -1;
    if (c4 == 'P')
        return c3 - '0';
    if (c4 >= '0' && c4 <= '9')
        return (c3 - '0') * 10 + (c4 - '0');
    return -1;
}

int PortCountFromPath(std::string_view path)
{
    auto slash = path.find_last_of('/');
    std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
    auto dot = name.find_last_of('.');
    if (dot == std::string_view::npos)
        return -1;
    return PortCountFromExtension(name.substr(dot));
}

std::string ProposedExtension(int ports)
{
    if (ports <= 9)
        return "S" + std::to_string(ports) + "P";
    return "S" + std::to_string(ports);
}

bool ParseNumber(std::string_view token, double& value)
{
    const char* first = token.data();
    const char* last = first + token.size();
    if (first != last && *first == '+') {
        ++first;
        if (first != last && (*first == '-' || *first == '+'))
            return false;
    }
    if (first == last)
        return false;
    double v;
    const char* end = ParseNumberPrefix(first, last, v);
    if (end != last || !std::isfinite(v))
        return false;
    value = v;
    return true;
}

namespace {

// The powers of ten that a double holds exactly, for reading and writing.
constexpr double kPow10[] = { 1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
    1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22 };

} // namespace

namespace {

bool isDigit(char c)
{
    return static_cast<unsigned char>(c - '0') < 10;
}

// Eight ASCII digits at once (little-endian load), and the test for them.
bool eightDigits(const char* p)
{
    std::uint64_t v;
    std::memcpy(&v, p, 8);
    return (((v & 0xF0F0F0F0F0F0F0F0ULL) | (((v + 0x0606060606060606ULL) & 0xF0F0F0F0F0F0F0F0ULL) >> 4))
        == 0x3333333333333333ULL);
}

std::uint64_t parseEightDigits(const char* p)
{
    std::uint64_t v;
    std::memcpy(&v, p, 8);
    v = ((v & 0x0F0F0F0F0F0F0F0FULL) * 2561) >> 8;
    v = ((v & 0x00FF00FF00FF00FFULL) * 6553601) >> 16;
    return ((v & 0x0000FFFF0000FFFFULL) * 42949672960001ULL) >> 32;
}

} // namespace

const char* ParseNumberPrefix(const char* first, const char* last, double& value)
{
    // Plain decimals whose digits and power of ten are both exact doubles:
    // one multiplication or division then rounds correctly, as from_chars does.
    const char* p = first;
    const bool negative = p != last && *p == '-';
    if (negative)
        ++p;
    std::uint64_t mantissa = 0;
    const char* intStart = p;
    while (p != last && isDigit(*p))
        mantissa = mantissa * 10 + static_cast<unsigned>(*p++ - '0');
    std::ptrdiff_t digits = p - intStart;
    int scale = 0;
    if (p != last && *p == '.') {
        const char* fracStart = ++p;
        if (last - p >= 8 && digits <= 11 && eightDigits(p)) {
            mantissa = mantissa * 100000000 + parseEightDigits(p);
            p += 8;
        }
        while (p != last && isDigit(*p))
            mantissa = mantissa * 10 + static_cast<unsigned>(*p++ - '0');
        scale = -static_cast<int>(p - fracStart);
        digits += p - fracStart;
    }
    if (digits == 0 || digits > 19 || mantissa > (std::uint64_t(1) << 53))
        goto slow;
    if (p != last && (*p == 'e' || *p == 'E')) {
        const char* q = p + 1;
        bool expNegative = false;
        if (q != last && (*q == '+' || *q == '-'))
            expNegative = *q++ == '-';
        if (q == last || !isDigit(*q))
            goto slow;
        int e = 0;
        while (q != last && isDigit(*q)) {
            e = e * 10 + (*q++ - '0');
            if (e > 1000)
                goto slow;
        }
        scale += expNegative ? -e : e;
        p = q;
    }
    if (scale < -22 || scale > 22)
        goto slow;
    {
        double v = static_cast<double>(mantissa);
        v = scale < 0 ? v / kPow10[-scale] : v * kPow10[scale];
        value = negative ? -v : v;
        return p;
    }
slow:
    auto [ptr, ec] = std::from_chars(first, last, value);
    if (ec != std::errc())
        return nullptr;
    return ptr;
}

namespace {

constexpr int kMaxFastDecimals = 22;
// Scaled values below this are exact integers in a double and fit the
// 15 significant digits, so the fast path never needs the slow one.
constexpr double kFastLimit = 1e15;

// Writes an unsigned integer as `decimals` digits after the point.
void appendScaled(std::string& out, bool negative, std::uint64_t scaled, int decimals)
{
    char buf[48];
    char* end = buf + sizeof buf;
    char* p = end;
    int n = 0;
    do {
        *--p = char('0' + scaled % 10);
        scaled /= 10;
        ++n;
    } while (scaled != 0 || n <= decimals);
    // p..end holds at least decimals + 1 digits: integer part then decimals.
    std::size_t intLen = static_cast<std::size_t>(end - p) - static_cast<std::size_t>(decimals);
    if (negative)
        out.push_back('-');
    out.append(p, intLen);
    if (decimals > 0) {
        out.push_back('.');
        out.append(p + intLen, static_cast<std::size_t>(decimals));
    }
}

void appendSlow(std::string& out, double value, int digits)
{
    out += rtl::FloatToStrFixed(value, 15, digits, rtl::FormatSettings { '.', ',' });
}

} // namespace

void AppendFixed(std::string& out, double value, int digits)
{
    if (digits < 0)
        digits = 0;
    if (digits <= kMaxFastDecimals && std::isfinite(value)) {
        double a = std::fabs(value);
        double scaled = a * kPow10[digits];
        if (scaled < kFastLimit) {
            auto r = static_cast<std::uint64_t>(std::round(scaled));
            appendScaled(out, std::signbit(value) && r != 0, r, digits);
            return;
        }
    }
    appendSlow(out, value, digits);
}

double FixedPointFloor(int digits)
{
    if (digits <= 2)
        return kPow10[2 - std::max(digits, 2 - kMaxFastDecimals)];
    return 1.0 / kPow10[std::min(digits - 2, kMaxFastDecimals)];
}

void AppendExponent(std::string& out, double value, int decimals)
{
    char buf[40];
    auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific, decimals);
    for (char* p = buf; p != res.ptr; ++p)
        if (*p == 'e')
            *p = 'E';
    out.append(buf, res.ptr);
}

void AppendFrequency(std::string& out, double value, int digits)
{
    if (digits < 0)
        digits = 0;
    if (!std::isfinite(value) || value == 0.0) {
        AppendFixed(out, value, digits);
        return;
    }
    // Fast check: the value already is a number of `digits` decimals.
    double a = std::fabs(value);
    if (digits <= kMaxFastDecimals) {
        double scaled = a * kPow10[digits];
        if (scaled < kFastLimit) {
            double r = std::round(scaled);
            if (r / kPow10[digits] == a) {
                appendScaled(out, std::signbit(value), static_cast<std::uint64_t>(r), digits);
                return;
            }
        }
    }
    // Otherwise take the decimals of its shortest form with 15 significant digits.
    char buf[40];
    auto res = std::to_chars(buf, buf + sizeof buf, a, std::chars_format::scientific, 14);
    std::string_view s(buf, static_cast<std::size_t>(res.ptr - buf));
    auto e = s.find('e');
    int exponent = 0;
    std::from_chars(s.data() + e + (s[e + 1] == '+' ? 2 : 1), s.data() + s.size(), exponent);
    std::string_view mantissa = s.substr(0, e);
    std::size_t lastDigit = mantissa.find_last_not_of('0');
    // "d.ddd": the digits up to lastDigit, less the point.
    int significant = lastDigit <= 1 ? 1 : static_cast<int>(lastDigit);
    int needed = significant - 1 - exponent;
    AppendFixed(out, value, needed > digits ? needed : digits);
}

} // namespace viewer
