#pragma once

// The small parts of the S-parameter text format shared by the reader, the
// writer and the save dialog: port counts from file extensions, the option
// codes, locale-free number parsing and fixed-point number text, and the
// fixed texts of the failure messages.

#include <string>
#include <string_view>

namespace viewer {

// Data format codes, as the file state and the save dialog keep them.
enum SParamFormat : int { sfMA = 0, sfDB = 1, sfRI = 2 };

// Parameter letters in the order of the save dialog's radio group.
enum SParamKind : int { spS = 0, spY = 1, spZ = 2, spH = 3 };

// Port count from an extension such as ".S2P" or ".s12": 1 to 99, or -1.
// Only the first four characters (the point included) are looked at.
int PortCountFromExtension(std::string_view extension);

// Port count from a path's extension (-1 when it has none that fits).
int PortCountFromPath(std::string_view path);

// The extension the writer proposes for a port count, without the point:
// "S1P" ... "S9P", "S10" ... "S99".
std::string ProposedExtension(int ports);

// Decibel value written for a zero or undefined magnitude, as the charts show it.
constexpr double kZeroPowerDb = -174.0;

// Parses a whole token as a finite decimal number, independent of the
// locale: optional sign (a leading '+' too), decimal point, exponent.
bool ParseNumber(std::string_view token, double& value);

// Converts the number at the start of [first, last) as std::from_chars does
// (no leading '+'), with a quicker path for plain decimals of up to 15
// digits; returns the end of the number, or nullptr when there is none.
const char* ParseNumberPrefix(const char* first, const char* last, double& value);

// Appends `value` in fixed-point notation with exactly `digits` decimals
// (0..7 in the dialog; any 0..20 accepted) and at most 15 significant
// digits, rounding half away from zero.
void AppendFixed(std::string& out, double value, int digits);

// The smallest nonzero magnitude that `digits` decimals of fixed-point
// write with three significant digits or more (10^(2 - digits)).
double FixedPointFloor(int digits);

// Appends `value` in exponent form with `decimals` decimals in the
// mantissa and an upper-case E: 1.23457E-07.
void AppendExponent(std::string& out, double value, int decimals);

// Appends a frequency: like AppendFixed, but with as many more decimals as
// the value needs (up to 15 significant digits), so that the chosen digits
// never round a frequency away.
void AppendFrequency(std::string& out, double value, int digits);

// Fixed texts of the reader and writer messages.
namespace msg {
inline constexpr const char* kInvalidFileType = "Invalid File Type";
inline constexpr const char* kDescriptorMissing = "Descriptor Line Missing";
inline constexpr const char* kVersion2NotRead
    = "This file has a [Version] line: version 2.0 S-parameter files are not read.";
inline constexpr const char* kOnlyS2P = " Parameters only supported for S2P files"; // after the letter
inline constexpr const char* kUnsupportedFileType = "Unsupported file type";
inline constexpr const char* kImpedanceSpecifier = "Error in Impedance Specifier";
inline constexpr const char* kInputError = "Error in input file.";
inline constexpr const char* kNoiseNotKept
    = "The file holds noise parameters after its S-parameter data; the noise data is not kept.";
inline constexpr const char* kBadImpedance = "Z0 must be a number above zero.";
inline constexpr const char* kTypeOnlyS2P = " parameters can only be saved for two ports."; // after the letter
} // namespace msg

} // namespace viewer
