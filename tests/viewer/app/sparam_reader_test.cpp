#include "tests/support/temp_dir.h"
#include "viewer/app/sparam_format.h"
#include "viewer/app/sparam_reader.h"

#include <cmath>
#include <complex>
#include <gtest/gtest.h>

using namespace viewer;
using C = std::complex<double>;

namespace {

const smith::TPoint& pt(const SParamReadResult& r, int curve, int k)
{
    return r.data.points.at(static_cast<std::size_t>(curve)).at(static_cast<std::size_t>(k));
}

C rect(const smith::TPoint& p)
{
    return std::polar(p.Mag, p.Angle * M_PI / 180.0);
}

} // namespace

// Catches comments dropped, blank lines taken as records and a comment line
// ending a record early.
TEST(TSParamTokenizer, SkipsBlanksAndCollectsComments)
{
    std::vector<std::string> memo;
    TSParamTokenizer tok("! first\r\n\t \n  !  second\n1 2\t3 ! tail\n\n4\n! last\n\n", memo);
    EXPECT_FALSE(tok.ReadDataLine());
    EXPECT_EQ(tok.CurrentLine(), "1 2\t3 ! tail");
    EXPECT_EQ(tok.LineNumber(), 4);
    EXPECT_EQ(tok.NextToken(), "1");
    EXPECT_EQ(tok.NextToken(), "2");
    EXPECT_EQ(tok.NextToken(), "3");
    EXPECT_EQ(tok.NextToken(), "4"); // the "! tail" rest is skipped, not collected
    EXPECT_EQ(tok.LineNumber(), 6);
    EXPECT_EQ(tok.NextToken(), "");
    EXPECT_TRUE(tok.ReadDataLine());
    ASSERT_EQ(memo.size(), 3u);
    EXPECT_EQ(memo[0], " first");
    EXPECT_EQ(memo[1], "  second");
    EXPECT_EQ(memo[2], " last");
}

// Catches option-line tokens taken in the wrong place or case, and a missing
// token taking a number from the data.
TEST(ReadSParameterText, OptionLine)
{
    auto r = ReadSParameterText("# GHz s ma r 50\n1 0.5 45\n", 1);
    ASSERT_TRUE(r.ok) << r.message;
    EXPECT_EQ(r.data.units, "GHZ");
    EXPECT_EQ(r.data.format, sfMA);
    EXPECT_DOUBLE_EQ(r.data.impedance, 50);

    r = ReadSParameterText("\t#\tkHz\tS\tDB\tR\t+75\r\n1\t-6\t45\r\n", 1);
    ASSERT_TRUE(r.ok) << r.message;
    EXPECT_EQ(r.data.units, "KHZ");
    EXPECT_EQ(r.data.format, sfDB);
    EXPECT_DOUBLE_EQ(r.data.impedance, 75);

    r = ReadSParameterText("#GHZ SX MA R 75 ! trailing\n1 0.5 45\n", 1);
    ASSERT_TRUE(r.ok) << r.message;
    EXPECT_EQ(r.data.kind, 'S');
    EXPECT_DOUBLE_EQ(r.data.impedance, 75);

    r = ReadSParameterText("# GHZ S XX R 50\n1 0.5 45\n", 1);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.data.format, sfRI); // proposed as RI when saved ...
    EXPECT_DOUBLE_EQ(pt(r, 0, 0).Mag, 0.5); // ... but read as magnitude and angle
    EXPECT_DOUBLE_EQ(pt(r, 0, 0).Angle, 45);

    EXPECT_EQ(ReadSParameterText("# S MA R 50\n1 0.5 45\n", 1).message, "Unsupported file type");
    EXPECT_EQ(
        ReadSParameterText("# GHZ Y MA R 50\n1 0.5 45\n", 3).message, "Y Parameters only supported for S2P files");
    EXPECT_EQ(ReadSParameterText("# GHZ H MA R 50\n", 1).message, "H Parameters only supported for S2P files");
    EXPECT_EQ(ReadSParameterText("# GHZ Q MA R 50\n", 1).message, "Unsupported file type");
    EXPECT_EQ(ReadSParameterText("# GHZ S MA X 50\n", 1).message, "Error in Impedance Specifier");
    EXPECT_EQ(ReadSParameterText("! c\n1 0.5 45\n", 1).message, "Descriptor Line Missing");
    EXPECT_EQ(ReadSParameterText("! only comments\n", 1).message, "Descriptor Line Missing");
    EXPECT_EQ(ReadSParameterText("[Version] 2.0\n# GHz S MA R 50\n", 2).message, msg::kVersion2NotRead);
    EXPECT_EQ(ReadSParameterText("# GHZ S MA R 50\n", 0).message, "Invalid File Type");
}

// Catches failures reported as success or as silent zeros, and messages
// without the line they are about.
TEST(ReadSParameterText, InputErrorsCarryTheLine)
{
    struct Case {
        const char* text;
        int ports;
        int line;
    } cases[] = {
        { "# GHZ S MA R\n1 0.5 45\n", 1, 1 }, // impedance missing: not taken from the data
        { "# GHZ S MA R abc\n1 0.5 45\n", 1, 1 },
        { "# GHZ S MA R 0\n1 0.5 45\n", 1, 1 },
        { "# GHZ S MA R 50\n1 0.5 4x5\n", 1, 2 },
        { "# GHZ S MA R 50\n1 0.5 45\n2 0.5\n", 1, 3 }, // cut short at the end
        { "# GHZ S MA R 50\n1 .1 2 .3 4 .5 6\n! c\n", 2, 2 },
        { "# GHZ S MA R 50\n! nothing\n", 1, 2 }, // no record at all
        { "# GHZ S MA R 50\n1 .1 2 .3 4 .5 6 .7 8 .9 10 .1 12 .1 14 .1 16 .1\n", 3, 2 },
        { "# GHZ Z RI R 50\n1 0 0 1 0 1 0 0 0\n", 2, 2 }, // singular: no S form
        { "# GHZ S DB R 50\n1 0.5 0\n2 1e307 0\n", 1, 3 }, // too large once out of dB
        { "# GHZ S RI R 50\n1 1e308 1e308\n", 1, 2 },
        // A drop in frequency starts noise rows of five numbers, nothing else.
        { "# GHZ S MA R 50\n2 .1 1 .2 2 .3 3 .4 4\n1 .1 1 .2 2 .3 3 .4 4\n", 2, 3 },
        { "# GHZ S MA R 50\n2 .1 1 .2 2 .3 3 .4 4\n1 1.5 .3 40 .2\n! c\n3 .1 1 .2 2 .3 3 .4 4\n", 2, 5 },
    };
    for (const auto& c : cases) {
        auto r = ReadSParameterText(c.text, c.ports);
        EXPECT_FALSE(r.ok) << c.text;
        EXPECT_TRUE(r.message.starts_with("Error in input file.")) << r.message;
        EXPECT_EQ(r.line, c.line) << c.text << " -> " << r.message;
        EXPECT_NE(r.message.find("Line " + std::to_string(c.line)), std::string::npos) << r.message;
    }
}

// Catches records read differently when split over lines, extra numbers
// shifting the next record, and trailing comments turning into points.
TEST(ReadSParameterText, TwoPortRecordsAndComments)
{
    const char* oneLine = "# MHZ S MA R 50\n"
                          "100 0.1 10 0.2 20 0.3 30 0.4 40 99 98\n"
                          "200 0.5 -10 0.6 -20 0.7 -30 0.8 -40\n"
                          "! trailing\n";
    const char* split = "# MHZ S MA R 50\n"
                        "100 0.1 10 0.2 20\n"
                        "  ! between\n"
                        "    0.3 30 0.4 40\r\n"
                        "200 0.5 -10 0.6 -20 0.7 -30 ! part\n"
                        "  0.8 -40\n"
                        "! trailing\n";
    auto a = ReadSParameterText(oneLine, 2);
    auto b = ReadSParameterText(split, 2);
    ASSERT_TRUE(a.ok) << a.message;
    ASSERT_TRUE(b.ok) << b.message;
    ASSERT_EQ(a.data.pointCount(), 2u);
    ASSERT_EQ(b.data.pointCount(), 2u);
    for (int c = 0; c < 4; ++c)
        for (int k = 0; k < 2; ++k) {
            EXPECT_DOUBLE_EQ(pt(a, c, k).Mag, pt(b, c, k).Mag);
            EXPECT_DOUBLE_EQ(pt(a, c, k).Angle, pt(b, c, k).Angle);
            EXPECT_DOUBLE_EQ(pt(a, c, k).Freq, k == 0 ? 100 : 200);
        }
    // File order 11, 21, 12, 22 is the curve order.
    EXPECT_DOUBLE_EQ(pt(a, 1, 0).Mag, 0.2);
    EXPECT_DOUBLE_EQ(pt(a, 3, 1).Angle, -40);
    EXPECT_EQ(a.data.comments, std::vector<std::string>({ " trailing" }));
    EXPECT_EQ(b.data.comments, std::vector<std::string>({ " between", " trailing" }));
}

// Catches wrong DB and RI conversions and two-port angles left outside the
// range the polar form gives.
TEST(ReadSParameterText, FormatsAndAngles)
{
    auto r = ReadSParameterText("# GHZ S DB R 50\n1 0 45\n2 -20 -90\n", 1);
    ASSERT_TRUE(r.ok);
    EXPECT_NEAR(pt(r, 0, 0).Mag, 1.0, 1e-15);
    EXPECT_DOUBLE_EQ(pt(r, 0, 0).Angle, 45);
    EXPECT_NEAR(pt(r, 0, 1).Mag, 0.1, 1e-15);

    r = ReadSParameterText("# GHZ S RI R 50\n1 0 -1\n", 1);
    ASSERT_TRUE(r.ok);
    EXPECT_NEAR(pt(r, 0, 0).Mag, 1, 1e-15);
    EXPECT_NEAR(pt(r, 0, 0).Angle, -90, 1e-12);
    EXPECT_NEAR(pt(r, 0, 0).Im, -1, 1e-15);

    // One port keeps the angle as read; two ports bring it into (-180, 180].
    r = ReadSParameterText("# GHZ S MA R 50\n1 0.5 270\n", 1);
    EXPECT_DOUBLE_EQ(pt(r, 0, 0).Angle, 270);
    r = ReadSParameterText("# GHZ S MA R 50\n1 0.5 270 -0.5 0 0 33 0.25 180\n", 2);
    ASSERT_TRUE(r.ok);
    EXPECT_NEAR(pt(r, 0, 0).Angle, -90, 1e-12);
    EXPECT_NEAR(pt(r, 1, 0).Mag, 0.5, 1e-15);
    EXPECT_NEAR(pt(r, 1, 0).Angle, 180, 1e-12);
    EXPECT_EQ(pt(r, 2, 0).Angle, 0); // zero magnitude has angle 0
    EXPECT_DOUBLE_EQ(pt(r, 3, 0).Angle, 180);
}

namespace {

// S from normalised Z, Y or H, computed here with matrix algebra rather than
// the closed forms the reader uses.
void inverse2(const C m[4], C out[4])
{
    C det = m[0] * m[3] - m[1] * m[2];
    out[0] = m[3] / det;
    out[1] = -m[1] / det;
    out[2] = -m[2] / det;
    out[3] = m[0] / det;
}

void mul2(const C a[4], const C b[4], C out[4])
{
    out[0] = a[0] * b[0] + a[1] * b[2];
    out[1] = a[0] * b[1] + a[1] * b[3];
    out[2] = a[2] * b[0] + a[3] * b[2];
    out[3] = a[2] * b[1] + a[3] * b[3];
}

void sFromZ(const C z[4], C s[4])
{
    C a[4] = { z[0] - 1.0, z[1], z[2], z[3] - 1.0 }, b[4] = { z[0] + 1.0, z[1], z[2], z[3] + 1.0 }, bi[4];
    inverse2(b, bi);
    mul2(a, bi, s);
}

void zFromY(const C y[4], C z[4])
{
    inverse2(y, z);
}

void zFromH(const C h[4], C z[4])
{
    C dh = h[0] * h[3] - h[1] * h[2];
    z[0] = dh / h[3];
    z[1] = h[1] / h[3];
    z[2] = -h[2] / h[3];
    z[3] = 1.0 / h[3];
}

} // namespace

// Catches Y, Z or H files converted with the wrong formula or the 12/21
// elements swapped.
TEST(ReadSParameterText, YZHTwoPortsConvertToS)
{
    // Values in file order 11, 21, 12, 22, rectangular.
    const C m11(0.8, 0.3), m21(2.5, -1.2), m12(0.05, 0.02), m22(0.4, -0.6);
    std::string values = "1 0.8 0.3 2.5 -1.2 0.05 0.02 0.4 -0.6\n";
    const C x[4] = { m11, m12, m21, m22 }; // 11, 12, 21, 22
    C z[4], s[4];
    for (char kind : { 'Z', 'Y', 'H' }) {
        if (kind == 'Z')
            std::copy(x, x + 4, z);
        else if (kind == 'Y')
            zFromY(x, z);
        else
            zFromH(x, z);
        sFromZ(z, s);
        auto r = ReadSParameterText(std::string("# GHZ ") + kind + " RI R 50\n" + values, 2);
        ASSERT_TRUE(r.ok) << kind << r.message;
        const C expect[4] = { s[0], s[2], s[1], s[3] }; // curve order S11, S21, S12, S22
        for (int c = 0; c < 4; ++c) {
            C got = rect(pt(r, c, 0));
            EXPECT_NEAR(got.real(), expect[c].real(), 1e-12) << kind << c;
            EXPECT_NEAR(got.imag(), expect[c].imag(), 1e-12) << kind << c;
            EXPECT_NEAR(pt(r, c, 0).Re, expect[c].real(), 1e-12);
        }
    }
    // The same Z matrix in MA form reads the same.
    auto ri = ReadSParameterText("# GHZ Z RI R 50\n" + values, 2);
    std::string ma = "# GHZ Z MA R 50\n1";
    for (C v : { m11, m21, m12, m22 })
        ma += " " + std::to_string(std::abs(v)) + " " + std::to_string(std::arg(v) * 180 / M_PI);
    auto r = ReadSParameterText(ma + "\n", 2);
    ASSERT_TRUE(r.ok);
    for (int c = 0; c < 4; ++c)
        EXPECT_NEAR(pt(r, c, 0).Mag, pt(ri, c, 0).Mag, 1e-5);
}

// Catches noise lines read as S-parameter points or as a broken record.
TEST(ReadSParameterText, TwoPortNoiseBlockIsDropped)
{
    const char* text = "# GHZ S MA R 50\n"
                       "1 .1 1 .2 2 .3 3 .4 4\n"
                       "2 .1 1 .2 2 .3 3 .4 4\n"
                       "! noise parameters\n"
                       "1 1.5 .3 40 .2\n"
                       "2 1.7 .3 50 .25\n";
    auto r = ReadSParameterText(text, 2);
    ASSERT_TRUE(r.ok) << r.message;
    EXPECT_EQ(r.data.pointCount(), 2u);
    EXPECT_TRUE(r.data.noiseDropped);
    EXPECT_EQ(r.notice, msg::kNoiseNotKept);
    // Noise starting at the last S frequency: told apart by its five numbers.
    auto same
        = ReadSParameterText("# GHZ S MA R 50\n1 .1 1 .2 2 .3 3 .4 4\n2 .1 1 .2 2 .3 3 .4 4\n2 1.7 .3 50 .25\n", 2);
    ASSERT_TRUE(same.ok) << same.message;
    EXPECT_EQ(same.data.pointCount(), 2u);
    // Without noise nothing is said.
    auto plain = ReadSParameterText("# GHZ S MA R 50\n1 .1 1 .2 2 .3 3 .4 4\n", 2);
    EXPECT_TRUE(plain.notice.empty());
}

// Catches N-port records read in the wrong order, lost when they end on a
// single line, or misread when spread over lines.
TEST(ReadSParameterText, NPortRecords)
{
    std::string text = "# GHZ S RI R 50\n";
    for (int f = 1; f <= 2; ++f) {
        text += std::to_string(f);
        for (int k = 0; k < 16; ++k) {
            text += " " + std::to_string(f * 0.01 + k * 0.001) + " 0";
            if (k % 3 == 2)
                text += "\n";
        }
        text += "\n";
    }
    auto r = ReadSParameterText(text, 4);
    ASSERT_TRUE(r.ok) << r.message;
    ASSERT_EQ(r.data.curveCount(), 16);
    ASSERT_EQ(r.data.pointCount(), 2u);
    EXPECT_NEAR(pt(r, 6, 1).Mag, 0.026, 1e-12); // S23 of the second record
    EXPECT_DOUBLE_EQ(pt(r, 15, 1).Freq, 2);
    EXPECT_EQ(CurveLegend(4, 6), "S23");
    EXPECT_EQ(CurveLegend(2, 1), "S21");
    EXPECT_EQ(CurveLegend(12, 11 * 12 + 0), "S121");
}

// Catches lines lost or split where the file reader's blocks meet, and long
// lines cut at the block size.
TEST(ReadSParameterFile, BlocksMatchWholeText)
{
    tavix::testing::TempDir dir("sparam_reader");
    std::string text = "! " + std::string(3 << 20, 'c') + "\r\n# GHZ S MA R 50\r\n";
    for (int k = 0; k < 60000; ++k) {
        text += std::to_string(k) + " 0." + std::to_string(k % 997) + " " + std::to_string(k % 360 - 179);
        for (int p = 0; p < 3; ++p)
            text += " 0." + std::to_string((k + p) % 991) + " " + std::to_string((k * 7 + p) % 360 - 179);
        text += k % 5 == 0 ? "\r\n" : "\n";
    }
    text += "! end"; // no line end at the end of the file
    tavix::testing::writeFile(dir / "big.s2p", text);
    auto whole = ReadSParameterText(text, 2);
    auto file = ReadSParameterFile((dir / "big.s2p").string());
    ASSERT_TRUE(whole.ok) << whole.message;
    ASSERT_TRUE(file.ok) << file.message;
    ASSERT_EQ(file.data.pointCount(), 60000u);
    EXPECT_EQ(file.data.comments, whole.data.comments);
    EXPECT_EQ(file.data.comments.back(), " end");
    EXPECT_EQ(file.data.comments.front().size(), (3u << 20) + 1);
    for (int c = 0; c < 4; ++c)
        for (std::size_t k = 0; k < 60000; k += 1) {
            ASSERT_EQ(file.data.points[c][k].Freq, whole.data.points[c][k].Freq);
            ASSERT_EQ(file.data.points[c][k].Mag, whole.data.points[c][k].Mag);
            ASSERT_EQ(file.data.points[c][k].Angle, whole.data.points[c][k].Angle);
        }
    // An error deep in the file names its line.
    text.replace(text.find("\n59000 ") + 1, 5, "59x00");
    tavix::testing::writeFile(dir / "bad.s2p", text);
    auto bad = ReadSParameterFile((dir / "bad.s2p").string());
    EXPECT_FALSE(bad.ok);
    EXPECT_EQ(bad.line, 59000 + 3);
}
