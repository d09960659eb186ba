#pragma once

// Re-normalising the data held in the Smith chart to another reference
// impedance: the whole S matrix at each frequency, as the file writer does
// when it saves to another impedance.

#include "viewer/components/smithchart.h"

#include <string>

namespace viewer {

inline constexpr const char* kNormaliseCaption = "Rivelle Normalise";
inline constexpr const char* kBadNormaliseImpedance = "The impedance must be a number of ohms above zero.";

// Re-normalises every point of the chart's `ports`-port data from the
// chart's Impedance to newZ0 (above zero) and sets the chart's Impedance to
// newZ0. With newZ0 equal to the impedance no point is touched. Returns an
// empty text on success; otherwise the reason, and nothing has changed.
std::string RenormaliseChart(TSmithChart& chart, int ports, double newZ0);

} // namespace viewer
