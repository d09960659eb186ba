#pragma once

// The drawing of a TSmithChart, one object per DrawChart call: the frame
// and layout (smithchart_draw.cpp), the Smith and polar grids
// (smithchart_grid.cpp), the curves, point symbols and legend, the
// rectangular views (smithchart_rect.cpp, their curves traced in
// smithchart_trace.cpp) and the marker panel and flags
// (smithchart_markers.cpp). It works on a layout of its own and hands it
// back to the chart at the end, so that a drawing for another surface
// leaves the screen's layout alone.

#include "viewer/components/chartcanvas.h"
#include "viewer/components/smithchart.h"
#include "viewer/components/smithchart_trace.h"

#include <vector>

namespace viewer::smith {

// Grid line style: 0 dotted, 1 dashed, 2 solid.
inline TPenStyle GridPenStyle(int gridType)
{
    switch (gridType) {
    case 1:
        return TPenStyle::psDash;
    case 2:
        return TPenStyle::psSolid;
    default:
        return TPenStyle::psDot;
    }
}

class TSmithChartPainter {
public:
    TSmithChartPainter(TSmithChart& chart, TChartCanvas& canvas, int W, int H, TDrawTarget target);

    // DrawChart after the margins have been stored.
    void Draw();

    // Half the size of a point symbol on a canvas W pixels wide.
    static int SymbolHalfSize(int W) { return W / 320 + 2; }
    // Curve points whose pixel position passes this (|x| + |y|) break the
    // line instead of drawing it.
    static constexpr double kCoordinateLimit = TRectTracer::kCoordinateLimit;

private:
    // Circular views.
    bool LayoutCircle();
    void DrawSmithGrid();
    void DrawResistanceCircle(double r, bool cut);
    void DrawReactanceArc(double x);
    void CutReactanceArc(double rc);
    void DrawSmithEndLabels();
    void DrawPolarGrid();
    void DrawPolarCircle(double m);
    void DrawCurves();
    void DrawZ0();

    // Shared with the rectangular views.
    void DrawSymbol(int symbol, int x, int y);
    void DrawLegend(int H, int W);

    // Rectangular views.
    void DrawRectChart();
    bool LayoutRect();
    void DrawRectGrid();
    void DrawRectCurves();
    void DrawRectTrace(const TRectTrace& trace, int symbol, bool rightAxis);
    bool InGuard(double x, double y) const
    {
        return x >= -kCoordinateLimit && x <= W_ + kCoordinateLimit && y >= -kCoordinateLimit
            && y <= H_ + kCoordinateLimit;
    }

    // Marker read-out panel and flags.
    void DrawInfoPanel();
    void DrawMarkerFlag(const Tmarker& marker, int i);

    // Collects the line segments of a curve so that they are stroked as
    // polylines, in the same order as one line at a time would draw them.
    void PathMoveTo(int x, int y);
    void PathLineTo(int x, int y);
    void PathFlush();

    TSmithChart& c_;
    TChartCanvas& cv_;
    const int W_;
    const int H_;
    const TDrawTarget target_;
    TSmithLayout l_;
    int pw_ = 0;
    int ph_ = 0;

    // The reactance arc being drawn (DrawReactanceArc for CutReactanceArc).
    double x_ = 0.0;
    double q_ = 0.0;
    int rr_ = 0;
    int ux_ = 0;
    int uy_ = 0;

    std::vector<TCanvasPoint> path_;
    // The rectangular views' curves, traced, and one polyline of a trace.
    std::vector<TRectTrace> traces_;
    std::vector<TCanvasPoint> run_;
};

} // namespace viewer::smith
