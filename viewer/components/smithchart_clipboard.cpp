// The clipboard copy of a Smith chart, drawn once at the control's size.

#include "viewer/components/chartclipboard.h"
#include "viewer/components/smithchart.h"

namespace viewer::smith {

void TSmithChart::CopyToClipboard()
{
    // Not the screen: the window's hit-test layout stays as it is.
    CopyChartToClipboard(width_, height_,
        [this](TChartCanvas& canvas) { DrawChart(canvas, width_, height_, 0, 0, 0, 0, TDrawTarget::dtOther); });
}

} // namespace viewer::smith
