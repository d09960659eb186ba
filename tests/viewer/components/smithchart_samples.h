#pragma once

// Charts with a few typical curves for the drawing tests and the benchmark:
// a reflection that spirals in with frequency, a transmission circling
// outside the unit circle and an output match near the centre.

#include "viewer/components/smithchart.h"

#include <cmath>

namespace viewer::smith::samples {

inline void AddSampleCurves(TSmithChart& chart, int points = 41)
{
    const int s11 = chart.AddCurve("S11", clRed);
    const int s21 = chart.AddCurve("S21", clBlue);
    const int s22 = chart.AddCurve("S22", clGreen);
    for (int i = 0; i < points; ++i) {
        const double t = static_cast<double>(i) / (points - 1);
        const double f = 0.1 + 9.9 * t;
        chart.AddPoint(s11, f, 0.95 - 0.6 * t, -20 - 300 * t);
        chart.AddPoint(s21, f, 1.4 - 0.5 * t, 170 - 250 * t);
        chart.AddPoint(s22, f, 0.45 - 0.25 * t, 60 - 200 * t);
    }
    for (int c : { s11, s21, s22 })
        chart.SetCurveVisible(c, true);
}

} // namespace viewer::smith::samples
