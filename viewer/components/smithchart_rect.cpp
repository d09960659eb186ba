// The five views against frequency (Logmag, GridU, GridV, GridR, GridX): a
// framed plot with the view's quantity on the left axis, its companion on
// an optional right axis, the frequency axis, the grid, the curves on both
// axes and the marker flags.

#include "platform/rtl/format.h"
#include "platform/rtl/mathx.h"
#include "viewer/components/chartmarks.h"
#include "viewer/components/smithchart.h"
#include "viewer/components/smithchart_painter.h"
#include "viewer/components/smithchart_values.h"

#include <algorithm>
#include <cmath>

namespace viewer::smith {

void TSmithChartPainter::DrawRectChart()
{
    if (LayoutRect()) {
        DrawRectGrid();
        DrawRectCurves();
        for (std::size_t i = 0; i < c_.markers_.size(); ++i)
            DrawMarkerFlag(c_.markers_[i], static_cast<int>(i));
        cv_.RemoveClip();
    }
    cv_.SetFont(c_.annotationFont_);
}

// The frame, the titles and the axis room, up to the shown ranges. False
// when the canvas leaves no room for a plot.
bool TSmithChartPainter::LayoutRect()
{
    cv_.SetBrushColor(c_.borderColor_);
    cv_.SetPenColor(c_.borderColor_);
    cv_.SetPenStyle(TPenStyle::psSolid);
    cv_.SetPenWidth(c_.lineWidth_);
    l_.PlotTop = c_.topMargin_;
    l_.PlotLeft = c_.leftMargin_;
    l_.PlotRight = W_ - c_.rightMargin_;
    l_.PlotBottom = H_ - c_.bottomMargin_;
    if (W_ <= 0 || H_ <= 0) {
        // Nothing drawn: no plot for the pointer to scale by.
        l_.PlotWidth = l_.PlotHeight = 0;
        return false;
    }
    cv_.Rectangle(0, 0, W_, H_);

    if (c_.showInfo_)
        DrawInfoPanel();
    const int top0 = c_.topMargin_;

    const bool showTitle = !c_.title_.empty() && c_.showTitle_;
    if (showTitle) {
        cv_.SetFont(c_.titleFont_);
        l_.PlotTop += cv_.TextHeight(c_.title_);
    }
    cv_.SetFont(c_.annotationFont_);
    l_.PlotTop += cv_.TextHeight("0") / 2;

    if (c_.showLegend_)
        DrawLegend(H_, W_);
    cv_.SetFont(c_.annotationFont_);
    cv_.SetBrushColor(c_.borderColor_);

    if (!c_.xTitle_.empty() || c_.showZ0_)
        l_.PlotBottom -= cv_.TextHeight(c_.xTitle_);
    l_.PlotBottom -= (3 * cv_.TextHeight(" ")) / 2;
    l_.PlotHeight = l_.PlotBottom - l_.PlotTop;

    const TSmithView& v = c_.view_;
    l_.ShownYrange = (c_.lymax_ - c_.lymin_) * v.ZoomY / 100.0;
    l_.ShownYmin = v.CentreValueY - l_.ShownYrange / 2;
    l_.ShownYmax = l_.ShownYmin + l_.ShownYrange;

    // Axis titles, vertically centred, and room for the labels.
    const int titleY = l_.PlotTop + l_.PlotHeight / 2 - cv_.TextHeight("0") / 2;
    if (!c_.leftTitle_.empty()) {
        cv_.TextOut(l_.PlotLeft + 2, titleY, c_.leftTitle_);
        l_.PlotLeft += cv_.TextWidth(c_.leftTitle_ + "0");
    }
    l_.PlotLeft += cv_.TextWidth("-100.00");
    if (c_.showRightAxis_) {
        if (!c_.rightTitle_.empty()) {
            l_.PlotRight -= cv_.TextWidth(c_.rightTitle_ + "0");
            cv_.TextOut(l_.PlotRight, titleY, " " + c_.rightTitle_);
        }
        l_.PlotRight -= cv_.TextWidth(" -100.00");
    } else {
        l_.PlotRight -= cv_.TextWidth("000");
    }
    l_.PlotWidth = l_.PlotRight - l_.PlotLeft;

    if (showTitle) {
        cv_.SetFont(c_.titleFont_);
        cv_.SetBrushColor(c_.borderColor_);
        cv_.TextOut(l_.PlotLeft + l_.PlotWidth / 2 - cv_.TextWidth(c_.title_) / 2, top0, c_.title_);
        cv_.SetFont(c_.annotationFont_);
    }

    l_.ShownXrange = (c_.xmax_ - c_.xmin_) * v.Zoom / 100.0;
    if (l_.ShownXrange == 0.0 || !std::isfinite(l_.ShownXrange))
        l_.ShownXrange = EmptyRangeSpan(v.CentreValueX);
    // Frequency never runs below 0.
    l_.ShownXmin = std::max(v.CentreValueX - l_.ShownXrange / 2, 0.0);
    if (!std::isfinite(l_.ShownXmin))
        l_.ShownXmin = 0.0;

    return l_.PlotWidth > 0 && l_.PlotHeight > 0;
}

void TSmithChartPainter::DrawRectGrid()
{
    const int th = cv_.TextHeight("0");
    cv_.SetPenColor(c_.graphColor_);
    cv_.SetBrushColor(c_.backgroundColor_);
    cv_.Rectangle(l_.PlotLeft, l_.PlotTop, l_.PlotRight, l_.PlotBottom);
    cv_.SetBrushColor(c_.borderColor_);
    const int xTitleY = l_.PlotBottom + (3 * th) / 2;
    if (!c_.xTitle_.empty())
        cv_.TextOut(l_.PlotLeft + l_.PlotWidth / 2 - cv_.TextWidth(c_.xTitle_) / 2, xTitleY, c_.xTitle_);
    if (c_.showZ0_) {
        const std::string s = "Z0=" + rtl::FloatToStr(c_.impedance_);
        cv_.TextOut(l_.PlotRight - cv_.TextWidth(s), xTitleY, s);
    }

    const TPenStyle gridStyle = GridPenStyle(c_.gridType_);
    const TColor gridColor = c_.colouredTraces_ ? (c_.graphColor_ == clBlack ? clGray : c_.graphColor_) : clBlack;

    // Horizontal lines with the left (and right) axis labels.
    const int ny = std::max(c_.yinterval_, 1);
    for (int i = 0; i <= ny; ++i) {
        const double vL = i * l_.ShownYrange / ny + l_.ShownYmin;
        const double vR = i * (c_.rymax_ - c_.rymin_) / ny + c_.rymin_;
        const int yi = rtl::RoundPx(l_.PlotBottom - static_cast<double>(l_.PlotHeight) * i / ny);
        cv_.SetFont(c_.annotationFont_);
        cv_.SetBrushColor(c_.borderColor_);
        const std::string s = FormatAxisValue(vL, c_.digits_);
        cv_.TextOut(l_.PlotLeft - cv_.TextWidth(s + " "), yi - th / 2, s);
        if (c_.showRightAxis_)
            cv_.TextOut(l_.PlotRight, yi - th / 2, " " + FormatAxisValue(vR, c_.digits_));
        cv_.MoveTo(l_.PlotLeft, yi);
        cv_.SetPenStyle(gridStyle);
        cv_.SetBrushColor(c_.backgroundColor_);
        cv_.SetPenColor(gridColor);
        if (i > 0 && yi > l_.PlotTop)
            cv_.LineTo(l_.PlotRight, yi);
        cv_.SetPenColor(c_.graphColor_);
        cv_.SetPenStyle(TPenStyle::psSolid);
    }

    // Vertical lines with the frequency labels.
    const int nx = std::max(c_.xinterval_, 1);
    const bool oneFrequency = c_.xmin_ == c_.xmax_;
    for (int i = 0; i <= nx; ++i) {
        const int xi = rtl::RoundPx(static_cast<double>(l_.PlotWidth) * i / nx + l_.PlotLeft);
        const double v = i * l_.ShownXrange / nx + l_.ShownXmin;
        const std::string s = rtl::FloatToStrFixed(v, 7, c_.digits_);
        cv_.SetBrushColor(c_.borderColor_);
        if (!oneFrequency)
            cv_.TextOut(FrequencyLabelLeft(xi, cv_.TextWidth(s), c_.leftMargin_, W_ - c_.rightMargin_),
                l_.PlotBottom + th / 2, s);
        cv_.MoveTo(xi, l_.PlotBottom);
        cv_.SetBrushColor(c_.backgroundColor_);
        cv_.SetPenStyle(gridStyle);
        cv_.SetPenColor(gridColor);
        if (i > 0 && xi < l_.PlotRight)
            cv_.LineTo(xi, l_.PlotTop);
        cv_.SetPenStyle(TPenStyle::psSolid);
    }
    if (oneFrequency) {
        cv_.SetBrushColor(c_.borderColor_);
        DrawLoneFrequencyLabel(
            cv_, c_.xmin_, c_.digits_, l_.ShownXmin, l_.ShownXrange, l_.PlotLeft, l_.PlotWidth, l_.PlotBottom + th / 2);
    }
}

void TSmithChartPainter::DrawRectCurves()
{
    cv_.SetPenColor(clSilver);
    int symbol = 5; // the first curve drawn gets 0
    cv_.SetPenWidth(c_.lineWidth_);
    cv_.SetClipRect(l_.PlotLeft + 1, l_.PlotTop, l_.PlotRight, l_.PlotBottom);

    // Every shown curve is traced first, large charts on several threads,
    // and then drawn in order.
    TRectScales s;
    s.View = c_.chartType_;
    s.W = W_;
    s.H = H_;
    s.Left = l_.PlotLeft;
    s.ShownXmin = l_.ShownXmin;
    s.XScale = l_.PlotWidth / l_.ShownXrange;
    s.DivisionWidth = static_cast<double>(l_.PlotWidth) / std::max(c_.xinterval_, 1);
    s.Bottom = l_.PlotBottom;
    s.Height = l_.PlotHeight;
    s.LeftSpan = l_.ShownYrange;
    s.LeftMin = l_.ShownYmin;
    s.RightSpan = c_.rymax_ - c_.rymin_;
    s.RightMin = c_.rymin_;
    s.RightAxis = c_.showRightAxis_;
    s.ShowMarkers = c_.showmarkers_;
    std::vector<const Tcurve*> shown;
    std::size_t points = 0;
    for (const Tcurve& curve : c_.curves_)
        if (!curve.Points.empty() && curve.Enabled) {
            shown.push_back(&curve);
            points += curve.Points.size();
        }
    TraceRectCurves(s, shown, traces_, points >= kPointsPerTraceThread ? TraceThreads() : 1);

    std::size_t k = 0;
    for (const Tcurve& curve : c_.curves_) {
        cv_.SetPenStyle(TPenStyle::psSolid);
        if (curve.Points.empty() || !curve.Enabled)
            continue;
        cv_.SetBrushColor(curve.Color);
        symbol = NextSymbol(symbol);
        cv_.SetPenColor(c_.colouredTraces_ ? curve.Color : clBlack);
        // A curve of one point has no line to show: its point is drawn as
        // its symbol, trace markers or not.
        if (curve.Points.size() == 1 && !c_.showmarkers_)
            for (TRectTrace* t : { &traces_[2 * k], &traces_[2 * k + 1] })
                if (t->PenSet)
                    t->Pieces.push_back({ true, t->Pen.x, t->Pen.y, 0, 0 });
        DrawRectTrace(traces_[2 * k], symbol, false);
        // The companion curve is a dotted line in the same colour.
        cv_.SetBrushStyle(TBrushStyle::bsClear);
        cv_.SetPenStyle(TPenStyle::psDot);
        if (c_.showRightAxis_)
            DrawRectTrace(traces_[2 * k + 1], symbol, true);
        ++k;
    }
}

void TSmithChartPainter::DrawRectTrace(const TRectTrace& trace, int symbol, bool rightAxis)
{
    for (const TRectTrace::Piece& piece : trace.Pieces) {
        if (!piece.Symbol) {
            const auto first = trace.Points.begin() + static_cast<std::ptrdiff_t>(piece.First);
            run_.assign(first, first + static_cast<std::ptrdiff_t>(piece.Count));
            cv_.Polyline(run_);
            continue;
        }
        // The companion's symbols are solid, as the left axis's are.
        if (rightAxis) {
            cv_.SetBrushStyle(TBrushStyle::bsSolid);
            cv_.SetPenStyle(TPenStyle::psSolid);
        }
        DrawPointSymbol(cv_, symbol, piece.X, piece.Y, SymbolHalfSize(W_));
        if (rightAxis) {
            cv_.SetBrushStyle(TBrushStyle::bsClear);
            cv_.SetPenStyle(TPenStyle::psDot);
        }
    }
    if (trace.PenSet)
        cv_.MoveTo(trace.Pen.x, trace.Pen.y);
}

} // namespace viewer::smith
