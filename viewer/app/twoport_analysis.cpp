#include "viewer/app/twoport_analysis.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace viewer {

namespace {

constexpr double kUndefined = std::numeric_limits<double>::quiet_NaN();

double Abs2(TComplex z)
{
    return z.re * z.re + z.im * z.im;
}

TComplex Mul(TComplex a, TComplex b)
{
    return { a.re * b.re - a.im * b.im, a.re * b.im + a.im * b.re };
}

// A power ratio in dB; a zero (or a ratio that is not a number) has none.
double PowerDb(double ratio)
{
    return ratio > 0 && std::isfinite(ratio) ? 10.0 * std::log10(ratio) : kUndefined;
}

} // namespace

TStabilityPoint StabilityOf(double freq, TComplex s11, TComplex s12, TComplex s21, TComplex s22)
{
    const TComplex a = Mul(s11, s22), b = Mul(s12, s21);
    const TComplex delta { a.re - b.re, a.im - b.im };
    const double d2 = Abs2(delta);
    double den = 2.0 * std::sqrt(Abs2(b));
    if (den == 0.0)
        den = kZeroTransmission;
    TStabilityPoint p;
    p.Freq = freq;
    p.Det = std::sqrt(d2);
    p.K = (1.0 - Abs2(s11) - Abs2(s22) + d2) / den;
    p.B1 = 1.0 + Abs2(s11) - Abs2(s22) - d2;
    return p;
}

TGainPoint GainOf(double freq, TComplex s11, TComplex s12, TComplex s21, TComplex s22)
{
    const double m11 = Abs2(s11), m22 = Abs2(s22), m21 = Abs2(s21), m12 = Abs2(s12);
    TGainPoint g;
    g.Freq = freq;
    // Matching both ports needs reflections inside the unit circle.
    g.Gtumax = m11 < 1.0 && m22 < 1.0 ? PowerDb(m21 / ((1.0 - m11) * (1.0 - m22))) : kUndefined;
    g.Gtm = PowerDb(m21);
    g.Gmsg = m12 > 0.0 ? PowerDb(std::sqrt(m21 / m12)) : kUndefined;

    // Only an unconditionally stable device has an available gain. The form
    // 2|S21|^2 / (N + sqrt(N^2 - 4|S12 S21|^2)) equals |S21/S12| (K - sqrt(K^2 - 1))
    // without the cancellation of K - sqrt(K^2 - 1) at large K, and becomes
    // Gtumax as S12 goes to zero.
    const TStabilityPoint st = StabilityOf(freq, s11, s12, s21, s22);
    g.Gamax = kUndefined;
    if (st.K > 1.0 && st.Det < 1.0) {
        const TComplex a = Mul(s11, s22), b = Mul(s12, s21);
        const TComplex delta { a.re - b.re, a.im - b.im };
        const double n = 1.0 - m11 - m22 + Abs2(delta);
        const double root = std::sqrt(std::max(0.0, n * n - 4.0 * Abs2(b)));
        if (n > 0.0)
            g.Gamax = PowerDb(2.0 * m21 / (n + root));
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
