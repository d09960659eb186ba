#include "viewer/components/vectormath.h"

#include <cmath>
#include <numbers>

namespace viewer {

namespace {

constexpr long double kDegPerRad = 180.0L / std::numbers::pi_v<long double>;

long double DegToRad(long double d)
{
    return d / kDegPerRad;
}
long double RadToDeg(long double r)
{
    return r * kDegPerRad;
}

// The two-port conversions are evaluated in extended precision with the
// same elementary steps as the public routines, then stored as doubles.
struct XComplex {
    long double re = 0.0L;
    long double im = 0.0L;
};

XComplex X(TComplex z)
{
    return { z.re, z.im };
}
TComplex D(XComplex z)
{
    return { static_cast<double>(z.re), static_cast<double>(z.im) };
}

XComplex Mul(XComplex a, XComplex b)
{
    return { a.re * b.re - a.im * b.im, a.re * b.im + a.im * b.re };
}
XComplex Scale(XComplex z, long double k)
{
    return { z.re * k, z.im * k };
}
XComplex Div(XComplex a, XComplex b)
{
    const long double d = b.re * b.re + b.im * b.im;
    return { (a.re * b.re + a.im * b.im) / d, (a.im * b.re - a.re * b.im) / d };
}
XComplex Add(XComplex a, XComplex b)
{
    return { a.re + b.re, a.im + b.im };
}
XComplex Sub(XComplex a, XComplex b)
{
    return { a.re - b.re, a.im - b.im };
}
XComplex SubReal(XComplex z, long double k)
{
    return { z.re - k, z.im };
}
XComplex AddReal(XComplex z, long double k)
{
    return { z.re + k, z.im };
}
XComplex RealSub(long double k, XComplex z)
{
    return { k - z.re, -z.im };
}

void Store(
    TComplex& x11, TComplex& x12, TComplex& x21, TComplex& x22, XComplex n11, XComplex n12, XComplex n21, XComplex n22)
{
    x11 = D(n11);
    x12 = D(n12);
    x21 = D(n21);
    x22 = D(n22);
}

// The normalised Y-S map; it is its own inverse.
void YSMap(TComplex& x11, TComplex& x12, TComplex& x21, TComplex& x22)
{
    const XComplex a = X(x11), b = X(x12), c = X(x21), d = X(x22);
    const XComplex bc = Mul(b, c);
    const XComplex delta = Sub(Mul(AddReal(a, 1), AddReal(d, 1)), bc);
    const XComplex n11 = Div(Add(Mul(RealSub(1, a), AddReal(d, 1)), bc), delta);
    const XComplex n12 = Div(Scale(b, -2), delta);
    const XComplex n21 = Div(Scale(c, -2), delta);
    const XComplex n22 = Div(Add(Mul(AddReal(a, 1), RealSub(1, d)), bc), delta);
    Store(x11, x12, x21, x22, n11, n12, n21, n22);
}

} // namespace

double ComplexAbs(TComplex z)
{
    return std::sqrt(z.re * z.re + z.im * z.im);
}
TComplex ComplexMul(TComplex a, TComplex b)
{
    return D(Mul(X(a), X(b)));
}
TComplex ComplexScale(TComplex z, double k)
{
    return { z.re * k, z.im * k };
}
TComplex ComplexDiv(TComplex a, TComplex b)
{
    return D(Div(X(a), X(b)));
}
TComplex ComplexAdd(TComplex a, TComplex b)
{
    return { a.re + b.re, a.im + b.im };
}
TComplex ComplexSub(TComplex a, TComplex b)
{
    return { a.re - b.re, a.im - b.im };
}
TComplex ComplexSubReal(TComplex z, double k)
{
    return { z.re - k, z.im };
}
TComplex ComplexAddReal(TComplex z, double k)
{
    return { z.re + k, z.im };
}
TComplex RealSubComplex(double k, TComplex z)
{
    return { k - z.re, -z.im };
}

TComplex ZToGamma(TComplex z)
{
    const long double r = z.re, x = z.im;
    const long double sq = r * r + x * x;
    const long double den = sq + 2 * r + 1;
    return { static_cast<double>((sq - 1) / den), static_cast<double>(2 * x / den) };
}

void ZToGammaPolar(double& a, double& b)
{
    const TComplex g = RectToPolar(ZToGamma({ a, b }));
    a = g.re;
    b = g.im;
}

void GammaToZ(double& r, double& x, double u, double v)
{
    const long double lu = u, lv = v;
    const long double sq = lu * lu + lv * lv;
    const long double den = sq - 2 * lu + 1;
    r = static_cast<double>((1 - sq) / den);
    x = static_cast<double>(2 * lv / den);
}

TComplex RectToPolar(TComplex z)
{
    // A negative zero imaginary part would give -180; angles lie in (-180, 180].
    const long double im = z.im == 0 ? 0.0L : static_cast<long double>(z.im);
    return { std::sqrt(z.re * z.re + z.im * z.im),
        static_cast<double>(RadToDeg(std::atan2(im, static_cast<long double>(z.re)))) };
}

TComplex PolarToRect(TComplex p)
{
    const long double a = DegToRad(p.im);
    return { static_cast<double>(p.re * std::cos(a)), static_cast<double>(p.re * std::sin(a)) };
}

void PolarToRectInPlace(TComplex& z, double mag, double angle)
{
    z.re = mag;
    z.im = angle;
    z = PolarToRect(z);
}

void ZToS(TComplex& x11, TComplex& x12, TComplex& x21, TComplex& x22)
{
    const XComplex a = X(x11), b = X(x12), c = X(x21), d = X(x22);
    const XComplex bc = Mul(b, c);
    const XComplex delta = Sub(Mul(AddReal(a, 1), AddReal(d, 1)), bc);
    const XComplex n11 = Div(Sub(Mul(SubReal(a, 1), AddReal(d, 1)), bc), delta);
    const XComplex n12 = Div(Scale(b, 2), delta);
    const XComplex n21 = Div(Scale(c, 2), delta);
    const XComplex n22 = Div(Sub(Mul(AddReal(a, 1), SubReal(d, 1)), bc), delta);
    Store(x11, x12, x21, x22, n11, n12, n21, n22);
}

void SToZ(TComplex& x11, TComplex& x12, TComplex& x21, TComplex& x22)
{
    const XComplex a = X(x11), b = X(x12), c = X(x21), d = X(x22);
    const XComplex bc = Mul(b, c);
    const XComplex delta = Sub(Mul(RealSub(1, a), RealSub(1, d)), bc);
    const XComplex n11 = Div(Add(Mul(AddReal(a, 1), RealSub(1, d)), bc), delta);
    const XComplex n12 = Div(Scale(b, 2), delta);
    const XComplex n21 = Div(Scale(c, 2), delta);
    const XComplex n22 = Div(Add(Mul(AddReal(d, 1), RealSub(1, a)), bc), delta);
    Store(x11, x12, x21, x22, n11, n12, n21, n22);
}

void YToS(TComplex& x11, TComplex& x12, TComplex& x21, TComplex& x22)
{
    YSMap(x11, x12, x21, x22);
}
void SToY(TComplex& x11, TComplex& x12, TComplex& x21, TComplex& x22)
{
    YSMap(x11, x12, x21, x22);
}

void HToS(TComplex& x11, TComplex& x12, TComplex& x21, TComplex& x22)
{
    const XComplex a = X(x11), b = X(x12), c = X(x21), d = X(x22);
    const XComplex bc = Mul(b, c);
    const XComplex delta = Sub(Mul(AddReal(a, 1), AddReal(d, 1)), bc);
    const XComplex n11 = Div(Sub(Mul(SubReal(a, 1), AddReal(d, 1)), bc), delta);
    const XComplex n12 = Div(Scale(b, 2), delta);
    const XComplex n21 = Div(Scale(c, -2), delta);
    const XComplex n22 = Div(Add(Mul(AddReal(a, 1), RealSub(1, d)), bc), delta);
    Store(x11, x12, x21, x22, n11, n12, n21, n22);
}

void SToH(TComplex& x11, TComplex& x12, TComplex& x21, TComplex& x22)
{
    const XComplex a = X(x11), b = X(x12), c = X(x21), d = X(x22);
    const XComplex bc = Mul(b, c);
    const XComplex delta = Add(Mul(RealSub(1, a), AddReal(d, 1)), bc);
    const XComplex n11 = Div(Sub(Mul(AddReal(a, 1), AddReal(d, 1)), bc), delta);
    const XComplex n12 = Div(Scale(b, 2), delta);
    const XComplex n21 = Div(Scale(c, -2), delta);
    const XComplex n22 = Div(Sub(Mul(RealSub(1, a), RealSub(1, d)), bc), delta);
    Store(x11, x12, x21, x22, n11, n12, n21, n22);
}

} // namespace viewer
