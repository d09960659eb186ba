// DrawChart of the XY chart: frame, info panel, banner, legend, both
// vertical axes, grid, curves with their point symbols, and marker flags.

#include "platform/rtl/format.h"
#include "platform/rtl/mathx.h"
#include "viewer/components/chartmarks.h"
#include "viewer/components/smithchart_painter.h"
#include "viewer/components/smithchart_values.h"
#include "viewer/components/xychart.h"

#include <QDate>
#include <QLocale>
#include <QTime>

#include <algorithm>
#include <cmath>
#include <vector>

namespace viewer::xy {

namespace {

// A vertical offset is capped here before rounding, so a point far outside
// the range cannot overflow; an empty range puts points this far up.
constexpr double kOffsetCap = 2147483647.0;
// Line pieces are cut at this distance beyond the canvas.
constexpr double kGuard = 32768.0;

// Flag barbs as fixed pixel offsets, by direction.
struct TBarbs {
    int b1x, b1y, b2x, b2y;
};
constexpr TBarbs kBarbs[8] = {
    { -6, -6, 6, -6 },
    { 0, -8, 8, 0 },
    { 6, -6, 6, 6 },
    { 8, 0, 0, 8 },
    { 6, 6, -6, 6 },
    { 0, 8, -8, 0 },
    { -6, 6, -6, -6 },
    { -8, 0, 0, -8 },
};

} // namespace

class TXYChartPainter {
public:
    TXYChartPainter(TXYChart& chart, TChartCanvas& canvas, int W, int H, TDrawTarget target)
        : c_(chart)
        , cv_(canvas)
        , W_(W)
        , H_(H)
        , target_(target)
        , l_(target == TDrawTarget::dtScreen ? chart.layout_ : chart.drawnLayout_)
    {
    }

    void Draw();

    // Pixel row of a value on a curve's axis (before the cap is applied to
    // the offset): PlotBottom - Round(min(offset, cap)).
    static double RowOf(const TXYChart& c, const TXYLayout& l, bool rightAxis, double Y);

private:
    bool Layout();
    void DrawBanner();
    void DrawLegend();
    void DrawGrid();
    void DrawCurves();
    void DrawInfoPanel();
    void DrawMarkerFlag(const Tmarker& marker, int i);
    void DrawSymbol(int symbol, int x, int y);
    void Segment(double x0, double y0, double x1, double y1);
    void Flush();

    TXYChart& c_;
    TChartCanvas& cv_;
    const int W_;
    const int H_;
    const TDrawTarget target_;
    TXYLayout l_;
    std::vector<TCanvasPoint> path_;
};

void TXYChart::DrawChart(
    TChartCanvas& canvas, int W, int H, int left, int right, int top, int bottom, TDrawTarget target)
{
    leftMargin_ = left;
    rightMargin_ = right;
    topMargin_ = top;
    bottomMargin_ = bottom;
    if (xinterval_ < 1)
        xinterval_ = 1;
    if (yinterval_ < 1)
        yinterval_ = 1;
    TXYChartPainter painter(*this, canvas, W, H, target);
    painter.Draw();
}

double TXYChartPainter::RowOf(const TXYChart& c, const TXYLayout& l, bool rightAxis, double Y)
{
    double o;
    if (rightAxis) {
        const double span = c.rymax_ - c.rymin_;
        o = span == 0.0 ? kOffsetCap : std::min((Y - c.rymin_) / span * l.PlotHeight, kOffsetCap);
    } else {
        o = l.ShownYrange == 0.0 ? kOffsetCap : std::min((Y - l.ShownYmin) / l.ShownYrange * l.PlotHeight, kOffsetCap);
    }
    if (!std::isfinite(o))
        o = kOffsetCap;
    return l.PlotBottom - rtl::RoundHalfEven(o);
}

void TXYChartPainter::Draw()
{
    if (Layout()) {
        DrawGrid();
        DrawCurves();
        for (std::size_t i = 0; i < c_.markers_.size(); ++i)
            DrawMarkerFlag(c_.markers_[i], static_cast<int>(i));
        cv_.RemoveClip();
    }
    cv_.SetFont(c_.annotationFont_);
    c_.drawnLayout_ = l_;
    if (target_ == TDrawTarget::dtScreen)
        c_.layout_ = l_;
}

// Steps up to the shown ranges; false when no plot area is left.
bool TXYChartPainter::Layout()
{
    cv_.SetPenStyle(TPenStyle::psSolid);
    cv_.SetFont(c_.annotationFont_);
    cv_.SetBrushColor(c_.borderColor_);
    cv_.SetPenColor(c_.borderColor_);
    cv_.SetPenWidth(c_.lineWidth_);
    l_.PlotTop = c_.topMargin_;
    l_.PlotLeft = c_.leftMargin_;
    l_.PlotRight = W_ - c_.rightMargin_;
    l_.PlotBottom = H_ - c_.bottomMargin_;
    if (W_ <= 0 || H_ <= 0) {
        l_.PlotWidth = l_.PlotHeight = 0;
        return false;
    }
    cv_.Rectangle(0, 0, W_, H_);

    // The banner goes first and the read-out panel under it: drawn the
    // other way round, the banner's boxes would cover the first markers'
    // lines. The panel only moves PlotLeft, which the banner does not use.
    const bool plainTitle = !c_.showbanner_ && c_.showTitle_ && !c_.title_.empty();
    if (c_.showbanner_)
        DrawBanner();
    if (c_.showInfo_) {
        cv_.SetFont(c_.annotationFont_);
        DrawInfoPanel();
    }
    if (plainTitle)
        l_.PlotTop += cv_.TextHeight(c_.title_); // measured in the annotation font

    cv_.SetFont(c_.annotationFont_);
    const int th = cv_.TextHeight("0");
    l_.PlotTop += th / 2;

    if (!c_.curves_.empty() && c_.showLegend_)
        DrawLegend();

    cv_.SetFont(c_.annotationFont_);
    cv_.SetBrushColor(c_.borderColor_);
    if (!c_.xTitle_.empty())
        l_.PlotBottom -= cv_.TextHeight(c_.xTitle_);
    l_.PlotBottom -= (3 * cv_.TextHeight(" ")) / 2;
    l_.PlotHeight = l_.PlotBottom - l_.PlotTop;

    const TXYView& v = c_.view_;
    l_.ShownYrange = (c_.lymax_ - c_.lymin_) * v.ZoomY / 100.0;
    l_.ShownYmin = v.CentreValueY - l_.ShownYrange / 2;
    l_.ShownYmax = l_.ShownYmin + l_.ShownYrange;

    const int titleY = l_.PlotTop + l_.PlotHeight / 2 - th / 2;
    if (c_.showLeftAxis_) {
        if (!c_.leftTitle_.empty()) {
            cv_.TextOut(l_.PlotLeft + 2, titleY, c_.leftTitle_);
            l_.PlotLeft += cv_.TextWidth(c_.leftTitle_ + "0");
        }
        l_.PlotLeft += cv_.TextWidth(" -100.00");
    }
    if (c_.showRightAxis_) {
        if (!c_.rightTitle_.empty()) {
            l_.PlotRight -= cv_.TextWidth(c_.rightTitle_ + "0");
            cv_.TextOut(l_.PlotRight, titleY, " " + c_.rightTitle_);
        }
        l_.PlotRight -= cv_.TextWidth("-100.00");
    } else {
        l_.PlotRight -= cv_.TextWidth("000");
    }
    l_.PlotWidth = l_.PlotRight - l_.PlotLeft;

    if (plainTitle) {
        cv_.SetFont(c_.titleFont_);
        cv_.SetBrushColor(c_.borderColor_);
        cv_.TextOut(l_.PlotLeft + l_.PlotWidth / 2 - cv_.TextWidth(c_.title_) / 2, c_.topMargin_, c_.title_);
        cv_.SetFont(c_.annotationFont_);
    }

    l_.ShownXrange = (c_.xmax_ - c_.xmin_) * v.Zoom / 100.0;
    if (l_.ShownXrange == 0.0 || !std::isfinite(l_.ShownXrange))
        l_.ShownXrange = smith::EmptyRangeSpan(v.CentreValueX);
    l_.ShownXmin = std::max(v.CentreValueX - l_.ShownXrange / 2, 0.0);
    if (!std::isfinite(l_.ShownXmin))
        l_.ShownXmin = 0.0;

    return l_.PlotWidth > 0 && l_.PlotHeight > 0;
}

void TXYChartPainter::DrawBanner()
{
    cv_.SetFont(c_.annotationFont_);
    cv_.SetBrushColor(c_.borderColor_);
    const QLocale locale = QLocale::system();
    const std::string d = "Date: " + locale.toString(QDate::currentDate(), QLocale::ShortFormat).toStdString();
    const std::string t = "Time: " + locale.toString(QTime::currentTime(), QLocale::ShortFormat).toStdString();
    const int th = cv_.TextHeight("0");
    const int bw = std::max({ cv_.TextWidth(t + "  "), W_ / 10, cv_.TextWidth(d + "  ") });
    const int bh = std::max(3 * th, H_ / 10);
    l_.PlotTop += bh;

    const int top = c_.topMargin_;
    const int left = c_.leftMargin_;
    const int right = W_ - c_.rightMargin_;
    // Outlined in the border colour: the panel's black pen must not leak in.
    cv_.SetPenColor(c_.borderColor_);
    cv_.Rectangle(left, top, left + W_ / 10, top + bh);
    cv_.Rectangle(right - bw, top, right, top + bh);
    cv_.Rectangle(left + W_ / 10, top, right - bw, top + bh);
    cv_.StretchDraw(left + 2, top + 2, left + W_ / 10 - 1, top + bh - 1, c_.bannerPicture_);

    const int tx = right - bw + cv_.TextWidth(" ");
    cv_.TextOut(tx, top + bh / 2 - th, d);
    cv_.TextOut(tx, top + bh / 2 + th / 2, t);

    cv_.SetFont(c_.titleFont_);
    cv_.TextOut(W_ / 2 - cv_.TextWidth(c_.title_) / 2, top + bh / 2 - cv_.TextHeight("0") / 2, c_.title_);
}

void TXYChartPainter::DrawLegend()
{
    const int s = c_.showmarkers_ ? c_.markerSize_ * W_ / 640 : 0;
    const int t = cv_.TextWidth("0");
    const int th = cv_.TextHeight("0");
    int x = c_.leftMargin_ + s + 2 * t;
    const int y = H_ - c_.bottomMargin_ - std::max(s, th / 2);
    int symbol = 5; // the first curve drawn gets 0
    for (const Tcurve& curve : c_.curves_) {
        cv_.SetBrushColor(curve.Color);
        if (curve.Points.empty() || !curve.Enabled)
            continue;
        symbol = NextSymbol(symbol);
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

void TXYChartPainter::DrawGrid()
{
    const int th = cv_.TextHeight("0");
    cv_.SetFont(c_.annotationFont_);
    cv_.SetPenColor(c_.graphColor_);
    cv_.SetBrushColor(c_.backgroundColor_);
    cv_.Rectangle(l_.PlotLeft, l_.PlotTop, l_.PlotRight, l_.PlotBottom);
    cv_.SetBrushColor(c_.borderColor_);
    const int xTitleY = l_.PlotBottom + (3 * th) / 2;
    if (!c_.xTitle_.empty())
        cv_.TextOut(l_.PlotLeft + l_.PlotWidth / 2 - cv_.TextWidth(c_.xTitle_) / 2, xTitleY, c_.xTitle_);
    if (c_.showZ0_) {
        const std::string s = "Z0=" + rtl::FloatToStr(c_.impedance_);
        cv_.TextOut(l_.PlotRight - cv_.TextWidth(s) - 1, xTitleY, s);
    }

    const TPenStyle gridStyle = smith::GridPenStyle(c_.gridType_);
    const TColor gridColor = c_.colouredTraces_ ? clGray : clBlack;

    const int ny = c_.yinterval_;
    for (int i = 0; i <= ny; ++i) {
        const double vL = i * l_.ShownYrange / ny + l_.ShownYmin;
        const double vR = i * (c_.rymax_ - c_.rymin_) / ny + c_.rymin_;
        const int yi = rtl::RoundPx(l_.PlotBottom - static_cast<double>(l_.PlotHeight) * i / ny);
        cv_.SetBrushColor(c_.borderColor_);
        if (c_.showLeftAxis_) {
            const std::string s = smith::FormatAxisValue(vL, c_.digits_);
            cv_.TextOut(l_.PlotLeft - cv_.TextWidth(s + " "), yi - th / 2, s);
        }
        if (c_.showRightAxis_)
            cv_.TextOut(l_.PlotRight, yi - th / 2, " " + smith::FormatAxisValue(vR, c_.digits_));
        cv_.MoveTo(l_.PlotLeft, yi);
        if (c_.showHorizLines_) {
            cv_.SetPenColor(gridColor);
            cv_.SetPenStyle(gridStyle);
            if (i > 0 && yi > l_.PlotTop)
                cv_.LineTo(l_.PlotRight, yi);
        }
        cv_.SetPenColor(c_.graphColor_);
        cv_.SetPenStyle(TPenStyle::psSolid);
    }

    const int nx = c_.xinterval_;
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
        cv_.SetPenColor(c_.graphColor_);
        if (c_.showVertLines_) {
            cv_.SetPenColor(gridColor);
            cv_.SetPenStyle(gridStyle);
            if (i > 0 && xi < l_.PlotRight)
                cv_.LineTo(xi, l_.PlotTop);
        }
        cv_.SetPenStyle(TPenStyle::psSolid);
    }
    if (oneFrequency) {
        cv_.SetBrushColor(c_.borderColor_);
        DrawLoneFrequencyLabel(
            cv_, c_.xmin_, c_.digits_, l_.ShownXmin, l_.ShownXrange, l_.PlotLeft, l_.PlotWidth, l_.PlotBottom + th / 2);
    }
}

void TXYChartPainter::DrawSymbol(int symbol, int x, int y)
{
    if (!c_.showmarkers_ || symbol < 0 || symbol > 5)
        return;
    DrawPointSymbol(cv_, symbol, x, y, smith::TSmithChartPainter::SymbolHalfSize(W_));
}

void TXYChartPainter::Flush()
{
    if (path_.size() >= 2)
        cv_.Polyline(path_);
    if (!path_.empty()) {
        const TCanvasPoint last = path_.back();
        path_.clear();
        path_.push_back(last);
    }
}

// A straight piece between two pixel positions, cut at a box well beyond
// the canvas so that far-off points cost nothing and nothing wraps around.
void TXYChartPainter::Segment(double x0, double y0, double x1, double y1)
{
    const double xmin = -kGuard, xmax = W_ + kGuard, ymin = -kGuard, ymax = H_ + kGuard;
    double t0 = 0.0, t1 = 1.0;
    const double dx = x1 - x0, dy = y1 - y0;
    auto clip = [&](double p, double q) {
        if (p == 0.0)
            return q >= 0.0;
        const double r = q / p;
        if (p < 0.0) {
            if (r > t1)
                return false;
            t0 = std::max(t0, r);
        } else {
            if (r < t0)
                return false;
            t1 = std::min(t1, r);
        }
        return true;
    };
    if (!clip(-dx, x0 - xmin) || !clip(dx, xmax - x0) || !clip(-dy, y0 - ymin) || !clip(dy, ymax - y0)) {
        Flush();
        path_.clear();
        return;
    }
    const int ax = static_cast<int>(rtl::RoundHalfEven(x0 + t0 * dx));
    const int ay = static_cast<int>(rtl::RoundHalfEven(y0 + t0 * dy));
    const int bx = static_cast<int>(rtl::RoundHalfEven(x0 + t1 * dx));
    const int by = static_cast<int>(rtl::RoundHalfEven(y0 + t1 * dy));
    if (path_.empty() || path_.back().x != ax || path_.back().y != ay) {
        Flush();
        path_.clear();
        path_.push_back({ ax, ay });
    }
    if (path_.back().x != bx || path_.back().y != by)
        path_.push_back({ bx, by });
}

void TXYChartPainter::DrawCurves()
{
    cv_.SetPenWidth(c_.lineWidth_);
    cv_.SetClipRect(l_.PlotLeft + 1, l_.PlotTop, l_.PlotRight, l_.PlotBottom);
    int symbol = 5; // the first curve drawn gets 0
    const double g = static_cast<double>(l_.PlotWidth) / c_.xinterval_;
    const double xScale = l_.PlotWidth / l_.ShownXrange;
    for (const Tcurve& curve : c_.curves_) {
        cv_.SetPenStyle(TPenStyle::psSolid);
        if (curve.Points.empty() || !curve.Enabled)
            continue;
        cv_.SetBrushColor(curve.Color);
        symbol = NextSymbol(symbol);
        cv_.SetPenColor(c_.colouredTraces_ ? curve.Color : clBlack);
        path_.clear();
        double next = 0.0;
        double px = 0.0, py = 0.0;
        bool first = true;
        for (const TPoint& p : curve.Points) {
            if (std::isnan(p.Y)) {
                // No value here: the line stops and starts again after it.
                Flush();
                path_.clear();
                first = true;
                continue;
            }
            const double xd = (p.X - l_.ShownXmin) * xScale + l_.PlotLeft;
            const double x = std::isfinite(xd) ? rtl::RoundHalfEven(xd) : 0.0;
            const double y = RowOf(c_, l_, curve.RightAxis, p.Y);
            if (!first)
                Segment(px, py, x, y);
            first = false;
            px = x;
            py = y;
            if (xd - l_.PlotLeft >= next) {
                if (x >= -kGuard && x <= W_ + kGuard && y >= -kGuard && y <= H_ + kGuard) {
                    Flush();
                    DrawSymbol(symbol, static_cast<int>(x), static_cast<int>(y));
                }
                next += g;
            }
        }
        Flush();
        path_.clear();
        // A curve of one point has no line to show: its point is drawn as
        // its symbol, trace markers or not.
        if (curve.Points.size() == 1 && !first && !c_.showmarkers_ && px >= -kGuard && px <= W_ + kGuard
            && py >= -kGuard && py <= H_ + kGuard)
            DrawPointSymbol(
                cv_, symbol, static_cast<int>(px), static_cast<int>(py), smith::TSmithChartPainter::SymbolHalfSize(W_));
    }
}

void TXYChartPainter::DrawInfoPanel()
{
    const int h = cv_.TextHeight("0");
    const int digits = c_.markerDigits_;
    auto f = [digits](double v) { return rtl::FloatToStrFixed(v, 15, digits); };
    int w = 0;
    for (std::size_t i = 0; i < c_.markers_.size(); ++i) {
        const Tmarker& m = c_.markers_[i];
        // A marker whose point is gone shows nothing; the others keep their
        // numbers and places, which the flags carry too.
        const TPoint* p = c_.PointAt(m.Curve, m.Point);
        if (!p || std::isnan(p->Y))
            continue;
        cv_.SetPenColor(clBlack);
        const int y = l_.PlotTop + 3 * h * static_cast<int>(i);
        const std::string line1 = std::to_string(i + 1) + ": " + c_.curves_[static_cast<std::size_t>(m.Curve)].Legend
            + " " + f(p->X) + c_.units_;
        const std::string line2 = f(p->Y) + c_.yUnits_;
        cv_.TextOut(c_.leftMargin_, y, " " + line1);
        cv_.TextOut(c_.leftMargin_, y + h, " " + line2);
        w = std::max({ w, cv_.TextWidth(line1), cv_.TextWidth(line2 + " ") });
    }
    cv_.SetBrushStyle(TBrushStyle::bsClear);
    l_.PlotLeft += w;
}

void TXYChartPainter::DrawMarkerFlag(const Tmarker& marker, int i)
{
    const TPoint* p = c_.PointAt(marker.Curve, marker.Point);
    if (!p || std::isnan(p->Y))
        return;
    const Tcurve& curve = c_.curves_[static_cast<std::size_t>(marker.Curve)];
    const double xd = rtl::RoundHalfEven((p->X - l_.ShownXmin) / l_.ShownXrange * l_.PlotWidth + l_.PlotLeft);
    const double yd = RowOf(c_, l_, curve.RightAxis, p->Y);
    // No flag for a point that cannot be placed or lies far outside.
    if (!(xd >= -kGuard && xd <= W_ + kGuard && yd >= -kGuard && yd <= H_ + kGuard))
        return;
    const int x = static_cast<int>(xd), y = static_cast<int>(yd);
    int d = ((marker.Direction % 8) + 8) % 8;
    // The control's own width, not the one passed to the drawing.
    auto leader = [this](int dir) { return dir % 2 == 0 ? c_.width_ / 40 : c_.width_ / 60; };
    // Turned over where its number would leave the plot.
    const std::string label = std::to_string(i + 1);
    d = FlagDirectionInPlot(cv_, d, x, y, leader(d), label, l_.PlotLeft, l_.PlotTop, l_.PlotRight, l_.PlotBottom);
    const int L = leader(d);

    const TColor savedPen = cv_.Pen().Color;
    cv_.SetPenColor(clBlack);
    cv_.SetPenStyle(TPenStyle::psSolid);
    cv_.SetBrushColor(clWhite);
    const int ex = x + L * kFlagLeader[d][0], ey = y + L * kFlagLeader[d][1];
    cv_.MoveTo(x, y);
    cv_.LineTo(ex, ey);
    cv_.MoveTo(x, y);
    cv_.LineTo(x + kBarbs[d].b1x, y + kBarbs[d].b1y);
    cv_.MoveTo(x, y);
    cv_.LineTo(x + kBarbs[d].b2x, y + kBarbs[d].b2y);
    DrawMarkerBox(cv_, d, ex, ey, label);
    cv_.MoveTo(x, y);
    cv_.SetPenColor(savedPen);
    cv_.SetBrushStyle(TBrushStyle::bsClear);
}

bool TXYChart::ValueToPixel(const Tcurve& curve, double X, double Y, int& px, int& py) const
{
    const TXYLayout& l = layout_;
    if (l.PlotWidth <= 0 || l.PlotHeight <= 0 || l.ShownXrange == 0.0)
        return false;
    const double x = rtl::RoundHalfEven((X - l.ShownXmin) / l.ShownXrange * l.PlotWidth + l.PlotLeft);
    const double y = TXYChartPainter::RowOf(*this, l, curve.RightAxis, Y);
    if (!(std::abs(x) < 1e9 && std::abs(y) < 1e9))
        return false;
    px = static_cast<int>(x);
    py = static_cast<int>(y);
    return true;
}

} // namespace viewer::xy
