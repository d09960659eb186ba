#include "viewer/components/ui/smithchartwidget.h"

#include "viewer/components/qtchartcanvas.h"

#include <gtest/gtest.h>

#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>

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
