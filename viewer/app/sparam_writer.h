#pragma once

// Writing S-parameter text from the chart's curves (or from data read
// earlier), and saving it so that an existing file is replaced only by a
// complete new one.

#include "viewer/app/sparam_data.h"
#include "viewer/components/vectormath.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace viewer {

// The curves to write, each a list of points of the same length, in curve
// order (1 port: S11; 2 ports: S11, S21, S12, S22; more: row order).
struct SParamSource {
    int ports = 0;
    std::string units;
    double impedance = 0; // the data's reference impedance in ohms
    std::vector<const smith::TPointList*> curves;
    std::size_t pointCount() const { return curves.empty() ? 0 : curves[0]->size(); }
};

// Finds the chart's curves for `ports` ports by row and column: "S11" ...,
// the k-th of several curves with the same legend ("S111" is row 1 column
// 11 and row 11 column 1) standing for the k-th matrix position that the
// legend names in row order. Empty `error` on success.
SParamSource SourceFromChart(const TSmithChart& chart, int ports, std::string& error);
SParamSource SourceFromData(const SParameterData& data);

struct SParamWriteSettings {
    int parameterType = 0; // 0 S, 1 Y, 2 Z, 3 H (Y, Z, H for two ports only)
    int dataFormat = 0; // 0 MA, 1 DB, 2 RI
    int digits = 5;
    std::string impedanceText = "50"; // written into the option line
    double newImpedance = 50; // its value, above zero
    std::vector<std::string> memo;
    std::string date, time; // for the marker's date line
};

// The marker comment the writer adds once to every file.
inline constexpr const char* kCreatedMarker = " Created by Rivelle";

// Produces the whole file text, handing it to `sink` block by block. Returns an
// empty text on success, else the reason nothing sensible can be written.
using TextSink = std::function<void(std::string_view)>;
std::string WriteSParameterText(const SParamSource& src, const SParamWriteSettings& s, const TextSink& sink);

// Appends one value (rectangular S, or the converted two-port value) as
// the chosen format: two numbers, each followed by a blank.
void WriteComplexValue(TComplex g, int dataFormat, int digits, std::string& line);

// Writes `path` through a temporary file in the same folder that is renamed
// over it only when `produce` has written everything; the old file stays
// as it was on any failure. `produce` returns an empty text or an error.
std::string SaveFileAtomically(const std::string& path, const std::function<std::string(const TextSink&)>& produce);

} // namespace viewer
