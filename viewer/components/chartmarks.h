#pragma once

// Marks that both charts draw the same way: the six point symbols, the
// numbered box at the end of a marker flag's leader, and the label of a
// frequency axis over a single frequency.

#include "viewer/components/chartcanvas.h"

#include <string>

namespace viewer {

// Point symbol 0..5 of half-size s centred on (x, y) with the current pen
// and brush: triangle down, square, diamond, triangle up, flat bar, circle.
// Other numbers draw nothing.
void DrawPointSymbol(TChartCanvas& canvas, int symbol, int x, int y, int s);

// The white, black-outlined box with the marker's number, set against the
// leader's end (ex, ey) on its far side for flag direction d (0 up, then
// clockwise in 45-degree steps). Leaves the brush clear.
void DrawMarkerBox(TChartCanvas& canvas, int d, int ex, int ey, const std::string& label);

// The one label of a frequency axis whose data has a single frequency f:
// the axis then spans a made-up range around f, whose labels would all read
// alike. f in fixed notation with `digits` decimals, centred under its
// column at height y when that column lies on the plot.
void DrawLoneFrequencyLabel(TChartCanvas& canvas, double f, int digits, double shownXmin, double shownXrange,
    int plotLeft, int plotWidth, int y);

// The flag direction 0..7 a marker takes when the pointer is dragged by
// (dx, dy) pixels from where the marker was set (screen y grows downwards).
int FlagDirectionOfDrag(int dx, int dy);

} // namespace viewer
