// The Smith chart's pointer interaction driven as plain calls, with the
// layout coming from real drawings on the recording canvas.

#include "viewer/components/recordingcanvas.h"
#include "viewer/components/smithchart.h"
#include "viewer/components/smithchart_values.h"
#include "viewer/components/vectormath.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

using namespace viewer;
using namespace viewer::smith;

namespace {

// A control that redraws the chart for the screen whenever the model asks
// for a paint, as the widget does, and records what else it is asked.
struct TestHost : TChartHost {
    TSmithChart* chart = nullptr;
    TRecordingCanvas canvas;
    int W = 400;
    int H = 300;
    int paints = 0;
    int marksChanged = 0;
    int popups = 0;
    int popupX = 0;
    int popupY = 0;
    int asks = 0;
    bool answer = false;
    std::string askedText;
    std::string askedCaption;

    void Invalidate() override { }
    void PaintNow() override
    {
        ++paints;
        if (chart) {
            canvas.Clear();
            chart->DrawChart(canvas, W, H, 0, 0, 0, 0, TDrawTarget::dtScreen);
        }
    }
    void PopupMenuAt(int x, int y) override
    {
        ++popups;
        popupX = x;
        popupY = y;
    }
    bool AskYesNo(const std::string& text, const std::string& caption) override
    {
        ++asks;
        askedText = text;
        askedCaption = caption;
        return answer;
    }
    void HoverMarksChanged() override { ++marksChanged; }
};

struct PointEvent {
    double Freq, Mag, Angle, Re, Im;
};
struct CurveEvent {
    int curve;
    std::string name;
    TColor col;
};

// A chart in a control 400 x 300, drawn once, with its events recorded.
struct Fixture {
    TestHost host;
    TSmithChart chart;
    std::vector<PointEvent> points;
    std::vector<CurveEvent> curves;
    int dataChanged = 0;

    explicit Fixture(Tcharttype view = Tcharttype::Zsmith, bool wire = true)
        : chart(&host)
    {
        host.chart = &chart;
        chart.SetColouredTraces(true);
        chart.SetChartType(view);
        if (wire) {
            chart.OnPointChanged = [this](TSmithChart&, double f, double m, double a, double re, double im) {
                points.push_back({ f, m, a, re, im });
            };
            chart.OnCurveChanged = [this](TSmithChart&, int c, const std::string& n, TColor col) {
                curves.push_back({ c, n, col });
            };
        }
        chart.OnDataChanged = [this](TSmithChart&) { ++dataChanged; };
    }
    void Redraw() { host.PaintNow(); }
    // Where the drawing put the vertices of the curve drawn in this colour.
    std::vector<TCanvasPoint> Drawn(TColor colour) const
    {
        std::vector<TCanvasPoint> out;
        bool clipped = false;
        for (const TCanvasOp& op : host.canvas.Ops()) {
            if (op.kind == TCanvasOp::Clip)
                clipped = true;
            if (!clipped || op.kind != TCanvasOp::Polyline || op.pen.Color != colour)
                continue;
            for (const TCanvasPoint& p : op.points)
                if (out.empty() || !(out.back() == p))
                    out.push_back(p);
        }
        return out;
    }
    // The pixel the chart maps a point of its curves to.
    TCanvasPoint PixelOf(int curve, int index) const
    {
        const TPoint* p = chart.PointAt(curve, index);
        EXPECT_NE(p, nullptr);
        double x = 0, y = 0;
        chart.PlottedValue(*p, x, y);
        TCanvasPoint px;
        EXPECT_TRUE(chart.ValueToPixel(x, y, px.x, px.y));
        return px;
    }
    void Hover(TCanvasPoint p) { chart.MouseMove(0, p.x, p.y); }
    void Click(TMouseButton b, TShiftState keys, TCanvasPoint p)
    {
        const TShiftState held = b == TMouseButton::mbLeft ? ssLeft : ssRight;
        chart.MouseDown(b, keys | held, p.x, p.y);
        chart.MouseUp(b, keys, p.x, p.y);
    }
};

TPoint Pt(const TSmithChart& chart, int curve, int index)
{
    const TPoint* p = chart.PointAt(curve, index);
    EXPECT_NE(p, nullptr);
    return p ? *p : TPoint {};
}

// Eight points spiralling in, far enough apart on the screen not to share a
// hover box.
int AddSpiral(TSmithChart& chart, const std::string& name, TColor colour, double freq0 = 1.0)
{
    const int c = chart.AddCurve(name, colour);
    for (int i = 0; i < 8; ++i)
        chart.AddPoint(c, freq0 + i, 0.9 - 0.1 * i, -170.0 + 45.0 * i);
    chart.SetCurveVisible(c, true);
    return c;
}

} // namespace

// Catches a hit test whose pixel-to-value mapping differs from where the
// circular views draw the points (zoom, pan, the mirrored admittance chart).
TEST(SmithPointerHitTest, FindsEveryDrawnPointInTheCircularViews)
{
    for (Tcharttype view : { Tcharttype::Zsmith, Tcharttype::Ysmith, Tcharttype::Polar }) {
        SCOPED_TRACE(static_cast<int>(view));
        Fixture f(view);
        AddSpiral(f.chart, "S11", clRed);
        f.chart.View().Zoom = 110;
        f.chart.View().PanX = 0.1;
        f.chart.View().PanY = -0.05;
        f.Redraw();
        const auto drawn = f.Drawn(clRed);
        ASSERT_EQ(drawn.size(), 8u);
        for (int i = 0; i < 8; ++i) {
            f.Hover(drawn[static_cast<std::size_t>(i)]);
            EXPECT_TRUE(f.chart.PointerState().HitFound) << i;
            EXPECT_EQ(f.chart.PointerState().SelectedPoint, i);
            EXPECT_EQ(f.PixelOf(0, i), drawn[static_cast<std::size_t>(i)]);
            ASSERT_FALSE(f.points.empty());
            const TPoint p = Pt(f.chart, 0, i);
            EXPECT_EQ(f.points.back().Freq, p.Freq);
            EXPECT_EQ(f.points.back().Mag, p.Mag);
            EXPECT_EQ(f.points.back().Re, p.Re);
        }
        // Nine pixels off still finds it; eleven does not.
        const TCanvasPoint p3 = drawn[3];
        f.chart.MouseMove(0, p3.x + 9, p3.y - 9);
        EXPECT_EQ(f.chart.PointerState().SelectedPoint, 3);
        f.chart.MouseMove(0, p3.x + 11, p3.y);
        EXPECT_FALSE(f.chart.PointerState().HitFound);
    }
}

// Catches a rectangular hit test that compares with other values than the
// view plots (dB, resistance, reactance, -174 dB for a magnitude of 0) or is
// blocked because only the circular views set a radius.
TEST(SmithPointerHitTest, FindsEveryDrawnPointInTheRectangularViews)
{
    for (Tcharttype view :
        { Tcharttype::Logmag, Tcharttype::GridU, Tcharttype::GridV, Tcharttype::GridR, Tcharttype::GridX }) {
        SCOPED_TRACE(static_cast<int>(view));
        Fixture f(view);
        const int c = f.chart.AddCurve("S21", clBlue);
        const double mags[] = { 0.0, 0.3, 0.6, 0.2, 0.5, 0.4 };
        const double angles[] = { 0.0, 60.0, -40.0, 150.0, -120.0, 10.0 };
        for (int i = 0; i < 6; ++i)
            f.chart.AddPoint(c, 1.0 + 1.6 * i, mags[i], angles[i]);
        f.chart.SetCurveVisible(c, true);
        if (view == Tcharttype::Logmag) {
            f.chart.SetLYmin(-200);
            f.chart.SetLYmax(0);
        } else {
            f.chart.SetLYmin(-2);
            f.chart.SetLYmax(2);
        }
        f.chart.SetXmin(0);
        f.chart.SetXmax(10);
        ASSERT_EQ(f.chart.Layout().ChartRadius, 0);
        const auto drawn = f.Drawn(clBlue);
        ASSERT_EQ(drawn.size(), 6u);
        for (int i = 0; i < 6; ++i) {
            f.Hover(drawn[static_cast<std::size_t>(i)]);
            EXPECT_EQ(f.chart.PointerState().SelectedPoint, i);
            EXPECT_EQ(f.PixelOf(c, i), drawn[static_cast<std::size_t>(i)]);
        }
        EXPECT_EQ(f.points.size(), 6u);
    }
}

// Catches hover and clicks acting on a layout that no drawing has made:
// nothing may be found and no event may fire.
TEST(SmithPointerHitTest, NothingHappensBeforeTheFirstDrawing)
{
    for (Tcharttype view : { Tcharttype::Zsmith, Tcharttype::GridU }) {
        TSmithChart chart; // no control: nothing is ever drawn
        chart.SetChartType(view);
        AddSpiral(chart, "S11", clRed);
        int events = 0;
        chart.OnCurveChanged = [&](TSmithChart&, int, const std::string&, TColor) { ++events; };
        chart.OnPointChanged = [&](TSmithChart&, double, double, double, double, double) { ++events; };
        chart.MouseMove(0, 100, 75);
        chart.MouseDown(TMouseButton::mbLeft, ssLeft, 100, 75);
        chart.MouseUp(TMouseButton::mbLeft, 0, 100, 75);
        EXPECT_EQ(events, 0);
        EXPECT_FALSE(chart.PointerState().HitFound);
        EXPECT_TRUE(chart.Markers().empty());
    }
}

// Catches the wrong point winning when two lie in one hover box: the nearer
// one in x wins; at equal distance the first in curve order stays.
TEST(SmithPointerHitTest, NearestWinsAndTiesKeepTheFirst)
{
    Fixture f(Tcharttype::Polar);
    const int a = f.chart.AddCurve("A", clRed);
    const int b = f.chart.AddCurve("B", clBlue);
    f.chart.SetCurveVisible(a, true);
    f.chart.SetCurveVisible(b, true);
    // Exact binary values: radius 64 at (100, 100).
    TSmithLayout& l = f.chart.Layout();
    l.ChartRadius = 64;
    l.ChartCentreX = 100;
    l.ChartCentreY = 100;
    f.chart.AddPoint(a, 1, 2.0 / 64, 0); // pixel (102, 100)
    f.chart.AddPoint(b, 2, 5.0 / 64, 0); // pixel (105, 100)
    f.chart.MouseMove(0, 104, 100);
    EXPECT_EQ(f.chart.PointerState().SelectedCurve, b);
    f.chart.MouseMove(0, 103, 100);
    EXPECT_EQ(f.chart.PointerState().SelectedCurve, a);
    // Midway between two points: the earlier curve keeps it.
    f.chart.AddPoint(b, 3, 4.0 / 64, 0); // pixel (104, 100)
    f.chart.MouseMove(0, 103, 102);
    EXPECT_EQ(f.chart.PointerState().SelectedCurve, a);
    EXPECT_EQ(f.chart.PointerState().HitX, 2.0 / 64);
    // A hidden curve is never found.
    f.chart.SetCurveVisible(a, false);
    f.chart.MouseMove(0, 102, 100);
    EXPECT_EQ(f.chart.PointerState().SelectedCurve, b);
}

// Catches a frequency range that runs backwards making every point
// unreachable (a negative tolerance).
TEST(SmithPointerHitTest, BackwardsFrequencyRangeStillHits)
{
    Fixture f(Tcharttype::GridU);
    const int c = AddSpiral(f.chart, "S11", clRed);
    f.chart.SetXmin(10);
    f.chart.SetXmax(0);
    f.chart.SetLYmin(-1);
    f.chart.SetLYmax(1);
    ASSERT_LT(f.chart.Layout().ShownXrange, 0.0);
    f.Hover(f.PixelOf(c, 2));
    EXPECT_TRUE(f.chart.PointerState().HitFound);
    EXPECT_EQ(f.chart.PointerState().SelectedPoint, 2);
}

// Catches curve and point events fired too often, too rarely or with the
// wrong arguments when the pointer leaves and comes back.
TEST(SmithPointerEvents, CurveAndPointReportedOnChangeOnly)
{
    Fixture f;
    AddSpiral(f.chart, "S11", clRed);
    const int s21 = AddSpiral(f.chart, "S21", clGreen, 20.0);
    f.Redraw();
    f.chart.SetCurveVisible(0, false);
    const TCanvasPoint p = f.PixelOf(s21, 1);
    f.Hover(p);
    f.Hover({ p.x + 1, p.y });
    ASSERT_EQ(f.curves.size(), 1u);
    EXPECT_EQ(f.curves[0].curve, s21);
    EXPECT_EQ(f.curves[0].name, "S21");
    EXPECT_EQ(f.curves[0].col, clGreen);
    ASSERT_EQ(f.points.size(), 1u);
    EXPECT_EQ(f.points[0].Freq, 21.0);

    f.chart.MouseMove(0, 2, 2); // off every point
    f.chart.MouseMove(0, 3, 2);
    ASSERT_EQ(f.curves.size(), 2u);
    EXPECT_EQ(f.curves[1].curve, kNone);
    EXPECT_EQ(f.curves[1].name, " ");
    EXPECT_EQ(f.curves[1].col, clSilver);
    f.Hover(p); // the same point again is reported afresh
    EXPECT_EQ(f.curves.size(), 3u);
    EXPECT_EQ(f.points.size(), 2u);

    // Without a curve handler the point stays reported.
    Fixture g(Tcharttype::Zsmith, false);
    const int c = AddSpiral(g.chart, "S11", clRed);
    int pointEvents = 0;
    g.chart.OnPointChanged = [&](TSmithChart&, double, double, double, double, double) { ++pointEvents; };
    g.Redraw();
    g.Hover(g.PixelOf(c, 4));
    g.chart.MouseMove(0, 2, 2);
    g.Hover(g.PixelOf(c, 4));
    EXPECT_EQ(pointEvents, 1);
}

// Catches marker clicks that do not toggle, and a flag that turns the wrong
// way while it is dragged.
TEST(SmithPointerMarkers, ClickTogglesAndDragTurnsTheFlag)
{
    Fixture f;
    const int c = AddSpiral(f.chart, "S11", clRed);
    f.Redraw();
    const TCanvasPoint p = f.PixelOf(c, 5);
    f.chart.MouseDown(TMouseButton::mbLeft, ssLeft, p.x, p.y);
    ASSERT_EQ(f.chart.Markers().size(), 1u);
    EXPECT_EQ(f.chart.Markers()[0].Curve, c);
    EXPECT_EQ(f.chart.Markers()[0].Point, 5);
    EXPECT_EQ(f.chart.Markers()[0].Direction, 0);
    EXPECT_TRUE(f.chart.PointerState().MarkerDrag);

    struct Turn {
        int dx, dy, dir;
    };
    for (Turn t : { Turn { 0, -10, 0 }, Turn { 10, -10, 1 }, Turn { 10, 0, 2 }, Turn { 10, 10, 3 }, Turn { 0, 10, 4 },
             Turn { -10, 10, 5 }, Turn { -10, 0, 6 }, Turn { -10, -10, 7 }, Turn { 10, -4, 2 }, Turn { 10, -5, 1 } }) {
        const int paints = f.host.paints;
        f.chart.MouseMove(ssLeft, p.x + t.dx, p.y + t.dy);
        EXPECT_EQ(f.chart.Markers()[0].Direction, t.dir) << t.dx << "," << t.dy;
        EXPECT_EQ(f.host.paints, paints + 1);
    }
    f.chart.MouseUp(TMouseButton::mbLeft, 0, p.x, p.y);
    EXPECT_FALSE(f.chart.PointerState().MarkerDrag);
    f.chart.MouseMove(0, p.x + 10, p.y + 10);
    EXPECT_EQ(f.chart.Markers()[0].Direction, 1); // no longer turned

    f.Click(TMouseButton::mbLeft, 0, p);
    EXPECT_TRUE(f.chart.Markers().empty());
    f.Click(TMouseButton::mbLeft, 0, p);
    ASSERT_EQ(f.chart.Markers().size(), 1u);
    EXPECT_EQ(f.chart.Markers()[0].Direction, 0);
    // A click beside every point changes nothing.
    f.Click(TMouseButton::mbLeft, 0, { 1, 1 });
    EXPECT_EQ(f.chart.Markers().size(), 1u);
    // The flag drag of a marker list emptied meanwhile does nothing.
    f.chart.MouseDown(TMouseButton::mbLeft, ssLeft, f.PixelOf(c, 2).x, f.PixelOf(c, 2).y);
    f.chart.Markers().clear();
    f.chart.MouseMove(ssLeft, 0, 0);
    EXPECT_TRUE(f.chart.Markers().empty());
}

// Catches the point menu popping up off the points, or at the wrong place.
TEST(SmithPointerMarkers, RightClickOnAPointPopsUpTheMenu)
{
    Fixture f;
    const int c = AddSpiral(f.chart, "S11", clRed);
    f.Redraw();
    f.Click(TMouseButton::mbRight, 0, { 1, 1 });
    EXPECT_EQ(f.host.popups, 0);
    const TCanvasPoint p = f.PixelOf(c, 6);
    f.Click(TMouseButton::mbRight, 0, { p.x + 2, p.y });
    EXPECT_EQ(f.host.popups, 1);
    EXPECT_EQ(f.host.popupX, p.x + 2);
    int curve = 0, point = 0;
    f.chart.GetSelectedPoint(curve, point);
    EXPECT_EQ(curve, c);
    EXPECT_EQ(point, 6);
    EXPECT_TRUE(f.chart.Markers().empty());
}

// Catches reference differences taken the wrong way round, angles left
// outside -180..180, a Logmag ratio that divides by a magnitude of 0, and a
// reference that survives its point.
TEST(SmithPointerReference, ReportsDifferencesToTheReferencePoint)
{
    Fixture f;
    const int c = f.chart.AddCurve("S11", clRed);
    f.chart.AddPoint(c, 1.0, 0.5, 170.0);
    f.chart.AddPoint(c, 3.0, 0.8, -170.0);
    f.chart.AddPoint(c, 4.0, 0.0, 0.0);
    f.chart.SetCurveVisible(c, true);
    f.Redraw();
    f.Click(TMouseButton::mbLeft, ssCtrl, f.PixelOf(c, 0));
    const auto& s = f.chart.PointerState();
    ASSERT_TRUE(s.RefSet);
    EXPECT_EQ(s.RefCurve, c);
    EXPECT_EQ(s.RefPoint, 0);
    EXPECT_EQ(s.RefX, Pt(f.chart, c, 0).Re);
    EXPECT_TRUE(f.chart.Markers().empty()); // no marker by a Ctrl click

    f.Hover(f.PixelOf(c, 1));
    ASSERT_FALSE(f.points.empty());
    const PointEvent e = f.points.back();
    const TPoint p0 = Pt(f.chart, c, 0), p1 = Pt(f.chart, c, 1);
    EXPECT_DOUBLE_EQ(e.Freq, 2.0);
    EXPECT_DOUBLE_EQ(e.Mag, 0.8 - 0.5);
    EXPECT_DOUBLE_EQ(e.Angle, -20.0); // 170 - (-170) = 340, reduced by 360
    EXPECT_DOUBLE_EQ(e.Re, p1.Re - p0.Re);
    EXPECT_DOUBLE_EQ(e.Im, p1.Im - p0.Im);
    // The hover mark is a triangle now, and the reference is framed.
    EXPECT_TRUE(f.chart.HoverMarks().HitTriangle);
    EXPECT_TRUE(f.chart.HoverMarks().RefShown);

    // Logmag: the ratio; a reference of magnitude 0 counts as -174 dB.
    f.chart.SetChartType(Tcharttype::Logmag);
    EXPECT_FALSE(s.RefSet); // a change of view drops the reference
    f.chart.SetLYmin(-200);
    f.chart.SetLYmax(10);
    f.Click(TMouseButton::mbLeft, ssCtrl, f.PixelOf(c, 0));
    f.Hover(f.PixelOf(c, 1));
    EXPECT_DOUBLE_EQ(f.points.back().Mag, 0.8 / 0.5);
    f.Click(TMouseButton::mbLeft, ssCtrl, f.PixelOf(c, 2));
    EXPECT_EQ(s.RefPoint, 2);
    f.Hover(f.PixelOf(c, 1));
    EXPECT_TRUE(std::isfinite(f.points.back().Mag));
    EXPECT_NEAR(20 * std::log10(f.points.back().Mag), MagToDb(0.8) + 174.0, 1e-9);

    // A reference whose point is gone gives plain values again.
    f.chart.PointerState().RefPoint = 7;
    f.chart.MouseMove(0, 1, 1);
    f.Hover(f.PixelOf(c, 0));
    EXPECT_FALSE(s.RefSet);
    EXPECT_EQ(f.points.back().Mag, 0.5);

    // Ctrl + right clears, and so does an Alt press on a point.
    f.Click(TMouseButton::mbLeft, ssCtrl, f.PixelOf(c, 0));
    ASSERT_TRUE(s.RefSet);
    f.Click(TMouseButton::mbRight, ssCtrl, { 1, 1 });
    EXPECT_FALSE(s.RefSet);
    f.Click(TMouseButton::mbLeft, ssCtrl, f.PixelOf(c, 0));
    const int paints = f.host.paints;
    f.chart.MouseDown(TMouseButton::mbLeft, ssAlt | ssLeft, f.PixelOf(c, 1).x, f.PixelOf(c, 1).y);
    EXPECT_FALSE(s.RefSet);
    EXPECT_EQ(f.host.paints, paints);
}

// Catches hover marks drawn into the chart image, left behind by a paint,
// or drawn in the wrong place or shape.
TEST(SmithPointerHover, MarksFollowThePointerOverTheScreenOnly)
{
    Fixture f;
    const int c = AddSpiral(f.chart, "S11", clRed);
    f.Redraw();
    const TCanvasPoint p = f.PixelOf(c, 3);
    const int changes = f.host.marksChanged;
    f.Hover(p);
    EXPECT_GT(f.host.marksChanged, changes);
    const THoverMarks& m = f.chart.HoverMarks();
    ASSERT_TRUE(m.HitShown);
    EXPECT_FALSE(m.HitTriangle);
    EXPECT_EQ(m.HitX, p.x);
    EXPECT_EQ(m.HitY, p.y);
    TRecordingCanvas screen;
    f.chart.DrawHoverMarks(screen);
    const auto frames = screen.OpsOf(TCanvasOp::FrameRect);
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].x1, p.x - 3);
    EXPECT_EQ(frames[0].y1, p.y - 3);
    EXPECT_EQ(frames[0].x2, p.x + 4);
    EXPECT_EQ(frames[0].y2, p.y + 4);
    EXPECT_EQ(frames[0].brush.Color, clBlack);
    // Never into the chart image.
    EXPECT_TRUE(f.host.canvas.OpsOf(TCanvasOp::FrameRect).empty());

    f.chart.MouseMove(0, 1, 1);
    EXPECT_FALSE(m.HitShown);
    f.Hover(p);
    f.chart.Paint();
    EXPECT_FALSE(m.HitShown);

    // With a reference: a triangle on the point and a frame on the reference.
    f.Click(TMouseButton::mbLeft, ssCtrl, f.PixelOf(c, 0));
    f.Hover(p);
    screen.Clear();
    f.chart.DrawHoverMarks(screen);
    const auto tri = screen.OpsOf(TCanvasOp::Polyline);
    ASSERT_EQ(tri.size(), 1u);
    EXPECT_EQ(tri[0].points.front(), (TCanvasPoint { p.x - 3, p.y + 3 }));
    EXPECT_EQ(tri[0].points[2], (TCanvasPoint { p.x, p.y - 3 }));
    const auto ref = screen.OpsOf(TCanvasOp::FrameRect);
    ASSERT_EQ(ref.size(), 1u);
    EXPECT_EQ(ref[0].x1, f.PixelOf(c, 0).x - 3);
}

// Catches a point drag that does not follow the pointer, changes the
// frequency, or edits without the data-changed flag and event.
TEST(SmithPointerDrag, AltLeftMovesOnePointInTheCircle)
{
    Fixture f;
    const int c = AddSpiral(f.chart, "S11", clRed);
    f.Redraw();
    const TCanvasPoint p = f.PixelOf(c, 2);
    f.chart.MouseDown(TMouseButton::mbLeft, ssAlt | ssLeft, p.x, p.y);
    ASSERT_TRUE(f.chart.PointerState().PointDrag);
    EXPECT_TRUE(f.chart.Markers().empty());
    const TSmithLayout& l = f.chart.Layout();
    const int tx = l.ChartCentreX + 40, ty = l.ChartCentreY - 30;
    const std::size_t before = f.points.size();
    f.chart.MouseMove(ssAlt | ssLeft, tx, ty);
    const TPoint q = Pt(f.chart, c, 2);
    const double r = std::abs(l.ChartRadius);
    EXPECT_DOUBLE_EQ(q.Freq, 3.0);
    EXPECT_NEAR(q.Re, 40 / r, 1e-12);
    EXPECT_NEAR(q.Im, 30 / r, 1e-12);
    EXPECT_TRUE(f.chart.DataChanged());
    EXPECT_GE(f.dataChanged, 1);
    // The pressed point is reported while it moves.
    ASSERT_GT(f.points.size(), before);
    EXPECT_EQ(f.points[before].Mag, q.Mag);
    // The point is where the pointer is: the hover finds it there.
    EXPECT_EQ(f.chart.PointerState().SelectedPoint, 2);

    f.chart.MouseUp(TMouseButton::mbLeft, ssAlt, tx, ty);
    const int edits = f.dataChanged;
    f.chart.MouseMove(ssAlt | ssLeft, tx + 20, ty);
    EXPECT_EQ(f.dataChanged, edits);
}

// Catches a rectangular point drag that changes the component the view does
// not plot, or stores a non-finite value for a point on the chart's end.
TEST(SmithPointerDrag, AltLeftSetsThePlottedValueInTheRectangularViews)
{
    Fixture f(Tcharttype::Logmag);
    const int c = AddSpiral(f.chart, "S11", clRed);
    f.chart.SetLYmin(-40);
    f.chart.SetLYmax(0);
    TCanvasPoint p = f.PixelOf(c, 1);
    f.chart.MouseDown(TMouseButton::mbLeft, ssAlt | ssLeft, p.x, p.y);
    f.chart.MouseMove(ssAlt | ssLeft, p.x + 30, p.y + 40);
    double x = 0, y = 0;
    ASSERT_TRUE(f.chart.PixelToValue(p.x + 30, p.y + 40, x, y));
    TPoint q = Pt(f.chart, c, 1);
    EXPECT_NEAR(MagToDb(q.Mag), y, 1e-9);
    EXPECT_DOUBLE_EQ(q.Angle, -125.0);
    EXPECT_DOUBLE_EQ(q.Freq, 2.0);
    f.chart.MouseUp(TMouseButton::mbLeft, ssAlt, 0, 0);

    f.chart.SetChartType(Tcharttype::GridR);
    f.chart.SetLYmin(0);
    f.chart.SetLYmax(4);
    const TPoint before = Pt(f.chart, c, 4);
    double r0 = 0, x0 = 0;
    GammaToZ(r0, x0, before.Re, before.Im);
    p = f.PixelOf(c, 4);
    f.chart.MouseDown(TMouseButton::mbLeft, ssAlt | ssLeft, p.x, p.y);
    f.chart.MouseMove(ssAlt | ssLeft, p.x, p.y - 30);
    ASSERT_TRUE(f.chart.PixelToValue(p.x, p.y - 30, x, y));
    q = Pt(f.chart, c, 4);
    double r1 = 0, x1 = 0;
    GammaToZ(r1, x1, q.Re, q.Im);
    EXPECT_NEAR(r1, y, 1e-9);
    EXPECT_NEAR(x1, x0, 1e-9);
    f.chart.MouseUp(TMouseButton::mbLeft, ssAlt, 0, 0);

    // A point at the chart's right end has no finite reactance to keep.
    const int e = f.chart.AddCurve("end", clBlue);
    f.chart.AddPoint(e, 5.0, 1.0, 0.0);
    f.chart.SetCurveVisible(e, true);
    f.chart.SetCurveVisible(c, false);
    f.Redraw();
    p = f.PixelOf(e, 0);
    f.chart.MouseDown(TMouseButton::mbLeft, ssAlt | ssLeft, p.x, p.y);
    ASSERT_TRUE(f.chart.PointerState().PointDrag);
    f.chart.MouseMove(ssAlt | ssLeft, p.x, p.y - 20);
    EXPECT_EQ(Pt(f.chart, e, 0).Mag, 1.0);
    EXPECT_EQ(Pt(f.chart, e, 0).Angle, 0.0);
}

// Catches a curve shift that moves the points without being accepted, keeps
// the offset after a refusal, or shifts only as many points as the first
// curve has.
TEST(SmithPointerDrag, AltRightShiftsAWholeCurveWhenAccepted)
{
    Fixture f;
    AddSpiral(f.chart, "S11", clRed);
    const int c = f.chart.AddCurve("S21", clBlue);
    for (int i = 0; i < 12; ++i)
        f.chart.AddPoint(c, 1 + i, 0.3, 20.0 * i);
    f.chart.SetCurveVisible(c, true);
    f.Redraw();
    std::vector<TPoint> old(f.chart.CurveAt(c)->Points.begin(), f.chart.CurveAt(c)->Points.end());
    const double r = std::abs(f.chart.Layout().ChartRadius);
    TCanvasPoint p = f.PixelOf(c, 9);

    // Refused: nothing moves and the offset goes.
    f.chart.MouseDown(TMouseButton::mbRight, ssAlt | ssRight, p.x, p.y);
    ASSERT_TRUE(f.chart.PointerState().CurveShift);
    f.chart.MouseMove(ssAlt | ssRight, p.x + 20, p.y - 10);
    EXPECT_DOUBLE_EQ(f.chart.CurveAt(c)->OffsetX, 20 / r);
    EXPECT_DOUBLE_EQ(f.chart.CurveAt(c)->OffsetY, -10 / r);
    EXPECT_EQ(f.host.popups, 0); // no point menu with Alt
    f.host.answer = false;
    f.chart.MouseUp(TMouseButton::mbRight, ssAlt, p.x + 20, p.y - 10);
    EXPECT_EQ(f.host.asks, 1);
    EXPECT_EQ(f.host.askedText, "Accept Changes ?");
    EXPECT_EQ(f.host.askedCaption, "Rivelle");
    EXPECT_EQ(f.chart.CurveAt(c)->OffsetX, 0.0);
    EXPECT_EQ(f.chart.CurveAt(c)->OffsetY, 0.0);
    EXPECT_FALSE(f.chart.PointerState().CurveShift);
    for (int i = 0; i < 12; ++i)
        EXPECT_EQ(Pt(f.chart, c, i).Mag, old[static_cast<std::size_t>(i)].Mag);
    EXPECT_FALSE(f.chart.DataChanged());

    // Accepted: every point of the pressed curve moves, the first curve's
    // eight points notwithstanding.
    f.chart.MouseDown(TMouseButton::mbRight, ssAlt | ssRight, p.x, p.y);
    f.chart.MouseMove(ssAlt | ssRight, p.x + 20, p.y - 10);
    f.host.answer = true;
    f.chart.MouseUp(TMouseButton::mbRight, ssAlt, p.x + 20, p.y - 10);
    for (int i = 0; i < 12; ++i) {
        const TPoint q = Pt(f.chart, c, i);
        EXPECT_NEAR(q.Re, old[static_cast<std::size_t>(i)].Re + 20 / r, 1e-12) << i;
        EXPECT_NEAR(q.Im, old[static_cast<std::size_t>(i)].Im + 10 / r, 1e-12) << i;
        EXPECT_EQ(q.Freq, old[static_cast<std::size_t>(i)].Freq);
    }
    EXPECT_EQ(f.chart.CurveAt(c)->OffsetX, 0.0);
    EXPECT_TRUE(f.chart.DataChanged());
    EXPECT_EQ(f.dataChanged, 1);
    EXPECT_EQ(Pt(f.chart, 0, 0).Mag, 0.9); // other curves untouched

    // A left release does not end the shift or ask.
    f.chart.MouseDown(TMouseButton::mbRight, ssAlt | ssRight, f.PixelOf(c, 3).x, f.PixelOf(c, 3).y);
    f.chart.MouseUp(TMouseButton::mbLeft, ssAlt | ssRight, 0, 0);
    EXPECT_TRUE(f.chart.PointerState().CurveShift);
    EXPECT_EQ(f.host.asks, 2);
}

// Catches a rectangular curve shift measured in pixels rather than axis
// units, or applied to the wrong component.
TEST(SmithPointerDrag, RectangularShiftMovesThePlottedValue)
{
    Fixture f(Tcharttype::GridU);
    const int c = AddSpiral(f.chart, "S11", clRed);
    f.chart.SetLYmin(-1);
    f.chart.SetLYmax(1);
    std::vector<TPoint> old(f.chart.CurveAt(c)->Points.begin(), f.chart.CurveAt(c)->Points.end());
    const TSmithLayout l = f.chart.Layout();
    const TCanvasPoint p = f.PixelOf(c, 3);
    f.chart.MouseDown(TMouseButton::mbRight, ssAlt | ssRight, p.x, p.y);
    f.chart.MouseMove(ssAlt | ssRight, p.x + 7, p.y + 25);
    const double oy = 25 * l.ShownYrange / l.PlotHeight;
    EXPECT_EQ(f.chart.CurveAt(c)->OffsetX, 0.0);
    EXPECT_DOUBLE_EQ(f.chart.CurveAt(c)->OffsetY, oy);
    f.host.answer = true;
    f.chart.MouseUp(TMouseButton::mbRight, ssAlt, 0, 0);
    for (int i = 0; i < 8; ++i) {
        EXPECT_NEAR(Pt(f.chart, c, i).Re, old[static_cast<std::size_t>(i)].Re - oy, 1e-12);
        EXPECT_NEAR(Pt(f.chart, c, i).Im, old[static_cast<std::size_t>(i)].Im, 1e-12);
    }
}

// Catches drags that keep writing into curves or points that were deleted
// while the button was down.
TEST(SmithPointerDrag, DragsOnDeletedDataDoNothing)
{
    Fixture f;
    const int c = AddSpiral(f.chart, "S11", clRed);
    f.Redraw();
    TCanvasPoint p = f.PixelOf(c, 7);
    f.chart.MouseDown(TMouseButton::mbLeft, ssAlt | ssLeft, p.x, p.y);
    f.chart.DeletePoint(7);
    f.chart.MouseMove(ssAlt | ssLeft, p.x + 10, p.y);
    EXPECT_EQ(f.dataChanged, 0);
    EXPECT_EQ(f.chart.CurveAt(c)->Points.size(), 7u);

    p = f.PixelOf(c, 2);
    f.chart.MouseDown(TMouseButton::mbLeft, ssAlt | ssLeft, p.x, p.y);
    f.chart.ClearCurves();
    f.chart.MouseMove(ssAlt | ssLeft, p.x + 10, p.y);
    EXPECT_EQ(f.dataChanged, 0);

    AddSpiral(f.chart, "S11", clRed);
    f.Redraw();
    p = f.PixelOf(0, 2);
    f.chart.MouseDown(TMouseButton::mbRight, ssAlt | ssRight, p.x, p.y);
    f.chart.MouseMove(ssAlt | ssRight, p.x + 10, p.y);
    f.chart.ClearCurves();
    f.host.answer = true;
    f.chart.MouseUp(TMouseButton::mbRight, ssAlt, p.x + 10, p.y);
    EXPECT_EQ(f.host.asks, 0);
    EXPECT_EQ(f.dataChanged, 0);
}

// Catches pan and zoom drags that ignore Shift, zoom again on a move of no
// new displacement, or go by other than the press-time view.
TEST(SmithPointerView, ShiftDragsPanAndZoom)
{
    Fixture f;
    AddSpiral(f.chart, "S11", clRed);
    f.Redraw();
    const int R = f.chart.Layout().ChartRadius;
    f.chart.MouseDown(TMouseButton::mbLeft, ssShift | ssLeft, 200, 150);
    EXPECT_TRUE(f.chart.Markers().empty());
    f.chart.MouseMove(ssShift | ssLeft, 230, 150);
    EXPECT_DOUBLE_EQ(f.chart.View().PanX, 30.0 / R);
    EXPECT_EQ(f.chart.View().PanY, 0.0);
    f.chart.MouseMove(ssShift | ssLeft, 240, 150); // from the press, not the last move
    EXPECT_DOUBLE_EQ(f.chart.View().PanX, 40.0 / R);
    f.chart.MouseUp(TMouseButton::mbLeft, ssShift, 240, 150);

    f.chart.MouseDown(TMouseButton::mbRight, ssShift | ssRight, 200, 150);
    EXPECT_EQ(f.host.popups, 0);
    f.chart.MouseMove(ssShift | ssRight, 150, 150);
    EXPECT_DOUBLE_EQ(f.chart.View().Zoom, 150.0);
    f.chart.View().Zoom = 77; // unchanged displacement: no new zoom
    f.chart.MouseMove(ssShift | ssRight, 150, 150);
    EXPECT_DOUBLE_EQ(f.chart.View().Zoom, 77.0);
    f.chart.MouseMove(ssShift | ssRight, 500, 150);
    EXPECT_DOUBLE_EQ(f.chart.View().Zoom, 10.0); // the floor

    // Without Shift a move only hovers.
    const double zoom = f.chart.View().Zoom;
    f.chart.MouseMove(ssRight, 100, 100);
    EXPECT_EQ(f.chart.View().Zoom, zoom);
}
