// The clipboard copy: the chart drawn at the control's size, as SVG for
// programs that take vector pictures and as an image for the rest.

#include "viewer/components/qtchartcanvas.h"
#include "viewer/components/smithchart.h"

#include <QBuffer>
#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>
#include <QSvgGenerator>

namespace viewer::smith {

void TSmithChart::CopyToClipboard()
{
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (!clipboard || width_ <= 0 || height_ <= 0)
        return;

    QBuffer svg;
    svg.open(QIODevice::WriteOnly);
    {
        QSvgGenerator generator;
        generator.setOutputDevice(&svg);
        generator.setSize(QSize(width_, height_));
        generator.setViewBox(QRect(0, 0, width_, height_));
        TQtChartCanvas canvas(&generator);
        DrawChart(canvas, width_, height_, 0, 0, 0, 0);
    }

    QImage image(width_, height_, QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        TQtChartCanvas canvas(&image);
        DrawChart(canvas, width_, height_, 0, 0, 0, 0);
    }

    auto* mime = new QMimeData;
    mime->setData(QStringLiteral("image/svg+xml"), svg.data());
    mime->setImageData(image);
    clipboard->setMimeData(mime);
}

} // namespace viewer::smith
