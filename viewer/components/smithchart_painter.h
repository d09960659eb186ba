#pragma once

// The drawing of a TSmithChart, one object per DrawChart call: the frame
// and layout (smithchart_draw.cpp), the Smith and polar grids
// (smithchart_grid.cpp), the curves, point symbols and legend, the
// rectangular views (smithchart_rect.cpp) and the marker panel and flags
// (smithchart_markers.cpp). It works on
// a layout of its own and hands it back to the chart at the end, so that a
// drawing for another surface leaves the screen's layout alone.

#include "viewer/components/chartcanvas.h"
#include "viewer/components/smithchart.h"

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
    static constexpr double kCoordinateLimit = 32768.0;

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
    void DrawRectPass(const Tcurve& curve, int symbol, bool rightAxis);
    // One straight piece of a rectangular curve between two pixel positions
    // (whole numbers, possibly far outside or non-finite).
    void RectSegment(double x0, double y0, double x1, double y1);
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
    // PathLineTo for lines drawn against frequency, where thousands of
    // points share a pixel column: the points of one column are kept as the
    // first, the lowest, the highest and the last, which cover the same
    // pixels as the whole run.
    void PathColumnLineTo(int x, int y);

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
    // A rectangular view's left and right values of the curve being drawn.
    std::vector<std::pair<double, double>> values_;
    // Where the points of the path's last pixel column begin.
    std::size_t columnStart_ = 0;
};

} // namespace viewer::smith
