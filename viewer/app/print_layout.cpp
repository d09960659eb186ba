#include "viewer/app/print_layout.h"

#include "viewer/components/chartprint.h"
#include "viewer/components/qtchartcanvas.h"

#include <QImage>
#include <QPainter>

#include <cmath>

namespace viewer {

TPrintMargins PrinterMargins(int pageW, int pageH, TPSPoint paperSize, const TPSRect& margins)
{
    if (paperSize.x <= 0 || paperSize.y <= 0)
        return {};
    // The page is the whole paper, so the margins are measured from its
    // edges, not from the printer's printable area.
    const double sx = static_cast<double>(pageW) / paperSize.x;
    const double sy = static_cast<double>(pageH) / paperSize.y;
    const auto px = [](double v) { return static_cast<int>(std::lround(v)); };
    return { px(margins.left * sx), px(margins.right * sx), px(margins.top * sy), px(margins.bottom * sy) };
}

bool PrintDrawing(QPrinter& printer, TPSPoint paperSize, const TPSRect& margins, const TChartDrawing& draw)
{
    return PrintChartPage(printer, [&](TChartCanvas& canvas, int W, int H) {
        const TPrintMargins m = PrinterMargins(W, H, paperSize, margins);
        draw(canvas, W, H, m.Left, m.Right, m.Top, m.Bottom);
    });
}

void PaintPagePreview(QPainter& painter, const TPSRect& page, TPSPoint paperSize, const TPSRect& margins,
    bool millimetres, const TChartDrawing& draw)
{
    const int W = page.Width();
    const int H = page.Height();
    if (W <= 0 || H <= 0 || paperSize.x <= 0 || paperSize.y <= 0)
        return;
    // Fonts are in points: at the preview's own pixels per inch of paper
    // they take the share of the page they take on paper.
    const double inches = paperSize.x / (millimetres ? 2540.0 : 1000.0);
    const double dpi = W / inches;
    QImage image(W, H, QImage::Format_RGB32);
    image.fill(Qt::white);
    image.setDotsPerMeterX(qRound(dpi / 0.0254));
    image.setDotsPerMeterY(qRound(dpi / 0.0254));
    {
        TQtChartCanvas canvas(&image);
        const TPrintMargins m = PrinterMargins(W, H, paperSize, margins);
        draw(canvas, W, H, m.Left, m.Right, m.Top, m.Bottom);
    }
    painter.drawImage(page.left, page.top, image);
}

} // namespace viewer
