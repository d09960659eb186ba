#pragma once

// The clipboard copy of a chart: drawn once into a picture, which is then
// played into SVG for programs that take vector pictures and into a PNG
// image for the rest.

#include "viewer/components/chartcanvas.h"

#include <functional>

namespace viewer {

// Puts the picture that draw paints on a W x H canvas on the clipboard.
// Needs a running GUI application; does nothing for an empty size.
void CopyChartToClipboard(int W, int H, const std::function<void(TChartCanvas&)>& draw);

} // namespace viewer
