#include "viewer/app/new_file.h"

#include "platform/rtl/format.h"

#include <cmath>

namespace viewer {

namespace {

bool readNumber(const std::string& text, double& value, const char* field, std::string& error)
{
    if (rtl::TryStrToFloat(text, value, '.') && std::isfinite(value))
        return true;
    error = "'" + text + "' is not a valid floating point value (" + field + ").";
    return false;
}

} // namespace

std::string NewFileName(int ports)
{
    return "NewFile.S" + std::to_string(ports) + (ports < 10 ? "P" : "");
}

std::string CheckNewFile(const TNewFileValues& v, TNewFile& file)
{
    std::string error;
    file = {};
    file.ports = v.fileType == 3 ? v.portCount : v.fileType + 1;
    if (v.fileType < 0 || v.fileType > 3 || file.ports < 1 || file.ports > 99)
        return "The number of ports must be from 1 to 99.";
    if (!readNumber(v.impedance, file.impedance, "Z0", error))
        return error;
    if (!(file.impedance > 0))
        return "The reference impedance Z0 must be above zero.";
    double start = 0, stop = 0;
    if (!readNumber(v.start, start, "Start", error) || !readNumber(v.stop, stop, "Stop", error))
        return error;
    if (!(stop > start))
        return "The stop frequency must be above the start frequency.";
    if (v.points < 2 || v.points > 10000)
        return "The number of points must be from 2 to 10000.";
    const long long total = static_cast<long long>(file.ports) * file.ports * v.points;
    if (total > kMaxNewFilePoints)
        return std::to_string(file.ports) + " ports of " + std::to_string(v.points) + " points make "
            + std::to_string(total) + " points; a new file holds at most " + std::to_string(kMaxNewFilePoints) + ".";
    file.units = v.units;
    file.dataFormat = v.dataFormat >= 0 && v.dataFormat <= 2 ? v.dataFormat : 0;
    file.frequencies.reserve(static_cast<std::size_t>(v.points));
    for (int k = 0; k < v.points; ++k)
        file.frequencies.push_back(start + (stop - start) * k / (v.points - 1));
    file.name = NewFileName(file.ports);
    return {};
}

void MakeNewFile(TSmithChart& chart, const TNewFile& file)
{
    chart.ClearCurves();
    chart.SetImpedance(file.impedance);
    chart.SetUnits(file.units);
    chart.SetXTitle("Freq " + file.units);
    smith::TPointList points;
    points.reserve(file.frequencies.size());
    for (double f : file.frequencies)
        points.push_back({ f, 0, 0, 0, 0 });
    TColor colour = clRed;
    for (int i = 1; i <= file.ports; ++i)
        for (int j = 1; j <= file.ports; ++j) {
            const std::string legend = "S" + std::to_string(i) + std::to_string(j);
            const int index = chart.AddCurve(legend, colour);
            chart.CurveAt(index)->Points = points;
            chart.SetCurveVisible(index, true);
            colour = smith::NextColour(colour);
        }
}

} // namespace viewer
