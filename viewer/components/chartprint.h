#pragma once

// One printed page of a chart, for either chart: the caller's drawing is
// given the whole paper in device pixels, and a PDF output file is written
// under a temporary name and renamed into place, so that a failed print
// leaves an older file as it was.

#include "viewer/components/chartcanvas.h"

#include <functional>

class QPrinter;

namespace viewer {

// draw(canvas, W, H) paints the page, W x H being the whole paper in the
// printer's pixels. False when the page could not be started or finished
// or the file not written.
bool PrintChartPage(QPrinter& printer, const std::function<void(TChartCanvas& canvas, int W, int H)>& draw);

} // namespace viewer
