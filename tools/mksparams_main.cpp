// tavix_mksparams <folder>: writes sample S-parameter files for the viewer,
// computed from small circuit models: a series RLC load (load.s1p), an LC
// low-pass section (lowpass.s2p), a field-effect transistor (fet.s2p: an
// active two-port, potentially unstable below about 8.5 GHz and
// unconditionally stable above) and a directional coupler (coupler.s4p).

#include <cmath>
#include <complex>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <numbers>
#include <string>
#include <vector>

namespace {

using cplx = std::complex<double>;
constexpr double kZ0 = 50.0;
constexpr int kPoints = 41;
constexpr double kFirstGHz = 0.1;
constexpr double kLastGHz = 6.0;

double freqAt(int i)
{
    return kFirstGHz + (kLastGHz - kFirstGHz) * i / (kPoints - 1);
}

double degrees(cplx c)
{
    return std::arg(c) * 180.0 / std::numbers::pi;
}

// The input reflection of a 25 ohm resistor in series with 2 nH and 1 pF.
cplx loadGamma(double fGHz)
{
    const double w = 2 * std::numbers::pi * fGHz * 1e9;
    const cplx z = cplx(25.0, w * 2e-9 - 1.0 / (w * 1e-12));
    return (z - kZ0) / (z + kZ0);
}

// Series 5 nH, shunt 2 pF, series 5 nH (a T low-pass) through ABCD matrices.
void lowpass(double fGHz, cplx s[4])
{
    const double w = 2 * std::numbers::pi * fGHz * 1e9;
    const cplx zl(0.5, w * 5e-9); // a little loss in the coils
    const cplx yc(0.0, w * 2e-12);
    // [1 zl; 0 1] [1 0; yc 1] [1 zl; 0 1]
    const cplx A = 1.0 + zl * yc;
    const cplx B = zl * (2.0 + zl * yc);
    const cplx C = yc;
    const cplx D = 1.0 + zl * yc;
    const cplx d = A + B / kZ0 + C * kZ0 + D;
    s[0] = (A + B / kZ0 - C * kZ0 - D) / d; // S11
    s[1] = 2.0 / d; // S21
    s[2] = 2.0 * (A * D - B * C) / d; // S12
    s[3] = (-A + B / kZ0 - C * kZ0 + D) / d; // S22
}

// A small-signal FET chip: the intrinsic device (gm 60 mS with a 3 ps delay,
// Cgs 0.6 pF behind Ri 4 ohm, Cgd 0.05 pF, Cds 0.15 pF, Rds 250 ohm) as Y,
// then the lead resistances and inductances in series as Z, then S.
void fet(double fGHz, cplx s[4])
{
    const double w = 2 * std::numbers::pi * fGHz * 1e9;
    const cplx j(0.0, 1.0);
    const double gm = 0.06, Cgs = 0.6e-12, Cgd = 0.05e-12, Cds = 0.15e-12, Rds = 250, Ri = 4, tau = 3e-12;
    const cplx d = 1.0 + j * w * Cgs * Ri;
    const cplx y11 = j * w * Cgs / d + j * w * Cgd;
    const cplx y12 = -j * w * Cgd;
    const cplx y21 = gm * std::exp(-j * w * tau) / d - j * w * Cgd;
    const cplx y22 = 1.0 / Rds + j * w * (Cds + Cgd);
    const cplx dy = y11 * y22 - y12 * y21;
    const cplx zs = 2.0 + j * w * 0.05e-9; // source: 2 ohm, 0.05 nH
    const cplx z11 = y22 / dy + 2.0 + j * w * 0.3e-9 + zs; // gate: 2 ohm, 0.3 nH
    const cplx z12 = -y12 / dy + zs;
    const cplx z21 = -y21 / dy + zs;
    const cplx z22 = y11 / dy + 3.0 + j * w * 0.3e-9 + zs; // drain: 3 ohm, 0.3 nH
    const cplx a = (z11 + kZ0) * (z22 + kZ0) - z12 * z21;
    s[0] = ((z11 - kZ0) * (z22 + kZ0) - z12 * z21) / a; // S11
    s[1] = 2.0 * z21 * kZ0 / a; // S21
    s[2] = 2.0 * z12 * kZ0 / a; // S12
    s[3] = ((z11 + kZ0) * (z22 - kZ0) - z12 * z21) / a; // S22
}

// A 20 dB coupler: 1-2 and 3-4 through, 1-3 and 2-4 coupled, 1-4 and 2-3
// isolated; a line delay of 100 ps and small mismatches.
cplx coupler(double fGHz, int i, int j)
{
    const double phase = -2 * std::numbers::pi * fGHz * 0.1; // 100 ps
    const cplx delay = std::polar(1.0, phase);
    const int a = std::min(i, j), b = std::max(i, j);
    if (a == b)
        return std::polar(0.05 + 0.01 * fGHz, phase * (a + 1));
    if ((a == 0 && b == 1) || (a == 2 && b == 3))
        return 0.99 * std::sqrt(1.0 - 0.01) * delay;
    if ((a == 0 && b == 2) || (a == 1 && b == 3))
        return 0.1 * delay * cplx(0, 1);
    return std::polar(0.003 * fGHz, phase / 2);
}

bool writeFile(const std::filesystem::path& path, const std::string& text)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    return static_cast<bool>(out);
}

std::string num(double v)
{
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.6f", v);
    return buf;
}

std::string loadFile()
{
    std::string t = "! Series RLC load: 25 ohm, 2 nH, 1 pF\n# GHZ S MA R 50\n";
    for (int i = 0; i < kPoints; ++i) {
        const cplx g = loadGamma(freqAt(i));
        t += num(freqAt(i)) + " " + num(std::abs(g)) + " " + num(degrees(g)) + "\n";
    }
    return t;
}

std::string lowpassFile()
{
    std::string t = "! T low-pass: 5 nH, 2 pF, 5 nH\n# GHZ S DB R 50\n";
    for (int i = 0; i < kPoints; ++i) {
        cplx s[4];
        lowpass(freqAt(i), s);
        t += num(freqAt(i));
        for (const cplx& v : s)
            t += " " + num(20 * std::log10(std::max(std::abs(v), 1e-9))) + " " + num(degrees(v));
        t += "\n";
    }
    return t;
}

std::string fetFile()
{
    std::string t = "! FET chip, small signal, 0.5 to 18 GHz\n# GHZ S MA R 50\n";
    for (int i = 0; i < kPoints; ++i) {
        const double f = 0.5 + (18.0 - 0.5) * i / (kPoints - 1);
        cplx s[4];
        fet(f, s);
        t += num(f);
        for (const cplx& v : s)
            t += " " + num(std::abs(v)) + " " + num(degrees(v));
        t += "\n";
    }
    return t;
}

std::string couplerFile()
{
    std::string t = "! 20 dB directional coupler\n# GHZ S RI R 50\n";
    for (int k = 0; k < kPoints; ++k) {
        const double f = freqAt(k);
        for (int i = 0; i < 4; ++i) {
            t += i == 0 ? num(f) : std::string(11, ' ');
            for (int j = 0; j < 4; ++j) {
                const cplx v = coupler(f, i, j);
                t += " " + num(v.real()) + " " + num(v.imag());
            }
            t += "\n";
        }
    }
    return t;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <folder>\n", argc > 0 ? argv[0] : "tavix_mksparams");
        return 2;
    }
    const std::filesystem::path dir = argv[1];
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    const bool ok = writeFile(dir / "load.s1p", loadFile()) && writeFile(dir / "lowpass.s2p", lowpassFile())
        && writeFile(dir / "fet.s2p", fetFile()) && writeFile(dir / "coupler.s4p", couplerFile());
    if (!ok) {
        std::fprintf(stderr, "tavix_mksparams: cannot write into %s\n", argv[1]);
        return 1;
    }
    std::printf("Sample S-parameter files written to %s\n", argv[1]);
    return 0;
}
