#pragma once

// The main window's status-bar read-outs of the point under the pointer:
// frequency, magnitude and angle, and the impedance, admittance or
// reflection coefficient, with the three digit counts the user sets.

#include "viewer/components/smithchart.h"

#include <functional>
#include <optional>
#include <string>

namespace viewer {

struct TStatusDigits {
    int Freq = 4; // decimals of the frequency
    int Db = 2; // decimals of dB values
    int Value = 3; // decimals of every other value

    void More(); // "+ digits": no upper bound
    void Fewer(); // "- digits": each count stops at 0
};

// Fixed notation with at most 8 significant digits and `digits` decimals.
std::string StatusNumber(double value, int digits);

// A read-out that fits its panel: `make` builds the text from digit counts,
// `measure` gives a text's width. Every count is lowered by one at a time
// until the text is at most `width` wide or all counts are 0; the numbers
// are rounded to the decimals shown, never cut.
std::string FitStatusText(const TStatusDigits& digits, int width,
    const std::function<std::string(const TStatusDigits&)>& make,
    const std::function<int(const std::string&)>& measure);

struct TPointStatus {
    std::string Freq; // panel 2
    std::optional<std::string> MagAngle; // panel 3, when the view shows it
    std::optional<std::string> Value; // panel 4, when the view shows it
};

// `u` and `v` are the reflection coefficient's real and imaginary parts;
// `impedance` the reference impedance used when not normalised (impedances
// in ohms, admittances in millisiemens); `units` the data's frequency unit.
TPointStatus PointStatusTexts(smith::Tcharttype view, double freq, double mag, double angle, double u, double v,
    const TStatusDigits& digits, bool normalised, double impedance, const std::string& units);

} // namespace viewer
