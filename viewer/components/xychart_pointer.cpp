// Pointer interaction of the XY chart: hover read-out with the reference
// point's deltas, markers by click and their direction by drag, pan and
// zoom by Shift drags.

#include "viewer/components/chartmarks.h"
#include "viewer/components/xychart.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace viewer::xy {

void TXYChart::RestoreHoverMark()
{
    if (!hover_.Visible)
        return;
    hover_.Visible = false;
    if (host_)
        host_->HoverMarksChanged();
}

void TXYChart::PointerLeft()
{
    RestoreHoverMark();
    TXYPointerState& s = pointer_;
    s.HitFound = false;
    s.SelectedCurve = kNone;
    if (s.ReportedCurve == kNone)
        return;
    s.ReportedCurve = kNone;
    if (OnCurveChanged)
        OnCurveChanged(*this, kNone, " ", clSilver);
}

void TXYChart::HitTest(int x, int y)
{
    RestoreHoverMark();
    TXYPointerState& s = pointer_;
    s.HitFound = false;
    const TXYLayout& l = layout_;
    // Nothing drawn on screen yet (or no room for a plot): no scale to read
    // the pointer by, so nothing is under it.
    const bool drawn = l.PlotWidth > 0 && l.PlotHeight > 0 && l.ShownXrange != 0.0;
    if (drawn) {
        const double px = (x - l.PlotLeft) * l.ShownXrange / l.PlotWidth + l.ShownXmin;
        const double tx = std::abs(l.ShownXrange * 10 / l.PlotWidth);
        const double pyLeft = l.ShownYmax - (y - l.PlotTop) * l.ShownYrange / l.PlotHeight;
        const double tyLeft = std::abs(l.ShownYrange * 10 / l.PlotHeight);
        const double rSpan = rymax_ - rymin_;
        const double pyRight = rymax_ - (y - l.PlotTop) * rSpan / l.PlotHeight;
        const double tyRight = std::abs(rSpan * 10 / l.PlotHeight);
        double hitDx = 0.0, hitDy = 0.0;
        for (int ci = 0; ci < CurveCount(); ++ci) {
            const Tcurve& c = curves_[static_cast<std::size_t>(ci)];
            if (!c.Enabled)
                continue;
            const double py = c.RightAxis ? pyRight : pyLeft;
            const double ty = c.RightAxis ? tyRight : tyLeft;
            for (int pi = 0; pi < static_cast<int>(c.Points.size()); ++pi) {
                const TPoint& p = c.Points[static_cast<std::size_t>(pi)];
                if (std::isnan(p.Y))
                    continue; // no value at this x
                // Distances in tenths of the tolerance (pixels), so that a
                // point on one axis is weighed against a hit on the other
                // by where both are drawn, not by their values.
                const double dx = std::abs(px - p.X) / tx * 10, dy = std::abs(py - p.Y) / ty * 10;
                bool hit;
                if (!s.HitFound)
                    hit = dx < 10 && dy < 10;
                else
                    hit = (hitDx > dx && dy < 10) || (hitDy > dy && dx < 10);
                if (hit) {
                    s.HitFound = true;
                    s.HitX = p.X;
                    s.HitY = p.Y;
                    s.SelectedCurve = ci;
                    s.SelectedPoint = pi;
                    hitDx = dx;
                    hitDy = dy;
                }
            }
        }
    }

    if (s.HitFound) {
        const Tcurve& c = curves_[static_cast<std::size_t>(s.SelectedCurve)];
        int hx = 0, hy = 0;
        if (ValueToPixel(c, s.HitX, s.HitY, hx, hy)) {
            hover_.Visible = true;
            hover_.X = hx;
            hover_.Y = hy;
            hover_.Triangle = s.RefSet;
            hover_.RefVisible = false;
            if (s.RefSet) {
                // The reference point where it is now drawn.
                const Tcurve* rc = CurveAt(s.RefCurve);
                const TPoint* rp = PointAt(s.RefCurve, s.RefPoint);
                int rx = 0, ry = 0;
                if (rc && rp && ValueToPixel(*rc, rp->X, rp->Y, rx, ry)) {
                    hover_.RefVisible = true;
                    hover_.RefPx = rx;
                    hover_.RefPy = ry;
                }
            }
            if (host_)
                host_->HoverMarksChanged();
        }
    } else {
        s.SelectedCurve = kNone;
    }

    if (s.SelectedCurve != s.ReportedCurve) {
        s.ReportedCurve = s.SelectedCurve;
        if (OnCurveChanged) {
            if (s.SelectedCurve == kNone) {
                OnCurveChanged(*this, kNone, " ", clSilver);
            } else {
                const Tcurve& c = curves_[static_cast<std::size_t>(s.SelectedCurve)];
                OnCurveChanged(*this, s.SelectedCurve, c.Legend, c.Color);
                s.ReportedPoint = kNone;
            }
        }
    }

    if (s.HitFound && s.SelectedPoint != s.ReportedPoint) {
        s.ReportedPoint = s.SelectedPoint;
        if (OnPointChanged)
            OnPointChanged(*this, s.HitX, s.HitY);
        if (s.RefSet && OnDeltaChanged)
            OnDeltaChanged(*this, s.HitX - s.RefX, s.HitY - s.RefY);
    }
}

void TXYChart::PanBy(int dx, int dy)
{
    TXYView& v = view_;
    const TXYLayout& l = layout_;
    if (dx != 0 && l.PlotWidth != 0)
        v.CentreValueX = v.CentreValueX0 - (xmax_ - xmin_) * v.Zoom * dx / (l.PlotWidth * 100.0);
    if (dy != 0 && l.PlotHeight != 0)
        v.CentreValueY = v.CentreValueY0 + (lymax_ - lymin_) * v.ZoomY * dy / (l.PlotHeight * 100.0);
    Paint();
}

void TXYChart::ZoomBy(int dx, int dy)
{
    TXYView& v = view_;
    if (dx != 0)
        v.Zoom = std::max(10.0, (100.0 - dx) * v.Zoom0 / 100.0);
    if (dy != 0)
        v.ZoomY = std::max(10.0, (100.0 - dy) * v.ZoomY0 / 100.0);
    Paint();
}

void TXYChart::MouseDown(TMouseButton button, TShiftState shift, int x, int y)
{
    TXYPointerState& s = pointer_;
    s.PressX = x;
    s.PressY = y;
    view_.CentreValueX0 = view_.CentreValueX;
    view_.CentreValueY0 = view_.CentreValueY;
    view_.Zoom0 = view_.Zoom;
    view_.ZoomY0 = view_.ZoomY;

    if (shift & ssShift)
        return; // pan and zoom happen on move
    if ((shift & ssCtrl) && button == TMouseButton::mbLeft) {
        HitTest(x, y);
        if (!s.HitFound)
            return;
        if (s.RefSet) {
            s.RefSet = false;
            hover_.RefVisible = false;
            Paint();
        }
        s.RefSet = true;
        s.RefCurve = s.SelectedCurve;
        s.RefPoint = s.SelectedPoint;
        s.RefX = s.HitX;
        s.RefY = s.HitY;
        return;
    }
    if ((shift & ssCtrl) && button == TMouseButton::mbRight) {
        s.RefSet = false;
        hover_.RefVisible = false;
        Paint();
        return;
    }
    if (button == TMouseButton::mbLeft) {
        HitTest(x, y);
        if (!s.HitFound)
            return;
        const int found = FindMarker(s.SelectedCurve, s.SelectedPoint);
        if (found >= 0) {
            markers_.erase(markers_.begin() + found);
        } else {
            markers_.push_back(Tmarker { s.SelectedCurve, s.SelectedPoint, 0 });
            s.MarkerDrag = true;
        }
        Paint();
    }
}

void TXYChart::MouseMove(TShiftState shift, int x, int y)
{
    TXYPointerState& s = pointer_;
    const int dx = x - s.PressX;
    const int dy = y - s.PressY;
    if (s.MarkerDrag && !markers_.empty()) {
        markers_.back().Direction = FlagDirectionOfDrag(dx, dy);
        Paint();
    } else if (!(shift & ssShift)) {
        HitTest(x, y);
    } else if (shift & ssLeft) {
        PanBy(dx, dy);
    } else if ((shift & ssRight) && (dx != s.LastDx || dy != s.LastDy)) {
        ZoomBy(dx, dy);
    }
    s.LastDx = dx;
    s.LastDy = dy;
}

void TXYChart::MouseUp(TMouseButton, TShiftState, int, int)
{
    pointer_.MarkerDrag = false;
}

} // namespace viewer::xy
