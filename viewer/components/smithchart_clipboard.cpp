// The clipboard copy: the chart drawn once, at the control's size, into a
// picture, which is then played into SVG for programs that take vector
// pictures and into a PNG image for the rest.

#include "viewer/components/qtchartcanvas.h"
#include "viewer/components/smithchart.h"

#include <QBuffer>
#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>
#include <QPainter>
#include <QPicture>
#include <QSvgGenerator>

namespace viewer::smith {

void TSmithChart::CopyToClipboard()
{
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (!clipboard || width_ <= 0 || height_ <= 0)
        return;

    QPicture picture;
    {
        TQtChartCanvas canvas(&picture);
        // Not the screen: the window's hit-test layout stays as it is.
        DrawChart(canvas, width_, height_, 0, 0, 0, 0, TDrawTarget::dtOther);
    }

    QBuffer svg;
    svg.open(QIODevice::WriteOnly);
    {
        QSvgGenerator generator;
        generator.setOutputDevice(&svg);
        generator.setSize(QSize(width_, height_));
        generator.setViewBox(QRect(0, 0, width_, height_));
        // The picture's own resolution, so that its fonts keep their size.
        generator.setResolution(picture.logicalDpiX());
        QPainter painter(&generator);
        painter.drawPicture(0, 0, picture);
    }

    QImage image(width_, height_, QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        painter.drawPicture(0, 0, picture);
    }
    QByteArray png;
    {
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, "PNG");
    }

    auto* mime = new QMimeData;
    mime->setData(QStringLiteral("image/svg+xml"), svg.data());
    mime->setData(QStringLiteral("image/png"), png);
    mime->setImageData(image);
    clipboard->setMimeData(mime);
}

} // namespace viewer::smith
