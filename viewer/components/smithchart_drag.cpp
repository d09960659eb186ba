// Edits by drag: a single point moved with Alt + left, a whole curve shifted
// with Alt + right (applied only when the user accepts it), and the flag of
// a new marker turned while the button is still down.

#include "viewer/components/chartmarks.h"
#include "viewer/components/smithchart.h"
#include "viewer/components/smithchart_values.h"
#include "viewer/components/vectormath.h"

#include <cmath>
#include <numbers>

namespace viewer::smith {

namespace {

// A point in polar form, or nothing when a conversion broke down (a point on
// the chart's right end has no finite impedance to keep).
struct TPolar {
    bool ok = false;
    double Mag = 0.0;
    double Angle = 0.0;
};

TPolar Polar(double mag, double angle)
{
    TPolar r;
    r.ok = std::isfinite(mag) && std::isfinite(angle);
    r.Mag = mag;
    r.Angle = angle;
    return r;
}

TPolar FromRect(double re, double im)
{
    const TComplex p = RectToPolar({ re, im });
    return Polar(p.re, p.im);
}

TPolar FromImpedance(double r, double x)
{
    ZToGammaPolar(r, x);
    return Polar(r, x);
}

// The point changed so that the value the rectangular view plots for it
// becomes y, its other component kept.
TPolar WithPlotted(Tcharttype view, const TPoint& p, double y)
{
    switch (view) {
    case Tcharttype::Logmag:
        return Polar(std::pow(10.0, y / 20.0), p.Angle);
    case Tcharttype::GridU:
        return FromRect(y, p.Im);
    case Tcharttype::GridV:
        return FromRect(p.Re, y);
    case Tcharttype::GridR:
    case Tcharttype::GridX: {
        double r = 0.0, x = 0.0;
        GammaToZ(r, x, p.Re, p.Im);
        if (view == Tcharttype::GridR)
            r = y;
        else
            x = y;
        return FromImpedance(r, x);
    }
    default:
        return {};
    }
}

} // namespace

void TSmithChart::dragPoint(int X, int Y)
{
    const TSmithPointerState& s = pointer_;
    // The drag may outlive its point (deleted from the grid or the menu).
    const TPoint* p = PointAt(s.PressedCurve, s.PressedPoint);
    if (!p || !layoutDrawn())
        return;
    const TSmithLayout& l = layout_;
    TPolar to;
    if (IsCircular(chartType_)) {
        // The point follows the pointer.
        const double r = std::abs(static_cast<double>(l.ChartRadius));
        const double u = (X - l.ChartCentreX) / r;
        const double v = (Y - l.ChartCentreY) / r;
        to = Polar(std::sqrt(u * u + v * v), -(std::atan2(v, u) * 180.0 / std::numbers::pi));
    } else {
        double x = 0.0, y = 0.0;
        PixelToValue(X, Y, x, y);
        to = WithPlotted(chartType_, *p, y);
    }
    if (!to.ok)
        return;
    SetPoint(s.PressedCurve, s.PressedPoint, p->Freq, to.Mag, to.Angle);
    Paint();
}

void TSmithChart::shiftCurve(int dx, int dy)
{
    const TSmithPointerState& s = pointer_;
    if (!CurveAt(s.PressedCurve) || !layoutDrawn())
        return;
    const TSmithLayout& l = layout_;
    if (IsCircular(chartType_)) {
        const double r = std::abs(static_cast<double>(l.ChartRadius));
        SetCurveOffset(s.PressedCurve, dx / r, dy / r);
    } else {
        SetCurveOffset(s.PressedCurve, 0.0, dy * l.ShownYrange / l.PlotHeight);
    }
    Paint();
}

// Moves every point of the pressed curve by its offset, then drops the
// offset, so the curve stays where the drag left it.
void TSmithChart::acceptCurveShift()
{
    TSmithPointerState& s = pointer_;
    Tcurve* c = CurveAt(s.PressedCurve);
    if (!c)
        return;
    const double ox = c->OffsetX, oy = c->OffsetY;
    // The pressed curve's own points: other curves may be shorter or longer.
    for (TPoint& p : c->Points) {
        TPolar to;
        if (IsCircular(chartType_)) {
            to = FromRect(p.Re + ox, p.Im - oy);
        } else {
            // From where the point is drawn: a magnitude of 0 at -174 dB.
            to = WithPlotted(chartType_, p, RectLeftValue(chartType_, p) - oy);
        }
        if (!to.ok)
            continue; // keeps a point that has no finite new place
        p.Mag = to.Mag;
        p.Angle = to.Angle;
        TComplex z;
        PolarToRectInPlace(z, p.Mag, p.Angle);
        p.Re = z.re;
        p.Im = z.im;
    }
    c->OffsetX = c->OffsetY = 0.0;
    dataChanged_ = true;
    if (OnDataChanged)
        OnDataChanged(*this);
    Paint();
}

void TSmithChart::turnMarker(int dx, int dy)
{
    if (markers_.empty())
        return;
    markers_.back().Direction = FlagDirectionOfDrag(dx, dy);
    Paint();
}

} // namespace viewer::smith
