// The rectangular views and the marker panel drawn by QPainter: renders of
// every view for people to look at, and pixel probes on the plot, the grid,
// the curves and the flags.

#include "render_support.h"
#include "smithchart_samples.h"

#include "viewer/components/qtchartcanvas.h"
#include "viewer/components/smithchart.h"
#include "viewer/components/smithchart_values.h"

#include <gtest/gtest.h>

#include <QImage>

#include <cmath>

using namespace viewer;
using namespace viewer::smith;
using namespace viewer::test_support;

namespace {

int CountColour(const QImage& img, TColor c, int left, int top, int right, int bottom)
{
    int n = 0;
    for (int y = std::max(top, 0); y < std::min(bottom, img.height()); ++y)
        for (int x = std::max(left, 0); x < std::min(right, img.width()); ++x)
            n += At(img, x, y) == c;
    return n;
}

// Each view with ranges that fit the sample curves.
void SetView(TSmithChart& chart, Tcharttype type)
{
    chart.SetChartType(type);
    switch (type) {
    case Tcharttype::Logmag:
        chart.SetLYmin(-20), chart.SetLYmax(5), chart.SetRYmin(-180), chart.SetRYmax(180);
        chart.SetLeftTitle("dB"), chart.SetRightTitle("Deg");
        break;
    case Tcharttype::GridU:
    case Tcharttype::GridV:
        chart.SetLYmin(-1.5), chart.SetLYmax(1.5), chart.SetRYmin(-1.5), chart.SetRYmax(1.5);
        chart.SetLeftTitle(type == Tcharttype::GridU ? "Re" : "Im");
        chart.SetRightTitle(type == Tcharttype::GridU ? "Im" : "Re");
        break;
    case Tcharttype::GridR:
        chart.SetLYmin(0), chart.SetLYmax(5), chart.SetRYmin(-5), chart.SetRYmax(5);
        chart.SetLeftTitle("R"), chart.SetRightTitle("X");
        break;
    default:
        chart.SetLYmin(-5), chart.SetLYmax(5), chart.SetRYmin(0), chart.SetRYmax(5);
        chart.SetLeftTitle("X"), chart.SetRightTitle("R");
        break;
    }
}

} // namespace

// Renders each rectangular view with both axes, curves, symbols, legend,
// title, Z0 and two markers into the build tree's renders folder; catches a
// view that paints no plot background or leaves a curve out.
TEST(SmithRectRender, RendersOfEveryRectangularView)
{
    struct View {
        Tcharttype type;
        const char* file;
    };
    for (const View& v : { View { Tcharttype::Logmag, "rect_logmag.png" }, View { Tcharttype::GridU, "rect_u.png" },
             View { Tcharttype::GridV, "rect_v.png" }, View { Tcharttype::GridR, "rect_r.png" },
             View { Tcharttype::GridX, "rect_x.png" } }) {
        TSmithChart chart;
        samples::AddSampleCurves(chart);
        SetView(chart, v.type);
        chart.SetShowmarkers(true);
        chart.SetColouredTraces(true);
        chart.SetShowRightAxis(true);
        chart.SetLineWidth(2);
        chart.SetShowLegend(true);
        chart.SetShowTitle(true);
        chart.SetTitle("Amplifier 2-10 GHz");
        chart.SetShowZ0(true);
        chart.SetImpedance(50);
        chart.SetBackgroundColor(RGBColor(255, 255, 230));
        chart.SetBorderColor(RGBColor(236, 236, 236));
        chart.Markers().push_back({ 0, 10, 1 });
        chart.Markers().push_back({ 2, 30, 5 });
        const QImage img = Render(chart, 800, 600);
        SaveRender(img, v.file);
        const TSmithLayout& l = chart.Layout();
        EXPECT_GT(CountColour(img, RGBColor(255, 255, 230), l.PlotLeft, l.PlotTop, l.PlotRight, l.PlotBottom),
            l.PlotWidth * l.PlotHeight / 2)
            << v.file;
        for (TColor c : { clRed, clBlue, clGreen })
            EXPECT_GT(CountColour(img, c, l.PlotLeft, l.PlotTop, l.PlotRight, l.PlotBottom), 50) << v.file;
    }
}

// Catches a curve drawn off its value, a grid line off its division, a
// companion curve drawn solid, or anything painted outside the plot.
TEST(SmithRectRender, CurveAndGridPixels)
{
    TSmithChart chart;
    chart.SetChartType(Tcharttype::GridU);
    chart.SetLYmin(-1);
    chart.SetLYmax(1);
    chart.SetRYmin(-1);
    chart.SetRYmax(1);
    chart.SetShowRightAxis(true);
    chart.SetBorderColor(clSilver);
    chart.SetBackgroundColor(clYellow);
    chart.SetColouredTraces(true);
    chart.SetGraphColor(clNavy);
    chart.SetGridType(2);
    chart.SetLineWidth(3);
    const int c = chart.AddCurve("S11", clRed);
    // Re 0.5 and Im -0.5 from 0 to 10: a line at 0.5 and a dotted one at -0.5.
    for (int f = 0; f <= 10; ++f)
        chart.AddPoint(c, f, std::sqrt(0.5), -45);
    chart.SetCurveVisible(c, true);
    const QImage img = Render(chart, 600, 400);
    SaveRender(img, "rect_probe.png");
    const TSmithLayout& l = chart.Layout();
    const int yHalf = l.PlotBottom - static_cast<int>(std::nearbyint(0.75 * l.PlotHeight));
    const int yLow = l.PlotBottom - static_cast<int>(std::nearbyint(0.25 * l.PlotHeight));
    const int xMid = l.PlotLeft + l.PlotWidth * 35 / 100; // between grid lines

    EXPECT_EQ(At(img, 2, 2), clSilver);
    EXPECT_EQ(At(img, l.PlotLeft - 3, yHalf), clSilver) << "outside the plot";
    EXPECT_EQ(At(img, xMid, yHalf), clRed);
    EXPECT_EQ(At(img, xMid, yHalf - 6), clYellow);
    // The dotted companion: red along its row, but with gaps.
    int red = 0, gaps = 0;
    for (int x = l.PlotLeft + 20; x < l.PlotRight - 20; ++x)
        (At(img, x, yLow) == clRed ? red : gaps)++;
    EXPECT_GT(red, 20);
    EXPECT_GT(gaps, 20);
    // A solid grid line in the graph colour at the second division.
    const int yGrid = l.PlotBottom - static_cast<int>(std::nearbyint(0.2 * l.PlotHeight));
    EXPECT_EQ(At(img, xMid, yGrid), clNavy);
    const int xGrid = l.PlotLeft + static_cast<int>(std::nearbyint(0.3 * l.PlotWidth));
    EXPECT_EQ(At(img, xGrid, l.PlotTop + 40), clNavy);
}

// Renders the marker panel and flags in all eight directions on the Smith
// chart and the log-magnitude view; catches a panel that writes nothing or
// over the plot, and flag boxes that are not white with a black outline.
TEST(SmithMarkerRender, PanelAndFlags)
{
    for (Tcharttype type : { Tcharttype::Zsmith, Tcharttype::Logmag }) {
        TSmithChart chart;
        samples::AddSampleCurves(chart);
        SetView(chart, type);
        chart.SetColouredTraces(true);
        chart.SetShowmarkers(true);
        chart.SetShowInfo(true);
        chart.SetMarkerOptions({ TMopts::moMA, TMopts::moRX });
        chart.SetImpedance(50);
        chart.SetUnits("GHz");
        chart.SetBorderColor(RGBColor(236, 236, 236));
        for (int d = 0; d < 8; ++d)
            chart.Markers().push_back({ d % 3, 4 + 4 * d, d });
        const QImage img = Render(chart, 900, 600);
        SaveRender(img, type == Tcharttype::Zsmith ? "markers_smith.png" : "markers_logmag.png");
        const TSmithLayout& l = chart.Layout();
        // The panel: dark text left of the plot, eight blocks of four lines.
        int dark = 0;
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < l.PlotLeft - 4; ++x)
                dark += IsDark(At(img, x, y));
        EXPECT_GT(dark, 2000);
        EXPECT_GT(l.PlotLeft, 150);
        // Each flag's box: white inside a black outline, beside the leader.
        for (std::size_t i = 0; i < chart.Markers().size(); ++i) {
            const Tmarker& m = chart.Markers()[i];
            const TPoint& p
                = chart.Curves()[static_cast<std::size_t>(m.Curve)].Points[static_cast<std::size_t>(m.Point)];
            int x, y;
            if (type == Tcharttype::Zsmith) {
                x = l.ChartCentreX + static_cast<int>(std::nearbyint(std::abs(l.ChartRadius) * p.Re));
                y = l.ChartCentreY - static_cast<int>(std::nearbyint(std::abs(l.ChartRadius) * p.Im));
            } else {
                x = static_cast<int>(std::nearbyint((p.Freq - l.ShownXmin) / l.ShownXrange * l.PlotWidth + l.PlotLeft));
                y = l.PlotBottom
                    - static_cast<int>(
                        std::nearbyint((RectLeftValue(type, p) - l.ShownYmin) / l.ShownYrange * l.PlotHeight));
            }
            static const int dirs[8][2]
                = { { 0, -1 }, { 1, -1 }, { 1, 0 }, { 1, 1 }, { 0, 1 }, { -1, 1 }, { -1, 0 }, { -1, -1 } };
            const int L = m.Direction % 2 == 0 ? 900 / 40 : 900 / 60;
            const int ex = x + L * dirs[m.Direction][0], ey = y + L * dirs[m.Direction][1];
            // A point just past the leader's end, inside the box.
            const int bx = ex + 3 * dirs[m.Direction][0] + (dirs[m.Direction][0] == 0 ? 4 : 0);
            const int by = ey + 3 * dirs[m.Direction][1] + (dirs[m.Direction][1] == 0 ? 4 : 0);
            if (img.rect().contains(bx, by)) { // S21 leaves the Smith chart's canvas
                EXPECT_EQ(At(img, bx, by), clWhite) << "flag " << i + 1;
            }
        }
    }
}
