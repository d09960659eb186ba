#include "viewer/components/ui/smithchartwidget.h"

#include "viewer/components/qtchartcanvas.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>
#include <QMouseEvent>

#include <cmath>
#include <vector>

using namespace viewer;

// Catches a widget whose resize does not reach the model's view reset, or
// whose back buffer is not what the chart drew.
TEST(SmithChartWidget, ResizeResetsAndPaintsThroughTheBackBuffer)
{
    TSmithChartWidget w;
    w.Chart().SetBorderColor(clTeal);
    w.Chart().View().Zoom = 300;
    w.resize(320, 240);
    w.show();
    EXPECT_EQ(w.Chart().Width(), 320);
    EXPECT_EQ(w.Chart().Height(), 240);
    EXPECT_DOUBLE_EQ(w.Chart().Zoom(), 100.0);

    const QImage shot = w.grab().toImage();
    ASSERT_EQ(w.BackBuffer().size(), QSize(320, 240));
    // The corner lies outside the chart's circle: the border colour.
    EXPECT_EQ(FromQColor(w.BackBuffer().pixelColor(2, 2)), clTeal);
    EXPECT_EQ(FromQColor(shot.pixelColor(5, 5)), clTeal);
    // The margins of an on-screen drawing are 0.
    EXPECT_EQ(w.Chart().LeftMargin(), 0);
}

// Catches a clipboard copy that is missing a format or has the wrong size.
TEST(SmithChartWidget, CopyToClipboardGivesSvgAndImage)
{
    TSmithChartWidget w;
    w.resize(150, 90);
    w.show();
    w.Chart().SetBorderColor(clFuchsia);
    w.Chart().CopyToClipboard();
    const QMimeData* mime = QGuiApplication::clipboard()->mimeData();
    ASSERT_NE(mime, nullptr);
    EXPECT_TRUE(mime->data("image/svg+xml").contains("<svg"));
    ASSERT_TRUE(mime->hasImage());
    const QImage img = qvariant_cast<QImage>(mime->imageData());
    EXPECT_EQ(img.size(), QSize(150, 90));
    EXPECT_EQ(FromQColor(img.pixelColor(2, 2)), clFuchsia);
}

namespace {

void Send(QWidget& w, QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons buttons,
    Qt::KeyboardModifiers keys = Qt::NoModifier)
{
    QMouseEvent e(type, QPointF(at), QPointF(w.mapToGlobal(at)), button, buttons, keys);
    QApplication::sendEvent(&w, &e);
}

bool IsBlack(const QImage& image, QPoint p)
{
    return FromQColor(image.pixelColor(p)) == clBlack;
}

} // namespace

// Catches a widget that loses the keys or buttons of real mouse events on
// their way to the chart, or burns the hover mark into the chart image.
TEST(SmithChartWidget, RealMouseEventsHoverClickAndDrag)
{
    TSmithChartWidget w;
    w.resize(400, 300);
    smith::TSmithChart& chart = w.Chart();
    chart.SetChartType(smith::Tcharttype::Polar);
    const int c = chart.AddCurve("S11", clYellow);
    chart.AddPoint(c, 1.5, 0.6, 20.0); // one point: no line through its mark
    chart.SetCurveVisible(c, true);
    std::vector<double> reported;
    chart.OnPointChanged
        = [&](smith::TSmithChart&, double f, double, double, double, double) { reported.push_back(f); };
    w.show();
    (void)w.grab(); // the first drawing sets the layout
    int x = 0, y = 0;
    const smith::TPoint p0 = *chart.PointAt(c, 0);
    ASSERT_TRUE(chart.ValueToPixel(p0.Re, p0.Im, x, y));
    const QPoint corner(x - 3, y - 3);

    Send(w, QEvent::MouseMove, QPoint(x + 2, y - 1), Qt::NoButton, Qt::NoButton);
    ASSERT_EQ(reported.size(), 1u);
    EXPECT_EQ(reported[0], 1.5);
    EXPECT_TRUE(IsBlack(w.grab().toImage(), corner));
    EXPECT_FALSE(IsBlack(w.BackBuffer(), corner));
    Send(w, QEvent::MouseMove, QPoint(10, 10), Qt::NoButton, Qt::NoButton);
    EXPECT_FALSE(IsBlack(w.grab().toImage(), corner));

    // Hovering repaints the marks only, not the chart image; a full update
    // does draw it again.
    QApplication::processEvents(); // the pending paints of the show
    chart.SetBorderColor(clTeal); // a plain property: no repaint
    Send(w, QEvent::MouseMove, QPoint(x, y), Qt::NoButton, Qt::NoButton);
    QApplication::processEvents();
    EXPECT_NE(FromQColor(w.BackBuffer().pixelColor(1, 1)), clTeal);
    w.update();
    QApplication::processEvents();
    EXPECT_EQ(FromQColor(w.BackBuffer().pixelColor(1, 1)), clTeal);

    // A click sets a marker; its release ends the flag drag.
    Send(w, QEvent::MouseButtonPress, QPoint(x, y), Qt::LeftButton, Qt::LeftButton);
    Send(w, QEvent::MouseButtonRelease, QPoint(x, y), Qt::LeftButton, Qt::NoButton);
    ASSERT_EQ(chart.Markers().size(), 1u);
    EXPECT_FALSE(chart.PointerState().MarkerDrag);

    // Alt + left drags the point along.
    const smith::TSmithLayout& l = chart.Layout();
    const QPoint to(l.ChartCentreX - 50, l.ChartCentreY + 20);
    Send(w, QEvent::MouseButtonPress, QPoint(x, y), Qt::LeftButton, Qt::LeftButton, Qt::AltModifier);
    Send(w, QEvent::MouseMove, to, Qt::NoButton, Qt::LeftButton, Qt::AltModifier);
    Send(w, QEvent::MouseButtonRelease, to, Qt::LeftButton, Qt::NoButton, Qt::AltModifier);
    const double r = std::abs(l.ChartRadius);
    EXPECT_NEAR(chart.PointAt(c, 0)->Re, -50 / r, 1e-12);
    EXPECT_NEAR(chart.PointAt(c, 0)->Im, -20 / r, 1e-12);
    EXPECT_TRUE(chart.DataChanged());

    // Shift + left pans.
    Send(w, QEvent::MouseButtonPress, QPoint(20, 20), Qt::LeftButton, Qt::LeftButton, Qt::ShiftModifier);
    Send(w, QEvent::MouseMove, QPoint(50, 20), Qt::NoButton, Qt::LeftButton, Qt::ShiftModifier);
    Send(w, QEvent::MouseButtonRelease, QPoint(50, 20), Qt::LeftButton, Qt::NoButton, Qt::ShiftModifier);
    EXPECT_DOUBLE_EQ(chart.View().PanX, 30.0 / l.ChartRadius);
}
