#pragma once

// The complex steps of reading and writing S-parameter files. The per-value
// steps run once or twice for every number of a file, so they are inline and
// in double precision; the two-port conversions are VectorMath's.

#include "viewer/components/smithchart.h"
#include "viewer/components/vectormath.h"

#include <cmath>
#include <complex>
#include <numbers>
#include <vector>

namespace viewer {

struct SParamPolar {
    double mag = 0; // linear
    double angle = 0; // degrees
};

inline constexpr double kRadPerDeg = std::numbers::pi / 180.0;
inline constexpr double kDegPerRad = 180.0 / std::numbers::pi;

inline TComplex FromPolar(double mag, double angle)
{
    double a = angle * kRadPerDeg;
    return { mag * std::cos(a), mag * std::sin(a) };
}

// Angles in (-180, 180]: a negative zero imaginary part gives 180, not -180.
inline SParamPolar ToPolar(TComplex z)
{
    double a = std::atan2(z.im, z.re) * kDegPerRad;
    return { std::sqrt(z.re * z.re + z.im * z.im), a == -180.0 ? 180.0 : a };
}

// A chart point with Re and Im following Mag and Angle.
inline smith::TPoint MakePoint(double freq, double mag, double angle)
{
    TComplex r = FromPolar(mag, angle);
    return { freq, mag, angle, r.re, r.im };
}

// Y, Z or H (normalised) to S in place; the matrix in the order 11, 12, 21, 22.
void TwoPortToS(char kind, TComplex m[4]);

// S to Y, Z or H (by the save dialog's parameter index 1, 2, 3) in place;
// the matrix in the order 11, 12, 21, 22. Index 0 (S) leaves it alone.
void SToTwoPort(int kind, TComplex m[4]);

// Re-normalises an n x n S matrix (row order) from reference impedance z0
// to newZ0: S' = (S - rI)(I - rS)^-1 with r = (newZ0 - z0)/(newZ0 + z0).
// For one port this is the bilinear map of the normalised impedance by
// z0/newZ0. Returns false when I - rS is singular (the matrix is unchanged).
bool RenormaliseS(std::vector<std::complex<double>>& s, int n, double z0, double newZ0);

} // namespace viewer
