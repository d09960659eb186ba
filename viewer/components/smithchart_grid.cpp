// The grids of the circular views: the Smith chart's resistance circles and
// reactance arcs (turned by 180 degrees for the admittance chart, whose
// radius is negative) and the polar chart's circles and spokes.

#include "platform/rtl/format.h"
#include "platform/rtl/mathx.h"
#include "viewer/components/smithchart.h"
#include "viewer/components/smithchart_painter.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace viewer::smith {

namespace {

int RoundI(double v)
{
    return rtl::RoundPx(v);
}

std::string General(double v)
{
    return rtl::FloatToStr(v);
}

const char* const kDegree = "\u00B0";
const char* const kInfinity = "\u221E";

} // namespace

void TSmithChartPainter::DrawSmithGrid()
{
    const int R = l_.ChartRadius, cx = l_.ChartCentreX, cy = l_.ChartCentreY;

    cv_.SetPenColor(c_.graphColor_);
    cv_.SetPenStyle(TPenStyle::psSolid);
    cv_.SetBrushColor(c_.backgroundColor_);
    DrawResistanceCircle(0, false); // the outer circle, filled
    cv_.SetBrushStyle(TBrushStyle::bsClear);

    // Minor lines: the values N/i - 1 that are not major ones.
    cv_.SetPenColor(c_.colouredTraces_ ? clGray : clBlack);
    cv_.SetPenStyle(GridPenStyle(c_.gridType_));
    const int n = 6 * c_.detail_;
    for (int i = 1; i <= n; ++i) {
        const double v = static_cast<double>(n) / i - 1;
        const std::int64_t k = rtl::Round(v * 10000);
        if (k == 0 || k == 2000 || k == 5000 || k == 10000 || k == 20000 || k == 50000)
            continue;
        DrawResistanceCircle(v, true);
        DrawReactanceArc(v);
    }

    cv_.SetPenColor(c_.graphColor_);
    cv_.SetPenStyle(TPenStyle::psSolid);
    for (double r : { 0.2, 0.5, 1.0, 2.0, 5.0 })
        DrawResistanceCircle(r, false);
    for (double x : { 5.0, 2.0, 1.0, 0.5, 0.2 })
        DrawReactanceArc(x);

    if (cy > 0 && cy <= l_.PlotBottom) {
        cv_.MoveTo(std::max(cx - R, 0), cy);
        cv_.LineTo(std::min(cx + R, l_.PlotRight), cy);
    }
    DrawSmithEndLabels();
}

void TSmithChartPainter::DrawSmithEndLabels()
{
    const int R = l_.ChartRadius, cx = l_.ChartCentreX, cy = l_.ChartCentreY;
    const TChartFont saved = cv_.Font();
    const int w = cv_.TextWidth("00");
    const int zeroY = cy - cv_.TextHeight("0") / 2;
    const int zeroX = R > 0 ? cx - R - w / 2 : cx - R + w / 2;
    const int infX = R > 0 ? cx + R + w / 2 : cx + R - 2 * w;
    cv_.TextOut(zeroX, zeroY, "0");
    // The infinity sign in a larger size of the annotation font.
    TChartFont inf = saved;
    inf.Size = 14;
    cv_.SetFont(inf);
    cv_.TextOut(infX, cy - cv_.TextHeight(kInfinity) / 2, kInfinity);
    cv_.SetFont(saved);
}

void TSmithChartPainter::DrawResistanceCircle(double r, bool cut)
{
    const int R = l_.ChartRadius, cx = l_.ChartCentreX, cy = l_.ChartCentreY;
    const double d = 1 / (r + 1);
    const int rad = RoundI(std::abs(R) * d);
    const int ccx = cx + RoundI(R * r * d);
    const int left = ccx - rad, top = cy - rad, right = ccx + rad, bottom = cy + rad;
    if (left > l_.PlotRight || top > l_.PlotBottom || right < l_.PlotLeft || bottom < l_.PlotTop)
        return;

    if (!cut) {
        cv_.Ellipse(left, top, right, bottom);
    } else {
        // Leave out the piece between the crossings with the reactance
        // circles +5 and -5 (centres 0.2 off the axis) next to the end.
        const double a = 2 * std::acos(d / std::sqrt(d * d + 0.04));
        const int ex = RoundI(std::cos(a) * R * d);
        const int ey = RoundI(std::sin(a) * R * d);
        cv_.Arc(left, top, right, bottom, ccx + ex, cy - ey, ccx + ex, cy + ey);
    }

    const std::int64_t k = rtl::Round(r * 10);
    if (!cut && (k == 2 || k == 5 || k == 10 || k == 20 || k == 50) && std::abs(r * 10 - k) < 1e-9) {
        const int th = cv_.TextHeight("0");
        const int x = (R > 0 ? ccx - rad : ccx + rad) + cv_.TextWidth("0");
        cv_.TextOut(x, cy + th / 4, General(r));
    }
}

void TSmithChartPainter::DrawReactanceArc(double x)
{
    const int R = l_.ChartRadius, cx = l_.ChartCentreX, cy = l_.ChartCentreY;
    x_ = x;
    q_ = 1 / x;
    const double a = 2 * std::asin(q_ / std::sqrt(q_ * q_ + 1));
    rr_ = RoundI(R / x);
    ux_ = RoundI(std::cos(a) * R);
    uy_ = RoundI(std::sin(a) * R);

    // Minor values stop at a resistance circle.
    if (x < 0.2) {
        CutReactanceArc(0.5);
        return;
    }
    if (x > 0.2001 && x < 0.5) {
        CutReactanceArc(1);
        return;
    }
    if (x > 0.50001 && x < 1) {
        CutReactanceArc(1);
        return;
    }
    if (x > 1.0001 && x < 2) {
        CutReactanceArc(2);
        return;
    }
    if (x > 2.0001 && x < 5) {
        CutReactanceArc(5);
        return;
    }

    const int ax = cx + R;
    // Lower arc (-x), then the upper one (+x), both from or to the end
    // of the real axis.
    cv_.Arc(ax - rr_, cy, ax + rr_, cy + 2 * rr_, ax, cy, cx + ux_, cy + uy_);
    cv_.Arc(ax - rr_, cy - 2 * rr_, ax + rr_, cy, cx + ux_, cy - uy_, ax, cy);

    if (x < 5.001) {
        int lx = ux_;
        if (lx < 0)
            lx -= cv_.TextWidth("0.000");
        if (lx == 0)
            lx -= cv_.TextWidth("-J");
        const int uy = c_.chartType_ == Tcharttype::Ysmith ? -uy_ : uy_;
        const int th = cv_.TextHeight("0");
        const std::string v = General(x);
        if (R > 0) {
            cv_.TextOut(cx + lx, cy + uy, "- J" + v);
            cv_.TextOut(cx + lx, cy - uy - th, "J" + v);
        } else {
            cv_.TextOut(cx + lx, cy + uy, "J" + v);
            cv_.TextOut(cx + lx, cy - uy - th, "- J" + v);
        }
    }
}

void TSmithChartPainter::CutReactanceArc(double rc)
{
    const int R = l_.ChartRadius, cx = l_.ChartCentreX, cy = l_.ChartCentreY;
    const double d = 1 / (1 + rc);
    const int ccx = cx + RoundI(R * rc * d);
    const double a2 = 2 * std::asin(q_ / std::sqrt(d * d + q_ * q_));
    const int c2 = RoundI(std::cos(a2) * R * d);
    const int s2 = RoundI(std::sin(a2) * R * d);

    if (x_ < 0.1) {
        // So flat that straight lines do.
        cv_.MoveTo(ccx + c2, cy + s2);
        cv_.LineTo(cx + ux_, cy + uy_);
        cv_.MoveTo(ccx + c2, cy - s2);
        cv_.LineTo(cx + ux_, cy - uy_);
        return;
    }
    const int ax = cx + R;
    cv_.Arc(ax - rr_, cy, ax + rr_, cy + 2 * rr_, ccx + c2, cy + s2, cx + ux_, cy + uy_);
    cv_.Arc(ax - rr_, cy - 2 * rr_, ax + rr_, cy, cx + ux_, cy - uy_, ccx + c2, cy - s2);
}

void TSmithChartPainter::DrawPolarGrid()
{
    const int R = l_.ChartRadius, cx = l_.ChartCentreX, cy = l_.ChartCentreY;
    cv_.SetPenColor(clBlack);
    cv_.SetPenStyle(TPenStyle::psSolid);
    const int n = static_cast<int>(std::max<std::int64_t>(1, rtl::Trunc(100 / c_.view_.Zoom)));

    cv_.SetBrushColor(c_.backgroundColor_);
    DrawPolarCircle(n); // the outer circle, filled
    cv_.SetBrushStyle(TBrushStyle::bsClear);
    if (n == 1) {
        DrawPolarCircle(0.25);
        DrawPolarCircle(0.5);
        DrawPolarCircle(0.75);
    }
    for (int k = 1; k <= n - 1; ++k)
        DrawPolarCircle(k);

    cv_.SetPenStyle(TPenStyle::psSolid);
    const int th = cv_.TextHeight("0");
    for (int k = 1; k <= c_.detail_; ++k) {
        const double ang = k * 90.0 / c_.detail_;
        const double rad = ang * 3.14159265358979323846 / 180;
        const int dx = RoundI(std::cos(rad) * R * n);
        const int dy = RoundI(std::sin(rad) * R * n);
        cv_.MoveTo(cx - dx, cy + dy);
        cv_.LineTo(cx + dx, cy - dy);
        cv_.MoveTo(cx - dx, cy - dy);
        cv_.LineTo(cx + dx, cy + dy);

        const std::string t = rtl::FloatToStrGeneral(ang, 4, rtl::formatSettings());
        cv_.TextOut(cx + dx, cy - dy - th, t + kDegree);
        cv_.TextOut(cx + dx, cy + dy, "-" + t + kDegree);
        if (ang != 90) {
            const std::string upper = rtl::FloatToStrGeneral(180 - ang, 5, rtl::formatSettings()) + kDegree;
            const std::string lower = rtl::FloatToStrGeneral(ang - 180, 5, rtl::formatSettings()) + kDegree;
            cv_.TextOut(cx - dx - cv_.TextWidth(upper), cy - dy - th, upper);
            cv_.TextOut(cx - dx - cv_.TextWidth(lower), cy + dy, lower);
        }
    }

    const int end = RoundI(static_cast<double>(R) * n);
    cv_.MoveTo(cx - end, cy);
    cv_.LineTo(cx + end, cy);
    const std::string left = std::string("-180") + kDegree;
    const std::string right = std::string(" 0") + kDegree;
    const int y = cy - cv_.TextHeight(left) / 2;
    cv_.TextOut(cx - end - cv_.TextWidth(left), y, left);
    cv_.TextOut(cx + end, y, right);
}

void TSmithChartPainter::DrawPolarCircle(double m)
{
    const int R = l_.ChartRadius, cx = l_.ChartCentreX, cy = l_.ChartCentreY;
    const int rad = RoundI(R * m);
    const int left = cx - rad, top = cy - rad, right = cx + rad, bottom = cy + rad;
    if (left > l_.PlotRight || right < 0 || top > l_.PlotBottom || bottom < 0)
        return;
    cv_.SetPenStyle(m == 0.25 || m == 0.75 ? TPenStyle::psDot : TPenStyle::psSolid);
    cv_.SetPenColor(clBlack);
    // The circle first, so that a filled outer circle does not cover its
    // own label.
    cv_.Ellipse(left, top, right, bottom);
    const std::string label = General(m) + " ";
    cv_.TextOut(cx + rad - cv_.TextWidth(label), cy, label);
}

} // namespace viewer::smith
