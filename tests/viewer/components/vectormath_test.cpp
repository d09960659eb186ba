#include "viewer/components/vectormath.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <complex>
#include <random>

using namespace viewer;

namespace {

using C = std::complex<double>;

// A 2x2 complex matrix and the textbook algebra the conversions must agree with.
struct M2 {
    C a, b, c, d; // 11, 12, 21, 22
};

M2 Mul(const M2& x, const M2& y)
{
    return { x.a * y.a + x.b * y.c, x.a * y.b + x.b * y.d, x.c * y.a + x.d * y.c, x.c * y.b + x.d * y.d };
}
M2 Inv(const M2& x)
{
    const C det = x.a * x.d - x.b * x.c;
    return { x.d / det, -x.b / det, -x.c / det, x.a / det };
}
M2 AddI(const M2& x, double k)
{
    return { x.a + k, x.b, x.c, x.d + k };
} // x + kI
M2 ISub(const M2& x)
{
    return { 1.0 - x.a, -x.b, -x.c, 1.0 - x.d };
} // I - x

M2 RefZToS(const M2& z)
{
    return Mul(AddI(z, -1), Inv(AddI(z, 1)));
} // (Z - I)(Z + I)^-1
M2 RefSToZ(const M2& s)
{
    return Mul(AddI(s, 1), Inv(ISub(s)));
} // (I + S)(I - S)^-1
M2 RefYToS(const M2& y)
{
    return Mul(ISub(y), Inv(AddI(y, 1)));
} // (I - Y)(I + Y)^-1
M2 RefSToY(const M2& s)
{
    return Mul(ISub(s), Inv(AddI(s, 1)));
} // (I - S)(I + S)^-1
// Hybrid parameters through the impedance matrix.
M2 ZFromH(const M2& h)
{
    const C dh = h.a * h.d - h.b * h.c;
    return { dh / h.d, h.b / h.d, -h.c / h.d, 1.0 / h.d };
}
M2 HFromZ(const M2& z)
{
    const C dz = z.a * z.d - z.b * z.c;
    return { dz / z.d, z.b / z.d, -z.c / z.d, 1.0 / z.d };
}
M2 RefHToS(const M2& h)
{
    return RefZToS(ZFromH(h));
}
M2 RefSToH(const M2& s)
{
    return HFromZ(RefSToZ(s));
}

using Conv = void (*)(TComplex&, TComplex&, TComplex&, TComplex&);

M2 Apply(Conv f, const M2& m)
{
    TComplex a { m.a.real(), m.a.imag() }, b { m.b.real(), m.b.imag() }, c { m.c.real(), m.c.imag() },
        d { m.d.real(), m.d.imag() };
    f(a, b, c, d);
    return { C(a.re, a.im), C(b.re, b.im), C(c.re, c.im), C(d.re, d.im) };
}

void ExpectNear(const M2& got, const M2& want, double tol, const char* what)
{
    const std::array<std::pair<C, C>, 4> pairs { { { got.a, want.a }, { got.b, want.b }, { got.c, want.c },
        { got.d, want.d } } };
    for (std::size_t i = 0; i < pairs.size(); ++i) {
        const double scale = std::max(1.0, std::abs(pairs[i].second));
        EXPECT_LE(std::abs(pairs[i].first - pairs[i].second), tol * scale) << what << " element " << i;
    }
}

C RandC(std::mt19937& rng)
{
    std::uniform_real_distribution<double> d(-1.5, 1.5);
    return { d(rng), d(rng) };
}

// Random matrices far enough from the singular ones that 1e-12 is a fair bar.
std::vector<M2> Samples(bool forS)
{
    std::mt19937 rng(20261208);
    std::vector<M2> out;
    while (out.size() < 200) {
        M2 m { RandC(rng), RandC(rng), RandC(rng), RandC(rng) };
        if (forS) {
            m.a *= 0.6;
            m.b *= 0.6;
            m.c *= 0.6;
            m.d *= 0.6;
        }
        const C d1 = (m.a + 1.0) * (m.d + 1.0) - m.b * m.c;
        const C d2 = (1.0 - m.a) * (1.0 - m.d) - m.b * m.c;
        const C d3 = (1.0 - m.a) * (m.d + 1.0) + m.b * m.c;
        if (std::abs(d1) < 0.2 || std::abs(d2) < 0.2 || std::abs(d3) < 0.2 || std::abs(m.d) < 0.2)
            continue;
        out.push_back(m);
    }
    return out;
}

} // namespace

// Catches a wrong sign, a swapped 12/21 element or a wrong denominator in any
// of the six two-port conversions, checked against independent matrix algebra.
TEST(TwoPortConversions, AgreeWithMatrixAlgebra)
{
    for (const M2& m : Samples(false)) {
        ExpectNear(Apply(ZToS, m), RefZToS(m), 1e-12, "ZToS");
        ExpectNear(Apply(YToS, m), RefYToS(m), 1e-12, "YToS");
        ExpectNear(Apply(HToS, m), RefHToS(m), 1e-12, "HToS");
    }
    for (const M2& s : Samples(true)) {
        ExpectNear(Apply(SToZ, s), RefSToZ(s), 1e-12, "SToZ");
        ExpectNear(Apply(SToY, s), RefSToY(s), 1e-12, "SToY");
        ExpectNear(Apply(SToH, s), RefSToH(s), 1e-12, "SToH");
    }
}

// Catches conversions that overwrite an input before the other results have
// read it, and inverse pairs that drift apart.
TEST(TwoPortConversions, RoundTripsReturnTheStartingMatrix)
{
    for (const M2& m : Samples(false)) {
        ExpectNear(Apply(SToZ, Apply(ZToS, m)), m, 1e-12, "Z->S->Z");
        ExpectNear(Apply(YToS, Apply(YToS, m)), m, 1e-12, "Y->S->Y");
        ExpectNear(Apply(SToH, Apply(HToS, m)), m, 1e-12, "H->S->H");
    }
}

// Catches the asymmetric hybrid elements being treated as interchangeable.
TEST(TwoPortConversions, HybridElementsKeepTheirPlaces)
{
    const M2 h { C(0.3, 0.1), C(0.2, 0), C(5.0, -1.0), C(0.4, 0.2) };
    const M2 s = Apply(HToS, h);
    const C delta = (h.a + 1.0) * (h.d + 1.0) - h.b * h.c;
    EXPECT_NEAR(std::abs(s.b - 2.0 * h.b / delta), 0.0, 1e-14);
    EXPECT_NEAR(std::abs(s.c + 2.0 * h.c / delta), 0.0, 1e-14);
}

// Catches a matched two-port not mapping to zero reflections and transmissions.
TEST(TwoPortConversions, MatchedTwoPortGivesZeroS)
{
    TComplex a { 1, 0 }, b { 0, 0 }, c { 0, 0 }, d { 1, 0 };
    ZToS(a, b, c, d);
    for (const TComplex& z : { a, b, c, d }) {
        EXPECT_DOUBLE_EQ(z.re, 0.0);
        EXPECT_DOUBLE_EQ(z.im, 0.0);
    }
}

// Catches wrong bilinear maps between impedance and reflection coefficient.
TEST(ImpedanceAndGamma, KnownValues)
{
    TComplex g = ZToGamma({ 1, 0 });
    EXPECT_DOUBLE_EQ(g.re, 0.0);
    EXPECT_DOUBLE_EQ(g.im, 0.0);
    g = ZToGamma({ 0, 0 });
    EXPECT_DOUBLE_EQ(g.re, -1.0);
    EXPECT_DOUBLE_EQ(g.im, 0.0);
    g = ZToGamma({ 0, 1 });
    EXPECT_DOUBLE_EQ(g.re, 0.0);
    EXPECT_DOUBLE_EQ(g.im, 1.0);

    double r = 0, x = 0;
    GammaToZ(r, x, 0, 0.5);
    EXPECT_NEAR(r, 0.6, 1e-15);
    EXPECT_NEAR(x, 0.8, 1e-15);
    g = ZToGamma({ r, x });
    EXPECT_NEAR(g.re, 0.0, 1e-15);
    EXPECT_NEAR(g.im, 0.5, 1e-15);
    GammaToZ(r, x, 0, 0);
    EXPECT_DOUBLE_EQ(r, 1.0);
    EXPECT_DOUBLE_EQ(x, 0.0);

    // Admittance through the negated coefficient: y = (1 - G)/(1 + G).
    const C gamma(0.2, -0.3);
    GammaToZ(r, x, -gamma.real(), -gamma.imag());
    const C y = (1.0 - gamma) / (1.0 + gamma);
    EXPECT_NEAR(r, y.real(), 1e-14);
    EXPECT_NEAR(x, y.imag(), 1e-14);
}

// Catches ZToGammaPolar returning radians or the rectangular form.
TEST(ImpedanceAndGamma, PolarFormInDegrees)
{
    double a = 0, b = 1; // z = j gives Gamma = j
    ZToGammaPolar(a, b);
    EXPECT_NEAR(a, 1.0, 1e-15);
    EXPECT_NEAR(b, 90.0, 1e-13);
    a = 3; // z = 3 - j2
    b = -2;
    ZToGammaPolar(a, b);
    const C gamma = (C(3, -2) - 1.0) / (C(3, -2) + 1.0);
    EXPECT_NEAR(a, std::abs(gamma), 1e-15);
    EXPECT_NEAR(b, std::arg(gamma) * 180 / M_PI, 1e-12);
}

// Catches angle range or quadrant errors in the polar conversions.
TEST(PolarForm, ConversionsAndQuadrants)
{
    TComplex p = RectToPolar({ -1, 0 });
    EXPECT_DOUBLE_EQ(p.re, 1.0);
    EXPECT_DOUBLE_EQ(p.im, 180.0);
    p = RectToPolar({ 0, -1 });
    EXPECT_DOUBLE_EQ(p.re, 1.0);
    EXPECT_DOUBLE_EQ(p.im, -90.0);
    // A negative zero imaginary part stays on the positive side of the cut.
    p = RectToPolar({ -1, -0.0 });
    EXPECT_DOUBLE_EQ(p.im, 180.0);

    const TComplex r = PolarToRect({ 2, 30 });
    EXPECT_NEAR(r.re, std::sqrt(3.0), 1e-15);
    EXPECT_NEAR(r.im, 1.0, 1e-15);

    TComplex z { 99, 99 };
    PolarToRectInPlace(z, 0.5, -120);
    EXPECT_NEAR(z.re, -0.25, 1e-15);
    EXPECT_NEAR(z.im, -std::sqrt(3.0) / 4, 1e-15);
}

// Catches operand order mistakes in the arithmetic routines.
TEST(ComplexArithmetic, MatchesStdComplex)
{
    const TComplex a { 1.5, -2 }, b { -0.25, 3 };
    const C ca(1.5, -2), cb(-0.25, 3);
    auto eq = [](TComplex z, C w) {
        EXPECT_NEAR(z.re, w.real(), 1e-15);
        EXPECT_NEAR(z.im, w.imag(), 1e-15);
    };
    eq(ComplexMul(a, b), ca * cb);
    eq(ComplexDiv(a, b), ca / cb);
    eq(ComplexAdd(a, b), ca + cb);
    eq(ComplexSub(a, b), ca - cb);
    eq(ComplexScale(a, -2), ca * -2.0);
    eq(ComplexSubReal(a, 3), ca - 3.0);
    eq(ComplexAddReal(a, 3), ca + 3.0);
    eq(RealSubComplex(3, a), 3.0 - ca);
    EXPECT_DOUBLE_EQ(ComplexAbs({ 3, -4 }), 5.0);
    // Division by zero is not guarded: the caller sees a non-finite result.
    const TComplex q = ComplexDiv(a, { 0, 0 });
    EXPECT_FALSE(std::isfinite(q.re) && std::isfinite(q.im));
}
