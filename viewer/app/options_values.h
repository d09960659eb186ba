#pragma once

// What the options dialog shows and applies, apart from its widgets: grid
// style, chart colours, marker options and digits, the numeric grid's data
// format, the file-history box and the status-bar digit counts.

#include "viewer/app/status_text.h"
#include "viewer/components/smithchart.h"
#include "viewer/components/xychart.h"

namespace viewer {

struct TOptionsValues {
    int GridType = 0; // 0 dotted, 1 dashed, 2 solid
    TColor Border = clWhite;
    TColor Background = clWhite;
    TColor Graph = clBlack;
    bool MagAngle = true; // moMA
    bool RX = false; // moRX
    bool Normalised = true; // moNorm
    int MarkerDigits = 3;
    int DataFormat = 0; // 0 MA, 1 DB, 2 RI
    bool ClearFileHistory = false;
    TStatusDigits Digits;
};

// What the dialog takes when it is activated: the Smith chart's colours and
// marker options, the grid's format and the main window's digit counts. The
// grid style, marker digits and the history box keep their values.
void ReadOptions(TOptionsValues& values, const TSmithChart& smith, int gridFormat, const TStatusDigits& digits);

// Grid style, colours and marker digits to both charts, the marker options
// to the Smith chart and the digit counts to `digits`. Neither chart is
// repainted here.
void ApplyOptions(const TOptionsValues& values, TSmithChart& smith, TXYChart& xy, TStatusDigits& digits);

} // namespace viewer
