#include "viewer/components/qtchartcanvas.h"
#include "viewer/components/ui/xychartwidget.h"

#include <gtest/gtest.h>

#include <QClipboard>
#include <QDir>
#include <QGuiApplication>
#include <QMimeData>
#include <QTest>

#include <cmath>

using namespace viewer;
using namespace viewer::xy;

namespace {

void FillStabilityLike(TXYChart& c)
{
    c.SetAutoupdate(false);
    c.SetXmin(0);
    c.SetXmax(10);
    c.SetLYmin(0);
    c.SetLYmax(4);
    c.SetRYmin(-20);
    c.SetRYmax(20);
    c.SetTitle("Stability and gain");
    c.SetLeftTitle("K");
    c.SetRightTitle("dB");
    c.SetShowRightAxis(true);
    c.SetShowmarkers(true);
    c.SetShowLegend(true);
    c.SetShowInfo(true);
    c.SetShowbanner(true);
    c.SetColouredTraces(true);
    c.SetUnits("GHz");
    c.AddCurve("K", clRed, false);
    c.AddCurve("MAG", NextColour(clRed), true);
    for (int i = 0; i <= 50; ++i) {
        const double f = i * 0.2;
        c.AddPoint(0, f, 0.5 + 3.0 * (1 - std::exp(-f / 3)));
        c.AddPoint(1, f, 18 - 3 * f);
    }
    c.SetCurveVisible(0, true);
    c.SetCurveVisible(1, true);
    c.Markers().push_back(Tmarker { 0, 25, 1 });
    c.Markers().push_back(Tmarker { 1, 10, 3 });
    c.SetAutoupdate(true);
}

} // namespace

// Catches a widget that does not forward real mouse events to the model, or
// whose hover marks end up in the chart image itself.
TEST(XYChartWidget, RealMouseEventsReachTheChart)
{
    TXYChartWidget w;
    w.resize(640, 480);
    FillStabilityLike(w.Chart());
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    w.repaint();
    const TXYLayout& l = w.Chart().Layout();
    ASSERT_GT(l.PlotWidth, 0);

    double gotX = -1, gotY = -1;
    w.Chart().OnPointChanged = [&](TXYChart&, double x, double y) { gotX = x, gotY = y; };
    const double X = 5.0, Y = 0.5 + 3.0 * (1 - std::exp(-X / 3));
    const QPoint p(static_cast<int>(std::lround((X - l.ShownXmin) / l.ShownXrange * l.PlotWidth + l.PlotLeft)),
        static_cast<int>(std::lround(l.PlotBottom - (Y - l.ShownYmin) / l.ShownYrange * l.PlotHeight)));
    QTest::mouseMove(&w, p);
    EXPECT_DOUBLE_EQ(gotX, X);
    EXPECT_DOUBLE_EQ(gotY, Y);
    ASSERT_TRUE(w.Chart().HoverMarks().Visible);
    // The frame shows on screen, not in the chart image.
    const QImage shown = w.Shown();
    const QPoint corner(w.Chart().HoverMarks().X - 3, w.Chart().HoverMarks().Y - 3);
    EXPECT_EQ(FromQColor(shown.pixelColor(corner)), clBlack);

    // A click there removes the marker already on that point.
    ASSERT_EQ(w.Chart().FindMarker(0, 25), 0);
    QTest::mouseClick(&w, Qt::LeftButton, Qt::NoModifier, p);
    EXPECT_EQ(w.Chart().FindMarker(0, 25), -1);
    QTest::mouseClick(&w, Qt::LeftButton, Qt::NoModifier, p);
    EXPECT_GE(w.Chart().FindMarker(0, 25), 0);

    // Resizing resets zoom.
    w.Chart().View().Zoom = 30;
    w.resize(500, 400);
    EXPECT_DOUBLE_EQ(w.Chart().Zoom(), 100.0);
}

// Catches a broken render: kept under the build tree for people to look at.
TEST(XYChartWidget, RenderAndClipboard)
{
    TXYChartWidget w;
    w.resize(640, 480);
    FillStabilityLike(w.Chart());
    TChartPicture pic;
    pic.Width = pic.Height = 2;
    pic.Pixels = { clNavy, clAqua, clAqua, clNavy };
    w.Chart().SetBannerPicture(pic);
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    w.Chart().SetBorderColor(RGBColor(0xF0, 0xF0, 0xE8));
    QImage image(640, 480, QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        TQtChartCanvas canvas(&image);
        w.Chart().DrawChart(canvas, 640, 480, 0, 0, 0, 0, TDrawTarget::dtScreen);
    }
    QDir().mkpath(QStringLiteral(TAVIX_RENDER_DIR));
    EXPECT_TRUE(image.save(QStringLiteral(TAVIX_RENDER_DIR "/xychart.png")));
    // The banner picture fills its box.
    EXPECT_EQ(FromQColor(image.pixelColor(8, 8)), clNavy);

    w.Chart().CopyToClipboard();
    const QMimeData* mime = QGuiApplication::clipboard()->mimeData();
    ASSERT_NE(mime, nullptr);
    EXPECT_TRUE(mime->hasFormat(QStringLiteral("image/svg+xml")));
    EXPECT_EQ(qvariant_cast<QImage>(mime->imageData()).size(), QSize(640, 480));
}
