#pragma once

// Printing a Smith chart: one page, drawn at the page's size in device
// pixels with the page's margins, the way the chart draws on any canvas.

#include "viewer/components/smithchart.h"

#include <QString>

#include <memory>

class QPrinter;

namespace viewer::smith {

// A printer for charts: the system's default printer (or its first one when
// none is the default), or, when the system has none, a PDF file at pdfPath.
std::unique_ptr<QPrinter> NewChartPrinter(const QString& pdfPath);

// Draws the chart on one page of the printer: the whole paper is the
// drawing area and the page's margins are the chart's margins. A PDF
// output file is written under a temporary name and renamed into place, so
// a failed print leaves an older file as it was. False when the page could
// not be opened or the file not written; the window's hit-test layout is
// never touched.
bool PrintChart(TSmithChart& chart, QPrinter& printer);

} // namespace viewer::smith
