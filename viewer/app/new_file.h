#pragma once

// File > New: the values of the new-file dialog, their check, and the
// evenly spaced points with zero values that replace the chart's curves.

#include "viewer/components/smithchart.h"

#include <string>
#include <vector>

namespace viewer {

// What the new-file dialog holds; kept from one showing to the next.
struct TNewFileValues {
    int fileType = 1; // 0 "S1P", 1 "S2P", 2 "S3P", 3 "SNP"
    int portCount = 4; // used with "SNP"
    int dataFormat = 0; // 0 MA, 1 DB, 2 RI
    std::string impedance = "50";
    std::string start = "1";
    std::string stop = "10";
    int points = 11;
    std::string units = "GHZ";
};

// The unit choices, in the dialog's order.
inline const char* const kNewFileUnits[] = { "THZ", "GHZ", "MHZ", "KHZ", "HZ" };

// Points in all curves together (ports squared times points) that a new
// file may hold.
constexpr long long kMaxNewFilePoints = 10'000'000;

// The checked values of a new file.
struct TNewFile {
    int ports = 0;
    double impedance = 0;
    std::string units;
    int dataFormat = 0;
    std::vector<double> frequencies;
    std::string name; // "NewFile.S2P", "NewFile.S12"
};

// Reads and checks every field; empty on success, else the message that
// names the field, and `file` is not to be used.
std::string CheckNewFile(const TNewFileValues& values, TNewFile& file);

// "NewFile.S" + the port count, with "P" below 10 ports.
std::string NewFileName(int ports);

// Replaces the chart's curves by the new file's: S11 for one port, else
// S + i + j in row order, red first and then NextColour, all visible, every
// point (f, 0, 0). Sets the chart's reference impedance, units and
// frequency axis title.
void MakeNewFile(TSmithChart& chart, const TNewFile& file);

} // namespace viewer
