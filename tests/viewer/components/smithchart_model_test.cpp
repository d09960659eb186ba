#include "viewer/components/recordingcanvas.h"
#include "viewer/components/smithchart.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>

using namespace viewer;
using namespace viewer::smith;

namespace {

// Counts what the model asks of its control.
struct FakeHost : TChartHost {
    int invalidates = 0;
    int paints = 0;
    void Invalidate() override { ++invalidates; }
    void PaintNow() override { ++paints; }
    void PopupMenuAt(int, int) override { }
    bool AskYesNo(const std::string&, const std::string&) override { return false; }
    void Reset() { invalidates = paints = 0; }
};

// A chart with three curves of n points each: point i has frequency i + 1,
// magnitude 0.1 * (i + 1) and angle 10 * i.
void Fill(TSmithChart& chart, int curves, int n)
{
    for (int c = 0; c < curves; ++c) {
        const int idx = chart.AddCurve("S" + std::to_string(c), clRed);
        for (int i = 0; i < n; ++i)
            chart.AddPoint(idx, i + 1, 0.1 * (i + 1), 10.0 * i);
    }
}

TPoint Pt(const TSmithChart& chart, int curve, int index)
{
    const TPoint* p = chart.PointAt(curve, index);
    EXPECT_NE(p, nullptr);
    return p ? *p : TPoint {};
}

} // namespace

// Catches a constructor that starts the chart with values other than the
// component's documented ones (dialogs and files rely on them).
TEST(SmithChartProperties, ValuesAtCreation)
{
    TSmithChart chart;
    EXPECT_EQ(chart.Width(), 200);
    EXPECT_EQ(chart.Height(), 150);
    EXPECT_EQ(chart.LeftMargin(), 4); // Round(200 * 2 / 100)
    EXPECT_EQ(chart.RightMargin(), 4);
    EXPECT_EQ(chart.TopMargin(), 4);
    EXPECT_EQ(chart.BottomMargin(), 4);
    EXPECT_EQ(chart.Units(), "");
    EXPECT_EQ(chart.LineWidth(), 1);
    EXPECT_EQ(chart.BackgroundColor(), clWhite);
    EXPECT_EQ(chart.BorderColor(), clWhite);
    EXPECT_EQ(chart.TitleFont().Name, "Arial");
    EXPECT_EQ(chart.TitleFont().Size, 10);
    EXPECT_EQ(chart.TitleFont().Color, clBlack);
    EXPECT_EQ(chart.AnnotationFont(), chart.TitleFont());
    EXPECT_EQ(chart.Title(), "");
    EXPECT_EQ(chart.LeftTitle(), "dB");
    EXPECT_EQ(chart.RightTitle(), "Deg");
    EXPECT_EQ(chart.XTitle(), "Freq (GHz)");
    EXPECT_FALSE(chart.Showmarkers());
    EXPECT_FALSE(chart.ShowRightAxis());
    EXPECT_FALSE(chart.ColouredTraces());
    EXPECT_TRUE(chart.Autoupdate());
    EXPECT_EQ(chart.GraphColor(), clBlack);
    EXPECT_EQ(chart.MarkerSize(), 4);
    EXPECT_EQ(chart.Digits(), 2);
    EXPECT_DOUBLE_EQ(chart.Margin(), 2.0);
    EXPECT_EQ(chart.Yinterval(), 10);
    EXPECT_EQ(chart.Xinterval(), 10);
    EXPECT_DOUBLE_EQ(chart.Zoom(), 100.0);
    EXPECT_EQ(chart.Detail(), 2);
    EXPECT_EQ(chart.ChartType(), Tcharttype::Zsmith);
    EXPECT_DOUBLE_EQ(chart.Impedance(), 0.0);
    EXPECT_DOUBLE_EQ(chart.LYmin(), -50.0);
    EXPECT_DOUBLE_EQ(chart.LYmax(), 0.0);
    EXPECT_DOUBLE_EQ(chart.RYmin(), -180.0);
    EXPECT_DOUBLE_EQ(chart.RYmax(), 180.0);
    EXPECT_DOUBLE_EQ(chart.Xmin(), 0.0);
    EXPECT_DOUBLE_EQ(chart.Xmax(), 10.0);
    EXPECT_FALSE(chart.ShowInfo());
    EXPECT_FALSE(chart.ShowLegend());
    EXPECT_FALSE(chart.ShowTitle());
    EXPECT_FALSE(chart.ShowZ0());
    EXPECT_EQ(chart.GridType(), 0);
    EXPECT_TRUE(chart.MarkerOptions().Empty());
    EXPECT_EQ(chart.markerDigits(), 3);
    EXPECT_FALSE(chart.DataChanged());
    EXPECT_FALSE(chart.OnCurveChanged);
    EXPECT_FALSE(chart.OnPointChanged);
    EXPECT_FALSE(chart.OnDataChanged);
    EXPECT_DOUBLE_EQ(chart.View().CentreValueX, 5.0);
    EXPECT_DOUBLE_EQ(chart.View().CentreValueY, -25.0);
    EXPECT_DOUBLE_EQ(chart.View().ZoomY, 100.0);
    EXPECT_EQ(chart.PointerState().SelectedCurve, kNone);
    EXPECT_EQ(chart.PointerState().SelectedPoint, kNone);
    EXPECT_EQ(chart.Layout().ChartRadius, 0);
}

// Catches setters that repaint too much, too little or ignore Autoupdate:
// each property belongs to one class (invalidate, paint at once, reset view,
// or plain store).
TEST(SmithChartProperties, SetterClasses)
{
    FakeHost host;
    TSmithChart chart(&host);

    const std::vector<std::function<void()>> invalidating {
        [&] {
            chart.SetTitleFont(TChartFont { "Courier", 12, fsBold, clBlue });
        },
        [&] {
            chart.SetAnnotationFont(TChartFont { "Courier", 8, 0, clRed });
        },
        [&] { chart.SetShowmarkers(true); },
        [&] { chart.SetShowRightAxis(true); },
        [&] { chart.SetColouredTraces(true); },
        [&] { chart.SetMargin(5); },
    };
    for (const auto& set : invalidating) {
        host.Reset();
        set();
        EXPECT_EQ(host.invalidates, 1);
        EXPECT_EQ(host.paints, 0);
    }
    EXPECT_EQ(chart.TitleFont().Name, "Courier");
    EXPECT_EQ(chart.AnnotationFont().Size, 8);

    const std::vector<std::function<void()>> painting {
        [&] { chart.SetZoom(150); },
        [&] { chart.SetDetail(3); },
    };
    for (const auto& set : painting) {
        host.Reset();
        set();
        EXPECT_EQ(host.invalidates, 0);
        EXPECT_EQ(host.paints, 1);
    }
    EXPECT_DOUBLE_EQ(chart.Zoom(), 150.0);

    const std::vector<std::function<void()>> resetting {
        [&] { chart.SetLYmin(-40); },
        [&] { chart.SetLYmax(10); },
        [&] { chart.SetXmin(1); },
        [&] { chart.SetXmax(3); },
    };
    for (const auto& set : resetting) {
        chart.View().Zoom = 300;
        chart.View().PanX = 0.5;
        host.Reset();
        set();
        EXPECT_EQ(host.paints, 1);
        EXPECT_DOUBLE_EQ(chart.View().Zoom, 100.0);
        EXPECT_DOUBLE_EQ(chart.View().PanX, 0.0);
    }
    EXPECT_DOUBLE_EQ(chart.View().CentreValueX, 2.0);
    EXPECT_DOUBLE_EQ(chart.View().CentreValueY, -15.0);

    const std::vector<std::function<void()>> plain {
        [&] { chart.SetUnits("GHz"); },
        [&] { chart.SetLineWidth(2); },
        [&] { chart.SetBackgroundColor(clYellow); },
        [&] { chart.SetBorderColor(clSilver); },
        [&] { chart.SetTitle("T"); },
        [&] { chart.SetGraphColor(clNavy); },
        [&] { chart.SetDigits(4); },
        [&] { chart.SetImpedance(50); },
        [&] { chart.SetRYmin(-90); },
        [&] { chart.SetRYmax(90); },
        [&] { chart.SetShowInfo(true); },
        [&] { chart.SetGridType(2); },
        [&] {
            chart.SetMarkerOptions({ TMopts::moMA, TMopts::moRX });
        },
        [&] { chart.SetmarkerDigits(5); },
        [&] { chart.SetLeftMargin(17); },
    };
    for (const auto& set : plain) {
        host.Reset();
        set();
        EXPECT_EQ(host.invalidates + host.paints, 0);
    }
    EXPECT_TRUE(chart.MarkerOptions().Contains(TMopts::moRX));
    EXPECT_FALSE(chart.MarkerOptions().Contains(TMopts::moNorm));
}

// Catches setters that repaint or reset while Autoupdate is off, and a chart
// type change that keeps a stale reference point or view.
TEST(SmithChartProperties, AutoupdateOffAndChartType)
{
    FakeHost host;
    TSmithChart chart(&host);
    chart.SetAutoupdate(false);
    chart.View().Zoom = 250;
    chart.SetShowmarkers(true);
    chart.SetZoom(300);
    chart.SetXmax(20);
    EXPECT_EQ(host.invalidates + host.paints, 0);
    EXPECT_DOUBLE_EQ(chart.Zoom(), 300.0); // no reset
    EXPECT_DOUBLE_EQ(chart.Xmax(), 20.0);

    chart.PointerState().RefSet = true;
    chart.SetChartType(Tcharttype::Logmag);
    EXPECT_EQ(chart.ChartType(), Tcharttype::Logmag);
    EXPECT_FALSE(chart.PointerState().RefSet);
    EXPECT_DOUBLE_EQ(chart.Zoom(), 100.0);
    EXPECT_DOUBLE_EQ(chart.View().CentreValueX, 10.0);
    EXPECT_EQ(host.paints, 1);
}

// Catches a Margin setter that stores refused values or skips the pixel
// margins, and pixel margins that do not follow the control's width.
TEST(SmithChartProperties, MarginPercentAndPixels)
{
    TSmithChart chart;
    chart.Resize(500, 300);
    chart.SetMargin(50); // refused
    EXPECT_DOUBLE_EQ(chart.Margin(), 2.0);
    EXPECT_EQ(chart.LeftMargin(), 10);
    EXPECT_EQ(chart.BottomMargin(), 10);
    chart.SetMargin(-1);
    EXPECT_DOUBLE_EQ(chart.Margin(), 2.0);
    chart.SetMargin(4.5);
    EXPECT_DOUBLE_EQ(chart.Margin(), 4.5);
    EXPECT_EQ(chart.TopMargin(), 22); // 22.5 rounds to even
    chart.SetMargin(std::numeric_limits<double>::quiet_NaN());
    EXPECT_DOUBLE_EQ(chart.Margin(), 4.5);
}

// Catches a resize that keeps the old zoom or pan, and a displayed range
// that is not what the rectangular views show.
TEST(SmithChartProperties, ResizeResetsViewAndRangesReadDisplayed)
{
    FakeHost host;
    TSmithChart chart(&host);
    int resized = 0;
    chart.OnResize = [&](TSmithChart&) { ++resized; };
    chart.View().Zoom = 40;
    chart.View().ZoomY = 50;
    chart.View().PanX = 0.3;
    chart.View().PanY = -0.2;
    chart.View().CentreValueY = -10;
    // Reading gives the zoomed window around the centre value.
    EXPECT_DOUBLE_EQ(chart.LYmin(), -22.5);
    EXPECT_DOUBLE_EQ(chart.LYmax(), 2.5);
    EXPECT_DOUBLE_EQ(chart.BaseLYmin(), -50.0);

    chart.Resize(640, 480);
    EXPECT_EQ(resized, 1);
    EXPECT_EQ(chart.Width(), 640);
    EXPECT_DOUBLE_EQ(chart.View().Zoom, 100.0);
    EXPECT_DOUBLE_EQ(chart.View().ZoomY, 100.0);
    EXPECT_DOUBLE_EQ(chart.View().PanX, 0.0);
    EXPECT_DOUBLE_EQ(chart.View().PanY, 0.0);
    EXPECT_DOUBLE_EQ(chart.LYmin(), -50.0);
    EXPECT_DOUBLE_EQ(chart.LYmax(), 0.0);
    EXPECT_EQ(host.paints, 1);
}

// Catches a broken trace colour cycle or symbol cycle.
TEST(SmithChartRoutines, NextColourAndSymbolCycles)
{
    const TColor first[] = { clBlack, clMaroon, clGreen, clOlive, clNavy, clPurple, clTeal, clGray, clSilver, clAqua,
        clYellow, clBlack };
    for (std::size_t i = 0; i + 1 < std::size(first); ++i)
        EXPECT_EQ(NextColour(first[i]), first[i + 1]) << i;
    const TColor second[] = { clRed, clLime, clFuchsia, clBlue, clBlack };
    for (std::size_t i = 0; i + 1 < std::size(second); ++i)
        EXPECT_EQ(NextColour(second[i]), second[i + 1]) << i;
    EXPECT_EQ(NextColour(clWhite), clRed);
    EXPECT_EQ(NextColour(RGBColor(1, 2, 3)), clRed);

    int n = 0;
    for (int i = 0; i < 5; ++i)
        n = NextSymbol(n);
    EXPECT_EQ(n, 5);
    EXPECT_EQ(NextSymbol(5), 0);
    EXPECT_EQ(IntMax(3, -2), 3);
    EXPECT_EQ(IntMin(3, -2), -2);
    EXPECT_DOUBLE_EQ(DoubleMax(0.5, 1.5), 1.5);
}

// Catches curves that start visible, a FindCurve that returns the first of
// two equal names, and curve routines that read past the list.
TEST(SmithChartCurves, AddFindAndBadIndices)
{
    TSmithChart chart;
    EXPECT_EQ(chart.PointCount(), 0); // no curve at all
    EXPECT_EQ(chart.AddCurve("S11", clRed), 0);
    EXPECT_EQ(chart.AddCurve("S21", clLime), 1);
    EXPECT_EQ(chart.AddCurve("S21", clBlue), 2);
    EXPECT_FALSE(chart.CurveAt(1)->Enabled);
    EXPECT_DOUBLE_EQ(chart.CurveAt(1)->OffsetX, 0.0);
    EXPECT_EQ(chart.FindCurve("S21"), 2);
    EXPECT_EQ(chart.FindCurve("s21"), -1);
    EXPECT_EQ(chart.FindCurve("S12"), -1);

    chart.SetCurveVisible(1, true);
    EXPECT_TRUE(chart.CurveAt(1)->Enabled);
    chart.SetCurveVisible(3, true);
    chart.SetCurveVisible(-1, true);

    std::string name = "x";
    TColor colour = clGray;
    chart.GetCurveInfo(1, name, colour);
    EXPECT_EQ(name, "S21");
    EXPECT_EQ(colour, clLime);
    chart.GetCurveInfo(7, name, colour);
    EXPECT_EQ(name, "");
    EXPECT_EQ(colour, clLime); // left alone

    chart.AddPoint(5, 1, 1, 0);
    chart.AddPoint(-1, 1, 1, 0);
    EXPECT_EQ(chart.CurveAt(0)->Points.size(), 0u);
    chart.SetCurveOffset(9, 1, 1);
    chart.SetCurveOffset(0, 0.25, -0.5);
    EXPECT_DOUBLE_EQ(chart.CurveAt(0)->OffsetY, -0.5);
    EXPECT_EQ(chart.CurveAt(3), nullptr);
    EXPECT_EQ(chart.PointAt(0, 0), nullptr);
}

// Catches points whose rectangular form does not follow magnitude and angle,
// and non-finite conversion results being stored into points.
TEST(SmithChartCurves, PointsKeepRectangularFormAndStayFinite)
{
    TSmithChart chart;
    chart.AddCurve("S11", clRed);
    chart.AddPoint(0, 2.5, 0.5, 90);
    const TPoint p = Pt(chart, 0, 0);
    EXPECT_NEAR(p.Re, 0.0, 1e-16);
    EXPECT_NEAR(p.Im, 0.5, 1e-16);

    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    chart.AddPoint(0, 3, inf, nan);
    const TPoint q = Pt(chart, 0, 1);
    EXPECT_EQ(chart.PointCount(), 2); // kept, so curves stay aligned by index
    EXPECT_TRUE(std::isfinite(q.Mag) && std::isfinite(q.Angle) && std::isfinite(q.Re) && std::isfinite(q.Im));

    chart.SetPoint(0, 0, 2.5, nan, 10);
    EXPECT_DOUBLE_EQ(Pt(chart, 0, 0).Mag, 0.5); // refused, unchanged

    double f = -1, m = -1, a = -1, re = -1, im = -1;
    EXPECT_FALSE(chart.GetPoint(0, 2, f, m, a, re, im));
    EXPECT_FALSE(chart.GetPoint(0, -1, f, m, a, re, im));
    EXPECT_FALSE(chart.GetPoint(4, 0, f, m, a, re, im));
    EXPECT_DOUBLE_EQ(f + m + a + re + im, -5.0);
    EXPECT_TRUE(chart.GetPoint(0, 0, f, m, a, re, im));
    EXPECT_DOUBLE_EQ(f, 2.5);
    EXPECT_NEAR(im, 0.5, 1e-16);
}

// Catches an edit that does not set the data-changed flag or fire the event
// (the viewer asks about saving from it), including the past-the-end case.
TEST(SmithChartCurves, SetPointFlagsDataChanged)
{
    TSmithChart chart;
    Fill(chart, 1, 3);
    int fired = 0;
    chart.OnDataChanged = [&](TSmithChart& sender) {
        EXPECT_EQ(&sender, &chart);
        ++fired;
    };
    chart.SetPoint(0, 1, 7, 0.7, 180);
    EXPECT_TRUE(chart.DataChanged());
    EXPECT_EQ(fired, 1);
    EXPECT_NEAR(Pt(chart, 0, 1).Re, -0.7, 1e-15);

    chart.SetDataChanged(false);
    chart.SetPoint(0, 3, 1, 1, 1); // past the end: no point changes
    EXPECT_TRUE(chart.DataChanged());
    EXPECT_EQ(fired, 2);
    EXPECT_EQ(chart.PointCount(), 3);

    chart.SetDataChanged(false);
    chart.SetPoint(2, 0, 1, 1, 1); // no such curve: nothing at all
    EXPECT_FALSE(chart.DataChanged());
    EXPECT_EQ(fired, 2);
}

// Catches InsertPoint reading past the end or averaging the wrong
// neighbours, and markers or the reference point left on the wrong points.
TEST(SmithChartCurves, InsertPointAveragesAndShiftsMarkers)
{
    FakeHost host;
    TSmithChart chart(&host);
    Fill(chart, 2, 3); // points (1, .1, 0), (2, .2, 10), (3, .3, 20)
    chart.Markers().push_back({ 0, 0, 0 });
    chart.Markers().push_back({ 1, 2, 3 });
    chart.PointerState().RefSet = true;
    chart.PointerState().RefCurve = 1;
    chart.PointerState().RefPoint = 1;

    chart.InsertPoint(1);
    EXPECT_EQ(chart.PointCount(), 4);
    TPoint p = Pt(chart, 1, 1);
    EXPECT_DOUBLE_EQ(p.Freq, 1.5);
    EXPECT_NEAR(p.Mag, 0.15, 1e-15);
    EXPECT_DOUBLE_EQ(p.Angle, 5.0);
    EXPECT_DOUBLE_EQ(Pt(chart, 1, 2).Freq, 2.0);
    EXPECT_EQ(chart.Markers()[0].Point, 0);
    EXPECT_EQ(chart.Markers()[1].Point, 3);
    EXPECT_EQ(chart.Markers()[1].Direction, 3);
    EXPECT_EQ(chart.PointerState().RefPoint, 2);
    EXPECT_TRUE(chart.DataChanged());

    chart.InsertPoint(0); // half of the old first point
    p = Pt(chart, 0, 0);
    EXPECT_DOUBLE_EQ(p.Freq, 0.5);
    EXPECT_NEAR(p.Mag, 0.05, 1e-15);
    EXPECT_DOUBLE_EQ(p.Angle, 0.0);
    EXPECT_EQ(chart.Markers()[0].Point, 1);

    chart.InsertPoint(chart.PointCount()); // at the end: a copy of the last point
    EXPECT_EQ(chart.PointCount(), 6);
    p = Pt(chart, 0, 5);
    EXPECT_DOUBLE_EQ(p.Freq, 3.0);
    EXPECT_NEAR(p.Mag, 0.3, 1e-15);
    EXPECT_DOUBLE_EQ(p.Angle, 20.0);

    chart.InsertPoint(7); // beyond the end: nothing
    chart.InsertPoint(-1);
    EXPECT_EQ(chart.PointCount(), 6);
    EXPECT_EQ(chart.CurveAt(1)->Points.size(), 6u);

    // Neighbours either side of 180 degrees: the new point lies between
    // them, not on the opposite side of the chart.
    chart.SetPoint(0, 1, 1, 0.1, 170);
    chart.SetPoint(0, 2, 2, 0.1, -170);
    chart.InsertPoint(2);
    EXPECT_DOUBLE_EQ(Pt(chart, 0, 2).Angle, 180.0);
}

// Catches DeletePoint leaving markers or the reference on a deleted point or
// on the neighbour that moved into its place.
TEST(SmithChartCurves, DeletePointDropsAndShiftsMarkers)
{
    TSmithChart chart;
    Fill(chart, 2, 4);
    chart.Markers().push_back({ 0, 1, 0 });
    chart.Markers().push_back({ 1, 1, 2 });
    chart.Markers().push_back({ 1, 3, 4 });
    chart.Markers().push_back({ 0, 0, 5 });
    chart.PointerState().RefSet = true;
    chart.PointerState().RefPoint = 3;
    chart.PointerState().SelectedCurve = 0;
    chart.PointerState().SelectedPoint = 1;

    chart.DeletePoint(1);
    EXPECT_EQ(chart.PointCount(), 3);
    EXPECT_EQ(chart.CurveAt(1)->Points.size(), 3u);
    EXPECT_DOUBLE_EQ(Pt(chart, 1, 1).Freq, 3.0);
    ASSERT_EQ(chart.Markers().size(), 2u);
    EXPECT_EQ(chart.Markers()[0].Point, 2);
    EXPECT_EQ(chart.Markers()[0].Direction, 4);
    EXPECT_EQ(chart.Markers()[1].Point, 0);
    EXPECT_EQ(chart.FindMarker(1, 2), 0);
    EXPECT_EQ(chart.FindMarker(0, 1), -1);
    EXPECT_TRUE(chart.PointerState().RefSet);
    EXPECT_EQ(chart.PointerState().RefPoint, 2);
    EXPECT_EQ(chart.PointerState().SelectedPoint, kNone);

    chart.DeletePoint(2); // the reference point itself
    EXPECT_FALSE(chart.PointerState().RefSet);
    EXPECT_TRUE(chart.Markers().size() == 1u && chart.Markers()[0].Point == 0);

    chart.DeletePoint(5);
    chart.DeletePoint(-1);
    EXPECT_EQ(chart.PointCount(), 2);
}

// Catches ClearCurves leaving markers, the reference point or a selection
// behind that would index into the next file's curves.
TEST(SmithChartCurves, ClearCurvesForgetsEverythingAboutThem)
{
    FakeHost host;
    TSmithChart chart(&host);
    Fill(chart, 3, 5);
    chart.Markers().push_back({ 2, 4, 0 });
    auto& s = chart.PointerState();
    s.RefSet = true;
    s.RefCurve = 2;
    s.RefPoint = 4;
    s.SelectedCurve = 2;
    s.SelectedPoint = 4;
    s.ReportedCurve = 2;
    s.HitFound = true;

    chart.ClearCurves();
    EXPECT_EQ(chart.CurveCount(), 0);
    EXPECT_EQ(chart.PointCount(), 0);
    EXPECT_TRUE(chart.Markers().empty());
    EXPECT_FALSE(s.RefSet);
    EXPECT_FALSE(s.HitFound);
    EXPECT_EQ(s.SelectedCurve, kNone);
    EXPECT_EQ(s.ReportedCurve, kNone);
    EXPECT_EQ(host.paints, 1); // ClearMarkers paints
    int curve = 0, point = 0;
    chart.GetSelectedPoint(curve, point);
    EXPECT_EQ(curve, kNone);
    EXPECT_EQ(point, kNone);
}

// Catches zoom falling below its floor, and pan steps computed from a
// radius or plot size of zero (before the first drawing).
TEST(SmithChartView, PanAndZoomByDrag)
{
    FakeHost host;
    TSmithChart chart(&host);
    chart.MouseDown(TMouseButton::mbRight, ssShift | ssRight, 100, 100);
    chart.ZoomBy(200, 0);
    EXPECT_DOUBLE_EQ(chart.View().Zoom, 10.0);
    chart.ZoomBy(-50, 20);
    EXPECT_DOUBLE_EQ(chart.View().Zoom, 150.0);
    EXPECT_DOUBLE_EQ(chart.View().ZoomY, 80.0);

    chart.PanBy(30, 40); // nothing drawn yet: no radius
    EXPECT_DOUBLE_EQ(chart.View().PanX, 0.0);
    chart.Layout().ChartRadius = -60; // admittance chart: mirrored
    chart.PanBy(30, 0);
    EXPECT_DOUBLE_EQ(chart.View().PanX, -0.5);
    EXPECT_DOUBLE_EQ(chart.View().PanY, 0.0);

    chart.SetChartType(Tcharttype::GridU);
    chart.MouseDown(TMouseButton::mbLeft, ssShift | ssLeft, 0, 0);
    chart.PanBy(10, 10); // no plot size yet
    EXPECT_DOUBLE_EQ(chart.View().CentreValueX, 5.0);
    chart.Layout().PlotWidth = 100;
    chart.Layout().PlotHeight = 50;
    chart.MouseMove(ssShift | ssLeft, 10, -5);
    EXPECT_DOUBLE_EQ(chart.View().CentreValueX, 4.0); // 5 - 10 * 100 * 10 / (100 * 100)
    EXPECT_DOUBLE_EQ(chart.View().CentreValueY, -30.0); // -25 + 50 * 100 * -5 / (50 * 100)
}

// Catches a drawing entry that does not take over the margins it is given
// or leaves the area outside the chart unpainted.
TEST(SmithChartView, DrawChartStoresMarginsAndFillsTheArea)
{
    TSmithChart chart;
    chart.SetBorderColor(clSilver);
    TRecordingCanvas canvas;
    chart.DrawChart(canvas, 300, 200, 11, 12, 13, 14);
    EXPECT_EQ(chart.LeftMargin(), 11);
    EXPECT_EQ(chart.RightMargin(), 12);
    EXPECT_EQ(chart.TopMargin(), 13);
    EXPECT_EQ(chart.BottomMargin(), 14);
    const auto rects = canvas.OpsOf(TCanvasOp::Rectangle);
    ASSERT_FALSE(rects.empty());
    EXPECT_EQ(rects[0].x1, 0);
    EXPECT_EQ(rects[0].y1, 0);
    EXPECT_EQ(rects[0].x2, 300);
    EXPECT_EQ(rects[0].y2, 200);
    EXPECT_EQ(rects[0].brush.Color, clSilver);
    EXPECT_EQ(rects[0].brush.Style, TBrushStyle::bsSolid);
}
