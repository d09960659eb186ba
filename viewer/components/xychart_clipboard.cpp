// The clipboard copy of an XY chart, drawn once at the control's size.

#include "viewer/components/chartclipboard.h"
#include "viewer/components/xychart.h"

namespace viewer::xy {

void TXYChart::CopyToClipboard()
{
    // Not the screen: the window's hit-test layout stays as it is.
    CopyChartToClipboard(width_, height_,
        [this](TChartCanvas& canvas) { DrawChart(canvas, width_, height_, 0, 0, 0, 0, TDrawTarget::dtOther); });
}

} // namespace viewer::xy
