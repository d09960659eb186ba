// Pointer interaction: the press-time copies of the view, panning and
// zooming by a drag. Hit testing, markers, point drags and curve shifts
// belong here as well.

#include "viewer/components/smithchart.h"

#include <algorithm>

namespace viewer::smith {

void TSmithChart::GetSelectedPoint(int& curve, int& point) const
{
    curve = pointer_.SelectedCurve;
    point = pointer_.SelectedPoint;
}

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

void TSmithChart::MouseDown(TMouseButton, TShiftState, int x, int y)
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
}

void TSmithChart::MouseMove(TShiftState shift, int x, int y)
{
    TSmithPointerState& s = pointer_;
    const int dx = x - s.PressX;
    const int dy = y - s.PressY;
    if (shift & ssShift) {
        if (shift & ssLeft)
            PanBy(dx, dy);
        else if ((shift & ssRight) && (dx != s.LastDx || dy != s.LastDy))
            ZoomBy(dx, dy);
    }
    s.LastDx = dx;
    s.LastDy = dy;
}

void TSmithChart::MouseUp(TMouseButton, TShiftState, int, int)
{
    TSmithPointerState& s = pointer_;
    s.MarkerDrag = false;
    s.PointDrag = false;
}

} // namespace viewer::smith
