// DrawChart: the frame and layout of the circular views, the curves with
// their point symbols, the legend and the Z0 text. The grids are in
// smithchart_grid.cpp.

#include "platform/rtl/format.h"
#include "platform/rtl/mathx.h"
#include "viewer/components/chartmarks.h"
#include "viewer/components/smithchart.h"
#include "viewer/components/smithchart_painter.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace viewer::smith {

void TSmithChart::DrawChart(
    TChartCanvas& canvas, int W, int H, int left, int right, int top, int bottom, TDrawTarget target)
{
    canvas.SetPenWidth(lineWidth_);
    canvas.SetBrushColor(backgroundColor_);
    canvas.SetPenStyle(TPenStyle::psSolid);
    canvas.SetFont(annotationFont_);

    leftMargin_ = left;
    rightMargin_ = right;
    topMargin_ = top;
    bottomMargin_ = bottom;

    TSmithChartPainter painter(*this, canvas, W, H, target);
    painter.Draw();
}

TSmithChartPainter::TSmithChartPainter(TSmithChart& chart, TChartCanvas& canvas, int W, int H, TDrawTarget target)
    : c_(chart)
    , cv_(canvas)
    , W_(W)
    , H_(H)
    , target_(target)
    , l_(target == TDrawTarget::dtScreen ? chart.layout_ : chart.drawnLayout_)
{
}

void TSmithChartPainter::Draw()
{
    if (!IsCircular(c_.chartType_)) {
        DrawRectChart();
    } else {
        if (LayoutCircle()) {
            if (c_.chartType_ == Tcharttype::Polar)
                DrawPolarGrid();
            else
                DrawSmithGrid();
            DrawCurves();
            DrawZ0();
            for (std::size_t i = 0; i < c_.markers_.size(); ++i)
                DrawMarkerFlag(c_.markers_[i], static_cast<int>(i));
            cv_.RemoveClip();
        }
        cv_.SetFont(c_.annotationFont_);
    }

    c_.drawnLayout_ = l_;
    if (target_ == TDrawTarget::dtScreen)
        c_.layout_ = l_;
}

// The common start of the circular views up to the clip. False when the
// canvas leaves no room for a circle: then nothing more is drawn and the
// radius is 0, which the pointer takes for "nothing drawn".
bool TSmithChartPainter::LayoutCircle()
{
    l_.PlotLeft = c_.leftMargin_;
    l_.PlotRight = W_ - c_.rightMargin_;
    l_.PlotTop = c_.topMargin_;
    l_.PlotBottom = H_ - c_.bottomMargin_;
    l_.ChartRadius = 0;
    if (W_ <= 0 || H_ <= 0)
        return false;

    cv_.SetPenColor(c_.borderColor_);
    cv_.SetBrushColor(c_.borderColor_);
    cv_.Rectangle(0, 0, W_, H_);

    if (c_.showInfo_)
        DrawInfoPanel();
    pw_ = l_.PlotRight - l_.PlotLeft;
    if (c_.showLegend_)
        DrawLegend(H_, W_);
    if (c_.showTitle_ && !c_.title_.empty()) {
        cv_.SetFont(c_.titleFont_);
        cv_.SetBrushColor(c_.borderColor_);
        l_.PlotTop += cv_.TextHeight(c_.title_);
        cv_.TextOut(l_.PlotLeft + pw_ / 2 - cv_.TextWidth(c_.title_) / 2, c_.topMargin_, c_.title_);
    }
    ph_ = l_.PlotBottom - l_.PlotTop;
    cv_.SetFont(c_.annotationFont_);
    const int radius = std::min(pw_ - cv_.TextWidth("00"), ph_ - 2 * cv_.TextHeight("0")) / 2;
    const TSmithView& v = c_.view_;
    // A zoom of 0 or below would shrink the circle to nothing or mirror it.
    if (pw_ <= 0 || ph_ <= 0 || radius <= 0 || !(v.Zoom > 0))
        return false;

    l_.ChartCentreY = l_.PlotTop + ph_ / 2;
    l_.ChartCentreX = l_.PlotLeft + pw_ / 2;
    if (v.Zoom > 100 || v.PanX != 0 || v.PanY != 0) {
        cv_.SetBrushColor(clBlack);
        cv_.FrameRect(l_.PlotLeft, l_.PlotTop, l_.PlotRight, l_.PlotBottom);
    }
    cv_.SetClipRect(l_.PlotLeft + 1, l_.PlotTop + 1, l_.PlotRight - 1, l_.PlotBottom - 1);

    int R = c_.chartType_ == Tcharttype::Ysmith ? -radius : radius;
    R = rtl::RoundPx(R * v.Zoom / 100.0);
    if (R == 0) {
        cv_.RemoveClip();
        return false;
    }
    l_.ChartRadius = R;
    // The signed radius: panning runs mirrored in the admittance chart.
    l_.ChartCentreX += rtl::RoundPx(R * v.PanX);
    l_.ChartCentreY += rtl::RoundPx(R * v.PanY);
    return true;
}

void TSmithChartPainter::PathMoveTo(int x, int y)
{
    PathFlush();
    path_.clear();
    path_.push_back({ x, y });
}

void TSmithChartPainter::PathLineTo(int x, int y)
{
    if (path_.empty()) {
        path_.push_back({ x, y });
        return;
    }
    // A segment of no length draws nothing.
    if (path_.back().x != x || path_.back().y != y)
        path_.push_back({ x, y });
}

void TSmithChartPainter::PathFlush()
{
    if (path_.size() >= 2) {
        cv_.Polyline(path_);
        const TCanvasPoint last = path_.back();
        path_.clear();
        path_.push_back(last);
    }
}

void TSmithChartPainter::DrawCurves()
{
    const int cx = l_.ChartCentreX, cy = l_.ChartCentreY;
    const double absR = std::abs(l_.ChartRadius);
    int symbol = 0;
    cv_.SetPenWidth(c_.lineWidth_);
    cv_.SetPenStyle(TPenStyle::psSolid);
    for (const Tcurve& curve : c_.curves_) {
        if (curve.Points.empty() || !curve.Enabled)
            continue;
        cv_.SetBrushColor(curve.Color);
        cv_.SetPenColor(c_.colouredTraces_ ? curve.Color : clBlack);
        path_.clear();
        double lastRe = 0.0, lastIm = 0.0;
        bool first = true;
        for (const TPoint& p : curve.Points) {
            const double xd = cx + rtl::RoundHalfEven((p.Re + curve.OffsetX) * absR);
            const double yd = cy - rtl::RoundHalfEven((p.Im - curve.OffsetY) * absR);
            // NaN fails the test too.
            const bool inRange = std::abs(xd) + std::abs(yd) < kCoordinateLimit;
            const int x = inRange ? static_cast<int>(xd) : 0;
            const int y = inRange ? static_cast<int>(yd) : 0;
            if (first && inRange)
                PathMoveTo(x, y);
            if (c_.showmarkers_ && (first || std::abs(p.Re - lastRe) > 0.3 || std::abs(p.Im - lastIm) > 0.3)) {
                if (inRange) {
                    PathFlush();
                    DrawSymbol(symbol, x, y);
                }
                lastRe = p.Re;
                lastIm = p.Im;
            }
            first = false;
            if (inRange) {
                PathLineTo(x, y);
            } else {
                // Break the line on both sides of a point far outside.
                PathFlush();
                path_.clear();
            }
        }
        PathFlush();
        if (!path_.empty()) {
            cv_.MoveTo(path_.back().x, path_.back().y);
            // A curve of one point has no line to show: its point is drawn
            // as its symbol, trace markers or not.
            if (curve.Points.size() == 1 && !c_.showmarkers_)
                DrawPointSymbol(cv_, symbol, path_.back().x, path_.back().y, SymbolHalfSize(W_));
        }
        path_.clear();
        symbol = NextSymbol(symbol);
    }
}

void TSmithChartPainter::DrawZ0()
{
    cv_.SetBrushColor(c_.borderColor_);
    if (!c_.showZ0_)
        return;
    const std::string s = "Z0=" + rtl::FloatToStr(c_.impedance_);
    cv_.TextOut(l_.PlotRight - cv_.TextWidth(s) - 1, l_.PlotBottom - cv_.TextHeight("0") - 1, s);
}

void TSmithChartPainter::DrawSymbol(int symbol, int x, int y)
{
    if (!c_.showmarkers_ || symbol < 0 || symbol > 5)
        return;
    DrawPointSymbol(cv_, symbol, x, y, SymbolHalfSize(W_));
}

void TSmithChartPainter::DrawLegend(int H, int W)
{
    if (c_.curves_.empty())
        return;
    const int s = c_.showmarkers_ ? SymbolHalfSize(W) : 0;
    const int t = cv_.TextWidth("0");
    const int th = cv_.TextHeight("0");
    int x = c_.leftMargin_ + s + 2 * t;
    const int y = H - c_.bottomMargin_ - std::max(s, th / 2);
    int symbol = -1;
    for (const Tcurve& curve : c_.curves_) {
        cv_.SetBrushColor(curve.Color);
        if (curve.Points.empty() || !curve.Enabled)
            continue;
        // The first curve drawn gets symbol 0, as in the chart.
        symbol = symbol < 0 ? 0 : NextSymbol(symbol);
        cv_.SetPenColor(c_.colouredTraces_ ? curve.Color : clBlack);
        cv_.SetPenWidth(2);
        cv_.MoveTo(x - t, y);
        cv_.LineTo(x + t, y);
        cv_.SetPenWidth(1);
        DrawSymbol(symbol, x, y);
        cv_.SetBrushColor(c_.borderColor_);
        cv_.TextOut(x + s + 2, y - 1 - th / 2, " " + curve.Legend);
        x += 2 * s + cv_.TextWidth(curve.Legend + "00");
        cv_.SetBrushColor(curve.Color);
    }
    l_.PlotBottom -= std::max(th, 2 * s);
}

} // namespace viewer::smith
