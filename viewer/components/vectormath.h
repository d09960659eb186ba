#pragma once

// Complex arithmetic for S-parameters: products and quotients, the bilinear
// maps between a normalised impedance and a reflection coefficient, polar and
// rectangular forms, and the two-port conversions between Z, Y, H and S.
// Angles are in degrees; impedances and admittances are normalised to the
// reference impedance. Nothing here checks its inputs: a zero denominator
// gives the floating-point result of the division (inf or NaN), and callers
// that store values must screen them.

namespace viewer {

struct TComplex {
    double re = 0.0;
    double im = 0.0;
};

double ComplexAbs(TComplex z);
TComplex ComplexMul(TComplex a, TComplex b);
TComplex ComplexScale(TComplex z, double k);
TComplex ComplexDiv(TComplex a, TComplex b);
TComplex ComplexAdd(TComplex a, TComplex b);
TComplex ComplexSub(TComplex a, TComplex b);
TComplex ComplexSubReal(TComplex z, double k);
TComplex ComplexAddReal(TComplex z, double k);
TComplex RealSubComplex(double k, TComplex z);

// Gamma = (z - 1)/(z + 1).
TComplex ZToGamma(TComplex z);
// On entry a = r and b = x; on return a = |Gamma| and b = its angle.
void ZToGammaPolar(double& a, double& b);
// z = (1 + Gamma)/(1 - Gamma) from Gamma = u + jv. Pass (-u, -v) for y.
void GammaToZ(double& r, double& x, double u, double v);

// Polar form: re holds the magnitude, im the angle in degrees.
TComplex RectToPolar(TComplex z);
TComplex PolarToRect(TComplex p);
void PolarToRectInPlace(TComplex& z, double mag, double angle);

// Two-port conversions, in place, arguments in the order 11, 12, 21, 22.
void ZToS(TComplex& x11, TComplex& x12, TComplex& x21, TComplex& x22);
void SToZ(TComplex& x11, TComplex& x12, TComplex& x21, TComplex& x22);
void YToS(TComplex& x11, TComplex& x12, TComplex& x21, TComplex& x22);
void SToY(TComplex& x11, TComplex& x12, TComplex& x21, TComplex& x22);
void HToS(TComplex& x11, TComplex& x12, TComplex& x21, TComplex& x22);
void SToH(TComplex& x11, TComplex& x12, TComplex& x21, TComplex& x22);

} // namespace viewer
