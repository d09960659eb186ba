// The Smith chart drawing checked by its geometry on the recording canvas
// (characters 7 pixels wide, lines 13 pixels high).

#include "smithchart_samples.h"

#include "recording_support.h"

#include "viewer/components/recordingcanvas.h"
#include "viewer/components/smithchart.h"
#include "viewer/components/vectormath.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <string>
#include <vector>

using namespace viewer;
using namespace viewer::smith;
using viewer::test_support::TextOp;

namespace {

void Draw(TSmithChart& chart, TRecordingCanvas& canvas, int W = 400, int H = 300)
{
    chart.DrawChart(canvas, W, H, 0, 0, 0, 0, TDrawTarget::dtScreen);
}

// A pixel mapped back to the reflection plane (signed radius: the
// admittance chart's grid maps onto the impedance chart's values).
TComplex GammaAt(const TSmithLayout& l, int x, int y)
{
    return { static_cast<double>(x - l.ChartCentreX) / l.ChartRadius,
        static_cast<double>(l.ChartCentreY - y) / l.ChartRadius };
}

// True when the pixel lies within a pixel of the impedance r + jx.
::testing::AssertionResult AtImpedance(const TSmithLayout& l, int x, int y, double r, double xr)
{
    const TComplex want = ZToGamma({ r, xr });
    const TComplex got = GammaAt(l, x, y);
    const double ex = std::abs(got.re - want.re) * std::abs(l.ChartRadius);
    const double ey = std::abs(got.im - want.im) * std::abs(l.ChartRadius);
    if (ex <= 1.0 && ey <= 1.0)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "(" << x << ", " << y << ") is gamma " << got.re << " + j" << got.im
                                         << ", wanted " << want.re << " + j" << want.im << " (z = " << r << " + j" << xr
                                         << ")";
}

// Ops between the filled outer circle and the real axis: the grid.
std::vector<TCanvasOp> GridOps(const TRecordingCanvas& canvas)
{
    std::vector<TCanvasOp> out;
    bool in = false;
    for (const TCanvasOp& op : canvas.Ops()) {
        if (op.kind == TCanvasOp::Ellipse && op.brush.Style == TBrushStyle::bsSolid) {
            in = true;
            continue;
        }
        if (in && (op.kind == TCanvasOp::Arc || op.kind == TCanvasOp::Line || op.kind == TCanvasOp::Ellipse))
            out.push_back(op);
    }
    return out;
}

bool HasText(const TRecordingCanvas& canvas, const std::string& text)
{
    const auto t = canvas.Texts();
    return std::find(t.begin(), t.end(), text) != t.end();
}

} // namespace

// Catches a radius or centre that ignores the margins, the title, the
// legend, the zoom or the pan, or an admittance radius that is not negated.
TEST(SmithChartLayout, RadiusAndCentreFollowSizeAndMargins)
{
    TSmithChart chart;
    TRecordingCanvas canvas;
    chart.DrawChart(canvas, 400, 300, 0, 0, 0, 0, TDrawTarget::dtScreen);
    EXPECT_EQ(chart.Layout().ChartRadius, 137); // min(400 - 14, 300 - 26) div 2
    EXPECT_EQ(chart.Layout().ChartCentreX, 200);
    EXPECT_EQ(chart.Layout().ChartCentreY, 150);

    chart.DrawChart(canvas, 400, 300, 10, 20, 30, 40, TDrawTarget::dtScreen);
    EXPECT_EQ(chart.Layout().PlotLeft, 10);
    EXPECT_EQ(chart.Layout().PlotRight, 380);
    EXPECT_EQ(chart.Layout().PlotTop, 30);
    EXPECT_EQ(chart.Layout().PlotBottom, 260);
    EXPECT_EQ(chart.Layout().ChartRadius, 102); // min(370 - 14, 230 - 26) div 2
    EXPECT_EQ(chart.Layout().ChartCentreX, 195);
    EXPECT_EQ(chart.Layout().ChartCentreY, 145);

    // A title takes one text line off the top; a legend (no symbols) one
    // off the bottom.
    chart.SetTitle("T");
    chart.SetShowTitle(true);
    samples::AddSampleCurves(chart, 3);
    chart.SetShowLegend(true);
    chart.DrawChart(canvas, 400, 300, 0, 0, 0, 0, TDrawTarget::dtScreen);
    EXPECT_EQ(chart.Layout().PlotTop, 13);
    EXPECT_EQ(chart.Layout().PlotBottom, 287);
    EXPECT_EQ(chart.Layout().ChartRadius, (274 - 26) / 2);
    EXPECT_EQ(chart.Layout().ChartCentreY, 13 + 274 / 2);

    chart.SetShowTitle(false);
    chart.SetShowLegend(false);
    chart.SetChartType(Tcharttype::Ysmith);
    chart.View().Zoom = 150;
    chart.View().PanX = 0.5;
    chart.DrawChart(canvas, 400, 300, 0, 0, 0, 0, TDrawTarget::dtScreen);
    EXPECT_EQ(chart.Layout().ChartRadius, -206); // Round(-137 * 1.5), halves to even
    EXPECT_EQ(chart.Layout().ChartCentreX, 200 - 103);
}

// Catches a control too small for a chart drawing a mirrored or degenerate
// chart, or leaving a radius that the pointer would divide by.
TEST(SmithChartLayout, TooSmallControlDrawsNoChart)
{
    for (Tcharttype t : { Tcharttype::Zsmith, Tcharttype::Ysmith, Tcharttype::Polar }) {
        for (auto size : { std::pair { 12, 20 }, std::pair { 300, 20 }, std::pair { 0, 0 }, std::pair { -5, 50 } }) {
            TSmithChart chart;
            chart.SetChartType(t);
            samples::AddSampleCurves(chart, 5);
            TRecordingCanvas canvas;
            chart.DrawChart(canvas, size.first, size.second, 0, 0, 0, 0, TDrawTarget::dtScreen);
            EXPECT_EQ(chart.Layout().ChartRadius, 0) << size.first << "x" << size.second;
            EXPECT_TRUE(canvas.OpsOf(TCanvasOp::Ellipse).empty());
            EXPECT_TRUE(canvas.OpsOf(TCanvasOp::Arc).empty());
            EXPECT_TRUE(canvas.OpsOf(TCanvasOp::Polyline).empty());
        }
        // Margins larger than the control, or a zoom that would mirror.
        TSmithChart chart;
        chart.SetChartType(t);
        TRecordingCanvas canvas;
        chart.DrawChart(canvas, 200, 200, 150, 150, 0, 0, TDrawTarget::dtScreen);
        EXPECT_EQ(chart.Layout().ChartRadius, 0);
        chart.View().Zoom = -100;
        chart.DrawChart(canvas, 200, 200, 0, 0, 0, 0, TDrawTarget::dtScreen);
        EXPECT_EQ(chart.Layout().ChartRadius, 0);
        EXPECT_TRUE(canvas.OpsOf(TCanvasOp::Ellipse).empty());
    }
}

// Catches a print or clipboard drawing that moves the hit-test geometry of
// the window, or a screen drawing that does not.
TEST(SmithChartLayout, OnlyTheScreenDrawingMovesThePointerLayout)
{
    TSmithChart chart;
    TRecordingCanvas canvas;
    chart.DrawChart(canvas, 400, 300, 0, 0, 0, 0, TDrawTarget::dtScreen);
    chart.DrawChart(canvas, 4000, 3000, 100, 100, 100, 100, TDrawTarget::dtOther);
    EXPECT_EQ(chart.Layout().ChartRadius, 137);
    EXPECT_EQ(chart.Layout().ChartCentreX, 200);
    EXPECT_EQ(chart.DrawnLayout().ChartRadius, (2800 - 26) / 2);
    EXPECT_EQ(chart.LeftMargin(), 100); // the margins follow every drawing
    chart.DrawChart(canvas, 600, 300, 0, 0, 0, 0);
    EXPECT_EQ(chart.Layout().ChartCentreX, 200) << "a drawing is not for the screen unless it says so";
    chart.DrawChart(canvas, 600, 300, 0, 0, 0, 0, TDrawTarget::dtScreen);
    EXPECT_EQ(chart.Layout().ChartCentreX, 300);
}

// Catches grid arcs that end anywhere but where their impedances are: the
// resistance circles cut at r + j5, the reactance arcs at jx on the outer
// circle, the minor reactance arcs at the resistance circle they stop on.
TEST(SmithChartGrid, ArcEndsLieOnTheirImpedances)
{
    for (Tcharttype t : { Tcharttype::Zsmith, Tcharttype::Ysmith }) {
        TSmithChart chart;
        chart.SetChartType(t);
        TRecordingCanvas canvas;
        Draw(chart, canvas, 500, 420);
        const TSmithLayout& l = chart.Layout();
        ASSERT_EQ(l.ChartRadius, t == Tcharttype::Zsmith ? 197 : -197); // min(486, 394) div 2
        const std::vector<TCanvasOp> ops = GridOps(canvas);

        // Minor values with Detail 2, and where their reactance arcs stop.
        struct Minor {
            double v;
            double cut; // 0: runs to the chart's end
        };
        const Minor minors[] = { { 11, 0 }, { 3, 5 }, { 1.4, 2 }, { 5.0 / 7, 1 }, { 1.0 / 3, 1 }, { 1.0 / 11, 0.5 } };
        std::size_t k = 0;
        for (const Minor& m : minors) {
            SCOPED_TRACE(m.v);
            ASSERT_LT(k + 2, ops.size());
            const TCanvasOp& res = ops[k++];
            ASSERT_EQ(res.kind, TCanvasOp::Arc);
            EXPECT_TRUE(AtImpedance(l, res.x3, res.y3, m.v, 5));
            EXPECT_TRUE(AtImpedance(l, res.x4, res.y4, m.v, -5));
            EXPECT_NE(res.pen.Style, TPenStyle::psSolid);

            const TCanvasOp& lower = ops[k++];
            const TCanvasOp& upper = ops[k++];
            if (m.cut == 0) {
                ASSERT_EQ(lower.kind, TCanvasOp::Arc);
                EXPECT_EQ(GammaAt(l, lower.x3, lower.y3).re, 1.0);
                EXPECT_TRUE(AtImpedance(l, lower.x4, lower.y4, 0, -m.v));
                EXPECT_TRUE(AtImpedance(l, upper.x3, upper.y3, 0, m.v));
                EXPECT_EQ(GammaAt(l, upper.x4, upper.y4).re, 1.0);
            } else if (m.v < 0.1) {
                // Nearly straight: drawn as lines.
                ASSERT_EQ(lower.kind, TCanvasOp::Line);
                EXPECT_TRUE(AtImpedance(l, lower.x1, lower.y1, m.cut, -m.v));
                EXPECT_TRUE(AtImpedance(l, lower.x2, lower.y2, 0, -m.v));
                EXPECT_TRUE(AtImpedance(l, upper.x1, upper.y1, m.cut, m.v));
                EXPECT_TRUE(AtImpedance(l, upper.x2, upper.y2, 0, m.v));
            } else {
                ASSERT_EQ(lower.kind, TCanvasOp::Arc);
                EXPECT_TRUE(AtImpedance(l, lower.x3, lower.y3, m.cut, -m.v));
                EXPECT_TRUE(AtImpedance(l, lower.x4, lower.y4, 0, -m.v));
                EXPECT_TRUE(AtImpedance(l, upper.x3, upper.y3, 0, m.v));
                EXPECT_TRUE(AtImpedance(l, upper.x4, upper.y4, m.cut, m.v));
            }
        }

        // Major circles whole, then the major reactance arcs from and to the
        // chart's end.
        for (double r : { 0.2, 0.5, 1.0, 2.0, 5.0 }) {
            ASSERT_LT(k, ops.size());
            const TCanvasOp& e = ops[k++];
            ASSERT_EQ(e.kind, TCanvasOp::Ellipse);
            const int centre = (e.x1 + e.x2) / 2;
            EXPECT_TRUE(
                AtImpedance(l, centre - (e.x2 - e.x1) / 2 * (l.ChartRadius > 0 ? 1 : -1), l.ChartCentreY, r, 0));
            EXPECT_EQ(e.pen.Style, TPenStyle::psSolid);
        }
        for (double x : { 5.0, 2.0, 1.0, 0.5, 0.2 }) {
            SCOPED_TRACE(x);
            ASSERT_LT(k + 1, ops.size());
            const TCanvasOp& lower = ops[k++];
            const TCanvasOp& upper = ops[k++];
            EXPECT_TRUE(AtImpedance(l, lower.x4, lower.y4, 0, -x));
            EXPECT_TRUE(AtImpedance(l, upper.x3, upper.y3, 0, x));
            // The arc's circle is the reactance circle: centre at 1 + j/x.
            const TComplex c = GammaAt(l, (upper.x1 + upper.x2) / 2, (upper.y1 + upper.y2) / 2);
            EXPECT_NEAR(c.re, 1.0, 1.0 / 197);
            EXPECT_NEAR(c.im, 1.0 / x, 1.0 / 197);
        }
        // The real axis ends the grid.
        ASSERT_LT(k, ops.size());
        EXPECT_EQ(ops[k].kind, TCanvasOp::Line);
        EXPECT_EQ(ops[k].y1, l.ChartCentreY);
        EXPECT_EQ(k + 1, ops.size());
    }
}

// Catches the admittance chart drawing anything but the impedance grid
// turned about the centre, turning the curves with it, or labelling the
// ends and the reactances on the wrong side.
TEST(SmithChartGrid, AdmittanceChartMirrorsTheImpedanceChart)
{
    TSmithChart z, y;
    samples::AddSampleCurves(z);
    samples::AddSampleCurves(y);
    y.SetChartType(Tcharttype::Ysmith);
    TRecordingCanvas zc, yc;
    Draw(z, zc, 500, 420);
    Draw(y, yc, 500, 420);
    const int cx = z.Layout().ChartCentreX, cy = z.Layout().ChartCentreY;
    ASSERT_EQ(y.Layout().ChartCentreX, cx);

    const auto zg = GridOps(zc), yg = GridOps(yc);
    ASSERT_EQ(zg.size(), yg.size());
    auto box = [](const TCanvasOp& op) {
        return std::array { std::min(op.x1, op.x2), std::min(op.y1, op.y2), std::max(op.x1, op.x2),
            std::max(op.y1, op.y2) };
    };
    auto turned = [&](const TCanvasOp& op) {
        TCanvasOp m = op;
        m.x1 = 2 * cx - op.x1;
        m.x2 = 2 * cx - op.x2;
        m.y1 = 2 * cy - op.y1;
        m.y2 = 2 * cy - op.y2;
        m.x3 = 2 * cx - op.x3;
        m.y3 = 2 * cy - op.y3;
        m.x4 = 2 * cx - op.x4;
        m.y4 = 2 * cy - op.y4;
        return m;
    };
    for (std::size_t i = 0; i + 1 < zg.size(); ++i) { // the real axis is clamped to the plot
        SCOPED_TRACE(i);
        const TCanvasOp t = turned(zg[i]);
        ASSERT_EQ(yg[i].kind, zg[i].kind);
        if (zg[i].kind == TCanvasOp::Line) {
            EXPECT_EQ((std::array { yg[i].x1, yg[i].y1, yg[i].x2, yg[i].y2 }), (std::array { t.x1, t.y1, t.x2, t.y2 }));
        } else {
            EXPECT_EQ(box(yg[i]), box(t));
        }
        if (zg[i].kind == TCanvasOp::Arc) {
            EXPECT_EQ((std::array { yg[i].x3, yg[i].y3, yg[i].x4, yg[i].y4 }), (std::array { t.x3, t.y3, t.x4, t.y4 }));
        }
    }

    const auto zp = zc.OpsOf(TCanvasOp::Polyline), yp = yc.OpsOf(TCanvasOp::Polyline);
    ASSERT_EQ(zp.size(), yp.size());
    for (std::size_t i = 0; i < zp.size(); ++i)
        EXPECT_EQ(zp[i].points, yp[i].points) << "curves are never turned";

    const int R = z.Layout().ChartRadius;
    EXPECT_LT(TextOp(zc, "0")->x1, cx - R);
    EXPECT_GT(TextOp(yc, "0")->x1, cx + R);
    EXPECT_GT(TextOp(zc, "\u221E")->x1, cx + R);
    EXPECT_LT(TextOp(yc, "\u221E")->x1, cx - R);
    EXPECT_LT(TextOp(zc, "J1")->y1, cy) << "positive reactance above the axis";
    EXPECT_GT(TextOp(zc, "- J1")->y1, cy);
    EXPECT_GT(TextOp(yc, "J1")->y1, cy) << "positive susceptance below the axis";
    EXPECT_LT(TextOp(yc, "- J1")->y1, cy);
    for (const char* label : { "0.2", "0.5", "1", "2", "5" }) {
        EXPECT_TRUE(HasText(zc, label)) << label;
        EXPECT_TRUE(HasText(yc, label)) << label;
    }
}

// Catches a detail setting that draws minor lines at major values.
TEST(SmithChartGrid, DetailOneDrawsNoMinorLines)
{
    TSmithChart chart;
    chart.SetDetail(1);
    TRecordingCanvas canvas;
    Draw(chart, canvas);
    const auto ops = GridOps(canvas);
    EXPECT_EQ(ops.size(), 5u + 10u + 1u); // major circles, major arcs, axis
    for (const TCanvasOp& op : ops)
        EXPECT_EQ(op.pen.Style, TPenStyle::psSolid);
}

// Catches polar circles, labels or spokes at the wrong magnitudes and
// angles, and the outer circle's label hidden under its own fill.
TEST(SmithChartPolar, CirclesSpokesAndLabels)
{
    TSmithChart chart;
    chart.SetChartType(Tcharttype::Polar);
    TRecordingCanvas canvas;
    Draw(chart, canvas, 400, 300);
    const int R = chart.Layout().ChartRadius, cx = chart.Layout().ChartCentreX;
    const auto circles = canvas.OpsOf(TCanvasOp::Ellipse);
    ASSERT_EQ(circles.size(), 4u);
    const double mags[] = { 1, 0.25, 0.5, 0.75 };
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(circles[i].x2 - cx, std::nearbyint(R * mags[i])); // halves to even
        EXPECT_EQ(circles[i].pen.Style, mags[i] == 0.25 || mags[i] == 0.75 ? TPenStyle::psDot : TPenStyle::psSolid);
    }
    EXPECT_EQ(circles[0].brush.Style, TBrushStyle::bsSolid);
    for (const char* label : { "1 ", "0.25 ", "0.5 ", "0.75 ", "45\u00B0", "-45\u00B0", "135\u00B0", "-135\u00B0",
             "90\u00B0", "-90\u00B0", "-180\u00B0", " 0\u00B0" })
        EXPECT_TRUE(HasText(canvas, label)) << label;
    EXPECT_FALSE(HasText(canvas, "180\u00B0"));

    // The outer label comes after the filled circle, ending at its rim.
    const auto& ops = canvas.Ops();
    const auto filled
        = std::find_if(ops.begin(), ops.end(), [](const TCanvasOp& op) { return op.kind == TCanvasOp::Ellipse; });
    const auto label = std::find_if(
        ops.begin(), ops.end(), [](const TCanvasOp& op) { return op.kind == TCanvasOp::Text && op.text == "1 "; });
    ASSERT_NE(label, ops.end());
    EXPECT_GT(label - filled, 0);
    EXPECT_EQ(label->x2, cx + R);

    chart.SetZoom(50);
    canvas.Clear();
    Draw(chart, canvas, 400, 300);
    const auto zoomed = canvas.OpsOf(TCanvasOp::Ellipse);
    ASSERT_EQ(zoomed.size(), 2u); // circles 2 and 1, no quarter circles
    EXPECT_TRUE(HasText(canvas, "2 "));
    EXPECT_FALSE(HasText(canvas, "0.25 "));
}

// Catches symbols drawn at every point, at the wrong spacing, with the
// wrong shape per curve, or out of step with the legend.
TEST(SmithChartCurves, SymbolSpacingShapesAndLegend)
{
    TSmithChart chart;
    chart.SetShowmarkers(true);
    chart.SetShowLegend(true);
    // Along the real axis in steps of 0.08: a symbol every fourth point,
    // when the distance to the last symbol passes 0.3.
    const int a = chart.AddCurve("A", clRed);
    for (int i = 0; i <= 20; ++i)
        chart.AddPoint(a, i, std::abs(-0.8 + 0.08 * i), -0.8 + 0.08 * i < 0 ? 180 : 0);
    const int hidden = chart.AddCurve("hidden", clGreen);
    chart.AddPoint(hidden, 1, 0.5, 0);
    const int b = chart.AddCurve("B", clBlue);
    chart.AddPoint(b, 1, 0.5, 90);
    chart.SetCurveVisible(a, true);
    chart.SetCurveVisible(b, true);

    TRecordingCanvas canvas;
    Draw(chart, canvas, 640, 480);
    const TSmithLayout& l = chart.Layout();
    const int s = 640 / 320 + 2;
    std::vector<int> xs;
    for (const TCanvasOp& op : canvas.OpsOf(TCanvasOp::Polygon))
        if (op.brush.Color == clRed && op.points[1].y == l.ChartCentreY + s) // triangle down on the axis
            xs.push_back(op.points[1].x);
    ASSERT_EQ(xs.size(), 6u);
    for (std::size_t i = 0; i < xs.size(); ++i)
        EXPECT_NEAR(xs[i], l.ChartCentreX + (-0.8 + 0.32 * i) * l.ChartRadius, 1) << i;

    // The second curve drawn gets the square, in the chart and the legend.
    std::vector<TCanvasOp> squares;
    for (const TCanvasOp& op : canvas.OpsOf(TCanvasOp::Rectangle))
        if (op.brush.Color == clBlue && op.x2 - op.x1 == 2 * s && op.y2 - op.y1 == 2 * s)
            squares.push_back(op);
    ASSERT_EQ(squares.size(), 2u);
    EXPECT_EQ(squares[1].x1 + s, l.ChartCentreX);
    EXPECT_EQ(squares[1].y1 + s, l.ChartCentreY - std::lround(0.5 * l.ChartRadius));
    EXPECT_TRUE(HasText(canvas, " A"));
    EXPECT_TRUE(HasText(canvas, " B"));
    EXPECT_FALSE(HasText(canvas, " hidden"));
    // The legend's row lies under the plot.
    EXPECT_GT(squares[0].y1, l.PlotBottom);
}

// Catches a point far outside the chart being drawn to (or through an
// overflowed coordinate) instead of breaking the line on both sides.
TEST(SmithChartCurves, FarPointBreaksTheLine)
{
    TSmithChart chart;
    const int c = chart.AddCurve("S21", clRed);
    chart.AddPoint(c, 1, 0.5, 0);
    chart.AddPoint(c, 2, 0.5, 90);
    chart.AddPoint(c, 3, 1e12, 45);
    chart.AddPoint(c, 4, 0.5, 180);
    chart.AddPoint(c, 5, 0.5, 270);
    chart.AddPoint(c, 6, 300, 0); // |x| + |y| past 32768
    chart.SetCurveVisible(c, true);
    TRecordingCanvas canvas;
    Draw(chart, canvas);
    const auto lines = canvas.OpsOf(TCanvasOp::Polyline);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].points.size(), 2u);
    EXPECT_EQ(lines[1].points.size(), 2u);
    for (const TCanvasOp& op : lines)
        for (const TCanvasPoint& p : op.points)
            EXPECT_LT(std::abs(p.x) + std::abs(p.y), 1000);
}

// Catches curve offsets applied the wrong way round, and the Z0 text.
TEST(SmithChartCurves, OffsetsMoveTheCurveAndZ0IsWritten)
{
    TSmithChart chart;
    const int c = chart.AddCurve("S11", clRed);
    chart.AddPoint(c, 1, 0, 0);
    chart.AddPoint(c, 2, 0.5, 0);
    chart.SetCurveVisible(c, true);
    chart.SetCurveOffset(c, 0.25, 0.5); // right and down
    chart.SetShowZ0(true);
    chart.SetImpedance(50);
    TRecordingCanvas canvas;
    Draw(chart, canvas);
    const TSmithLayout& l = chart.Layout();
    const auto lines = canvas.OpsOf(TCanvasOp::Polyline);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(
        lines[0].points[0], (TCanvasPoint { l.ChartCentreX + 34, l.ChartCentreY + 68 })); // Round(34.25), -Round(-68.5)
    EXPECT_EQ(l.ChartRadius, 137);
    const TCanvasOp* z0 = TextOp(canvas, "Z0=50");
    ASSERT_NE(z0, nullptr);
    EXPECT_EQ(z0->x2, l.PlotRight - 1);
    EXPECT_EQ(z0->y2, l.PlotBottom - 1);
}
