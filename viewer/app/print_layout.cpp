#include "viewer/app/print_layout.h"

#include "viewer/components/chartprint.h"

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

} // namespace viewer
