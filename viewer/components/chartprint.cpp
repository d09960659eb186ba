#include "viewer/components/chartprint.h"

#include "viewer/components/qtchartcanvas.h"

#include <QFile>
#include <QFileInfo>
#include <QPainter>
#include <QPrinter>

#include <cstdio>

namespace viewer {

bool PrintChartPage(QPrinter& printer, const std::function<void(TChartCanvas& canvas, int W, int H)>& draw)
{
    const QString target = printer.outputFileName();
    const bool toFile = !target.isEmpty();
    QString temp;
    if (toFile) {
        const QFileInfo fi(target);
        temp = fi.absolutePath() + QStringLiteral("/.") + fi.fileName() + QStringLiteral(".part");
        printer.setOutputFileName(temp);
    }

    // Paint on the whole paper; the caller places the chart by its margins.
    printer.setFullPage(true);
    printer.setResolution(kChartPrintDpi);
    bool ok = false;
    {
        QPainter painter;
        if (painter.begin(&printer)) {
            const QRect paper = printer.pageLayout().fullRectPixels(printer.resolution());
            {
                TQtChartCanvas canvas(painter);
                draw(canvas, paper.width(), paper.height());
            }
            ok = painter.end();
        }
    }

    if (toFile) {
        printer.setOutputFileName(target);
        if (ok && QFileInfo::exists(temp))
            ok = std::rename(QFile::encodeName(temp).constData(), QFile::encodeName(target).constData()) == 0;
        else
            ok = false;
        if (!ok)
            QFile::remove(temp);
    }
    return ok;
}

} // namespace viewer
