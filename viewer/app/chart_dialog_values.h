#pragma once

// What the titles and scales dialogs show and apply, apart from their
// widgets.

#include "viewer/components/smithchart.h"
#include "viewer/components/xychart.h"

#include <string>

namespace viewer {

struct TTitlesValues {
    std::string Title;
    TChartFont TitleFont;
    std::string LeftTitle;
    std::string RightTitle;
    std::string XTitle;
};

TTitlesValues ReadTitles(const TSmithChart& smith);
// Both charts take the title, its font and the three axis titles.
void ApplyTitles(const TTitlesValues& values, TSmithChart& smith, TXYChart& xy);

// The six range fields as typed, and the grid intervals.
struct TScalesTexts {
    std::string LeftYMax, LeftYMin, RightYMax, RightYMin, XMin, XMax;
    int HorizLines = 10;
    int VertLines = 10;
};

// The ranges in fixed notation with 2 decimals and the intervals of a chart.
TScalesTexts ReadScales(const TSmithChart& chart);
TScalesTexts ReadScales(const TXYChart& chart);

// The key filter of the range fields: Backspace, "+", "-", ".", the digits
// and "E".
bool ScalesKeyAccepted(char key);

struct TScalesValues {
    double LeftYMax = 0, LeftYMin = 0, RightYMax = 0, RightYMin = 0, XMin = 0, XMax = 0;
    int HorizLines = 10;
    int VertLines = 10;
};

// Converts all six fields before anything is applied. Empty text on
// success; otherwise the message names the field: a text that is no number,
// or a left or right minimum that is not below its maximum.
std::string ParseScales(const TScalesTexts& texts, TScalesValues& values);

// The left and right ranges and the intervals to a chart; the X range is
// only shown.
void ApplyScales(const TScalesValues& values, TSmithChart& chart);
void ApplyScales(const TScalesValues& values, TXYChart& chart);

} // namespace viewer
