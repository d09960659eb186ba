#include "viewer/app/sparam_format.h"
#include "viewer/app/sparam_math.h"
#include "viewer/app/sparam_reader.h"
#include "viewer/app/sparam_writer.h"

#include <cmath>
#include <complex>
#include <gtest/gtest.h>
#include <random>

using namespace viewer;
using C = std::complex<double>;

namespace {

SParamWriteSettings settings(int format = sfMA, int digits = 5)
{
    SParamWriteSettings s;
    s.dataFormat = format;
    s.digits = digits;
    s.date = "08/12/2026";
    s.time = "10:11:12";
    return s;
}

std::string write(const SParameterData& d, const SParamWriteSettings& s)
{
    std::string text;
    std::string err = WriteSParameterText(SourceFromData(d), s, [&](std::string_view t) { text += t; });
    EXPECT_EQ(err, "");
    return text;
}

// Data of `ports` ports and `points` points with values from a fixed seed.
SParameterData makeData(int ports, int points, unsigned seed = 7)
{
    std::mt19937 gen(seed);
    std::uniform_real_distribution<double> mag(0.001, 0.999), ang(-179.0, 179.0);
    SParameterData d;
    d.ports = ports;
    d.units = "GHZ";
    d.impedance = 50;
    d.points.resize(static_cast<std::size_t>(ports * ports));
    for (int k = 0; k < points; ++k)
        for (auto& c : d.points)
            c.push_back(MakePoint(0.5 + k * 0.0125, mag(gen), ang(gen)));
    return d;
}

C rect(const smith::TPoint& p)
{
    return { p.Re, p.Im };
}

} // namespace

// Catches any change of the written layout: marker and date lines, comment
// lines, option line, three lines per 3-port record with the indent.
TEST(WriteSParameterText, ExactThreePortBytes)
{
    SParameterData d;
    d.ports = 3;
    d.units = "GHZ";
    d.impedance = 50;
    d.points.resize(9);
    for (int i = 1; i <= 3; ++i)
        for (int j = 1; j <= 3; ++j)
            d.points[static_cast<std::size_t>((i - 1) * 3 + j - 1)].push_back(
                smith::TPoint { 1.5, 0, 0, i / 10.0, -j / 100.0 });
    auto s = settings(sfRI, 3);
    s.memo = { " kept as read", "typed", "" };
    EXPECT_EQ(write(d, s),
        "! Created by Rivelle\n"
        "! Date: 08/12/2026 Time: 10:11:12\n"
        "! kept as read\n"
        "! typed\n"
        "! \n"
        "# GHZ S RI R 50\n"
        "1.500 0.100 -0.010 0.100 -0.020 0.100 -0.030 \n"
        "      0.200 -0.010 0.200 -0.020 0.200 -0.030 \n"
        "      0.300 -0.010 0.300 -0.020 0.300 -0.030 \n");
}

// Catches a wrong N-port layout: four pairs a line across rows, the last
// line with one pair for five ports.
TEST(WriteSParameterText, ExactFivePortBytes)
{
    SParameterData d;
    d.ports = 5;
    d.units = "MHZ";
    d.impedance = 75;
    d.points.resize(25);
    for (int k = 0; k < 25; ++k)
        d.points[static_cast<std::size_t>(k)].push_back(smith::TPoint { 100, 0, 0, k / 100.0, 1.5 }); // two decimals keep three digits of 1.5
    auto s = settings(sfRI, 2);
    s.memo = { " Created by rivelle" }; // marker already there: not written again
    s.impedanceText = " 75 ";
    s.newImpedance = 75;
    EXPECT_EQ(write(d, s),
        "! Created by rivelle\n"
        "# MHZ S RI R 75\n"
        "100.00 0.00 1.50 0.01 1.50 0.02 1.50 0.03 1.50 \n"
        "       0.04 1.50 0.05 1.50 0.06 1.50 0.07 1.50 \n"
        "       0.08 1.50 0.09 1.50 0.10 1.50 0.11 1.50 \n"
        "       0.12 1.50 0.13 1.50 0.14 1.50 0.15 1.50 \n"
        "       0.16 1.50 0.17 1.50 0.18 1.50 0.19 1.50 \n"
        "       0.20 1.50 0.21 1.50 0.22 1.50 0.23 1.50 \n"
        "       0.24 1.50 \n");
}

// Catches a 4-port record laid out other than four lines of four pairs and
// the indent-only line, and lost frequency decimals.
TEST(WriteSParameterText, FourPortLayoutAndFrequencyDecimals)
{
    SParameterData d = makeData(4, 1);
    d.points[0][0].Freq = 0.0125;
    for (auto& c : d.points)
        c[0].Freq = 0.0125;
    std::string text = write(d, settings(sfMA, 2));
    auto data = text.substr(text.find("# GHZ S MA R 50\n") + 16);
    std::vector<std::string> lines;
    for (std::size_t p = 0; p < data.size();) {
        auto nl = data.find('\n', p);
        lines.push_back(data.substr(p, nl - p));
        p = nl + 1;
    }
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_TRUE(lines[0].starts_with("0.0125 "));
    EXPECT_EQ(lines[4], "       ");
}

// Catches values that do not read back as written, for every port count
// layout and format.
TEST(WriteSParameterText, RoundTripsAllLayoutsAndFormats)
{
    for (int ports : { 1, 2, 3, 4, 5, 12 }) {
        SParameterData d = makeData(ports, ports == 12 ? 3 : 20, static_cast<unsigned>(ports));
        for (int format : { sfMA, sfDB, sfRI }) {
            std::string text = write(d, settings(format, 7));
            auto r = ReadSParameterText(text, ports);
            ASSERT_TRUE(r.ok) << ports << " " << format << r.message;
            EXPECT_EQ(r.data.format, format);
            ASSERT_EQ(r.data.curveCount(), d.curveCount());
            ASSERT_EQ(r.data.pointCount(), d.pointCount());
            for (int c = 0; c < d.curveCount(); ++c)
                for (std::size_t k = 0; k < d.pointCount(); ++k) {
                    const auto& a = d.points[static_cast<std::size_t>(c)][k];
                    const auto& b = r.data.points[static_cast<std::size_t>(c)][k];
                    EXPECT_EQ(a.Freq, b.Freq);
                    EXPECT_NEAR(a.Re, b.Re, 1e-6) << ports << " " << format << " " << c;
                    EXPECT_NEAR(a.Im, b.Im, 1e-6) << ports << " " << format << " " << c;
                    if (format == sfMA) {
                        EXPECT_NEAR(a.Mag, b.Mag, 0.51e-7);
                    }
                }
            // Written again from what was read, the file is the same.
            auto again = r.data;
            auto s = settings(format, 7);
            s.memo = again.comments;
            EXPECT_EQ(write(again, s), text) << ports << " " << format;
        }
    }
}

// Catches comments gaining a blank or a second marker on every save.
TEST(WriteSParameterText, CommentsComeBackUnchanged)
{
    SParameterData d = makeData(1, 2);
    auto s = settings();
    s.memo = { "", "  two blanks", "none", "!bang" };
    std::string first = write(d, s);
    auto r = ReadSParameterText(first, 1);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.data.comments,
        std::vector<std::string>(
            { " Created by Rivelle", " Date: 08/12/2026 Time: 10:11:12", " ", "  two blanks", " none", " !bang" }));
    s.memo = r.data.comments;
    s.date = "other";
    EXPECT_EQ(write(d, s), first);
}

// Catches log10(0) written as -inf and Y/Z/H written as S values.
TEST(WriteSParameterText, ZeroMagnitudeAndTwoPortParameterTypes)
{
    SParameterData d = makeData(2, 1);
    d.points[1][0] = MakePoint(0.5, 0, 0); // S21 = 0
    std::string db = write(d, settings(sfDB, 5));
    EXPECT_NE(db.find(" -174.00000 0.00000 "), std::string::npos) << db;

    // Z written from S, then read back as a Z file.
    const C s11 = rect(d.points[0][0]), s21 = rect(d.points[1][0]), s12 = rect(d.points[2][0]),
            s22 = rect(d.points[3][0]);
    // z = (I + S)(I - S)^-1, computed directly.
    C a[4] = { 1.0 + s11, s12, s21, 1.0 + s22 }, b[4] = { 1.0 - s11, -s12, -s21, 1.0 - s22 };
    C det = b[0] * b[3] - b[1] * b[2];
    C bi[4] = { b[3] / det, -b[1] / det, -b[2] / det, b[0] / det };
    C z11 = a[0] * bi[0] + a[1] * bi[2], z21 = a[2] * bi[0] + a[3] * bi[2];
    auto s = settings(sfRI, 7);
    s.parameterType = spZ;
    std::string zText = write(d, s);
    EXPECT_NE(zText.find("# GHZ Z RI R 50\n"), std::string::npos);
    auto line = zText.substr(zText.find("R 50\n") + 5);
    double f, r11, i11, r21, i21;
    ASSERT_EQ(std::sscanf(line.c_str(), "%lf %lf %lf %lf %lf", &f, &r11, &i11, &r21, &i21), 5);
    EXPECT_NEAR(r11, z11.real(), 1e-6);
    EXPECT_NEAR(i11, z11.imag(), 1e-6);
    EXPECT_NEAR(r21, z21.real(), 1e-6);
    EXPECT_NEAR(i21, z21.imag(), 1e-6);
    for (int kind : { spY, spZ, spH }) {
        s.parameterType = kind;
        auto back = ReadSParameterText(write(d, s), 2);
        ASSERT_TRUE(back.ok) << back.message;
        for (int c = 0; c < 4; ++c)
            EXPECT_NEAR(std::abs(rect(back.data.points[static_cast<std::size_t>(c)][0])
                            - rect(d.points[static_cast<std::size_t>(c)][0])),
                0, 1e-5)
                << kind << " " << c;
    }
    // Y, Z or H for other than two ports is refused, not written as S.
    s.parameterType = spY;
    std::string out;
    EXPECT_EQ(WriteSParameterText(SourceFromData(makeData(3, 1)), s, [&](std::string_view t) { out += t; }),
        "Y parameters can only be saved for two ports.");
    EXPECT_TRUE(out.empty());
}

// Catches re-normalising each value on its own: a matched thru must stay a
// thru, an isolated port must stay isolated, one port follows the
// impedance rule.
TEST(RenormaliseS, WholeMatrix)
{
    std::vector<C> thru = { 0.0, 1.0, 1.0, 0.0 };
    ASSERT_TRUE(RenormaliseS(thru, 2, 50, 25));
    EXPECT_NEAR(std::abs(thru[0]), 0, 1e-15);
    EXPECT_NEAR(std::abs(thru[1] - 1.0), 0, 1e-15);
    EXPECT_NEAR(std::abs(thru[3]), 0, 1e-15);

    const C g11 = std::polar(0.5, 0.5), g22 = std::polar(0.3, -1.0);
    std::vector<C> isolated = { g11, 0.0, 0.0, g22 };
    ASSERT_TRUE(RenormaliseS(isolated, 2, 50, 25));
    EXPECT_EQ(isolated[1], C(0.0));
    EXPECT_EQ(isolated[2], C(0.0));
    // One port: z scaled by 50/25, then back to a reflection coefficient.
    auto rule = [](C g) {
        C z = (1.0 + g) / (1.0 - g) * 2.0;
        return (z - 1.0) / (z + 1.0);
    };
    EXPECT_NEAR(std::abs(isolated[0] - rule(g11)), 0, 1e-14);
    EXPECT_NEAR(std::abs(isolated[3] - rule(g22)), 0, 1e-14);
    std::vector<C> one = { g11 };
    ASSERT_TRUE(RenormaliseS(one, 1, 50, 25));
    EXPECT_NEAR(std::abs(one[0] - rule(g11)), 0, 1e-14);
}

// Catches the writer ignoring the new reference impedance, or applying it
// before Y/Z/H conversion in the wrong order.
TEST(WriteSParameterText, SavesAtANewImpedance)
{
    SParameterData d = makeData(2, 1);
    for (auto& c : d.points)
        c.clear();
    d.points[0].push_back(MakePoint(1, 0, 0));
    d.points[1].push_back(MakePoint(1, 1, 0));
    d.points[2].push_back(MakePoint(1, 1, 0));
    d.points[3].push_back(MakePoint(1, 0, 0));
    auto s = settings(sfRI, 5);
    s.impedanceText = "25";
    s.newImpedance = 25;
    std::string text = write(d, s);
    EXPECT_NE(text.find("# GHZ S RI R 25\n1.00000 0.00000 0.00000 1.00000 0.00000 1.00000 0.00000 0.00000 0.00000 \n"),
        std::string::npos)
        << text;
    // H of a thru is the same at any reference: h12 = 1, h21 = -1.
    s.parameterType = spH;
    text = write(d, s);
    EXPECT_NE(text.find("# GHZ H RI R 25\n1.00000 0.00000 0.00000 -1.00000 0.00000 1.00000 0.00000 0.00000 0.00000 \n"),
        std::string::npos)
        << text;
    // A thru has no Z form: refused, not written as NAN.
    s.parameterType = spZ;
    std::string out;
    EXPECT_NE(WriteSParameterText(SourceFromData(d), s, [&](std::string_view t) { out += t; }), "");
    EXPECT_EQ(out.find("NAN"), std::string::npos);
    // A reflection of 1/r cannot be re-normalised: refused, not written as it was.
    SParameterData active = makeData(1, 1);
    active.points[0][0] = MakePoint(1, 3, 180); // r = (25 - 50)/(25 + 50) = -1/3
    s.parameterType = spS;
    std::string partial;
    EXPECT_EQ(WriteSParameterText(SourceFromData(active), s, [&](std::string_view t) { partial += t; }),
        "The data at frequency 1 cannot be re-normalised to 25 ohms.");
    // One port at 25 ohms of a 50 ohm load seen from 50: z = 2, g = 1/3.
    SParameterData one = makeData(1, 1);
    one.points[0][0] = MakePoint(1, 0, 0);
    s.parameterType = spS;
    auto r = ReadSParameterText(write(one, s), 1);
    EXPECT_NEAR(r.data.points[0][0].Re, 1.0 / 3.0, 1e-5);
}

// Catches small magnitudes written as zero or with too few digits: |S12|
// from 1e-3 down to 1e-12 reads back to three significant digits in MA
// and RI at 0, 5 and 7 decimals.
TEST(WriteSParameterText, SmallMagnitudesKeepThreeSignificantDigits)
{
    SParameterData d = makeData(2, 10);
    for (int k = 0; k < 10; ++k)
        d.points[2][k] = MakePoint(d.points[2][k].Freq, 1.2345678 * std::pow(10.0, -3 - k), 30.0 + k);
    for (int format : { sfMA, sfRI })
        for (int digits : { 0, 5, 7 }) {
            auto r = ReadSParameterText(write(d, settings(format, digits)), 2);
            ASSERT_TRUE(r.ok) << r.message;
            for (int k = 0; k < 10; ++k) {
                const auto &p = r.data.points[2][k], &q = d.points[2][k];
                // Three significant digits or more, of a pair too.
                EXPECT_LE(std::abs(rect(p) - rect(q)), 0.0071 * q.Mag)
                    << format << " " << digits << " " << q.Mag << " read " << p.Mag;
            }
        }
}

// Catches a two-port written with a falling frequency, where a reader
// starts the noise data: refused, the frequency as written, with its unit.
TEST(WriteSParameterText, TwoPortFrequenciesMustNotFall)
{
    SParameterData d = makeData(2, 3);
    for (auto& c : d.points)
        c[2].Freq = 0.25;
    EXPECT_EQ(WriteSParameterText(SourceFromData(d), settings(), [](std::string_view) {}),
        "The frequencies of a two-port file must not fall: 0.25000 GHZ follows 0.51250 GHZ.");
}
