#include "viewer/components/chartclipboard.h"

#include "viewer/components/qtchartcanvas.h"

#include <QBuffer>
#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>
#include <QPainter>
#include <QPicture>
#include <QSvgGenerator>

namespace viewer {

void CopyChartToClipboard(int W, int H, const std::function<void(TChartCanvas&)>& draw)
{
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (!clipboard || W <= 0 || H <= 0)
        return;

    QPicture picture;
    {
        TQtChartCanvas canvas(&picture);
        draw(canvas);
    }

    QBuffer svg;
    svg.open(QIODevice::WriteOnly);
    {
        QSvgGenerator generator;
        generator.setOutputDevice(&svg);
        generator.setSize(QSize(W, H));
        generator.setViewBox(QRect(0, 0, W, H));
        // The picture's own resolution, so that its fonts keep their size.
        generator.setResolution(picture.logicalDpiX());
        QPainter painter(&generator);
        painter.drawPicture(0, 0, picture);
    }

    QImage image(W, H, QImage::Format_RGB32);
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

} // namespace viewer
