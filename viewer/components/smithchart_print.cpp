#include "viewer/components/smithchart_print.h"

#include "viewer/components/qtchartcanvas.h"

#include <QFile>
#include <QFileInfo>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>

#include <cstdio>

namespace viewer::smith {

std::unique_ptr<QPrinter> NewChartPrinter(const QString& pdfPath)
{
    const QPrinterInfo info = QPrinterInfo::defaultPrinter();
    if (!info.isNull())
        return std::make_unique<QPrinter>(info, QPrinter::HighResolution);
    auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    printer->setOutputFormat(QPrinter::PdfFormat);
    printer->setOutputFileName(pdfPath);
    return printer;
}

bool PrintChart(TSmithChart& chart, QPrinter& printer)
{
    const QString target = printer.outputFileName();
    const bool toFile = !target.isEmpty();
    QString temp;
    if (toFile) {
        const QFileInfo fi(target);
        temp = fi.absolutePath() + QStringLiteral("/.") + fi.fileName() + QStringLiteral(".part");
        printer.setOutputFileName(temp);
    }

    // Paint on the whole paper; the page's margins are the chart's margins.
    printer.setFullPage(true);
    bool ok = false;
    {
        QPainter painter;
        if (painter.begin(&printer)) {
            const QPageLayout page = printer.pageLayout();
            const QRect paper = page.fullRectPixels(printer.resolution());
            const QMargins m = page.marginsPixels(printer.resolution());
            {
                TQtChartCanvas canvas(painter);
                chart.DrawChart(canvas, paper.width(), paper.height(), m.left(), m.right(), m.top(), m.bottom(),
                    TDrawTarget::dtOther);
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

} // namespace viewer::smith
