#pragma once

// Where a printed chart goes on its page: the page-setup margins, given in
// the dialog's units on a paper of the dialog's size, as printer pixels on
// the whole paper; and the one routine that prints either chart.

#include "viewer/components/chartcanvas.h"
#include "viewer/components/pagesetup.h"

#include <functional>

class QPainter;
class QPrinter;

namespace viewer {

struct TPrintMargins {
    int Left = 0;
    int Right = 0;
    int Top = 0;
    int Bottom = 0;
    bool operator==(const TPrintMargins&) const = default;
};

// pageW x pageH is the whole paper in printer pixels; paperSize and margins
// are in the same units (hundredths of millimetres or thousandths of
// inches). Each margin is rounded to the nearest pixel; a paper without a
// size gives no margins.
TPrintMargins PrinterMargins(int pageW, int pageH, TPSPoint paperSize, const TPSRect& margins);

// A chart's drawing: the whole chart on a W x H canvas inside the four
// margins (in DrawChart's order: left, right, top, bottom).
using TChartDrawing = std::function<void(TChartCanvas& canvas, int W, int H, int left, int right, int top, int bottom)>;

// Prints the drawing on one page of the printer, the page-setup margins as
// the chart's margins. A PDF output file is replaced only by a complete
// one. False when the page could not be started or finished.
bool PrintDrawing(QPrinter& printer, TPSPoint paperSize, const TPSRect& margins, const TChartDrawing& draw);

// The page-setup preview of that print: the drawing on the whole page
// `page` (preview pixels) with the margins placed as on paper and the fonts
// at the preview's scale of the paper, so that what prints in the margins
// (a chart's outer labels) shows too. `millimetres`: paperSize and margins
// are in hundredths of millimetres, else in thousandths of inches.
void PaintPagePreview(QPainter& painter, const TPSRect& page, TPSPoint paperSize, const TPSRect& margins,
    bool millimetres, const TChartDrawing& draw);

} // namespace viewer
