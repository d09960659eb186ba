#include "viewer/components/smithchart_print.h"

#include "viewer/components/chartprint.h"

#include <QPrinter>
#include <QPrinterInfo>

namespace viewer::smith {

std::unique_ptr<QPrinter> NewChartPrinter(const QString& pdfPath)
{
    QPrinterInfo info = QPrinterInfo::defaultPrinter();
    // Printers without a default one: the first of them.
    if (info.isNull() && !QPrinterInfo::availablePrinters().isEmpty())
        info = QPrinterInfo::availablePrinters().front();
    if (!info.isNull())
        return std::make_unique<QPrinter>(info, QPrinter::HighResolution);
    auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    printer->setOutputFormat(QPrinter::PdfFormat);
    printer->setOutputFileName(pdfPath);
    return printer;
}

bool PrintChart(TSmithChart& chart, QPrinter& printer)
{
    // The page's margins are the chart's margins, at the print's resolution.
    return PrintChartPage(printer, [&](TChartCanvas& canvas, int W, int H) {
        const QMargins m = printer.pageLayout().marginsPixels(printer.resolution());
        chart.DrawChart(canvas, W, H, m.left(), m.right(), m.top(), m.bottom(), TDrawTarget::dtOther);
    });
}

} // namespace viewer::smith
