// DrawChart: renders the chart onto any canvas. For now it lays down the
// background only; the grids, curves, legends and marker flags follow.

#include "viewer/components/smithchart.h"

namespace viewer::smith {

void TSmithChart::DrawChart(TChartCanvas& canvas, int W, int H, int left, int right, int top, int bottom)
{
    canvas.SetPenWidth(lineWidth_);
    canvas.SetBrushColor(backgroundColor_);
    canvas.SetPenStyle(TPenStyle::psSolid);
    canvas.SetFont(annotationFont_);

    leftMargin_ = left;
    rightMargin_ = right;
    topMargin_ = top;
    bottomMargin_ = bottom;

    layout_.PlotLeft = leftMargin_;
    layout_.PlotRight = W - rightMargin_;
    layout_.PlotTop = topMargin_;
    layout_.PlotBottom = H - bottomMargin_;

    canvas.SetPenColor(borderColor_);
    canvas.SetBrushColor(borderColor_);
    canvas.Rectangle(0, 0, W, H);
}

} // namespace viewer::smith
