#include "viewer/components/recordingcanvas.h"
#include "viewer/components/xychart.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

using namespace viewer;
using namespace viewer::xy;

namespace {

struct TEvents {
    std::vector<std::string> log;
};

// A chart drawn once for the screen with a left curve A (0,0), (5,2) and
// a right-axis curve B (2, 90) on RYmin..RYmax = -180..180.
struct TDrawnChart {
    TXYChart c;
    TEvents ev;
    TDrawnChart()
    {
        c.SetRYmin(-180);
        c.SetRYmax(180);
        c.AddCurve("A", clRed, false);
        c.AddPoint(0, 1, 0);
        c.AddPoint(0, 5, 2);
        c.AddCurve("B", clBlue, true);
        c.AddPoint(1, 2, 90);
        c.SetCurveVisible(0, true);
        c.SetCurveVisible(1, true);
        c.OnCurveChanged = [this](TXYChart&, int curve, const std::string& name, TColor col) {
            ev.log.push_back("curve " + std::to_string(curve) + " '" + name + "' " + std::to_string(col));
        };
        c.OnPointChanged = [this](TXYChart&, double x, double y) {
            ev.log.push_back("point " + std::to_string(x) + " " + std::to_string(y));
        };
        c.OnDeltaChanged = [this](TXYChart&, double dx, double dy) {
            ev.log.push_back("delta " + std::to_string(dx) + " " + std::to_string(dy));
        };
        Redraw();
    }
    void Redraw()
    {
        TRecordingCanvas cv;
        c.DrawChart(cv, 640, 480, 0, 0, 0, 0, TDrawTarget::dtScreen);
    }
    // Pixel of a left-axis value.
    int PxX(double x) const
    {
        const TXYLayout& l = c.Layout();
        return static_cast<int>(std::lround((x - l.ShownXmin) / l.ShownXrange * l.PlotWidth + l.PlotLeft));
    }
    int PxLeft(double y) const
    {
        const TXYLayout& l = c.Layout();
        return l.PlotBottom - static_cast<int>(std::nearbyint((y - l.ShownYmin) / l.ShownYrange * l.PlotHeight));
    }
    int PxRight(double y) const
    {
        const TXYLayout& l = c.Layout();
        return l.PlotBottom - static_cast<int>(std::nearbyint((y + 180) / 360 * l.PlotHeight));
    }
};

} // namespace

// Catches a right-axis point looked for on the left scale, where it is not drawn.
TEST(XYChartHitTest, RightAxisPointIsFoundWhereItIsDrawn)
{
    TDrawnChart t;
    t.c.HitTest(t.PxX(2), t.PxRight(90) + 2);
    EXPECT_TRUE(t.c.PointerState().HitFound);
    EXPECT_EQ(t.c.PointerState().SelectedCurve, 1);
    EXPECT_EQ(t.c.PointerState().SelectedPoint, 0);
    ASSERT_EQ(t.ev.log.size(), 2u);
    EXPECT_EQ(t.ev.log[0], "curve 1 'B' " + std::to_string(clBlue));
    EXPECT_EQ(t.ev.log[1], "point 2.000000 90.000000");
    EXPECT_TRUE(t.c.HoverMarks().Visible);
    EXPECT_EQ(t.c.HoverMarks().Y, t.PxRight(90));
    EXPECT_FALSE(t.c.HoverMarks().Triangle);

    // Off every point: the curve is reported as none, once.
    t.ev.log.clear();
    t.c.HitTest(t.PxX(8), t.PxLeft(-4));
    t.c.HitTest(t.PxX(8), t.PxLeft(-3));
    ASSERT_EQ(t.ev.log.size(), 1u);
    EXPECT_EQ(t.ev.log[0], "curve 2147483647 ' ' " + std::to_string(clSilver));
    EXPECT_FALSE(t.c.HoverMarks().Visible);
}

// Catches hover before any drawing dividing by a zero plot size or firing events.
TEST(XYChartHitTest, NothingBeforeTheFirstDrawing)
{
    TXYChart c;
    c.AddCurve("A", clRed, false);
    c.AddPoint(0, 0, 0);
    c.SetCurveVisible(0, true);
    int events = 0;
    c.OnPointChanged = [&](TXYChart&, double, double) { ++events; };
    c.MouseDown(TMouseButton::mbLeft, ssLeft, 0, 0);
    c.MouseMove(0, 10, 10);
    EXPECT_EQ(events, 0);
    EXPECT_TRUE(c.Markers().empty());
}

// Catches deltas against a stale reference, the wrong event order, and a
// reference that outlives ClearCurves.
TEST(XYChartReference, DeltasFollowThePointAndEndWithClearCurves)
{
    TDrawnChart t;
    t.c.MouseDown(TMouseButton::mbLeft, ssCtrl | ssLeft, t.PxX(1), t.PxLeft(0));
    ASSERT_TRUE(t.c.PointerState().RefSet);
    EXPECT_EQ(t.c.PointerState().RefPoint, 0);
    EXPECT_TRUE(t.c.Markers().empty()); // Ctrl + left sets no marker
    t.c.MouseUp(TMouseButton::mbLeft, 0, 0, 0);

    t.ev.log.clear();
    t.c.MouseMove(0, t.PxX(5), t.PxLeft(2));
    ASSERT_EQ(t.ev.log.size(), 2u);
    EXPECT_EQ(t.ev.log[0], "point 5.000000 2.000000");
    EXPECT_EQ(t.ev.log[1], "delta 4.000000 2.000000");
    // With a reference the hover mark is a triangle and the reference is framed.
    EXPECT_TRUE(t.c.HoverMarks().Triangle);
    EXPECT_TRUE(t.c.HoverMarks().RefVisible);
    EXPECT_EQ(t.c.HoverMarks().RefPx, t.PxX(1));

    // Ctrl + right clears it.
    t.c.MouseDown(TMouseButton::mbRight, ssCtrl | ssRight, 0, 0);
    EXPECT_FALSE(t.c.PointerState().RefSet);

    // ClearCurves removes the reference: no delta after new curves arrive.
    t.c.MouseDown(TMouseButton::mbLeft, ssCtrl | ssLeft, t.PxX(1), t.PxLeft(0));
    ASSERT_TRUE(t.c.PointerState().RefSet);
    t.c.ClearCurves();
    t.c.AddCurve("C", clRed, false);
    t.c.AddPoint(0, 5, 2);
    t.c.SetCurveVisible(0, true);
    t.Redraw();
    t.ev.log.clear();
    t.c.MouseMove(0, t.PxX(5), t.PxLeft(2));
    ASSERT_EQ(t.ev.log.size(), 2u);
    EXPECT_EQ(t.ev.log[1], "point 5.000000 2.000000");
}

// Catches a click that does not toggle the marker, or a drag that turns
// the flag the wrong way.
TEST(XYChartMarkers, ClickTogglesAndDragTurns)
{
    TDrawnChart t;
    const int x = t.PxX(5), y = t.PxLeft(2);
    t.c.MouseDown(TMouseButton::mbLeft, ssLeft, x, y);
    ASSERT_EQ(t.c.Markers().size(), 1u);
    EXPECT_EQ(t.c.Markers()[0].Curve, 0);
    EXPECT_EQ(t.c.Markers()[0].Point, 1);
    EXPECT_EQ(t.c.Markers()[0].Direction, 0);
    t.c.MouseMove(ssLeft, x, y - 30); // straight up
    EXPECT_EQ(t.c.Markers()[0].Direction, 0);
    t.c.MouseMove(ssLeft, x - 30, y); // a = 180
    EXPECT_EQ(t.c.Markers()[0].Direction, 6);
    t.c.MouseMove(ssLeft, x + 30, y + 30); // a = -45
    EXPECT_EQ(t.c.Markers()[0].Direction, 3);
    t.c.MouseUp(TMouseButton::mbLeft, 0, x + 30, y + 30);
    t.c.MouseMove(0, x + 60, y); // no longer turning
    EXPECT_EQ(t.c.Markers()[0].Direction, 3);

    t.c.MouseDown(TMouseButton::mbLeft, ssLeft, x, y);
    EXPECT_TRUE(t.c.Markers().empty());
    // A right click does nothing here.
    t.c.MouseDown(TMouseButton::mbRight, ssRight, x, y);
    EXPECT_TRUE(t.c.Markers().empty());
}

// Catches pan and zoom drags that go the wrong way or below the 10 % floor.
TEST(XYChartView, ShiftDragsPanAndZoom)
{
    TDrawnChart t;
    const TXYLayout l = t.c.Layout();
    t.c.MouseDown(TMouseButton::mbLeft, ssShift | ssLeft, 100, 100);
    t.c.MouseMove(ssShift | ssLeft, 100 + l.PlotWidth / 10, 100);
    EXPECT_NEAR(t.c.View().CentreValueX, 5.0 - 1.0, 0.02);
    t.c.MouseUp(TMouseButton::mbLeft, 0, 0, 0);

    t.c.MouseDown(TMouseButton::mbRight, ssShift | ssRight, 100, 100);
    t.c.MouseMove(ssShift | ssRight, 150, 100);
    EXPECT_DOUBLE_EQ(t.c.Zoom(), 50.0);
    t.c.ZoomBy(0, 500);
    EXPECT_DOUBLE_EQ(t.c.View().ZoomY, 10.0);
}
