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

// Cosine and sine of an angle in degrees. The angle is reduced by whole
// quarter turns first, which is exact in degrees, so 90, 180 and 270 give
// exact zeros; the rest is the usual kernel polynomials on [-45, 45].
inline void SinCosDegrees(double angle, double& s, double& c)
{
    if (!(std::fabs(angle) < 1e12)) {
        s = std::sin(angle * kRadPerDeg);
        c = std::cos(angle * kRadPerDeg);
        return;
    }
    const double q = std::nearbyint(angle * (1.0 / 90.0));
    const double x = (angle - q * 90.0) * kRadPerDeg; // |x| <= pi/4
    const double z = x * x;
    const double rs = 8.33333333332248946124e-03
        + z
            * (-1.98412698298579493134e-04
                + z
                    * (2.75573137070700676789e-06
                        + z * (-2.50507602534068634195e-08 + z * 1.58969099521155010221e-10)));
    const double sx = x + x * z * (-1.66666666666666324348e-01 + z * rs);
    const double rc = z
        * (4.16666666666666019037e-02
            + z
                * (-1.38888888888741095749e-03
                    + z
                        * (2.48015872894767294178e-05
                            + z
                                * (-2.75573143513906633035e-07
                                    + z * (2.08757232129817482790e-09 + z * -1.13596475577881948265e-11)))));
    const double cx = 1.0 - (0.5 * z - z * rc);
    switch (static_cast<long long>(q) & 3) {
    case 0:
        s = sx;
        c = cx;
        break;
    case 1:
        s = cx;
        c = -sx;
        break;
    case 2:
        s = -sx;
        c = -cx;
        break;
    default:
        s = -cx;
        c = sx;
        break;
    }
}

inline TComplex FromPolar(double mag, double angle)
{
    double s, c;
    SinCosDegrees(angle, s, c);
    return { mag * c, mag * s };
}

// Angles in (-180, 180]: a negative zero imaginary part gives 180, not -180.
inline SParamPolar ToPolar(TComplex z)
{
    double a = std::atan2(z.im, z.re) * kDegPerRad;
    // The squares of very small parts underflow.
    const double m2 = z.re * z.re + z.im * z.im;
    const double mag = m2 < 1e-300 ? std::hypot(z.re, z.im) : std::sqrt(m2);
    return { mag, a == -180.0 ? 180.0 : a };
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
