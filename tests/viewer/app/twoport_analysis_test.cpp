#include "viewer/app/print_layout.h"
#include "viewer/app/renormalise.h"
#include "viewer/app/sparam_math.h"
#include "viewer/app/twoport_analysis.h"

#include <cmath>
#include <complex>
#include <gtest/gtest.h>
#include <numbers>

using namespace viewer;

namespace {

using C = std::complex<double>;

TComplex T(C c)
{
    return { c.real(), c.imag() };
}

// The textbook forms, written out with std::complex.
struct Expected {
    double K, Det, B1, Gtumax, Gtm, Gmsg, Gamax;
};

Expected Textbook(C s11, C s12, C s21, C s22)
{
    const C d = s11 * s22 - s12 * s21;
    Expected e {};
    e.Det = std::abs(d);
    e.K = (1 - std::norm(s11) - std::norm(s22) + std::norm(d)) / (2 * std::abs(s12 * s21));
    e.B1 = 1 + std::norm(s11) - std::norm(s22) - std::norm(d);
    e.Gtumax = 10 * std::log10(std::norm(s21) / ((1 - std::norm(s11)) * (1 - std::norm(s22))));
    e.Gtm = 20 * std::log10(std::abs(s21));
    e.Gmsg = 10 * std::log10(std::abs(s21 / s12));
    e.Gamax = 10 * std::log10(std::abs(s21 / s12) * (e.K - std::sqrt(e.K * e.K - 1)));
    return e;
}

void ExpectMatches(C s11, C s12, C s21, C s22, bool stable)
{
    const Expected e = Textbook(s11, s12, s21, s22);
    const TStabilityPoint st = StabilityOf(2.5, T(s11), T(s12), T(s21), T(s22));
    const TGainPoint g = GainOf(2.5, T(s11), T(s12), T(s21), T(s22));
    EXPECT_EQ(st.Freq, 2.5);
    EXPECT_NEAR(st.K, e.K, 1e-12 * std::abs(e.K));
    EXPECT_NEAR(st.Det, e.Det, 1e-12);
    EXPECT_NEAR(st.B1, e.B1, 1e-12);
    EXPECT_NEAR(g.Gtumax, e.Gtumax, 1e-9);
    EXPECT_NEAR(g.Gtm, e.Gtm, 1e-9);
    EXPECT_NEAR(g.Gmsg, e.Gmsg, 1e-9);
    if (stable)
        EXPECT_NEAR(g.Gamax, e.Gamax, 1e-9);
    else
        EXPECT_TRUE(std::isnan(g.Gamax)) << "no available gain when K < 1";
}

} // namespace

// Catches a wrong sign or term in K, Det, B1 or the gains, against the
// formulas written with std::complex: a passive attenuator-like two-port,
// and the same active device below and above the frequency where K crosses 1.
TEST(TwoPortAnalysis, StabilityAndGainsAgreeWithComplexAlgebra)
{
    // 6 dB attenuator with a little mismatch: K far above 1.
    ExpectMatches(C(0.1, 0.05), C(0.5, -0.02), C(0.5, -0.02), C(0.08, -0.1), true);
    // A transistor at 0.5 GHz (K about 0.06) and at 14 GHz (K about 1.5).
    ExpectMatches(std::polar(0.995, -0.224), std::polar(0.0142, 1.441), std::polar(4.448, 2.967),
        std::polar(0.698, -0.101), false);
    ExpectMatches(
        std::polar(0.713, -2.6), std::polar(0.0969, 0.35), std::polar(1.25, 1.2), std::polar(0.386, -2.1), true);
    const TStabilityPoint below = StabilityOf(0, T(std::polar(0.995, -0.224)), T(std::polar(0.0142, 1.441)),
        T(std::polar(4.448, 2.967)), T(std::polar(0.698, -0.101)));
    EXPECT_LT(below.K, 1.0);
}

// Catches the zero denominators: no reverse transmission (K stands at
// 1e99 and the available gain must become Gtumax, not -inf or NaN from
// cancellation), no forward transmission, and a reflection on the unit
// circle, each giving not-a-number for the gains that do not exist.
TEST(TwoPortAnalysis, UndefinedGainsAreNotANumber)
{
    const TStabilityPoint m = StabilityOf(1, { 0, 0 }, { 0, 0 }, { 2, 0 }, { 0, 0 });
    EXPECT_EQ(m.K, 1e99);
    EXPECT_EQ(m.Det, 0.0);
    EXPECT_EQ(m.B1, 1.0);
    TGainPoint g = GainOf(1, { 0, 0 }, { 0, 0 }, { 2, 0 }, { 0, 0 });
    EXPECT_NEAR(g.Gtm, 6.0206, 1e-4);
    EXPECT_NEAR(g.Gtumax, 6.0206, 1e-4);
    EXPECT_TRUE(std::isnan(g.Gmsg));
    EXPECT_NEAR(g.Gamax, g.Gtumax, 1e-12);

    // Nearly unilateral: K - sqrt(K^2 - 1) would cancel to nothing.
    const C s11(0.3, 0.2), s22(-0.4, 0.1), s21(3, 1), s12(1e-9, 0);
    g = GainOf(1, T(s11), T(s12), T(s21), T(s22));
    ASSERT_TRUE(std::isfinite(g.Gamax));
    EXPECT_NEAR(g.Gamax, g.Gtumax, 1e-6);

    g = GainOf(1, { 0.5, 0 }, { 0.1, 0 }, { 0, 0 }, { 0.2, 0 });
    EXPECT_TRUE(std::isnan(g.Gtm));
    EXPECT_TRUE(std::isnan(g.Gtumax));
    EXPECT_TRUE(std::isnan(g.Gmsg));
    EXPECT_TRUE(std::isnan(g.Gamax));

    g = GainOf(1, { 0, 1 }, { 0.1, 0 }, { 2, 0 }, { 0.2, 0 });
    EXPECT_TRUE(std::isnan(g.Gtumax));
    EXPECT_TRUE(std::isfinite(g.Gtm));
    EXPECT_TRUE(std::isnan(g.Gamax)); // |S11| = 1: K <= 1
}

// Catches squares that under- or overflow for a nearly unilateral device:
// K, B1, MSG and MAG stay finite and right down to S12 = 1e-200.
TEST(TwoPortAnalysis, NearlyUnilateralDevicesKeepFiniteValues)
{
    for (double s12 : { 1e-160, 1e-200 }) {
        const TStabilityPoint st = StabilityOf(1, { 0.5, 0 }, { s12, 0 }, { 10, 0 }, { 0.5, 0 });
        const TGainPoint g = GainOf(1, { 0.5, 0 }, { s12, 0 }, { 10, 0 }, { 0.5, 0 });
        EXPECT_NEAR(st.K, 0.5625 / (20 * s12), 1e-12 * st.K) << s12;
        EXPECT_EQ(st.B1, 0.9375);
        EXPECT_NEAR(g.Gmsg, 10 - 10 * std::log10(s12), 1e-9);
        EXPECT_NEAR(g.Gamax, 10 * std::log10(100 / 0.5625), 1e-9);
    }
}

// Catches a missing curve that is read anyway, and loops that run past the
// end of a shorter curve.
TEST(TwoPortAnalysis, CurvesAreFoundByLegendAndReadToTheShortest)
{
    TSmithChart chart;
    for (const char* name : { "S11", "S21", "S12" })
        chart.AddCurve(name, clRed);
    EXPECT_FALSE(TTwoPortCurves::Find(chart).has_value());
    chart.AddCurve("S22", clRed);
    for (int c = 0; c < 4; ++c)
        for (int i = 0; i < (c == 2 ? 2 : 3); ++i)
            chart.AddPoint(c, i + 1.0, c == 1 ? 2.0 : 0.1 * (c + 1), 10.0 * i);
    const auto curves = TTwoPortCurves::Find(chart);
    ASSERT_TRUE(curves.has_value());
    EXPECT_EQ(curves->PointCount(), 2);
    const TStabilityPoint p = curves->StabilityPoint(1);
    EXPECT_EQ(p.Freq, 2.0);
    // S21 is curve 1 (magnitude 2), S12 curve 2 (0.3).
    const TGainPoint g = curves->GainPoint(1);
    EXPECT_NEAR(g.Gtm, 20 * std::log10(2.0), 1e-9);
    EXPECT_NEAR(g.Gmsg, 10 * std::log10(2.0 / 0.3), 1e-9);
}

namespace {

// S at a new reference impedance by way of Z in ohms.
std::vector<C> ThroughZ(const std::vector<C>& s, double z0, double z1)
{
    // Z = z0 (I + S)(I - S)^-1 for two ports.
    const C a = 1.0 - s[0], b = -s[1], c = -s[2], d = 1.0 - s[3];
    const C det = a * d - b * c;
    const C ia = d / det, ib = -b / det, ic = -c / det, id = a / det;
    const C p = 1.0 + s[0], q = s[1], r = s[2], t = 1.0 + s[3];
    std::vector<C> z { z0 * (p * ia + q * ic), z0 * (p * ib + q * id), z0 * (r * ia + t * ic), z0 * (r * ib + t * id) };
    // S' = (Z/z1 - I)(Z/z1 + I)^-1
    const C e = z[0] / z1 + 1.0, f = z[1] / z1, g = z[2] / z1, h = z[3] / z1 + 1.0;
    const C det2 = e * h - f * g;
    const C ie = h / det2, if_ = -f / det2, ig = -g / det2, ih = e / det2;
    const C m = z[0] / z1 - 1.0, n = z[1] / z1, o = z[2] / z1, u = z[3] / z1 - 1.0;
    return { m * ie + n * ig, m * if_ + n * ih, o * ie + u * ig, o * if_ + u * ih };
}

C Point(const TSmithChart& chart, int curve, int i)
{
    const smith::TPoint& p = chart.CurveAt(curve)->Points[static_cast<std::size_t>(i)];
    return { p.Re, p.Im };
}

} // namespace

// Catches the per-curve rule z' = k z applied to a two-port (which makes
// S21 of an amplifier nonsense), a one-port that does not map as the
// bilinear rule says, a round trip that drifts, and a refused impedance
// that changes something.
TEST(Renormalise, WholeMatrixAtEachFrequency)
{
    TSmithChart one;
    one.SetImpedance(50);
    one.AddCurve("S11", clRed);
    one.AddPoint(0, 1, 0, 0);
    one.AddPoint(0, 2, 0.5, 90);
    ASSERT_EQ(RenormaliseChart(one, 1, 25), "");
    EXPECT_EQ(one.Impedance(), 25);
    EXPECT_NEAR(one.CurveAt(0)->Points[0].Mag, 1.0 / 3, 1e-12);
    EXPECT_NEAR(one.CurveAt(0)->Points[0].Angle, 0, 1e-9);
    const C g = Point(one, 0, 1);
    const C z = (1.0 + g) / (1.0 - g);
    EXPECT_NEAR(z.real(), 1.2, 1e-12);
    EXPECT_NEAR(z.imag(), 1.6, 1e-12);
    EXPECT_TRUE(one.DataChanged());

    TSmithChart two;
    two.SetImpedance(50);
    const std::vector<C> s { C(0.6, -0.3), C(0.05, 0.02), C(-1.8, 2.1), C(0.4, -0.5) }; // S11 S12 S21 S22
    // File order: S11, S21, S12, S22.
    const char* names[4] = { "S11", "S21", "S12", "S22" };
    const int order[4] = { 0, 2, 1, 3 };
    for (int c = 0; c < 4; ++c) {
        two.AddCurve(names[c], clRed);
        const C v = s[static_cast<std::size_t>(order[c])];
        two.AddPoint(c, 1, std::abs(v), std::arg(v) * 180 / std::numbers::pi);
    }
    ASSERT_EQ(RenormaliseChart(two, 2, 25), "");
    const std::vector<C> want = ThroughZ(s, 50, 25);
    for (int c = 0; c < 4; ++c) {
        const C got = Point(two, c, 0), w = want[static_cast<std::size_t>(order[c])];
        EXPECT_NEAR(got.real(), w.real(), 1e-9) << names[c];
        EXPECT_NEAR(got.imag(), w.imag(), 1e-9) << names[c];
    }
    ASSERT_EQ(RenormaliseChart(two, 2, 50), "");
    for (int c = 0; c < 4; ++c) {
        const C got = Point(two, c, 0), w = s[static_cast<std::size_t>(order[c])];
        EXPECT_NEAR(got.real(), w.real(), 1e-12) << names[c];
        EXPECT_NEAR(got.imag(), w.imag(), 1e-12) << names[c];
    }

    // A reflection whose re-normalised value has a pole, and a bad value:
    // nothing changes.
    TSmithChart pole;
    pole.SetImpedance(50);
    pole.AddCurve("S11", clRed);
    pole.AddPoint(0, 1, 0.2, 0);
    pole.AddPoint(0, 2, 2, 0); // 1 - r S = 0 for r = 1/2 (50 to 150 ohms)
    pole.SetDataChanged(false);
    EXPECT_NE(RenormaliseChart(pole, 1, 150), "");
    EXPECT_NE(RenormaliseChart(pole, 1, -25), "");
    EXPECT_EQ(pole.Impedance(), 50);
    EXPECT_EQ(pole.CurveAt(0)->Points[0].Mag, 0.2);
    EXPECT_FALSE(pole.DataChanged());
}

// Catches margins scaled by the wrong side of the paper, not rounded to
// the nearest pixel, or a paper without a size dividing by zero.
TEST(PrintLayout, MarginsInPrinterPixels)
{
    // A4 landscape at 600 dpi: 7016 x 4961 pixels for 297 x 210 mm.
    EXPECT_EQ(
        PrinterMargins(7016, 4961, { 29700, 21000 }, { 2000, 1000, 0, 2550 }), (TPrintMargins { 472, 0, 236, 602 }));
    EXPECT_EQ(PrinterMargins(7016, 4961, { 29700, 21000 }, {}), TPrintMargins {});
    EXPECT_EQ(PrinterMargins(7016, 4961, { 0, 0 }, { 2000, 2000, 2000, 2000 }), TPrintMargins {});
}
