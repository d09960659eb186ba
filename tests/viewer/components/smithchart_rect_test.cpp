// The rectangular views checked by their geometry on the recording canvas
// (characters 7 pixels wide, lines 13 pixels high).

#include "recording_support.h"

#include "viewer/components/recordingcanvas.h"
#include "viewer/components/smithchart.h"
#include "viewer/components/smithchart_trace.h"
#include "viewer/components/smithchart_values.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <random>
#include <string>
#include <vector>

using namespace viewer;
using namespace viewer::smith;
using viewer::test_support::TextOp;

namespace {

constexpr double NaN = std::numeric_limits<double>::quiet_NaN();
constexpr double Inf = std::numeric_limits<double>::infinity();

void Draw(TSmithChart& chart, TRecordingCanvas& canvas, int W = 400, int H = 300)
{
    canvas.Clear();
    chart.DrawChart(canvas, W, H, 0, 0, 0, 0, TDrawTarget::dtScreen);
}

// The ops drawn inside the plot clip: the curves and the marker flags.
std::vector<TCanvasOp> ClippedOps(const TRecordingCanvas& canvas, TCanvasOp::Kind kind)
{
    std::vector<TCanvasOp> out;
    bool in = false;
    for (const TCanvasOp& op : canvas.Ops()) {
        if (op.kind == TCanvasOp::Clip)
            in = true;
        else if (op.kind == TCanvasOp::Unclip)
            in = false;
        else if (in && op.kind == kind)
            out.push_back(op);
    }
    return out;
}

// The grid lines: full-width or full-height lines drawn before the clip.
std::vector<TCanvasOp> GridLines(const TRecordingCanvas& canvas)
{
    std::vector<TCanvasOp> out;
    for (const TCanvasOp& op : canvas.Ops()) {
        if (op.kind == TCanvasOp::Clip)
            break;
        if (op.kind == TCanvasOp::Line)
            out.push_back(op);
    }
    return out;
}

// All points of the polylines in the clip, in order.
std::vector<TCanvasPoint> CurvePoints(const TRecordingCanvas& canvas, TPenStyle style)
{
    std::vector<TCanvasPoint> out;
    for (const TCanvasOp& op : ClippedOps(canvas, TCanvasOp::Polyline))
        if (op.pen.Style == style)
            for (const TCanvasPoint& p : op.points)
                if (out.empty() || !(out.back() == p))
                    out.push_back(p);
    return out;
}

// A log-magnitude chart of the default ranges (-50..0 dB, 0..10) on a
// 400 x 300 canvas: plot 70..379 x 6..268 (see the first test).
TSmithChart& LogmagChart(TSmithChart& chart)
{
    chart.SetChartType(Tcharttype::Logmag);
    return chart;
}

} // namespace

// Catches plot edges that do not leave room for the title, the axis
// titles, the labels and the frequency title, or that ignore the margins.
TEST(SmithRectLayout, PlotAreaLeavesRoomForTitlesAndLabels)
{
    TSmithChart chart;
    TRecordingCanvas canvas;
    LogmagChart(chart);
    Draw(chart, canvas);
    const TSmithLayout& l = chart.Layout();
    EXPECT_EQ(l.PlotTop, 6); // half a line
    EXPECT_EQ(l.PlotBottom, 268); // 300 - 13 (x title) - 19 (labels)
    EXPECT_EQ(l.PlotHeight, 262);
    EXPECT_EQ(l.PlotLeft, 70); // "dB0" + "-100.00"
    EXPECT_EQ(l.PlotRight, 379); // "000"
    EXPECT_EQ(l.PlotWidth, 309);
    const TCanvasOp* dB = TextOp(canvas, "dB");
    ASSERT_NE(dB, nullptr);
    EXPECT_EQ(dB->x1, 2);
    EXPECT_EQ(dB->y1, 6 + 131 - 6);
    const TCanvasOp* xt = TextOp(canvas, "Freq (GHz)");
    ASSERT_NE(xt, nullptr);
    EXPECT_EQ(xt->x1, 70 + 154 - 35);
    EXPECT_EQ(xt->y1, 268 + 19);

    // The plot frame in the graph colour, filled with the background.
    chart.SetBackgroundColor(clYellow);
    chart.SetGraphColor(clNavy);
    Draw(chart, canvas);
    const auto rects = canvas.OpsOf(TCanvasOp::Rectangle);
    ASSERT_GE(rects.size(), 2u);
    EXPECT_EQ(rects[1].x1, 70);
    EXPECT_EQ(rects[1].y1, 6);
    EXPECT_EQ(rects[1].x2, 379);
    EXPECT_EQ(rects[1].y2, 268);
    EXPECT_EQ(rects[1].brush.Color, clYellow);
    EXPECT_EQ(rects[1].pen.Color, clNavy);

    // A right axis with its title; a chart title; margins; no x title.
    chart.SetShowRightAxis(true);
    chart.SetTitle("Gain");
    chart.SetShowTitle(true);
    chart.SetXTitle("");
    chart.DrawChart(canvas, 400, 300, 10, 20, 30, 40, TDrawTarget::dtScreen);
    EXPECT_EQ(l.PlotTop, 30 + 13 + 6);
    EXPECT_EQ(l.PlotBottom, 260 - 19);
    EXPECT_EQ(l.PlotLeft, 10 + 70);
    EXPECT_EQ(l.PlotRight, 380 - 28 - 56); // "Deg0" and " -100.00"
    const TCanvasOp* deg = TextOp(canvas, " Deg");
    ASSERT_NE(deg, nullptr);
    EXPECT_EQ(deg->x1, 380 - 28);
    const TCanvasOp* title = TextOp(canvas, "Gain");
    ASSERT_NE(title, nullptr);
    EXPECT_EQ(title->x1, 80 + (296 - 80) / 2 - 14);
    EXPECT_EQ(title->y1, 30);
}

// Catches grid lines or labels at the wrong heights or values, a line over
// the frame at the top, a zoomed right axis, or an interval of 0 dividing.
TEST(SmithRectLayout, GridLinesAndAxisLabels)
{
    TSmithChart chart;
    TRecordingCanvas canvas;
    LogmagChart(chart);
    chart.SetShowRightAxis(true);
    chart.SetRightTitle("");
    Draw(chart, canvas);
    const TSmithLayout& l = chart.Layout();
    ASSERT_EQ(l.PlotRight, 400 - 56); // " -100.00"
    // Left labels end one blank before the plot; right labels start at it.
    const TCanvasOp* bottom = TextOp(canvas, "-50");
    ASSERT_NE(bottom, nullptr);
    EXPECT_EQ(bottom->x1, 70 - 28);
    EXPECT_EQ(bottom->y1, 268 - 6);
    const TCanvasOp* l45 = TextOp(canvas, "-45");
    ASSERT_NE(l45, nullptr);
    EXPECT_EQ(l45->y1, 242 - 6); // Round(268 - 26.2)
    const TCanvasOp* r144 = TextOp(canvas, " -144");
    ASSERT_NE(r144, nullptr);
    EXPECT_EQ(r144->x1, l.PlotRight);
    EXPECT_EQ(r144->y1, 242 - 6);
    ASSERT_NE(TextOp(canvas, " 180"), nullptr);

    // Nine horizontal and nine vertical lines: none on the frame.
    std::vector<TCanvasOp> h, v;
    for (const TCanvasOp& op : GridLines(canvas))
        (op.y1 == op.y2 ? h : v).push_back(op);
    ASSERT_EQ(h.size(), 9u);
    ASSERT_EQ(v.size(), 9u);
    EXPECT_EQ(h[0].y1, 242);
    EXPECT_EQ(h[0].x1, 70);
    EXPECT_EQ(h[0].x2, l.PlotRight);
    EXPECT_EQ(h[0].pen.Style, TPenStyle::psDot);
    EXPECT_EQ(h[0].pen.Color, clBlack);
    const int xi1 = static_cast<int>(std::nearbyint(l.PlotWidth / 10.0 + 70));
    EXPECT_EQ(v[0].x1, xi1);
    EXPECT_EQ(v[0].y1, 268);
    EXPECT_EQ(v[0].y2, 6);
    const TCanvasOp* f1 = TextOp(canvas, "1.00");
    ASSERT_NE(f1, nullptr);
    EXPECT_EQ(f1->x1, xi1 - 14);
    EXPECT_EQ(f1->y1, 268 + 6);

    // Zooming and panning moves the left labels, never the right ones.
    chart.View().ZoomY = 50;
    chart.View().CentreValueY = -10;
    chart.SetGridType(1);
    chart.SetColouredTraces(true);
    Draw(chart, canvas);
    EXPECT_NE(TextOp(canvas, "-22.5"), nullptr);
    EXPECT_NE(TextOp(canvas, "2.5"), nullptr);
    EXPECT_EQ(TextOp(canvas, "-50"), nullptr);
    EXPECT_NE(TextOp(canvas, " -180"), nullptr);
    EXPECT_NE(TextOp(canvas, " 180"), nullptr);
    EXPECT_DOUBLE_EQ(chart.Layout().ShownYmin, -22.5);
    EXPECT_DOUBLE_EQ(chart.Layout().ShownYmax, 2.5);
    const auto lines = GridLines(canvas);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines[0].pen.Style, TPenStyle::psDash);
    EXPECT_EQ(lines[0].pen.Color, clGray); // coloured, black graph colour

    // An interval of 0 counts as 1: labels at both ends and no inner line.
    chart.SetYinterval(0);
    chart.SetXinterval(-3);
    Draw(chart, canvas);
    EXPECT_TRUE(GridLines(canvas).empty());
    EXPECT_NE(TextOp(canvas, "-22.5"), nullptr);
    EXPECT_NE(TextOp(canvas, "2.5"), nullptr);
    EXPECT_NE(TextOp(canvas, "0.00"), nullptr);
    EXPECT_NE(TextOp(canvas, "10.00"), nullptr);
}

// Catches the last frequency label centred past the canvas's right edge.
TEST(SmithRectLayout, FrequencyLabelsStayOnTheCanvas)
{
    TSmithChart chart;
    TRecordingCanvas canvas;
    LogmagChart(chart);
    chart.SetXmax(6000);
    chart.SetDigits(3);
    Draw(chart, canvas);
    const TCanvasOp* last = TextOp(canvas, "6000.000");
    ASSERT_NE(last, nullptr);
    EXPECT_EQ(last->x1, 400 - 56);
}

// Catches a frequency axis that runs below 0 when zoomed out near the
// start, or a zoomed span computed from the wrong range.
TEST(SmithRectLayout, FrequencyAxisNeverRunsBelowZero)
{
    TSmithChart chart;
    TRecordingCanvas canvas;
    LogmagChart(chart);
    chart.View().Zoom = 50;
    chart.View().CentreValueX = 1;
    Draw(chart, canvas);
    EXPECT_DOUBLE_EQ(chart.Layout().ShownXmin, 0.0);
    EXPECT_DOUBLE_EQ(chart.Layout().ShownXrange, 5.0);
    EXPECT_NE(TextOp(canvas, "0.00"), nullptr);
    EXPECT_NE(TextOp(canvas, "5.00"), nullptr);
    EXPECT_EQ(TextOp(canvas, "-1.50"), nullptr);
    EXPECT_EQ(TextOp(canvas, "10.00"), nullptr);

    chart.View().CentreValueX = 6;
    chart.SetDigits(1);
    Draw(chart, canvas);
    EXPECT_NE(TextOp(canvas, "3.5"), nullptr);
    EXPECT_NE(TextOp(canvas, "8.5"), nullptr);
}

// Catches a view that plots the wrong quantity on either axis: each view
// puts the point 0.5 at 90 degrees (z = 0.6 + j0.8) at its own value.
TEST(SmithRectCurves, EachViewPlotsItsQuantity)
{
    struct Case {
        Tcharttype type;
        double left;
        double right;
    };
    const Case cases[] = {
        { Tcharttype::Logmag, 20 * std::log10(0.5), 90.0 },
        { Tcharttype::GridU, 0.0, 0.5 },
        { Tcharttype::GridV, 0.5, 0.0 },
        { Tcharttype::GridR, 0.6, 0.8 },
        { Tcharttype::GridX, 0.8, 0.6 },
    };
    for (const Case& cs : cases) {
        TSmithChart chart;
        TRecordingCanvas canvas;
        chart.SetChartType(cs.type);
        chart.SetLYmin(-10);
        chart.SetLYmax(2);
        chart.SetRYmin(-100);
        chart.SetRYmax(100);
        chart.SetShowRightAxis(true);
        const int c = chart.AddCurve("S11", clRed);
        chart.AddPoint(c, 2, 0.5, 90);
        chart.AddPoint(c, 8, 0.5, 90);
        chart.SetCurveVisible(c, true);
        Draw(chart, canvas);
        const TSmithLayout& l = chart.Layout();
        auto yOf = [&](double v, double lo, double span) {
            return l.PlotBottom - static_cast<int>(std::nearbyint((v - lo) / span * l.PlotHeight));
        };
        const auto left = CurvePoints(canvas, TPenStyle::psSolid);
        const auto right = CurvePoints(canvas, TPenStyle::psDot);
        ASSERT_EQ(left.size(), 2u) << static_cast<int>(cs.type);
        ASSERT_EQ(right.size(), 2u) << static_cast<int>(cs.type);
        EXPECT_EQ(left[0].y, yOf(cs.left, -10, 12)) << static_cast<int>(cs.type);
        EXPECT_EQ(left[1].y, left[0].y);
        EXPECT_EQ(right[0].y, yOf(cs.right, -100, 200)) << static_cast<int>(cs.type);
        EXPECT_EQ(left[0].x, static_cast<int>(std::nearbyint(0.2 * l.PlotWidth + l.PlotLeft)));
        EXPECT_EQ(left[1].x, static_cast<int>(std::nearbyint(0.8 * l.PlotWidth + l.PlotLeft)));
    }
}

// Catches a log of zero, a point at the chart's right end or a broken
// value stopping the drawing or landing anywhere but where the rules put
// it: -174 dB, 0 on the left axis, a gap on the right one.
TEST(SmithRectCurves, ValuesThatCannotBeComputed)
{
    EXPECT_DOUBLE_EQ(MagToDb(0.0), -174.0);
    EXPECT_DOUBLE_EQ(RectLeftValue(Tcharttype::Logmag, TPoint { 1, 0, 0, 0, 0 }), -174.0);
    EXPECT_DOUBLE_EQ(RectLeftValue(Tcharttype::Logmag, TPoint { 1, -0.5, 0, -0.5, 0 }), 0.0);
    EXPECT_DOUBLE_EQ(RectLeftValue(Tcharttype::GridR, TPoint { 1, 1, 0, 1, 0 }), 0.0);
    EXPECT_FALSE(std::isfinite(RectRightValue(Tcharttype::GridR, TPoint { 1, 1, 0, 1, 0 })));

    TSmithChart chart;
    TRecordingCanvas canvas;
    LogmagChart(chart);
    chart.SetLYmin(-200);
    chart.SetLYmax(0);
    const int c = chart.AddCurve("S21", clBlue);
    chart.AddPoint(c, 1, 1, 0);
    chart.AddPoint(c, 5, 0, 0);
    // The model screens what it is given; a point that got past it anyway.
    chart.CurveAt(c)->Points.push_back(TPoint { 9, NaN, 0, NaN, NaN });
    chart.SetCurveVisible(c, true);
    Draw(chart, canvas);
    const TSmithLayout& l = chart.Layout();
    const auto pts = CurvePoints(canvas, TPenStyle::psSolid);
    ASSERT_EQ(pts.size(), 3u);
    EXPECT_EQ(pts[1].y, l.PlotBottom - static_cast<int>(std::nearbyint(26.0 / 200 * l.PlotHeight)));
    EXPECT_EQ(pts[2].y, l.PlotTop); // NaN magnitude: 0 dB
    EXPECT_EQ(pts[2].x, l.PlotLeft + static_cast<int>(std::nearbyint(0.9 * l.PlotWidth)));

    // The impedance view: the point at the right end plots at r = 0 and
    // leaves a gap in the reactance curve.
    chart.SetChartType(Tcharttype::GridR);
    chart.SetLYmin(-1);
    chart.SetLYmax(3);
    chart.SetRYmin(-3);
    chart.SetRYmax(3);
    chart.SetShowRightAxis(true);
    chart.SetPoint(c, 0, 1, 0.5, 0);
    chart.SetPoint(c, 1, 5, 1, 0); // gamma = 1
    chart.SetPoint(c, 2, 9, 0.5, 180);
    Draw(chart, canvas);
    const auto left = CurvePoints(canvas, TPenStyle::psSolid);
    ASSERT_EQ(left.size(), 3u);
    EXPECT_EQ(left[1].y, chart.Layout().PlotBottom - static_cast<int>(std::nearbyint(chart.Layout().PlotHeight / 4.0)));
    EXPECT_TRUE(ClippedOps(canvas, TCanvasOp::Polyline).size() == 1u) << "the reactance curve is broken in two pieces";
}

// Catches an empty vertical range dividing by zero or drawing its points
// on the plot, an empty frequency range doing the same, and coordinates
// far outside reaching the canvas unclipped.
TEST(SmithRectCurves, EmptyRangesAndFarPoints)
{
    TSmithChart chart;
    TRecordingCanvas canvas;
    LogmagChart(chart);
    chart.SetShowRightAxis(true);
    chart.SetShowmarkers(true);
    chart.SetLYmin(-10);
    chart.SetLYmax(-10);
    chart.SetRYmin(5);
    chart.SetRYmax(5);
    const int c = chart.AddCurve("S11", clRed);
    for (int i = 0; i <= 10; ++i)
        chart.AddPoint(c, i, 0.5, 10.0 * i);
    chart.SetCurveVisible(c, true);
    chart.Markers().push_back({ 0, 3, 0 });
    Draw(chart, canvas);
    for (const TCanvasOp& op : ClippedOps(canvas, TCanvasOp::Polyline))
        for (const TCanvasPoint& p : op.points)
            EXPECT_FALSE(p.y > chart.Layout().PlotTop - 1000) << "a point of an empty range on the plot";
    EXPECT_TRUE(ClippedOps(canvas, TCanvasOp::Polygon).empty()) << "symbols off the plot";
    EXPECT_TRUE(ClippedOps(canvas, TCanvasOp::Rectangle).empty()) << "a flag off the plot";
    EXPECT_NE(TextOp(canvas, "-10"), nullptr);

    // One frequency only: the axis spans a tenth either side of it, the
    // points stand in its middle and only it is labelled.
    chart.SetLYmin(-20);
    chart.SetLYmax(0);
    chart.SetRYmin(-180);
    chart.SetRYmax(180);
    chart.SetXmin(2);
    chart.SetXmax(2);
    chart.ClearCurves();
    const int d = chart.AddCurve("S11", clRed);
    chart.AddPoint(d, 2, 0.5, 0);
    chart.AddPoint(d, 2, 0.1, 0);
    chart.SetCurveVisible(d, true);
    Draw(chart, canvas);
    const TSmithLayout& l = chart.Layout();
    EXPECT_DOUBLE_EQ(l.ShownXrange, 0.4);
    EXPECT_DOUBLE_EQ(l.ShownXmin, 1.8);
    EXPECT_EQ(TextOp(canvas, "1.80"), nullptr);
    EXPECT_NE(TextOp(canvas, "2.00"), nullptr);
    const auto pts = CurvePoints(canvas, TPenStyle::psSolid);
    ASSERT_EQ(pts.size(), 2u);
    EXPECT_NEAR(pts[0].x, l.PlotLeft + l.PlotWidth / 2.0, 1.0);
    EXPECT_EQ(pts[1].x, pts[0].x);
    chart.SetXmin(0);
    chart.SetXmax(0);
    Draw(chart, canvas);
    EXPECT_DOUBLE_EQ(chart.Layout().ShownXrange, 1.0);
    EXPECT_DOUBLE_EQ(chart.Layout().ShownXmin, 0.0);

    // A value of 1e300 and an infinite frequency: the line toward the first
    // is cut well beyond the canvas, the second breaks the line.
    chart.SetXmax(10);
    chart.SetShowmarkers(false);
    chart.SetShowRightAxis(false);
    chart.SetChartType(Tcharttype::GridU);
    chart.SetLYmin(-1);
    chart.SetLYmax(1);
    chart.ClearCurves();
    const int e = chart.AddCurve("S11", clRed);
    chart.AddPoint(e, 1, 0.5, 0);
    chart.AddPoint(e, 2, 1e300, 0);
    chart.AddPoint(e, 3, 0.5, 0);
    chart.CurveAt(e)->Points.push_back(TPoint { Inf, 0.5, 0, 0.5, 0 });
    chart.AddPoint(e, 5, 0.5, 0);
    chart.AddPoint(e, 6, 0.5, 0);
    chart.SetCurveVisible(e, true);
    Draw(chart, canvas);
    const auto polys = ClippedOps(canvas, TCanvasOp::Polyline);
    // Up to the cut, down from it, then the piece after the gap.
    ASSERT_EQ(polys.size(), 3u);
    EXPECT_EQ(polys[0].points.back().y, -32768);
    EXPECT_EQ(polys[1].points.front().y, -32768);
    EXPECT_EQ(polys[1].points.back().y, polys[0].points.front().y);
    // The value is so far out that both lines run straight up.
    EXPECT_EQ(polys[0].points.back().x, polys[0].points.front().x);
    EXPECT_EQ(polys[1].points.back().x, polys[1].points.front().x);
    EXPECT_GT(polys[1].points.back().x, polys[0].points.front().x);
    for (const TCanvasOp& op : polys)
        for (const TCanvasPoint& p : op.points) {
            EXPECT_GE(p.y, -32768);
            EXPECT_LE(p.x, 400 + 32768);
        }
    EXPECT_EQ(polys[2].points.size(), 2u);
}

// Catches a curve of one point that shows nothing without trace markers
// (a line of one point draws nothing), and a one-frequency axis labelled
// eleven times with the same rounded value.
TEST(SmithRectCurves, OnePointIsDrawnInEveryView)
{
    TSmithChart chart;
    TRecordingCanvas canvas;
    const int c = chart.AddCurve("S11", clRed);
    chart.AddPoint(c, 0.09, 0.5, 45);
    chart.SetCurveVisible(c, true);
    chart.SetXmin(0.09);
    chart.SetXmax(0.09);
    for (Tcharttype view : { Tcharttype::Zsmith, Tcharttype::Polar, Tcharttype::Logmag, Tcharttype::GridX }) {
        chart.SetChartType(view);
        Draw(chart, canvas);
        const auto symbols = ClippedOps(canvas, TCanvasOp::Polygon);
        ASSERT_EQ(symbols.size(), 1u) << int(view);
        EXPECT_EQ(symbols[0].brush.Color, clRed);
    }
    int labels = 0;
    for (const TCanvasOp& op : canvas.Ops())
        labels += op.kind == TCanvasOp::Text && (op.text == "0.08" || op.text == "0.09" || op.text == "0.10");
    EXPECT_EQ(labels, 1);
    EXPECT_NE(TextOp(canvas, "0.09"), nullptr);
}

// Catches symbols at every point instead of one per grid division,
// symbols numbered out of step with the legend, a companion curve that is
// not dotted, and drag offsets applied to the wrong axis.
TEST(SmithRectCurves, SymbolsCompanionAndOffsets)
{
    TSmithChart chart;
    TRecordingCanvas canvas;
    LogmagChart(chart);
    chart.SetShowmarkers(true);
    chart.SetColouredTraces(true);
    chart.SetShowRightAxis(true);
    chart.AddCurve("empty", clGreen); // no points: takes no symbol
    const int c = chart.AddCurve("S21", clBlue);
    for (int i = 0; i <= 200; ++i)
        chart.AddPoint(c, i * 0.05, 0.1, -90);
    chart.SetCurveVisible(0, true);
    chart.SetCurveVisible(c, true);
    Draw(chart, canvas, 500, 300);
    const TSmithLayout& l = chart.Layout();
    const double g = l.PlotWidth / 10.0;
    // The first curve drawn gets the first symbol, the down triangle.
    std::vector<int> leftX, rightX;
    for (const TCanvasOp& op : ClippedOps(canvas, TCanvasOp::Polygon)) {
        ASSERT_EQ(op.points.size(), 3u);
        EXPECT_GT(op.points[1].y, op.points[0].y) << "not the down triangle";
        EXPECT_EQ(op.brush.Color, clBlue);
        EXPECT_EQ(op.pen.Style, TPenStyle::psSolid);
        EXPECT_EQ(op.brush.Style, TBrushStyle::bsSolid);
        (op.points[1].y < l.PlotBottom - l.PlotHeight / 2 ? leftX : rightX).push_back(op.points[1].x);
    }
    // The last division's symbol depends on how the steps add up.
    ASSERT_GE(leftX.size(), 10u);
    ASSERT_LE(leftX.size(), 11u);
    for (std::size_t i = 0; i < leftX.size(); ++i) {
        const int division = static_cast<int>((leftX[i] - l.PlotLeft + 0.5) / g);
        EXPECT_EQ(division, static_cast<int>(i)) << "one symbol per division";
    }
    EXPECT_EQ(leftX, rightX);
    ASSERT_FALSE(CurvePoints(canvas, TPenStyle::psDot).empty());
    for (const TCanvasOp& op : ClippedOps(canvas, TCanvasOp::Polyline))
        EXPECT_EQ(op.pen.Color, clBlue);

    // A drag offset of 5 dB moves the left curve down, not the right one.
    const int y0 = CurvePoints(canvas, TPenStyle::psSolid).front().y;
    const int r0 = CurvePoints(canvas, TPenStyle::psDot).front().y;
    chart.SetCurveOffset(c, 0, 5);
    Draw(chart, canvas, 500, 300);
    EXPECT_EQ(CurvePoints(canvas, TPenStyle::psSolid).front().y,
        l.PlotBottom - static_cast<int>(std::nearbyint((-20 - 5 + 50) / 50.0 * l.PlotHeight)));
    EXPECT_GT(CurvePoints(canvas, TPenStyle::psSolid).front().y, y0);
    EXPECT_EQ(CurvePoints(canvas, TPenStyle::psDot).front().y, r0);

    // Without the right axis: no companion curve and no symbols on it.
    chart.SetShowRightAxis(false);
    Draw(chart, canvas, 500, 300);
    EXPECT_TRUE(CurvePoints(canvas, TPenStyle::psDot).empty());
    EXPECT_GE(ClippedOps(canvas, TCanvasOp::Polygon).size(), 10u);
    EXPECT_LE(ClippedOps(canvas, TCanvasOp::Polygon).size(), 11u);
}

// Catches axis labels rounded instead of cut, exponents lost, or a bare
// decimal separator left at 0 digits.
TEST(SmithRectLayout, AxisLabelText)
{
    EXPECT_EQ(FormatAxisValue(12.3456, 2), "12.34");
    EXPECT_EQ(FormatAxisValue(-0.999, 2), "-0.99");
    EXPECT_EQ(FormatAxisValue(0.5, 2), "0.5");
    EXPECT_EQ(FormatAxisValue(-45, 2), "-45");
    EXPECT_EQ(FormatAxisValue(1.23456e-5, 2), "1.23E-5");
    EXPECT_EQ(FormatAxisValue(12.7, 0), "12");
}

// Catches a canvas of no size drawing anyway or leaving the plot size of
// an earlier drawing for the pointer to scale by.
TEST(SmithRectLayout, CanvasOfNoSizeDrawsNothing)
{
    TSmithChart chart;
    TRecordingCanvas canvas;
    LogmagChart(chart);
    Draw(chart, canvas);
    ASSERT_GT(chart.Layout().PlotWidth, 0);
    Draw(chart, canvas, 0, 300);
    EXPECT_TRUE(canvas.OpsOf(TCanvasOp::Rectangle).empty());
    EXPECT_TRUE(canvas.OpsOf(TCanvasOp::Text).empty());
    EXPECT_EQ(chart.Layout().PlotWidth, 0);
    EXPECT_EQ(chart.Layout().PlotHeight, 0);
}

// Catches a pixel column of many points losing its first or last point or
// an extreme, keeping more than four points, or going over its pixels
// twice more than it must.
TEST(SmithRectCurves, DenseCurvesKeepEachColumnsEndsAndExtremes)
{
    TSmithChart chart;
    TRecordingCanvas canvas;
    chart.SetChartType(Tcharttype::GridU);
    chart.SetLYmin(-1);
    chart.SetLYmax(1);
    const int c = chart.AddCurve("S11", clRed);
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> mag(0.0, 1.0), angle(-180.0, 180.0);
    const int n = 3000;
    for (int i = 0; i < n; ++i)
        chart.AddPoint(c, 10.0 * i / (n - 1), mag(rng), angle(rng));
    chart.SetCurveVisible(c, true);
    Draw(chart, canvas);

    // Where each point goes, column by column, worked out from the layout.
    const TSmithLayout& l = chart.Layout();
    struct Column {
        int first, last, low, high;
    };
    std::map<int, Column> expected;
    for (const TPoint& p : chart.Curves()[0].Points) {
        const int x = static_cast<int>(std::nearbyint(p.Freq / l.ShownXrange * l.PlotWidth + l.PlotLeft));
        const int y = l.PlotBottom - static_cast<int>(std::nearbyint((p.Re + 1) / 2 * l.PlotHeight));
        auto [it, fresh] = expected.try_emplace(x, Column { y, y, y, y });
        it->second.last = y;
        it->second.low = std::min(it->second.low, y);
        it->second.high = std::max(it->second.high, y);
    }
    std::map<int, std::vector<int>> drawn;
    for (const TCanvasPoint& p : CurvePoints(canvas, TPenStyle::psSolid))
        drawn[p.x].push_back(p.y);
    ASSERT_EQ(drawn.size(), expected.size());
    for (const auto& [x, ys] : drawn) {
        const Column& e = expected.at(x);
        ASSERT_LE(ys.size(), 4u) << x;
        EXPECT_EQ(ys.front(), e.first) << x;
        EXPECT_EQ(ys.back(), e.last) << x;
        EXPECT_EQ(*std::min_element(ys.begin(), ys.end()), e.low) << x;
        EXPECT_EQ(*std::max_element(ys.begin(), ys.end()), e.high) << x;
        int travel = 0;
        for (std::size_t i = 1; i < ys.size(); ++i)
            travel += std::abs(ys[i] - ys[i - 1]);
        const int viaLow = (e.first - e.low) + (e.high - e.low) + (e.high - e.last);
        const int viaHigh = (e.high - e.first) + (e.high - e.low) + (e.last - e.low);
        EXPECT_EQ(travel, std::min(viaLow, viaHigh)) << x;
    }
}

// Catches curves traced on several threads coming out in another order,
// mixed up between curves or differing in any point from one thread's.
TEST(SmithRectCurves, TracingOnSeveralThreadsDrawsWhatOneDoes)
{
    TSmithChart chart;
    chart.SetChartType(Tcharttype::GridR);
    chart.SetLYmin(-3);
    chart.SetLYmax(3);
    chart.SetRYmin(-3);
    chart.SetRYmax(3);
    chart.SetShowRightAxis(true);
    chart.SetShowmarkers(true);
    TColor colour = clRed;
    const int points = static_cast<int>(kPointsPerTraceThread / 6);
    for (int k = 0; k < 12; ++k) {
        const int c = chart.AddCurve("S" + std::to_string(k), colour);
        colour = NextColour(colour);
        for (int i = 0; i < points; ++i) {
            const double t = static_cast<double>(i) / points;
            // Gaps and points far outside on some curves.
            const double mag = (k % 3 == 0 && i % 97 == 5) ? NaN : (k % 4 == 1 && i % 89 == 3) ? 1.0 : 0.95 - 0.6 * t;
            chart.AddPoint(c, 10 * t, mag, 30 * k - 1000 * t);
        }
        chart.SetCurveVisible(c, k != 7);
        if (k % 5 == 2)
            chart.SetCurveOffset(c, 0, 0.4);
    }
    const int before = TraceThreads();
    TRecordingCanvas one, several;
    SetTraceThreads(1);
    Draw(chart, one, 900, 600);
    SetTraceThreads(8);
    Draw(chart, several, 900, 600);
    SetTraceThreads(before);

    ASSERT_EQ(one.Ops().size(), several.Ops().size());
    ASSERT_GT(ClippedOps(one, TCanvasOp::Polyline).size(), 22u);
    for (std::size_t i = 0; i < one.Ops().size(); ++i) {
        const TCanvasOp& a = one.Ops()[i];
        const TCanvasOp& b = several.Ops()[i];
        ASSERT_EQ(a.kind, b.kind) << i;
        ASSERT_EQ(a.points, b.points) << i;
        ASSERT_EQ(a.pen, b.pen) << i;
        ASSERT_EQ(a.brush, b.brush) << i;
        ASSERT_EQ(std::tie(a.x1, a.y1, a.x2, a.y2), std::tie(b.x1, b.y1, b.x2, b.y2)) << i;
    }
}

// Catches the plotted dB drifting from the read-out's by more than
// rounding, or the cheaper logarithm missing the special cases.
TEST(SmithRectCurves, PlottedDbAgreesWithTheReadOut)
{
    for (double m = 1e-300; m < 1e300; m *= 1.37)
        ASSERT_NEAR(MagToDbForPlot(m), MagToDb(m), 1e-12 * std::max(1.0, std::abs(MagToDb(m)))) << m;
    EXPECT_EQ(MagToDbForPlot(1.0), 0.0);
    EXPECT_EQ(MagToDbForPlot(0.0), kZeroDb);
    EXPECT_TRUE(std::isnan(MagToDbForPlot(-0.5)));
    EXPECT_TRUE(std::isnan(MagToDbForPlot(Inf)));
    EXPECT_TRUE(std::isnan(MagToDbForPlot(NaN)));
}
