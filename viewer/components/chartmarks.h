#pragma once

// Marks that both charts draw the same way: the six point symbols and the
// numbered box at the end of a marker flag's leader.

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

// The flag direction 0..7 a marker takes when the pointer is dragged by
// (dx, dy) pixels from where the marker was set (screen y grows downwards).
int FlagDirectionOfDrag(int dx, int dy);

} // namespace viewer
