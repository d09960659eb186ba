#include "viewer/components/xychart.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace viewer;
using namespace viewer::xy;

namespace {

// Counts what the chart asks of its control.
struct TCountingHost : TXYChartHost {
    int invalidates = 0;
    int paints = 0;
    int hoverChanges = 0;
    void Invalidate() override { ++invalidates; }
    void PaintNow() override { ++paints; }
    void PopupMenuAt(int, int) override { }
    bool AskYesNo(const std::string&, const std::string&) override { return false; }
    void HoverMarksChanged() override { ++hoverChanges; }
};

} // namespace

// Catches constructor values copied from the Smith chart where the XY chart differs.
TEST(XYChartModel, CreationValuesDifferFromTheSmithChartWhereTheyShould)
{
    TXYChart c;
    EXPECT_EQ(c.Digits(), 3);
    EXPECT_DOUBLE_EQ(c.Margin(), 0.0);
    EXPECT_EQ(c.LeftMargin() + c.RightMargin() + c.TopMargin() + c.BottomMargin(), 0);
    EXPECT_DOUBLE_EQ(c.LYmin(), -5.0);
    EXPECT_DOUBLE_EQ(c.LYmax(), 5.0);
    EXPECT_DOUBLE_EQ(c.RYmin(), -5.0);
    EXPECT_DOUBLE_EQ(c.RYmax(), 5.0);
    EXPECT_TRUE(c.ShowLeftAxis());
    EXPECT_TRUE(c.ShowHorizLines());
    EXPECT_TRUE(c.ShowVertLines());
    EXPECT_FALSE(c.Showbanner());
    EXPECT_FALSE(c.Showmarkers());
    EXPECT_TRUE(c.visible());
    EXPECT_TRUE(c.YUnits().empty());
    EXPECT_EQ(c.PointerState().SelectedCurve, kNone);
    EXPECT_EQ(c.Width(), 200);
    EXPECT_EQ(c.Height(), 150);
}

// Catches bad indices that crash or leave stale outputs, and the lookups'
// first/last rules.
TEST(XYChartModel, CurvesAndPointsBookkeeping)
{
    TXYChart c;
    EXPECT_EQ(c.AddCurve("K", clRed, false), 0);
    EXPECT_EQ(c.AddCurve("Gain", clLime, true), 1);
    EXPECT_EQ(c.AddCurve("K", clBlue, false), 2);
    EXPECT_EQ(c.CurveCount(), 3);
    EXPECT_EQ(c.FindCurve("K"), 2);
    EXPECT_EQ(c.FindCurve("k"), -1);
    EXPECT_FALSE(c.Curves()[0].Enabled);
    EXPECT_TRUE(c.Curves()[1].RightAxis);

    c.AddPoint(0, 1.0, 2.0);
    c.AddPoint(0, 2.0, 3.0);
    c.AddPoint(-1, 5.0, 5.0);
    c.AddPoint(3, 5.0, 5.0);
    EXPECT_EQ(c.Curves()[0].Points.size(), 2u);

    double x = 7, y = 8;
    EXPECT_TRUE(c.GetPoint(0, 1, x, y));
    EXPECT_DOUBLE_EQ(x, 2.0);
    EXPECT_DOUBLE_EQ(y, 3.0);
    x = 7, y = 8;
    EXPECT_FALSE(c.GetPoint(0, 2, x, y));
    EXPECT_FALSE(c.GetPoint(5, 0, x, y));
    EXPECT_FALSE(c.GetPoint(0, -1, x, y));
    EXPECT_DOUBLE_EQ(x, 7.0);
    EXPECT_DOUBLE_EQ(y, 8.0);

    std::string name = "old";
    TColor col = clRed;
    c.GetCurveInfo(-1, name, col);
    EXPECT_EQ(name, "");
    EXPECT_EQ(col, clWhite);
    c.GetCurveInfo(1, name, col);
    EXPECT_EQ(name, "Gain");
    EXPECT_EQ(col, clLime);

    c.SetCurveVisible(1, true);
    c.SetCurveVisible(9, true);
    EXPECT_TRUE(c.Curves()[1].Enabled);
}

// Catches an infinite value or an x that is not a number being stored and
// then poisoning every drawing and read-out, and a y that is not a number
// (no value at that x) being dropped, which would shift the curve's points.
TEST(XYChartModel, NonFinitePointsAreKeptOut)
{
    TXYChart c;
    c.AddCurve("G", clRed, false);
    c.AddPoint(0, 1.0, std::numeric_limits<double>::infinity());
    c.AddPoint(0, std::nan(""), 1.0);
    c.AddPoint(0, 1.0, 1.0);
    c.AddPoint(0, 2.0, std::nan(""));
    ASSERT_EQ(c.Curves()[0].Points.size(), 2u);
    EXPECT_TRUE(std::isnan(c.Curves()[0].Points[1].Y));
}

// Catches markers or a reference left pointing into curves that are gone.
TEST(XYChartModel, ClearCurvesDropsMarkersAndReference)
{
    TXYChart c;
    c.AddCurve("A", clRed, false);
    c.AddPoint(0, 1, 1);
    c.Markers().push_back(Tmarker { 0, 0, 3 });
    c.PointerState().RefSet = true;
    c.PointerState().SelectedCurve = 0;
    EXPECT_EQ(c.FindMarker(0, 0), 0);
    EXPECT_EQ(c.FindMarker(0, 1), -1);
    c.ClearCurves();
    EXPECT_EQ(c.CurveCount(), 0);
    EXPECT_TRUE(c.Markers().empty());
    EXPECT_FALSE(c.PointerState().RefSet);
    EXPECT_EQ(c.PointerState().SelectedCurve, kNone);
    EXPECT_EQ(c.FindMarker(0, 0), -1);
}

// Catches setters that paint too little or too much.
TEST(XYChartModel, SettersPaintAsTheyShould)
{
    TCountingHost host;
    TXYChart c(&host);
    c.AddCurve("A", clRed, false);
    c.AddPoint(0, 1, 1);
    EXPECT_EQ(host.paints, 1); // AddPoint paints with Autoupdate
    c.SetShowLeftAxis(false);
    c.SetShowRightAxis(true);
    c.SetColouredTraces(true);
    c.SetShowmarkers(true);
    c.SetZoom(50);
    EXPECT_EQ(host.paints, 6);
    c.Markers().push_back(Tmarker { 0, 0, 0 });
    c.ClearMarkers(); // does not paint
    EXPECT_EQ(host.paints, 6);
    c.SetTitle("x");
    c.SetYinterval(4);
    EXPECT_EQ(host.paints, 6);

    // The ranges reset and then paint once more.
    c.SetXmax(20);
    EXPECT_EQ(host.paints, 8);

    c.SetAutoupdate(false);
    c.SetShowLeftAxis(true);
    c.AddPoint(0, 2, 2);
    EXPECT_EQ(host.paints, 8);
}

// Catches range setters that skip the view reset when Autoupdate is off.
TEST(XYChartModel, RangeSettersAlwaysResetTheView)
{
    TXYChart c;
    c.SetAutoupdate(false);
    c.View().Zoom = 40;
    c.View().ZoomY = 30;
    c.View().CentreValueX = 99;
    c.SetXmax(20);
    EXPECT_DOUBLE_EQ(c.Zoom(), 100.0);
    EXPECT_DOUBLE_EQ(c.View().ZoomY, 100.0);
    EXPECT_DOUBLE_EQ(c.View().CentreValueX, 10.0);

    c.SetLYmin(-10);
    c.SetLYmax(30);
    EXPECT_DOUBLE_EQ(c.View().CentreValueY, 10.0);
    // Reading gives the displayed limits.
    c.View().ZoomY = 50;
    EXPECT_DOUBLE_EQ(c.LYmin(), 0.0);
    EXPECT_DOUBLE_EQ(c.LYmax(), 20.0);
    EXPECT_DOUBLE_EQ(c.BaseLYmin(), -10.0);

    c.Resize(400, 300);
    EXPECT_DOUBLE_EQ(c.View().ZoomY, 100.0);
}

// Catches a refused margin that leaves stale pixel margins.
TEST(XYChartModel, MarginRuleAsTheSmithChart)
{
    TXYChart c;
    c.Resize(400, 300);
    c.SetMargin(5);
    EXPECT_EQ(c.LeftMargin(), 20);
    c.SetLeftMargin(3);
    c.SetMargin(50);
    EXPECT_DOUBLE_EQ(c.Margin(), 5.0);
    EXPECT_EQ(c.LeftMargin(), 20);
    EXPECT_EQ(c.BottomMargin(), 20);
}
