// The five views against frequency (Logmag, GridU, GridV, GridR, GridX): a
// framed plot with the view's quantity on the left axis, its companion on
// an optional right axis, the frequency axis, the grid, the curves on both
// axes and the marker flags.

#include "platform/rtl/format.h"
#include "platform/rtl/mathx.h"
#include "viewer/components/smithchart.h"
#include "viewer/components/smithchart_painter.h"
#include "viewer/components/smithchart_values.h"

#include <algorithm>
#include <cmath>

namespace viewer::smith {

namespace {

// Where a curve point goes when the vertical range it is scaled by is
// empty: so far up that it falls outside the clip.
constexpr double kOffRange = 2147483647.0;

} // namespace

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
    for (int i = 0; i <= nx; ++i) {
        const int xi = rtl::RoundPx(static_cast<double>(l_.PlotWidth) * i / nx + l_.PlotLeft);
        const double v = i * l_.ShownXrange / nx + l_.ShownXmin;
        const std::string s = rtl::FloatToStrFixed(v, 7, c_.digits_);
        cv_.SetBrushColor(c_.borderColor_);
        cv_.TextOut(xi - cv_.TextWidth(s) / 2, l_.PlotBottom + th / 2, s);
        cv_.MoveTo(xi, l_.PlotBottom);
        cv_.SetBrushColor(c_.backgroundColor_);
        cv_.SetPenStyle(gridStyle);
        cv_.SetPenColor(gridColor);
        if (i > 0 && xi < l_.PlotRight)
            cv_.LineTo(xi, l_.PlotTop);
        cv_.SetPenStyle(TPenStyle::psSolid);
    }
}

void TSmithChartPainter::DrawRectCurves()
{
    cv_.SetPenColor(clSilver);
    int symbol = 5; // the first curve drawn gets 0
    cv_.SetPenWidth(c_.lineWidth_);
    cv_.SetClipRect(l_.PlotLeft + 1, l_.PlotTop, l_.PlotRight, l_.PlotBottom);
    for (const Tcurve& curve : c_.curves_) {
        cv_.SetPenStyle(TPenStyle::psSolid);
        if (curve.Points.empty() || !curve.Enabled)
            continue;
        cv_.SetBrushColor(curve.Color);
        symbol = NextSymbol(symbol);
        cv_.SetPenColor(c_.colouredTraces_ ? curve.Color : clBlack);
        // The impedance views work out each point's impedance once for both
        // axes; the others read their values straight from the point.
        values_.clear();
        if (c_.chartType_ == Tcharttype::GridR || c_.chartType_ == Tcharttype::GridX) {
            values_.resize(curve.Points.size());
            for (std::size_t i = 0; i < curve.Points.size(); ++i)
                RectValues(c_.chartType_, curve.Points[i], values_[i].first, values_[i].second);
        }
        DrawRectPass(curve, symbol, false);
        // The companion curve is a dotted line in the same colour.
        cv_.SetBrushStyle(TBrushStyle::bsClear);
        cv_.SetPenStyle(TPenStyle::psDot);
        if (c_.showRightAxis_)
            DrawRectPass(curve, symbol, true);
    }
}

// One curve against the left axis (the view's quantity, with the curve's
// drag offset) or the right axis (the companion, neither zoomed nor
// offset). Symbols go at the first point that reaches each grid division,
// so there is at most one per division.
void TSmithChartPainter::DrawRectPass(const Tcurve& curve, int symbol, bool rightAxis)
{
    const Tcharttype view = c_.chartType_;
    const bool cached = !values_.empty();
    const double g = static_cast<double>(l_.PlotWidth) / std::max(c_.xinterval_, 1);
    const double bottom = l_.PlotBottom, height = l_.PlotHeight, left = l_.PlotLeft;
    const double xScale = l_.PlotWidth / l_.ShownXrange;
    const double rSpan = c_.rymax_ - c_.rymin_;
    // Pixels per unit of each axis (the pointer and the flags scale alike).
    const double yScale = height / l_.ShownYrange;
    const double rScale = height / rSpan;
    double next = 0.0;
    bool havePrev = false;
    double px = 0.0, py = 0.0;
    path_.clear();
    for (std::size_t i = 0; i < curve.Points.size(); ++i) {
        const TPoint& p = curve.Points[i];
        const double xd = (p.Freq - l_.ShownXmin) * xScale + left;
        const double x = rtl::RoundHalfEven(xd);
        double y;
        if (!rightAxis) {
            const double v = cached ? values_[i].first : RectLeftValue(view, p);
            y = l_.ShownYrange == 0.0
                ? bottom - kOffRange
                : bottom - rtl::RoundHalfEven((v - curve.OffsetY - l_.ShownYmin) * yScale);
        } else {
            const double v = cached ? values_[i].second : RectRightValue(view, p);
            y = rSpan == 0.0 ? bottom - kOffRange : bottom - rtl::RoundHalfEven((v - c_.rymin_) * rScale);
        }
        // A point that cannot be placed breaks the line.
        const bool placed = std::isfinite(x) && std::isfinite(y);
        if (placed) {
            // Most points stay in the column of the one before.
            if (havePrev && x == px && !path_.empty() && path_.back().x == static_cast<int>(px)
                && path_.back().y == static_cast<int>(py) && InGuard(x, y))
                PathColumnLineTo(static_cast<int>(x), static_cast<int>(y));
            else if (havePrev)
                RectSegment(px, py, x, y);
            px = x;
            py = y;
        }
        havePrev = placed;

        if (xd - left >= next) {
            if (c_.showmarkers_ && placed && InGuard(x, y)) {
                PathFlush();
                if (rightAxis) {
                    cv_.SetBrushStyle(TBrushStyle::bsSolid);
                    cv_.SetPenStyle(TPenStyle::psSolid);
                }
                DrawSymbol(symbol, static_cast<int>(x), static_cast<int>(y));
                if (rightAxis) {
                    cv_.SetBrushStyle(TBrushStyle::bsClear);
                    cv_.SetPenStyle(TPenStyle::psDot);
                }
            }
            next += g;
        }
    }
    PathFlush();
    if (!path_.empty())
        cv_.MoveTo(path_.back().x, path_.back().y);
    else if (havePrev && InGuard(px, py))
        cv_.MoveTo(static_cast<int>(px), static_cast<int>(py));
    path_.clear();
}

// Pieces that run far outside are cut at a box well beyond the canvas, so
// that huge or off-range values cost nothing and nothing wraps around.
void TSmithChartPainter::RectSegment(double x0, double y0, double x1, double y1)
{
    if (!InGuard(x0, y0) || !InGuard(x1, y1)) {
        // Cut at the box edge by edge, each crossing computed from the
        // fraction of the crossed axis so that values near the limits of a
        // double keep their precision.
        const double xmin = -kCoordinateLimit, xmax = W_ + kCoordinateLimit;
        const double ymin = -kCoordinateLimit, ymax = H_ + kCoordinateLimit;
        auto outcode = [&](double x, double y) {
            return (x < xmin ? 1 : x > xmax ? 2 : 0) | (y < ymin ? 4 : y > ymax ? 8 : 0);
        };
        int c0 = outcode(x0, y0), c1 = outcode(x1, y1);
        for (int pass = 0; (c0 | c1) != 0; ++pass) {
            if ((c0 & c1) != 0 || pass == 8)
                return;
            const int out = c0 != 0 ? c0 : c1;
            double x, y;
            if (out & 8) {
                x = x0 + (x1 - x0) * ((ymax - y0) / (y1 - y0));
                y = ymax;
            } else if (out & 4) {
                x = x0 + (x1 - x0) * ((ymin - y0) / (y1 - y0));
                y = ymin;
            } else if (out & 2) {
                y = y0 + (y1 - y0) * ((xmax - x0) / (x1 - x0));
                x = xmax;
            } else {
                y = y0 + (y1 - y0) * ((xmin - x0) / (x1 - x0));
                x = xmin;
            }
            x = rtl::RoundHalfEven(x);
            y = rtl::RoundHalfEven(y);
            if (!std::isfinite(x) || !std::isfinite(y))
                return;
            if (out == c0) {
                x0 = x;
                y0 = y;
                c0 = outcode(x0, y0);
            } else {
                x1 = x;
                y1 = y;
                c1 = outcode(x1, y1);
            }
        }
    }
    const int ix0 = static_cast<int>(x0), iy0 = static_cast<int>(y0);
    if (path_.empty() || path_.back().x != ix0 || path_.back().y != iy0)
        PathMoveTo(ix0, iy0);
    PathColumnLineTo(static_cast<int>(x1), static_cast<int>(y1));
}

} // namespace viewer::smith
