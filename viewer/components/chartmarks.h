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

// The step of a marker flag's leader by direction d (0 up, then clockwise
// in 45-degree steps; screen y grows downwards).
inline constexpr int kFlagLeader[8][2]
    = { { 0, -1 }, { 1, -1 }, { 1, 0 }, { 1, 1 }, { 0, 1 }, { -1, 1 }, { -1, 0 }, { -1, -1 } };

// The white, black-outlined box with the marker's number, set against the
// leader's end (ex, ey) on its far side for flag direction d. Leaves the
// brush clear.
void DrawMarkerBox(TChartCanvas& canvas, int d, int ex, int ey, const std::string& label);

// The direction in which to draw a flag whose head is at (x, y) with a
// leader of L pixels: d, turned over top to bottom and left to right where
// its number box would leave the plot area (left, top)-(right, bottom); a
// flag straight up or down at the left or right edge leans into the plot.
// The leader's length follows the direction returned.
int FlagDirectionInPlot(TChartCanvas& canvas, int d, int x, int y, int L, const std::string& label, int left, int top,
    int right, int bottom);

// The left end of a frequency label of `width` pixels centred under x,
// moved inside left..right where it would run past either end.
int FrequencyLabelLeft(int x, int width, int left, int right);

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
