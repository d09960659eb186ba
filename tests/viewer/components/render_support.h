#pragma once

// Charts rendered by QPainter for pixel probes, and the renders kept under
// the build tree (TAVIX_RENDER_DIR) for people to look at.

#include "viewer/components/qtchartcanvas.h"
#include "viewer/components/smithchart.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QImage>

namespace viewer::test_support {

// The chart drawn for the screen onto a white W x H image.
inline QImage Render(TSmithChart& chart, int W, int H)
{
    QImage image(W, H, QImage::Format_RGB32);
    image.fill(Qt::white);
    TQtChartCanvas canvas(&image);
    chart.DrawChart(canvas, W, H, 0, 0, 0, 0, smith::TDrawTarget::dtScreen);
    return image;
}

inline void SaveRender(const QImage& image, const char* name)
{
    QDir().mkpath(QStringLiteral(TAVIX_RENDER_DIR));
    EXPECT_TRUE(image.save(QStringLiteral(TAVIX_RENDER_DIR "/") + QString::fromLatin1(name)));
}

inline TColor At(const QImage& image, int x, int y)
{
    return FromQColor(image.pixelColor(x, y));
}

inline bool IsDark(TColor c)
{
    return ColorRed(c) + ColorGreen(c) + ColorBlue(c) < 3 * 128;
}

} // namespace viewer::test_support
