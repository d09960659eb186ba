#include "viewer/components/recordingcanvas.h"
#include "viewer/components/xychart.h"

#include "tests/viewer/components/recording_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

using namespace viewer;
using namespace viewer::xy;
using viewer::test_support::TextOp;

namespace {

// Recording canvas: every character 7 pixels wide, every text 13 high.
constexpr int W = 640;
constexpr int H = 480;

void Draw(TXYChart& c, TRecordingCanvas& cv, TDrawTarget target = TDrawTarget::dtScreen)
{
    c.DrawChart(cv, W, H, 0, 0, 0, 0, target);
}

int CountTexts(const TRecordingCanvas& cv, const std::string& text)
{
    const auto texts = cv.Texts();
    return static_cast<int>(std::count(texts.begin(), texts.end(), text));
}

// Polygons drawn as point symbols, by their first vertex relative to (x, y).
std::vector<TCanvasOp> SymbolsAt(const TRecordingCanvas& cv, int x, int y)
{
    std::vector<TCanvasOp> out;
    for (const TCanvasOp& op : cv.Ops()) {
        if (op.kind == TCanvasOp::Polygon && !op.points.empty()) {
            int sx = 0, sy = 0;
            for (const TCanvasPoint& p : op.points)
                sx += p.x, sy += p.y;
            const int n = static_cast<int>(op.points.size());
            if (std::abs(sx / n - x) <= 3 && std::abs(sy / n - y) <= 3)
                out.push_back(op);
        }
    }
    return out;
}

} // namespace

// Catches plot-area arithmetic that strays from the layout steps: room for
// the left labels and title, the right margin with and without the right
// axis, the x title and labels under the plot.
TEST(XYChartLayout, LeftAndRightAxes)
{
    TXYChart c;
    TRecordingCanvas cv;
    Draw(c, cv);
    const TXYLayout& l = c.Layout();
    EXPECT_EQ(l.PlotTop, 6); // half a text height
    EXPECT_EQ(l.PlotBottom, 480 - 13 - 19);
    EXPECT_EQ(l.PlotHeight, 442);
    EXPECT_EQ(l.PlotLeft, 7 * 3 + 7 * 8); // "dB0" and " -100.00"
    EXPECT_EQ(l.PlotRight, 640 - 21); // "000"
    EXPECT_EQ(l.PlotWidth, l.PlotRight - l.PlotLeft);
    EXPECT_DOUBLE_EQ(l.ShownXmin, 0.0);
    EXPECT_DOUBLE_EQ(l.ShownXrange, 10.0);
    EXPECT_DOUBLE_EQ(l.ShownYmin, -5.0);
    EXPECT_DOUBLE_EQ(l.ShownYmax, 5.0);
    ASSERT_NE(TextOp(cv, "dB"), nullptr);
    EXPECT_NE(TextOp(cv, "-5"), nullptr);
    EXPECT_NE(TextOp(cv, "Freq (GHz)"), nullptr);
    EXPECT_NE(TextOp(cv, "10.000"), nullptr); // fixed(7, Digits 3)

    c.SetShowRightAxis(true);
    c.SetRYmin(-180);
    c.SetRYmax(180);
    cv.Clear();
    Draw(c, cv);
    EXPECT_EQ(c.Layout().PlotRight, 640 - 7 * 4 - 7 * 7); // "Deg0" and "-100.00"
    const TCanvasOp* deg = TextOp(cv, " Deg");
    ASSERT_NE(deg, nullptr);
    EXPECT_EQ(deg->x1, 640 - 28);
    const TCanvasOp* r = TextOp(cv, " 180");
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->x1, c.Layout().PlotRight);

    // Without the left axis: no labels and no room for them.
    c.SetShowLeftAxis(false);
    cv.Clear();
    Draw(c, cv);
    EXPECT_EQ(c.Layout().PlotLeft, 0);
    EXPECT_EQ(TextOp(cv, "-5"), nullptr);
    EXPECT_EQ(TextOp(cv, "dB"), nullptr);
    EXPECT_NE(TextOp(cv, " -180"), nullptr);
}

// Catches a banner that leaves the title out when ShowTitle is false, draws
// it twice, or does not make room above the plot.
TEST(XYChartLayout, BannerHoldsTheTitle)
{
    TXYChart c;
    c.SetTitle("Stability");
    c.SetShowbanner(true);
    c.SetShowTitle(false);
    TRecordingCanvas cv;
    Draw(c, cv);
    const int bh = std::max(3 * 13, H / 10);
    EXPECT_EQ(c.Layout().PlotTop, bh + 6);
    ASSERT_EQ(CountTexts(cv, "Stability"), 1);
    const TCanvasOp* t = TextOp(cv, "Stability");
    EXPECT_EQ(t->x1, W / 2 - 9 * 7 / 2);
    EXPECT_EQ(t->y1, bh / 2 - 13 / 2);
    // Date and time in the right-hand box, the picture box on the left.
    int dated = 0;
    for (const std::string& s : cv.Texts())
        dated += s.rfind("Date: ", 0) == 0 || s.rfind("Time: ", 0) == 0;
    EXPECT_EQ(dated, 2);
    const auto pics = cv.OpsOf(TCanvasOp::Picture);
    ASSERT_EQ(pics.size(), 1u);
    EXPECT_EQ(pics[0].x1, 2);
    EXPECT_EQ(pics[0].x2, W / 10 - 1);
    EXPECT_EQ(pics[0].y2, bh - 1);

    c.SetShowTitle(true);
    cv.Clear();
    Draw(c, cv);
    EXPECT_EQ(CountTexts(cv, "Stability"), 1);

    // Without the banner the title goes above the plot.
    c.SetShowbanner(false);
    cv.Clear();
    Draw(c, cv);
    EXPECT_EQ(c.Layout().PlotTop, 13 + 6);
    ASSERT_NE(TextOp(cv, "Stability"), nullptr);
    EXPECT_EQ(TextOp(cv, "Stability")->y1, 0);
}

// Catches intervals of 0 that divide by zero or are not stored back.
TEST(XYChartLayout, IntervalsBelowOneBecomeOne)
{
    TXYChart c;
    c.SetYinterval(0);
    c.SetXinterval(-3);
    TRecordingCanvas cv;
    Draw(c, cv);
    EXPECT_EQ(c.Yinterval(), 1);
    EXPECT_EQ(c.Xinterval(), 1);
    EXPECT_NE(TextOp(cv, "-5"), nullptr);
    EXPECT_NE(TextOp(cv, "5"), nullptr);
}

// Catches right-axis curves scaled by the left range, and a hidden curve
// that uses up a symbol.
TEST(XYChartCurves, RightAxisPointsAndSymbols)
{
    TXYChart c;
    c.SetShowmarkers(true);
    c.SetShowLegend(true);
    c.SetRYmin(-180);
    c.SetRYmax(180);
    c.AddCurve("hidden", clRed, false);
    c.AddPoint(0, 1, 1);
    c.AddCurve("Phase", clBlue, true);
    c.AddPoint(1, 5, 0);
    c.SetCurveVisible(1, true);
    TRecordingCanvas cv;
    Draw(c, cv);
    const TXYLayout& l = c.Layout();
    const int x = l.PlotLeft + static_cast<int>(std::nearbyint(l.PlotWidth / 2.0));
    const int y = l.PlotBottom - static_cast<int>(std::nearbyint(l.PlotHeight / 2.0));
    // Symbol 0 (triangle pointing down) for the first curve drawn.
    const auto syms = SymbolsAt(cv, x, y);
    ASSERT_EQ(syms.size(), 1u);
    const int s = W / 320 + 2;
    EXPECT_EQ(syms[0].points[0].x, x - s);
    EXPECT_EQ(syms[0].points[0].y, y - s);
    EXPECT_EQ(syms[0].points[1].y, y + s);
    EXPECT_EQ(syms[0].brush.Color, clBlue);
    // In the legend too: the only entry carries the triangle.
    const TCanvasOp* legend = TextOp(cv, " Phase");
    ASSERT_NE(legend, nullptr);
    EXPECT_EQ(TextOp(cv, " hidden"), nullptr);
    const int sl = c.MarkerSize() * W / 640;
    const int lx = sl + 14, ly = H - std::max(sl, 6);
    const auto legendSyms = SymbolsAt(cv, lx, ly);
    ASSERT_EQ(legendSyms.size(), 1u);
    EXPECT_EQ(legendSyms[0].points.size(), 3u);
    EXPECT_EQ(legendSyms[0].points[1].y, ly + s);
}

// Catches an empty vertical range dividing by zero or huge values wrapping
// around into the plot.
TEST(XYChartCurves, EmptyRangesAndFarPoints)
{
    TXYChart c;
    c.AddCurve("A", clRed, false);
    c.AddPoint(0, 1, 1e300);
    c.AddPoint(0, 2, -1e300);
    c.AddPoint(0, 3, 0);
    c.SetCurveVisible(0, true);
    TRecordingCanvas cv;
    Draw(c, cv);
    for (const TCanvasOp& op : cv.OpsOf(TCanvasOp::Polyline))
        for (const TCanvasPoint& p : op.points)
            EXPECT_LT(std::abs(p.y), 100000);

    c.SetLYmin(1);
    c.SetLYmax(1);
    c.SetXmin(4);
    c.SetXmax(4);
    cv.Clear();
    Draw(c, cv);
    EXPECT_GT(c.Layout().ShownXrange, 0.0);
    for (const TCanvasOp& op : cv.OpsOf(TCanvasOp::Polyline))
        for (const TCanvasPoint& p : op.points)
            EXPECT_LT(p.y, 0) << "an empty range puts points above the clip";
}

// Catches a point without a value drawn as a line to the chart's edge (or
// a -174 dB spike), a line joined across the gap, and a marker or read-out
// on such a point.
TEST(XYChartCurves, PointsWithoutValueBreakTheLine)
{
    TXYChart c;
    c.SetShowInfo(true);
    c.SetXmin(0);
    c.SetXmax(4);
    c.AddCurve("G", clRed, false);
    for (double y : { 1.0, 2.0, std::nan(""), 2.0, 1.0 })
        c.AddPoint(0, c.Curves()[0].Points.size(), y);
    c.SetCurveVisible(0, true);
    c.Markers().push_back(Tmarker { 0, 2, 0 });
    TRecordingCanvas cv;
    Draw(c, cv);
    const TXYLayout& l = c.Layout();
    const auto lines = cv.OpsOf(TCanvasOp::Polyline);
    int segments = 0;
    const double mid = l.PlotLeft + l.PlotWidth / 2.0;
    for (const TCanvasOp& op : lines) {
        if (op.pen.Color != clBlack || op.points.size() < 2)
            continue;
        ++segments;
        for (const TCanvasPoint& p : op.points) {
            EXPECT_GE(p.y, l.PlotTop) << "nothing above the plot";
            EXPECT_LE(p.y, l.PlotBottom);
            EXPECT_GT(std::abs(p.x - mid), l.PlotWidth / 8.0) << "nothing drawn at the gap";
        }
    }
    EXPECT_EQ(segments, 2);
    for (const std::string& text : cv.Texts())
        EXPECT_EQ(text.find("nan"), std::string::npos) << text;
}

// Catches read-outs with the wrong texts or places, and flags that take
// the passed width instead of the control's for their leader.
TEST(XYChartMarkers, PanelAndFlags)
{
    TXYChart c;
    c.Resize(800, 600);
    c.SetUnits("GHz");
    c.SetYUnits("dB");
    c.SetShowInfo(true);
    c.AddCurve("S21", clRed, false);
    c.AddPoint(0, 5, 0);
    c.AddPoint(0, 6, 1.5);
    c.SetCurveVisible(0, true);
    c.Markers().push_back(Tmarker { 0, 0, 2 });
    c.Markers().push_back(Tmarker { 0, 1, 1 });
    c.Markers().push_back(Tmarker { 3, 0, 0 }); // no such curve: no read-out, no flag
    TRecordingCanvas cv;
    Draw(c, cv);
    const TCanvasOp* l1 = TextOp(cv, " 1: S21 5.000GHz");
    const TCanvasOp* l2 = TextOp(cv, " 0.000dB");
    const TCanvasOp* l3 = TextOp(cv, " 2: S21 6.000GHz");
    ASSERT_TRUE(l1 && l2 && l3);
    EXPECT_EQ(l1->x1, 0);
    EXPECT_EQ(l1->y1, 0);
    EXPECT_EQ(l2->y1, 13);
    EXPECT_EQ(l3->y1, 39);
    for (const std::string& text : cv.Texts())
        EXPECT_NE(text.rfind(" 3:", 0), 0u) << text;
    // The plot moved right by the panel's width: the widest line.
    const int panel = 7 * 15; // "1: S21 5.000GHz"
    EXPECT_EQ(c.Layout().PlotLeft, panel + 21 + 56);

    // Flag 1: direction 2, leader 800 div 40 to the right, barbs fixed.
    const TXYLayout& l = c.Layout();
    const int x = l.PlotLeft + static_cast<int>(std::nearbyint(l.PlotWidth / 2.0));
    const int y = l.PlotBottom - static_cast<int>(std::nearbyint(l.PlotHeight / 2.0));
    auto hasLine = [&](int x1, int y1, int x2, int y2) {
        for (const TCanvasOp& op : cv.OpsOf(TCanvasOp::Line))
            if (op.x1 == x1 && op.y1 == y1 && op.x2 == x2 && op.y2 == y2)
                return true;
        return false;
    };
    EXPECT_TRUE(hasLine(x, y, x + 20, y));
    EXPECT_TRUE(hasLine(x, y, x + 6, y - 6));
    EXPECT_TRUE(hasLine(x, y, x + 6, y + 6));
    // The number box: right of the leader's end, centred on it.
    bool boxed = false;
    for (const TCanvasOp& op : cv.OpsOf(TCanvasOp::Rectangle))
        boxed |= op.x1 == x + 20 && op.y1 == y - 6 && op.x2 == x + 33 && op.y2 == y + 6;
    EXPECT_TRUE(boxed);
    // Flag 2: direction 1, leader 800 div 60 up and right, barbs (0,-8), (8,0).
    const int x2 = l.PlotLeft + static_cast<int>(std::nearbyint(l.PlotWidth * 0.6));
    const int y2 = l.PlotBottom - static_cast<int>(std::nearbyint(6.5 / 10 * l.PlotHeight));
    EXPECT_TRUE(hasLine(x2, y2, x2 + 13, y2 - 13));
    EXPECT_TRUE(hasLine(x2, y2, x2, y2 - 8));
    EXPECT_TRUE(hasLine(x2, y2, x2 + 8, y2));
}

// Catches a print or clipboard drawing moving the window's hit-test layout.
TEST(XYChartLayout, OtherSurfacesLeaveTheScreenLayoutAlone)
{
    TXYChart c;
    TRecordingCanvas cv;
    Draw(c, cv);
    const TXYLayout before = c.Layout();
    c.DrawChart(cv, 3000, 2000, 100, 100, 100, 100, TDrawTarget::dtOther);
    EXPECT_EQ(c.Layout().PlotWidth, before.PlotWidth);
    EXPECT_NE(c.DrawnLayout().PlotWidth, before.PlotWidth);
    EXPECT_EQ(c.LeftMargin(), 100);

    // A canvas of no size draws nothing and leaves no plot to scale by.
    cv.Clear();
    c.DrawChart(cv, 0, 0, 0, 0, 0, 0, TDrawTarget::dtScreen);
    EXPECT_EQ(c.Layout().PlotWidth, 0);
}

// Catches a banner drawn over the first markers' read-out lines.
TEST(XYChartMarkers, PanelStartsUnderTheBanner)
{
    TXYChart c;
    c.SetShowbanner(true);
    c.SetShowInfo(true);
    c.AddCurve("K", clRed, false);
    c.AddPoint(0, 1, 2);
    c.Markers().push_back(Tmarker { 0, 0, 0 });
    TRecordingCanvas cv;
    Draw(c, cv);
    const TCanvasOp* line = TextOp(cv, " 1: K 1.000");
    ASSERT_NE(line, nullptr);
    const int bh = std::max(3 * 13, H / 10);
    EXPECT_EQ(line->y1, bh);
    // Nothing is drawn over it afterwards.
    bool after = false, covered = false;
    for (const TCanvasOp& op : cv.Ops()) {
        if (&op == line)
            after = true;
        else if (after && op.kind == TCanvasOp::Rectangle && op.y1 <= line->y1 && op.y2 > line->y1 && op.x1 <= 0)
            covered = true;
    }
    EXPECT_FALSE(covered);
}
