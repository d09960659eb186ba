// The marker read-out panel and the marker flags checked on the recording
// canvas (characters 7 pixels wide, lines 13 pixels high).

#include "recording_support.h"

#include "viewer/components/recordingcanvas.h"
#include "viewer/components/smithchart.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace viewer;
using namespace viewer::smith;
using viewer::test_support::TextOp;

namespace {

// The texts written in the panel column (left of x), in order.
std::vector<std::string> PanelTexts(const TRecordingCanvas& canvas, int x)
{
    std::vector<std::string> out;
    for (const TCanvasOp& op : canvas.Ops())
        if (op.kind == TCanvasOp::Text && op.x1 == x)
            out.push_back(op.text);
    return out;
}

// A chart with one curve "S11": the chart centre at 1.5, 0.5 at +90 and
// 0.5 at -90 degrees (z = 0.6 +/- j0.8), with a marker on each.
void MarkedChart(TSmithChart& chart)
{
    const int c = chart.AddCurve("S11", clRed);
    chart.AddPoint(c, 1.5, 0, 0);
    chart.AddPoint(c, 2, 0.5, 90);
    chart.AddPoint(c, 3, 0.5, -90);
    chart.SetCurveVisible(c, true);
    chart.Markers().push_back({ 0, 0, 0 });
    chart.Markers().push_back({ 0, 1, 2 });
    chart.Markers().push_back({ 0, 2, 4 });
    chart.SetImpedance(50);
    chart.SetUnits("GHz");
    chart.SetShowInfo(true);
}

// The flags' ops: each is three lines (leader and barbs), a white box and
// the number written on a clear brush, drawn inside the plot clip.
struct Flag {
    std::vector<TCanvasOp> lines;
    std::vector<TCanvasOp> boxes;
    std::vector<TCanvasOp> labels;
};

Flag FlagOps(const TRecordingCanvas& canvas)
{
    Flag f;
    const auto& ops = canvas.Ops();
    bool in = false;
    for (std::size_t i = 0; i + 1 < ops.size(); ++i) {
        in = in || ops[i].kind == TCanvasOp::Clip;
        const TCanvasOp& op = ops[i];
        if (!in || op.kind != TCanvasOp::Rectangle || op.brush.Color != clWhite || i < 3)
            continue;
        if (ops[i + 1].kind != TCanvasOp::Text || ops[i + 1].brush.Style != TBrushStyle::bsClear)
            continue;
        for (std::size_t k = i - 3; k < i; ++k)
            f.lines.push_back(ops[k]);
        f.boxes.push_back(op);
        f.labels.push_back(ops[i + 1]);
    }
    return f;
}

void ExpectLine(const TCanvasOp& op, int x1, int y1, int x2, int y2)
{
    EXPECT_EQ(op.x1, x1);
    EXPECT_EQ(op.y1, y1);
    EXPECT_EQ(op.x2, x2);
    EXPECT_EQ(op.y2, y2);
}

void ExpectBox(const TCanvasOp& op, int left, int top, int right, int bottom)
{
    EXPECT_EQ(op.x1, left);
    EXPECT_EQ(op.y1, top);
    EXPECT_EQ(op.x2, right);
    EXPECT_EQ(op.y2, bottom);
}

} // namespace

// Catches wrong readout texts or number formats, ohms where normalised
// values were asked for (or the reverse), a reactance sign lost, or lines
// out of place.
TEST(SmithMarkerPanel, TextsAndPlaces)
{
    TSmithChart chart;
    MarkedChart(chart);
    chart.SetMarkerOptions({ TMopts::moMA, TMopts::moRX });
    TRecordingCanvas canvas;
    chart.DrawChart(canvas, 400, 300, 0, 0, 0, 0, TDrawTarget::dtScreen);
    const std::vector<std::string> want = {
        " 1: S11  1.500GHz",
        " MA= 0.000 0.000\u00B0",
        " RX= 50.000 + J0.000",
        " 2: S11  2.000GHz",
        " MA= 0.500 90.000\u00B0",
        " RX= 30.000 + J40.000",
        " 3: S11  3.000GHz",
        " MA= 0.500 -90.000\u00B0",
        " RX= 30.000 - J40.000",
    };
    EXPECT_EQ(PanelTexts(canvas, 7), want);
    // Four lines a marker: three texts and an empty one.
    EXPECT_EQ(TextOp(canvas, want[0])->y1, 13);
    EXPECT_EQ(TextOp(canvas, want[2])->y1, 39);
    EXPECT_EQ(TextOp(canvas, want[3])->y1, 65);
    EXPECT_EQ(TextOp(canvas, want[6])->y1, 117);
    // The plot starts after the widest line and two characters.
    EXPECT_EQ(chart.Layout().PlotLeft, 20 * 7 + 14);

    chart.SetMarkerOptions({ TMopts::moRX, TMopts::moNorm });
    chart.SetmarkerDigits(2);
    chart.DrawChart(canvas = TRecordingCanvas(), 400, 300, 0, 0, 0, 0, TDrawTarget::dtScreen);
    EXPECT_NE(TextOp(canvas, " RX= 1.00 + J0.00"), nullptr);
    EXPECT_NE(TextOp(canvas, " RX= 0.60 + J0.80"), nullptr);
    EXPECT_NE(TextOp(canvas, " RX= 0.60 - J0.80"), nullptr);
    EXPECT_EQ(TextOp(canvas, " RX= 0.60 - J0.80")->y1, 13 * 8); // three lines a marker
}

// Catches a log of zero in the dB readout, the dB form outside the
// log-magnitude view, two lines per marker without options, or a marker
// on a vanished point stopping the panel or renumbering the others.
TEST(SmithMarkerPanel, LogMagnitudeAndBareMarkers)
{
    TSmithChart chart;
    MarkedChart(chart);
    chart.SetChartType(Tcharttype::Logmag);
    chart.SetMarkerOptions({ TMopts::moMA });
    TRecordingCanvas canvas;
    chart.DrawChart(canvas, 400, 300, 20, 0, 10, 0, TDrawTarget::dtScreen);
    EXPECT_NE(TextOp(canvas, " MA= -174.000dB 0.000\u00B0"), nullptr);
    EXPECT_NE(TextOp(canvas, " MA= -6.021dB 90.000\u00B0"), nullptr);
    // The panel starts at the top margin, the rectangular plot after it.
    EXPECT_EQ(TextOp(canvas, " 1: S11  1.500GHz")->x1, 27);
    EXPECT_EQ(TextOp(canvas, " 1: S11  1.500GHz")->y1, 23);
    EXPECT_EQ(chart.Layout().PlotLeft, 20 + 21 * 7 + 14 + 21 + 49);

    chart.SetMarkerOptions({});
    chart.Markers().insert(chart.Markers().begin() + 1, Tmarker { 7, 0, 0 });
    chart.Markers().push_back({ 0, 99, 0 });
    chart.DrawChart(canvas = TRecordingCanvas(), 400, 300, 0, 0, 0, 0, TDrawTarget::dtScreen);
    const std::vector<std::string> want = { " 1: S11  1.500GHz", " 3: S11  2.000GHz", " 4: S11  3.000GHz" };
    EXPECT_EQ(PanelTexts(canvas, 7), want);
    EXPECT_EQ(TextOp(canvas, want[1])->y1, 13 * 3);
    EXPECT_EQ(TextOp(canvas, want[2])->y1, 13 * 5);
    EXPECT_EQ(FlagOps(canvas).boxes.size(), 3u);
}

// Catches leaders, barbs or boxes in the wrong direction or of the wrong
// length, a flag placed off its point's plotted value, or a direction out
// of range reading outside the shape table.
TEST(SmithMarkerFlags, GeometryByDirection)
{
    TSmithChart chart;
    chart.SetChartType(Tcharttype::GridU);
    chart.SetLYmin(-1);
    chart.SetLYmax(1);
    const int c = chart.AddCurve("S11", clRed);
    chart.AddPoint(c, 5, 0.5, 0);
    chart.Markers().push_back({ 0, 0, 2 });
    TRecordingCanvas canvas;
    chart.DrawChart(canvas, 400, 300, 0, 0, 0, 0, TDrawTarget::dtScreen);
    // Plot 70..379 x 6..268: x = Round(224.5), y = 268 - Round(196.5).
    Flag f = FlagOps(canvas);
    ASSERT_EQ(f.lines.size(), 3u);
    ExpectLine(f.lines[0], 224, 72, 234, 72); // W div 40 to the right
    ExpectLine(f.lines[1], 224, 72, 227, 69); // barbs W div 105
    ExpectLine(f.lines[2], 224, 72, 227, 75);
    ASSERT_EQ(f.boxes.size(), 1u);
    ExpectBox(f.boxes[0], 234, 66, 247, 78); // 13 high, centred on the leader
    EXPECT_EQ(f.boxes[0].pen.Color, clBlack);
    EXPECT_EQ(f.boxes[0].brush.Style, TBrushStyle::bsSolid);
    ASSERT_EQ(f.labels.size(), 1u);
    EXPECT_EQ(f.labels[0].text, "1");
    EXPECT_EQ(f.labels[0].x1, 237);
    EXPECT_EQ(f.labels[0].y1, 66);

    chart.Markers()[0].Direction = 1;
    chart.DrawChart(canvas = TRecordingCanvas(), 400, 300, 0, 0, 0, 0, TDrawTarget::dtScreen);
    f = FlagOps(canvas);
    ASSERT_EQ(f.lines.size(), 3u);
    ExpectLine(f.lines[0], 224, 72, 230, 66); // W div 60 up and right
    ExpectLine(f.lines[1], 224, 72, 224, 67); // W div 80 straight up
    ExpectLine(f.lines[2], 224, 72, 229, 72); // and straight right
    ExpectBox(f.boxes[0], 230, 53, 243, 66);
    EXPECT_EQ(f.labels[0].x1, 233);

    // Out of range: 9 is 1 and -1 is 7.
    chart.Markers()[0].Direction = 9;
    chart.DrawChart(canvas = TRecordingCanvas(), 400, 300, 0, 0, 0, 0, TDrawTarget::dtScreen);
    ExpectBox(FlagOps(canvas).boxes.at(0), 230, 53, 243, 66);
    chart.Markers()[0].Direction = -1;
    chart.DrawChart(canvas = TRecordingCanvas(), 400, 300, 0, 0, 0, 0, TDrawTarget::dtScreen);
    f = FlagOps(canvas);
    ExpectLine(f.lines.at(0), 224, 72, 218, 66);
    ExpectBox(f.boxes.at(0), 205, 53, 218, 66);

    // All eight boxes touch the leader's end on its far side.
    for (int d = 0; d < 8; ++d) {
        chart.Markers()[0].Direction = d;
        chart.DrawChart(canvas = TRecordingCanvas(), 400, 300, 0, 0, 0, 0, TDrawTarget::dtScreen);
        f = FlagOps(canvas);
        ASSERT_EQ(f.boxes.size(), 1u);
        const int ex = f.lines[0].x2, ey = f.lines[0].y2;
        const TCanvasOp& b = f.boxes[0];
        const int dx = ex - 224, dy = ey - 72;
        EXPECT_TRUE(dx > 0 ? b.x1 == ex : dx < 0 ? b.x2 == ex : b.x1 == ex - 6 && b.x2 == ex + 6) << d;
        EXPECT_TRUE(dy > 0 ? b.y1 == ey : dy < 0 ? b.y2 == ey : b.y1 == ey - 6 && b.y2 == ey + 6) << d;
    }
}

// Catches a flag straight up or down at the first or last frequency whose
// number box the plot frame cuts in half.
TEST(SmithMarkerFlags, BoxesStayOnThePlotAtTheLeftAndRightEdges)
{
    TSmithChart chart;
    chart.SetChartType(Tcharttype::GridU);
    const int c = chart.AddCurve("S11", clRed);
    chart.AddPoint(c, 0, 0.5, 0);
    chart.AddPoint(c, 10, 0.5, 0);
    chart.Markers().push_back({ 0, 0, 0 });
    chart.Markers().push_back({ 0, 1, 4 });
    TRecordingCanvas canvas;
    chart.DrawChart(canvas, 400, 300, 0, 0, 0, 0, TDrawTarget::dtScreen);
    const Flag f = FlagOps(canvas);
    ASSERT_EQ(f.boxes.size(), 2u);
    for (const TCanvasOp& b : f.boxes) {
        EXPECT_GE(b.x1, chart.Layout().PlotLeft);
        EXPECT_LE(b.x2, chart.Layout().PlotRight);
    }
}

// Catches flags placed with the curve's drag offset or the signed radius,
// numbered out of list order, or a zero magnitude not at -174 dB.
TEST(SmithMarkerFlags, PlacesInEveryView)
{
    TSmithChart chart;
    chart.SetChartType(Tcharttype::Ysmith);
    const int c = chart.AddCurve("S11", clRed);
    chart.AddPoint(c, 1, 0.5, 0);
    chart.AddPoint(c, 2, 0, 0);
    chart.SetCurveOffset(c, 0.2, 0.2);
    chart.Markers().push_back({ 0, 0, 4 });
    chart.Markers().push_back({ 0, 1, 0 });
    TRecordingCanvas canvas;
    chart.DrawChart(canvas, 400, 300, 0, 0, 0, 0, TDrawTarget::dtScreen);
    ASSERT_EQ(chart.Layout().ChartRadius, -137);
    Flag f = FlagOps(canvas);
    ASSERT_EQ(f.lines.size(), 6u);
    ExpectLine(f.lines[0], 268, 150, 268, 160); // 200 + Round(68.5), not mirrored
    ExpectLine(f.lines[3], 200, 150, 200, 140);
    ASSERT_EQ(f.labels.size(), 2u);
    EXPECT_EQ(f.labels[0].text, "1");
    EXPECT_EQ(f.labels[1].text, "2");

    chart.SetChartType(Tcharttype::Logmag);
    chart.SetLYmin(-200);
    chart.SetLYmax(0);
    chart.DrawChart(canvas = TRecordingCanvas(), 400, 300, 0, 0, 0, 0, TDrawTarget::dtScreen);
    f = FlagOps(canvas);
    ASSERT_EQ(f.lines.size(), 6u);
    // -174 dB: 268 - Round(26 / 200 * 262); the offset is not applied.
    EXPECT_EQ(f.lines[3].y1, 234);
    EXPECT_EQ(f.lines[3].x1, 70 + 62);
}
