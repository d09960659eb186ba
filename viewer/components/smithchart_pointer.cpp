// Pointer interaction: the three mouse handlers, the hit test with its
// events and hover marks, and panning and zooming by a drag. The point drag,
// the curve shift and the turning of a marker flag are in
// smithchart_drag.cpp.

#include "platform/rtl/mathx.h"
#include "viewer/components/smithchart.h"
#include "viewer/components/smithchart_values.h"

#include <algorithm>
#include <cmath>

namespace viewer::smith {

namespace {

// Half the size of the hover marks' 7 x 7 box.
constexpr int kMarkHalf = 3;
// The hit tolerance, in pixels on each axis.
constexpr double kHitPixels = 10.0;

bool Finite(double v)
{
    return std::isfinite(v);
}

} // namespace

void TSmithChart::GetSelectedPoint(int& curve, int& point) const
{
    curve = pointer_.SelectedCurve;
    point = pointer_.SelectedPoint;
}

// ---- geometry ----

// Whether the last screen drawing left something to map pixels against.
// The circular views have a radius only once a circle was drawn; the
// rectangular views have no radius at all, so they go by their plot size.
bool TSmithChart::layoutDrawn() const
{
    const TSmithLayout& l = layout_;
    if (IsCircular(chartType_))
        return l.ChartRadius != 0;
    return l.PlotWidth > 0 && l.PlotHeight > 0 && Finite(l.ShownXmin) && Finite(l.ShownXrange) && l.ShownXrange != 0.0
        && Finite(l.ShownYmax) && Finite(l.ShownYmin) && Finite(l.ShownYrange) && l.ShownYrange != 0.0;
}

bool TSmithChart::PixelToValue(int X, int Y, double& x, double& y) const
{
    if (!layoutDrawn())
        return false;
    const TSmithLayout& l = layout_;
    if (IsCircular(chartType_)) {
        const double r = std::abs(static_cast<double>(l.ChartRadius));
        x = (X - l.ChartCentreX) / r;
        y = (l.ChartCentreY - Y) / r;
    } else {
        x = (X - l.PlotLeft) * l.ShownXrange / l.PlotWidth + l.ShownXmin;
        y = l.ShownYmax - (Y - l.PlotTop) * l.ShownYrange / l.PlotHeight;
    }
    return true;
}

bool TSmithChart::ValueToPixel(double x, double y, int& X, int& Y) const
{
    if (!layoutDrawn())
        return false;
    const TSmithLayout& l = layout_;
    if (IsCircular(chartType_)) {
        const double r = std::abs(static_cast<double>(l.ChartRadius));
        X = rtl::RoundPx(r * x + l.ChartCentreX);
        Y = rtl::RoundPx(-y * r + l.ChartCentreY);
    } else {
        X = rtl::RoundPx((x - l.ShownXmin) / l.ShownXrange * l.PlotWidth + l.PlotLeft);
        Y = rtl::RoundPx(l.PlotBottom - (y - l.ShownYmin) * (l.PlotHeight / l.ShownYrange));
    }
    return true;
}

void TSmithChart::PlottedValue(const TPoint& p, double& x, double& y) const
{
    if (IsCircular(chartType_)) {
        x = p.Re;
        y = p.Im;
    } else {
        // The value the drawing plots, so that a point is found where it is
        // drawn (-174 dB for a magnitude of 0).
        x = p.Freq;
        y = RectLeftValue(chartType_, p);
    }
}

// ---- hit test ----

void TSmithChart::HitTest(int X, int Y)
{
    TSmithPointerState& s = pointer_;
    RestoreHoverMark();
    s.HitFound = false;
    double px = 0.0, py = 0.0;
    if (!PixelToValue(X, Y, px, py))
        return;

    const TSmithLayout& l = layout_;
    double tx = 0.0, ty = 0.0;
    if (IsCircular(chartType_)) {
        tx = ty = kHitPixels / std::abs(static_cast<double>(l.ChartRadius));
    } else {
        // Magnitudes: a frequency range running backwards must not turn the
        // tolerance negative and make every point unreachable.
        tx = std::abs(l.ShownXrange * kHitPixels / l.PlotWidth);
        ty = std::abs(l.ShownYrange * kHitPixels / l.PlotHeight);
    }

    for (int ci = 0; ci < CurveCount(); ++ci) {
        const Tcurve& c = curves_[static_cast<std::size_t>(ci)];
        if (!c.Enabled)
            continue;
        const int n = static_cast<int>(c.Points.size());
        for (int pi = 0; pi < n; ++pi) {
            double qx = 0.0, qy = 0.0;
            PlottedValue(c.Points[static_cast<std::size_t>(pi)], qx, qy);
            const double dx = std::abs(px - qx);
            const double dy = std::abs(py - qy);
            bool hit = false;
            if (!s.HitFound)
                hit = dx < tx && dy < ty;
            else
                // Strict comparisons: on equal distances the earlier point stays.
                hit = (std::abs(px - s.HitX) > dx && dy < ty) || (std::abs(py - s.HitY) > dy && dx < tx);
            if (hit) {
                s.HitFound = true;
                s.HitX = qx;
                s.HitY = qy;
                s.SelectedCurve = ci;
                s.SelectedPoint = pi;
            }
        }
    }

    if (s.HitFound) {
        int hx = 0, hy = 0;
        ValueToPixel(s.HitX, s.HitY, hx, hy);
        hover_.HitShown = true;
        hover_.HitTriangle = s.RefSet;
        hover_.HitX = hx;
        hover_.HitY = hy;
        if (s.RefSet && ValueToPixel(s.RefX, s.RefY, hx, hy)) {
            hover_.RefShown = true;
            hover_.RefX = hx;
            hover_.RefY = hy;
        }
        hoverMarksChanged();
    } else {
        s.SelectedCurve = kNone;
    }
    reportHit();
}

// The events after a hit test: a change of curve, then a change of point.
void TSmithChart::reportHit()
{
    TSmithPointerState& s = pointer_;
    if (s.SelectedCurve != s.ReportedCurve) {
        s.ReportedCurve = s.SelectedCurve;
        if (OnCurveChanged) {
            const Tcurve* c = CurveAt(s.SelectedCurve);
            if (!c) {
                OnCurveChanged(*this, kNone, " ", clSilver);
            } else {
                // Copies: the handler may change the curves.
                const std::string legend = c->Legend;
                const TColor colour = c->Color;
                s.ReportedPoint = kNone;
                OnCurveChanged(*this, s.SelectedCurve, legend, colour);
            }
        }
    }
    if (!s.HitFound || s.SelectedPoint == s.ReportedPoint)
        return;
    s.ReportedPoint = s.SelectedPoint;
    if (!OnPointChanged)
        return;
    const TPoint* p = PointAt(s.SelectedCurve, s.SelectedPoint);
    if (!p)
        return;
    TPoint v = *p;
    if (s.RefSet) {
        const TPoint* ref = PointAt(s.RefCurve, s.RefPoint);
        if (!ref) {
            // The reference point is gone with its data: plain values again.
            s.RefSet = false;
        } else {
            v.Freq = p->Freq - ref->Freq;
            if (chartType_ == Tcharttype::Logmag) {
                if (ref->Mag != 0.0) {
                    v.Mag = p->Mag / ref->Mag;
                } else {
                    // No ratio to a magnitude of 0: take it as the -174 dB
                    // that stands for it, as the view plots it.
                    const double db = MagToDb(p->Mag);
                    v.Mag = Finite(db) ? std::pow(10.0, (db - kZeroDb) / 20.0) : 0.0;
                }
            } else {
                v.Mag = p->Mag - ref->Mag;
            }
            double a = ref->Angle - p->Angle;
            if (a > 180.0)
                a -= 360.0;
            else if (a < -180.0)
                a += 360.0;
            v.Angle = a;
            v.Re = p->Re - ref->Re;
            v.Im = p->Im - ref->Im;
        }
    }
    OnPointChanged(*this, v.Freq, v.Mag, v.Angle, v.Re, v.Im);
}

void TSmithChart::PointerLeft()
{
    RestoreHoverMark();
    pointer_.HitFound = false;
    pointer_.SelectedCurve = kNone;
    reportHit();
}

// ---- hover marks ----

void TSmithChart::RestoreHoverMark()
{
    if (!hover_.HitShown)
        return;
    hover_.HitShown = false;
    hoverMarksChanged();
}

void TSmithChart::hoverMarksChanged()
{
    if (host_)
        host_->HoverMarksChanged();
}

void TSmithChart::DrawHoverMarks(TChartCanvas& canvas) const
{
    canvas.SetPenColor(clBlack);
    canvas.SetPenWidth(1);
    canvas.SetPenStyle(TPenStyle::psSolid);
    canvas.SetBrushColor(clBlack);
    const int h = kMarkHalf;
    if (hover_.RefShown)
        canvas.FrameRect(hover_.RefX - h, hover_.RefY - h, hover_.RefX + h + 1, hover_.RefY + h + 1);
    if (!hover_.HitShown)
        return;
    const int x = hover_.HitX, y = hover_.HitY;
    if (hover_.HitTriangle)
        canvas.Polyline({ { x - h, y + h }, { x + h, y + h }, { x, y - h }, { x - h, y + h } });
    else
        canvas.FrameRect(x - h, y - h, x + h + 1, y + h + 1);
}

// ---- pan and zoom ----

void TSmithChart::PanBy(int dx, int dy)
{
    TSmithView& v = view_;
    const TSmithLayout& l = layout_;
    if (IsCircular(chartType_)) {
        // No drawing yet means no radius to scale the pixels by.
        if (l.ChartRadius != 0) {
            if (dx != 0)
                v.PanX = static_cast<double>(dx) / l.ChartRadius + v.PanX0;
            if (dy != 0)
                v.PanY = static_cast<double>(dy) / l.ChartRadius + v.PanY0;
        }
    } else {
        if (dx != 0 && l.PlotWidth != 0)
            v.CentreValueX = v.CentreValueX0 - (xmax_ - xmin_) * v.Zoom * dx / (l.PlotWidth * 100.0);
        if (dy != 0 && l.PlotHeight != 0)
            v.CentreValueY = v.CentreValueY0 + (lymax_ - lymin_) * v.ZoomY * dy / (l.PlotHeight * 100.0);
    }
    Paint();
}

void TSmithChart::ZoomBy(int dx, int dy)
{
    TSmithView& v = view_;
    if (dx != 0)
        v.Zoom = std::max(10.0, (100.0 - dx) * v.Zoom0 / 100.0);
    if (dy != 0)
        v.ZoomY = std::max(10.0, (100.0 - dy) * v.ZoomY0 / 100.0);
    Paint();
}

// ---- mouse handlers ----

void TSmithChart::MouseDown(TMouseButton button, TShiftState shift, int x, int y)
{
    TSmithPointerState& s = pointer_;
    s.PressX = x;
    s.PressY = y;
    view_.PanX0 = view_.PanX;
    view_.PanY0 = view_.PanY;
    view_.CentreValueX0 = view_.CentreValueX;
    view_.CentreValueY0 = view_.CentreValueY;
    view_.Zoom0 = view_.Zoom;
    view_.ZoomY0 = view_.ZoomY;

    const bool left = button == TMouseButton::mbLeft;
    const bool right = button == TMouseButton::mbRight;
    if ((shift & ssCtrl) && left) {
        HitTest(x, y);
        if (s.HitFound) {
            s.RefSet = false;
            Paint(); // takes the old reference marks away
            s.RefSet = true;
            s.RefCurve = s.SelectedCurve;
            s.RefPoint = s.SelectedPoint;
            s.RefX = s.HitX;
            s.RefY = s.HitY;
        }
    } else if ((shift & ssCtrl) && right) {
        s.RefSet = false;
        Paint();
    } else if ((shift & ssAlt) && (left || right)) {
        HitTest(x, y);
        if (s.HitFound) {
            s.RefSet = false;
            s.PointDrag = left;
            s.CurveShift = right;
            s.PressedCurve = s.SelectedCurve;
            s.PressedPoint = s.SelectedPoint;
        }
    } else if (right && !(shift & ssShift)) {
        HitTest(x, y);
        if (s.HitFound && host_)
            host_->PopupMenuAt(x, y);
    } else if (left && !(shift & ssShift)) {
        HitTest(x, y);
        if (s.HitFound) {
            const int m = FindMarker(s.SelectedCurve, s.SelectedPoint);
            if (m >= 0) {
                markers_.erase(markers_.begin() + m);
            } else {
                markers_.push_back({ s.SelectedCurve, s.SelectedPoint, 0 });
                s.MarkerDrag = true;
            }
            Paint();
        }
    }
    // Shift with any button: the drag is handled on move.
}

void TSmithChart::MouseMove(TShiftState shift, int x, int y)
{
    TSmithPointerState& s = pointer_;
    const int dx = x - s.PressX;
    const int dy = y - s.PressY;
    if (shift & ssAlt) {
        if ((shift & ssRight) && !(shift & ssLeft) && s.CurveShift)
            shiftCurve(dx, dy);
        else if ((shift & ssLeft) && s.PointDrag)
            dragPoint(x, y);
        if (OnPointChanged) {
            if (const TPoint* p = PointAt(s.PressedCurve, s.PressedPoint)) {
                const TPoint v = *p;
                OnPointChanged(*this, v.Freq, v.Mag, v.Angle, v.Re, v.Im);
            }
        }
        HitTest(x, y);
    } else if (s.MarkerDrag) {
        turnMarker(dx, dy);
    } else {
        if (!(shift & ssShift))
            HitTest(x, y);
        else if (shift & ssLeft)
            PanBy(dx, dy);
        else if ((shift & ssRight) && (dx != s.LastDx || dy != s.LastDy))
            ZoomBy(dx, dy);
        s.LastDx = dx;
        s.LastDy = dy;
    }
}

void TSmithChart::MouseUp(TMouseButton button, TShiftState, int, int)
{
    TSmithPointerState& s = pointer_;
    s.MarkerDrag = false;
    s.PointDrag = false;
    if (s.CurveShift && button == TMouseButton::mbRight) {
        // Without a control to ask through, nothing is changed.
        if (host_ && host_->AskYesNo("Accept Changes ?", "Rivelle")) {
            acceptCurveShift();
        } else {
            SetCurveOffset(s.PressedCurve, 0, 0);
            Paint();
        }
        s.CurveShift = false;
    }
}

} // namespace viewer::smith
