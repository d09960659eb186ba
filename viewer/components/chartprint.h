#pragma once

// One printed page of a chart, for either chart: the caller's drawing is
// given the whole paper in device pixels, and a PDF output file is written
// under a temporary name and renamed into place, so that a failed print
// leaves an older file as it was.

#include "viewer/components/chartcanvas.h"

#include <functional>

class QPrinter;

namespace viewer {

// The resolution charts are printed at: a pen of width 1 prints 0.1 mm wide
// (one pixel of a 300-dpi printer is 0.085 mm), wider pens in proportion.
// The page is vector drawing, so text and curves stay sharp on finer
// printers.
constexpr int kChartPrintDpi = 254;

// draw(canvas, W, H) paints the page, W x H being the whole paper in the
// printer's pixels at kChartPrintDpi (the printer is set to it). False when the page could not be started or finished
// or the file not written.
bool PrintChartPage(QPrinter& printer, const std::function<void(TChartCanvas& canvas, int W, int H)>& draw);

} // namespace viewer
