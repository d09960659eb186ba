#pragma once

// What the rectangular views plot for a point, and the label text of their
// vertical axes. The drawing, the marker flags and the pointer interaction
// all place points with these, so that a point is found where it is drawn.

#include "viewer/components/smithchart.h"

#include <cmath>
#include <string>

namespace viewer::smith {

// 20 log10(mag) in dB; a magnitude of exactly 0 gives kZeroDb (-174)
// rather than minus infinity. A negative or non-finite magnitude gives NaN.
double MagToDb(double mag);

// MagToDb through the natural logarithm, which costs half as much; the two
// differ in the last digit or so, far below a pixel. The Log Mag view
// places every point of every curve with it.
double MagToDbForPlot(double mag);

// The view's own quantity (left axis): Logmag dB, GridU Re, GridV Im,
// GridR the normalised resistance, GridX the normalised reactance. A value
// that cannot be computed (a point at the chart's right end, a negative
// magnitude, ...) counts as 0. The circular views give 0.
double RectLeftValue(Tcharttype view, const TPoint& p);

// The companion quantity (right axis): Logmag the angle, GridU Im, GridV
// Re, GridR the reactance, GridX the resistance. Not screened: a value that
// cannot be computed comes back non-finite and the drawing leaves it out.
double RectRightValue(Tcharttype view, const TPoint& p);

// z = (1 + g) / (1 - g) in doubles: a few units in the last place are far
// below a pixel, and the views draw tens of thousands of points. Written
// with (1 - u)(1 + u) so that the resistance keeps its digits near |g| = 1.
inline void RectImpedance(const TPoint& p, double& r, double& x)
{
    const double u = p.Re, v = p.Im;
    const double a = 1.0 - u;
    const double inv = 1.0 / (a * a + v * v);
    r = (a * (1.0 + u) - v * v) * inv;
    x = 2.0 * v * inv;
}

// Calls f(left, right) with the view's two value functions (a TPoint in,
// RectLeftValue or RectRightValue out), so that a loop over many points
// is compiled once for each view and no point asks which view it is in.
template <class F>
decltype(auto) WithRectValues(Tcharttype view, F&& f)
{
    auto screened = [](double v) { return std::isfinite(v) ? v : 0.0; };
    auto resistance = [](const TPoint& p) {
        double r, x;
        RectImpedance(p, r, x);
        return r;
    };
    auto reactance = [](const TPoint& p) {
        double r, x;
        RectImpedance(p, r, x);
        return x;
    };
    auto re = [](const TPoint& p) { return p.Re; };
    auto im = [](const TPoint& p) { return p.Im; };
    switch (view) {
    case Tcharttype::Logmag:
        return f([screened](const TPoint& p) { return screened(MagToDbForPlot(p.Mag)); },
            [](const TPoint& p) { return p.Angle; });
    case Tcharttype::GridU:
        return f(re, im);
    case Tcharttype::GridV:
        return f(im, re);
    case Tcharttype::GridR:
        return f([=](const TPoint& p) { return screened(resistance(p)); }, reactance);
    case Tcharttype::GridX:
        return f([=](const TPoint& p) { return screened(reactance(p)); }, resistance);
    default: {
        auto none = [](const TPoint&) { return 0.0; };
        return f(none, none);
    }
    }
}

// The shown span of an empty or broken x range (a file of one frequency,
// Xmin = Xmax): a tenth of the value either side of it, or one unit at 0,
// so that the points sit in the middle of a readable axis.
double EmptyRangeSpan(double centre);

// The label of a vertical axis: the general text of v with its decimals
// cut (not rounded) after `digits`, an exponent kept, as in "12.34" for
// 12.3456 or "1.23E-5" for 1.23456E-5 with 2 digits.
std::string FormatAxisValue(double v, int digits);

} // namespace viewer::smith
