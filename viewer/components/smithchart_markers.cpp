// The marker read-out panel at the left of the plot and the numbered flag
// at every marked point, in all eight views.

#include "platform/rtl/format.h"
#include "platform/rtl/mathx.h"
#include "viewer/components/chartmarks.h"
#include "viewer/components/smithchart.h"
#include "viewer/components/smithchart_painter.h"
#include "viewer/components/smithchart_values.h"
#include "viewer/components/vectormath.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace viewer::smith {

namespace {

const char* const kDegree = "\u00B0";

struct TFlagShape {
    int ldx, ldy; // leader
    int b1x, b1y; // first barb
    int b2x, b2y; // second barb
};

// By direction: 0 up, then clockwise in 45-degree steps (y grows down).
constexpr TFlagShape kFlag[8] = {
    { 0, -1, -1, -1, 1, -1 },
    { 1, -1, 0, -1, 1, 0 },
    { 1, 0, 1, -1, 1, 1 },
    { 1, 1, 1, 0, 0, 1 },
    { 0, 1, 1, 1, -1, 1 },
    { -1, 1, 0, 1, -1, 0 },
    { -1, 0, -1, 1, -1, -1 },
    { -1, -1, -1, 0, 0, -1 },
};

} // namespace

void TSmithChartPainter::DrawInfoPanel()
{
    const int t = cv_.TextWidth("0");
    const int h = cv_.TextHeight("0");
    const int digits = c_.markerDigits_;
    auto f = [digits](double v) { return rtl::FloatToStrFixed(v, 15, digits); };
    const Tmoptions opts = c_.markerOptions_;
    int n = 0;
    int w = 0;
    auto write = [&](const std::string& line) {
        cv_.TextOut(c_.leftMargin_ + t, l_.PlotTop + h * n, " " + line);
        w = std::max(w, cv_.TextWidth(line) + 2 * t);
    };
    for (std::size_t i = 0; i < c_.markers_.size(); ++i) {
        const Tmarker& m = c_.markers_[i];
        // A marker left on a point that no longer exists shows nothing; the
        // others keep their numbers, which the flags carry too.
        const TPoint* p = c_.PointAt(m.Curve, m.Point);
        if (!p)
            continue;
        const Tcurve& curve = c_.curves_[static_cast<std::size_t>(m.Curve)];
        cv_.SetPenColor(clBlack);
        ++n;
        write(std::to_string(i + 1) + ": " + curve.Legend + "  " + f(p->Freq) + c_.units_);
        if (opts.Contains(TMopts::moMA)) {
            ++n;
            if (c_.chartType_ == Tcharttype::Logmag)
                write("MA= " + f(MagToDb(p->Mag)) + "dB " + f(p->Angle) + kDegree);
            else
                write("MA= " + f(p->Mag) + " " + f(p->Angle) + kDegree);
        }
        if (opts.Contains(TMopts::moRX)) {
            ++n;
            double r = 0.0, x = 0.0;
            GammaToZ(r, x, p->Re, p->Im);
            if (!opts.Contains(TMopts::moNorm)) {
                r *= c_.impedance_;
                x *= c_.impedance_;
            }
            write("RX= " + f(r) + (x >= 0 ? " + J" : " - J") + f(std::abs(x)));
        }
        ++n; // an empty line between markers
    }
    cv_.SetBrushStyle(TBrushStyle::bsClear);
    l_.PlotLeft += w;
}

void TSmithChartPainter::DrawMarkerFlag(const Tmarker& marker, int i)
{
    const TPoint* p = c_.PointAt(marker.Curve, marker.Point);
    if (!p)
        return;
    double xd, yd;
    if (IsCircular(c_.chartType_)) {
        const double absR = std::abs(l_.ChartRadius);
        xd = l_.ChartCentreX + rtl::RoundHalfEven(absR * p->Re);
        yd = l_.ChartCentreY - rtl::RoundHalfEven(absR * p->Im);
    } else {
        const double v = RectLeftValue(c_.chartType_, *p);
        yd = l_.PlotBottom - rtl::RoundHalfEven((v - l_.ShownYmin) * (l_.PlotHeight / l_.ShownYrange));
        xd = rtl::RoundHalfEven((p->Freq - l_.ShownXmin) / l_.ShownXrange * l_.PlotWidth + l_.PlotLeft);
    }
    // No flag for a point that cannot be placed (an empty range, a broken
    // value) or lies far outside.
    if (!InGuard(xd, yd))
        return;
    const int x = static_cast<int>(xd), y = static_cast<int>(yd);
    int d = ((marker.Direction % 8) + 8) % 8;
    auto leader = [this](int dir) { return dir % 2 == 0 ? W_ / 40 : W_ / 60; };
    const std::string label = std::to_string(i + 1);
    // In the views against frequency a flag near the plot's edge is turned
    // over, so that its number stays on the plot.
    if (!IsCircular(c_.chartType_))
        d = FlagDirectionInPlot(cv_, d, x, y, leader(d), label, l_.PlotLeft, l_.PlotTop, l_.PlotRight, l_.PlotBottom);
    const int L = leader(d);
    const int b = d % 2 == 0 ? W_ / 105 : W_ / 80;
    const TFlagShape& s = kFlag[d];

    const TColor savedPen = cv_.Pen().Color;
    cv_.SetPenColor(clBlack);
    cv_.SetPenStyle(TPenStyle::psSolid);
    cv_.SetBrushColor(clWhite);

    // An arrow whose head is on the point.
    const int ex = x + L * s.ldx, ey = y + L * s.ldy;
    cv_.MoveTo(x, y);
    cv_.LineTo(ex, ey);
    cv_.MoveTo(x, y);
    cv_.LineTo(x + b * s.b1x, y + b * s.b1y);
    cv_.MoveTo(x, y);
    cv_.LineTo(x + b * s.b2x, y + b * s.b2y);

    // The numbered box against the leader's far end.
    DrawMarkerBox(cv_, d, ex, ey, label);

    cv_.MoveTo(x, y);
    cv_.SetPenColor(savedPen);
    cv_.SetBrushStyle(TBrushStyle::bsClear);
}

} // namespace viewer::smith
