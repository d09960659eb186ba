#include "viewer/app/twoport_analysis.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace viewer {

namespace {

constexpr double kUndefined = std::numeric_limits<double>::quiet_NaN();

double Abs(TComplex z)
{
    return std::hypot(z.re, z.im);
}

TComplex Mul(TComplex a, TComplex b)
{
    return { a.re * b.re - a.im * b.im, a.re * b.im + a.im * b.re };
}

// num / (a * b) without the product under- or overflowing on the way.
double Quotient(double num, double a, double b)
{
    int ea = 0, eb = 0;
    const double ma = std::frexp(a, &ea), mb = std::frexp(b, &eb);
    return std::ldexp(num / (ma * mb), -ea - eb);
}

// A power ratio in dB; a zero (or a ratio that is not a number) has none.
double PowerDb(double ratio)
{
    return ratio > 0 && std::isfinite(ratio) ? 10.0 * std::log10(ratio) : kUndefined;
}

// 20 log10 of a magnitude, NaN for none.
double MagnitudeDb(double mag)
{
    return mag > 0 && std::isfinite(mag) ? 20.0 * std::log10(mag) : kUndefined;
}

// What K and the gains share. The magnitudes are taken whole, so that a
// nearly unilateral device (S12 of 1e-200, say) keeps finite values where
// squares of its entries would underflow or overflow.
struct TTwoPortTerms {
    double m11, m22; // |S11|^2, |S22|^2
    double s12, s21; // |S12|, |S21|
    double det; // |S11 S22 - S12 S21|
    double k;
};

TTwoPortTerms TermsOf(TComplex s11, TComplex s12, TComplex s21, TComplex s22)
{
    TTwoPortTerms t;
    const double a11 = Abs(s11), a22 = Abs(s22);
    t.m11 = a11 * a11;
    t.m22 = a22 * a22;
    t.s12 = Abs(s12);
    t.s21 = Abs(s21);
    const TComplex a = Mul(s11, s22), b = Mul(s12, s21);
    t.det = Abs({ a.re - b.re, a.im - b.im });
    // K = (1 - |S11|^2 - |S22|^2 + |D|^2) / (2 |S12| |S21|), the |D|^2 term
    // divided before it is squared.
    const double rest = 1.0 - t.m11 - t.m22;
    if (t.s12 == 0.0 || t.s21 == 0.0)
        t.k = (rest + t.det * t.det) / kZeroTransmission;
    else
        t.k = Quotient(rest, 2.0 * t.s12, t.s21) + t.det * Quotient(t.det, 2.0 * t.s12, t.s21);
    return t;
}

} // namespace

TStabilityPoint StabilityOf(double freq, TComplex s11, TComplex s12, TComplex s21, TComplex s22)
{
    const TTwoPortTerms t = TermsOf(s11, s12, s21, s22);
    TStabilityPoint p;
    p.Freq = freq;
    p.Det = t.det;
    p.K = t.k;
    p.B1 = 1.0 + t.m11 - t.m22 - t.det * t.det;
    return p;
}

TGainPoint GainOf(double freq, TComplex s11, TComplex s12, TComplex s21, TComplex s22)
{
    const TTwoPortTerms t = TermsOf(s11, s12, s21, s22);
    const double gtm = MagnitudeDb(t.s21);
    TGainPoint g;
    g.Freq = freq;
    // Matching both ports needs reflections inside the unit circle.
    g.Gtumax = t.m11 < 1.0 && t.m22 < 1.0 ? gtm - PowerDb((1.0 - t.m11) * (1.0 - t.m22)) : kUndefined;
    g.Gtm = gtm;
    // |S21/S12| in dB as a difference, so that the ratio cannot overflow.
    g.Gmsg = t.s12 > 0.0 ? 0.5 * (gtm - MagnitudeDb(t.s12)) : kUndefined;

    // Only an unconditionally stable device has an available gain.
    // |S21/S12| (K - sqrt(K^2 - 1)) = 2 |S21|^2 / (N (1 + sqrt(1 - 1/K^2))) with
    // N = 2 K |S12 S21|: no cancellation at large K, and Gtumax as S12 goes
    // to zero.
    g.Gamax = kUndefined;
    if (t.k > 1.0 && t.det < 1.0) {
        const double n = 1.0 - t.m11 - t.m22 + t.det * t.det;
        const double r = 2.0 * t.s12 * t.s21 / n; // 1/K
        if (n > 0.0)
            g.Gamax = gtm + PowerDb(2.0) - PowerDb(n) - PowerDb(1.0 + std::sqrt(std::max(0.0, (1.0 - r) * (1.0 + r))));
    }
    return g;
}

std::optional<TTwoPortCurves> TTwoPortCurves::Find(const TSmithChart& chart)
{
    const int s11 = chart.FindCurve("S11"), s12 = chart.FindCurve("S12"), s21 = chart.FindCurve("S21"),
              s22 = chart.FindCurve("S22");
    if (s11 < 0 || s12 < 0 || s21 < 0 || s22 < 0)
        return std::nullopt;
    return TTwoPortCurves(chart, s11, s12, s21, s22);
}

TTwoPortCurves::TTwoPortCurves(const TSmithChart& chart, int s11, int s12, int s21, int s22)
    : chart_(&chart)
    , curve_ { s11, s12, s21, s22 }
{
    // Curves of different lengths are read no further than the shortest.
    std::size_t n = chart.CurveAt(s11)->Points.size();
    for (int c : curve_)
        n = std::min(n, chart.CurveAt(c)->Points.size());
    count_ = static_cast<int>(std::min<std::size_t>(n, static_cast<std::size_t>(std::numeric_limits<int>::max())));
}

void TTwoPortCurves::Values(int i, double& freq, TComplex s[4]) const
{
    for (int k = 0; k < 4; ++k) {
        const smith::TPoint& p = chart_->CurveAt(curve_[k])->Points[static_cast<std::size_t>(i)];
        s[k] = { p.Re, p.Im };
        if (k == 0)
            freq = p.Freq;
    }
}

TStabilityPoint TTwoPortCurves::StabilityPoint(int i) const
{
    double f = 0;
    TComplex s[4];
    Values(i, f, s);
    return StabilityOf(f, s[0], s[1], s[2], s[3]);
}

TGainPoint TTwoPortCurves::GainPoint(int i) const
{
    double f = 0;
    TComplex s[4];
    Values(i, f, s);
    return GainOf(f, s[0], s[1], s[2], s[3]);
}

} // namespace viewer
