#include "viewer/components/smithchart_values.h"

#include "platform/rtl/format.h"
#include "viewer/components/vectormath.h"

#include <cmath>

namespace viewer::smith {

double MagToDb(double mag)
{
    if (mag == 0.0)
        return kZeroDb;
    if (!(mag > 0.0) || !std::isfinite(mag))
        return std::nan("");
    return 20.0 * std::log10(mag);
}

namespace {

// z = (1 + g) / (1 - g) in doubles: a few units in the last place are far
// below a pixel, and the views draw tens of thousands of points. Written
// with (1 - u)(1 + u) so that the resistance keeps its digits near |g| = 1.
TComplex Impedance(const TPoint& p)
{
    const double u = p.Re, v = p.Im;
    const double a = 1.0 - u;
    const double inv = 1.0 / (a * a + v * v);
    return { (a * (1.0 + u) - v * v) * inv, 2.0 * v * inv };
}

} // namespace

double RectLeftValue(Tcharttype view, const TPoint& p)
{
    double v = 0.0;
    switch (view) {
    case Tcharttype::Logmag:
        v = MagToDb(p.Mag);
        break;
    case Tcharttype::GridU:
        v = p.Re;
        break;
    case Tcharttype::GridV:
        v = p.Im;
        break;
    case Tcharttype::GridR:
        v = Impedance(p).re;
        break;
    case Tcharttype::GridX:
        v = Impedance(p).im;
        break;
    default:
        break;
    }
    return std::isfinite(v) ? v : 0.0;
}

double RectRightValue(Tcharttype view, const TPoint& p)
{
    switch (view) {
    case Tcharttype::Logmag:
        return p.Angle;
    case Tcharttype::GridU:
        return p.Im;
    case Tcharttype::GridV:
        return p.Re;
    case Tcharttype::GridR:
        return Impedance(p).im;
    case Tcharttype::GridX:
        return Impedance(p).re;
    default:
        return 0.0;
    }
}

void RectValues(Tcharttype view, const TPoint& p, double& left, double& right)
{
    if (view == Tcharttype::GridR || view == Tcharttype::GridX) {
        const TComplex z = Impedance(p);
        left = view == Tcharttype::GridR ? z.re : z.im;
        right = view == Tcharttype::GridR ? z.im : z.re;
        if (!std::isfinite(left))
            left = 0.0;
        return;
    }
    left = RectLeftValue(view, p);
    right = RectRightValue(view, p);
}

double EmptyRangeSpan(double centre)
{
    if (!std::isfinite(centre) || centre == 0.0)
        return 1.0;
    return std::abs(centre) * 0.2;
}

std::string FormatAxisValue(double v, int digits)
{
    std::string s = rtl::FloatToStr(v);
    const char sep = rtl::formatSettings().decimalSeparator;
    const std::size_t p = s.find(sep);
    if (p == std::string::npos)
        return s;
    if (digits < 0)
        digits = 0;
    const std::size_t e = s.find('E');
    std::string mantissa = e == std::string::npos ? s : s.substr(0, e);
    const std::string exponent = e == std::string::npos ? std::string() : s.substr(e);
    if (mantissa.size() > p + 1 + static_cast<std::size_t>(digits))
        mantissa.resize(p + 1 + static_cast<std::size_t>(digits));
    // No decimals left: no separator either.
    if (mantissa.size() == p + 1)
        mantissa.resize(p);
    return mantissa + exponent;
}

} // namespace viewer::smith
