#pragma once

// S-parameter data as read from a file, before it goes into the chart:
// a read fills one of these and the chart's curves are replaced only when
// the whole file was read.

#include "viewer/components/smithchart.h"

#include <string>
#include <vector>

namespace viewer {

struct SParameterData {
    int ports = 0;
    std::string units; // the option line's unit token (upper case)
    char kind = 'S'; // parameter letter of the file ('S', 'Y', 'Z' or 'H')
    int format = 0; // format code: 0 MA, 1 DB, 2 RI
    double impedance = 0; // reference impedance in ohms
    std::vector<std::string> comments; // comment lines, text after the '!'
    // The points of each curve, in curve order (1 port: S11; 2 ports: S11,
    // S21, S12, S22; more: row order), all of the same length. Values are S.
    std::vector<smith::TPointList> points;
    bool noiseDropped = false; // a two-port noise block followed the data

    int curveCount() const { return static_cast<int>(points.size()); }
    std::size_t pointCount() const { return points.empty() ? 0 : points[0].size(); }
};

// Legend of curve `index` (curve order above) for a port count.
std::string CurveLegend(int ports, int index);

// Curve index of row i, column j (1-based) for a port count.
inline int CurveIndex(int ports, int row, int col)
{
    if (ports == 2)
        return (col - 1) * 2 + (row - 1); // S11, S21, S12, S22
    return (row - 1) * ports + (col - 1);
}

} // namespace viewer
