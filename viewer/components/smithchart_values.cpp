#include "viewer/components/smithchart_values.h"

#include "platform/rtl/format.h"

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

double MagToDbForPlot(double mag)
{
    constexpr double kDbPerNeper = 8.685889638065036553; // 20 / ln 10
    if (mag == 0.0)
        return kZeroDb;
    if (!(mag > 0.0) || !std::isfinite(mag))
        return std::nan("");
    return kDbPerNeper * std::log(mag);
}

double RectLeftValue(Tcharttype view, const TPoint& p)
{
    return WithRectValues(view, [&p](auto left, auto) { return left(p); });
}

double RectRightValue(Tcharttype view, const TPoint& p)
{
    return WithRectValues(view, [&p](auto, auto right) { return right(p); });
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
