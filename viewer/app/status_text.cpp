#include "viewer/app/status_text.h"

#include "platform/rtl/format.h"

#include <cmath>
#include <complex>

namespace viewer {

using smith::Tcharttype;

void TStatusDigits::More()
{
    ++Freq;
    ++Db;
    ++Value;
}

void TStatusDigits::Fewer()
{
    for (int* d : { &Freq, &Db, &Value })
        if (*d > 0)
            --*d;
}

std::string StatusNumber(double value, int digits)
{
    return rtl::FloatToStrFixed(value, 8, digits);
}

std::string FitStatusText(const TStatusDigits& digits, int width,
    const std::function<std::string(const TStatusDigits&)>& make,
    const std::function<int(const std::string&)>& measure)
{
    TStatusDigits d = digits;
    std::string text = make(d);
    while (measure(text) > width && (d.Freq > 0 || d.Db > 0 || d.Value > 0)) {
        d.Fewer();
        text = make(d);
    }
    return text;
}

namespace {

std::string complexText(double re, double im, bool plusAtZero, int digits)
{
    const bool plus = plusAtZero ? im >= 0 : im > 0;
    return StatusNumber(re, digits) + (plus ? " +" : " -") + " J" + StatusNumber(std::fabs(im), digits);
}

} // namespace

TPointStatus PointStatusTexts(Tcharttype view, double freq, double mag, double angle, double u, double v,
    const TStatusDigits& digits, bool normalised, double impedance, const std::string& units)
{
    TPointStatus s;
    // Frequencies are kept in the data's own unit, never scaled.
    s.Freq = "Freq " + StatusNumber(freq, digits.Freq) + units;
    switch (view) {
    case Tcharttype::Zsmith:
    case Tcharttype::Ysmith:
    case Tcharttype::Polar:
        s.MagAngle = "Mag " + StatusNumber(mag, digits.Value) + "  Angle " + StatusNumber(angle, digits.Value);
        break;
    case Tcharttype::Logmag: {
        // A zero magnitude has no logarithm: show the value that stands for
        // no power.
        const double db = mag > 0 ? 20.0 * std::log10(mag) : smith::kZeroDb;
        s.MagAngle = "Mag " + StatusNumber(db, digits.Db) + "dB" + "  Angle " + StatusNumber(angle, digits.Value);
        break;
    }
    default:
        break;
    }
    switch (view) {
    case Tcharttype::Zsmith:
    case Tcharttype::Ysmith:
    case Tcharttype::GridR:
    case Tcharttype::GridX: {
        const std::complex<double> g(u, v);
        const bool admittance = view == Tcharttype::Ysmith;
        std::complex<double> z = admittance ? (1.0 - g) / (1.0 + g) : (1.0 + g) / (1.0 - g);
        // An admittance is y / Z0, in millisiemens so that the value digits
        // still show it; an impedance z * Z0 ohms.
        if (!normalised)
            z = admittance ? z * (1000.0 / impedance) : z * impedance;
        // At the open-circuit point (or the short on the admittance chart)
        // the division gives no number: the value is an infinite one.
        if (!std::isfinite(z.real()) || !std::isfinite(z.imag()))
            s.Value = "INF";
        else
            s.Value = complexText(z.real(), z.imag(), false, digits.Value) + (admittance && !normalised ? " mS" : "");
        break;
    }
    case Tcharttype::Polar:
    case Tcharttype::GridU:
    case Tcharttype::GridV:
        s.Value = complexText(u, v, true, digits.Value);
        break;
    default:
        break;
    }
    return s;
}

} // namespace viewer
