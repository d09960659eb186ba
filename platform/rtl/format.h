#pragma once

// Number texts as the old class library wrote them. Every routine takes the
// decimal separator explicitly or from the process-wide FormatSettings;
// file formats and SQL texts always pass '.'.

#include <string>
#include <string_view>

namespace rtl {

struct FormatSettings {
    char decimalSeparator = '.';
    char thousandSeparator = ',';
};

// The separators shown to the user. Starts from the C library's locale
// (LC_NUMERIC after setlocale(LC_ALL, "")) on first use; tests may set it.
FormatSettings& formatSettings();
void loadFormatSettingsFromLocale();

// Delphi-style FormatFloat: a picture of '0' (digit always shown), '#'
// (digit when significant), '.' (decimal separator), ',' (thousands
// grouping anywhere in the integer part), 'E+'/'E-' exponents, quoted
// literals and up to three ';'-separated sections (positive;negative;zero).
// Rounding is half away from zero on the value's decimal digits.
std::string FormatFloat(std::string_view picture, double value, const FormatSettings& fs);
std::string FormatFloat(std::string_view picture, double value);

// General float text: shortest form with at most `precision` significant
// digits (1..15 are useful), no trailing zeros, exponent form ("1E15",
// "1E-5") only when the exponent is above the precision or the value is
// below 1e-4.
std::string FloatToStrGeneral(double value, int precision, const FormatSettings& fs);
std::string FloatToStr(double value, const FormatSettings& fs); // precision 15
std::string FloatToStr(double value);

// Fixed text with at most `precision` significant digits and exactly
// `digits` decimals (padded with zeros); falls back to the general form
// when the integer part needs more than `precision` digits.
std::string FloatToStrFixed(double value, int precision, int digits, const FormatSettings& fs);
std::string FloatToStrFixed(double value, int precision, int digits);

// Parses a decimal number written with the given separator (or '.'),
// with optional sign (a leading '+' is allowed) and exponent, surrounding
// blanks allowed. Returns false on anything else.
bool TryStrToFloat(std::string_view text, double& value, char decimalSeparator = '.');

} // namespace rtl
