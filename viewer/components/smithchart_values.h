#pragma once

// What the rectangular views plot for a point, and the label text of their
// vertical axes. The drawing, the marker flags and the pointer interaction
// all place points with these, so that a point is found where it is drawn.

#include "viewer/components/smithchart.h"

#include <string>

namespace viewer::smith {

// 20 log10(mag) in dB; a magnitude of exactly 0 gives kZeroDb (-174)
// rather than minus infinity. A negative or non-finite magnitude gives NaN.
double MagToDb(double mag);

// The view's own quantity (left axis): Logmag dB, GridU Re, GridV Im,
// GridR the normalised resistance, GridX the normalised reactance. A value
// that cannot be computed (a point at the chart's right end, a negative
// magnitude, ...) counts as 0. The circular views give 0.
double RectLeftValue(Tcharttype view, const TPoint& p);

// The companion quantity (right axis): Logmag the angle, GridU Im, GridV
// Re, GridR the reactance, GridX the resistance. Not screened: a value that
// cannot be computed comes back non-finite and the drawing leaves it out.
double RectRightValue(Tcharttype view, const TPoint& p);

// Both of the above at once (the impedance views work out the impedance
// only once).
void RectValues(Tcharttype view, const TPoint& p, double& left, double& right);

// The shown span of an empty or broken x range (a file of one frequency,
// Xmin = Xmax): a tenth of the value either side of it, or one unit at 0,
// so that the points sit in the middle of a readable axis.
double EmptyRangeSpan(double centre);

// The label of a vertical axis: the general text of v with its decimals
// cut (not rounded) after `digits`, an exponent kept, as in "12.34" for
// 12.3456 or "1.23E-5" for 1.23456E-5 with 2 digits.
std::string FormatAxisValue(double v, int digits);

} // namespace viewer::smith
