#include "viewer/app/new_file.h"
#include "viewer/app/numeric_grid.h"

#include <cmath>
#include <gtest/gtest.h>
#include <numbers>
#include <string>
#include <string_view>

using namespace viewer;
using smith::TPoint;

namespace {

// Two curves of three points; S21's first point has a zero magnitude.
void Fill(TSmithChart& chart)
{
    chart.ClearCurves();
    int a = chart.AddCurve("S11", clRed);
    int b = chart.AddCurve("S21", clLime);
    const double mags[3] = { 0.1234567890123456789, 0.5, 0.7 };
    for (int k = 0; k < 3; ++k) {
        chart.AddPoint(a, 1.0 + k, mags[k], 10.0 * k + 0.1);
        chart.AddPoint(b, 1.0 + k, k == 0 ? 0.0 : 0.3, -170.0 - k);
    }
}

std::vector<TPoint> Points(const TSmithChart& chart, int curve)
{
    const auto& p = chart.CurveAt(curve)->Points;
    return { p.begin(), p.end() };
}

bool Same(const std::vector<TPoint>& x, const std::vector<TPoint>& y)
{
    if (x.size() != y.size())
        return false;
    for (std::size_t i = 0; i < x.size(); ++i)
        if (x[i].Freq != y[i].Freq || x[i].Mag != y[i].Mag || x[i].Angle != y[i].Angle)
            return false;
    return true;
}

} // namespace

// Catches values losing digits through the cell texts, format switches that
// drift, a log of zero shown as -inf or stored as the floor, and headers
// built from three characters of the legend.
TEST(NumericGrid, FormatsShowAndRoundTripExactly)
{
    TSmithChart chart;
    Fill(chart);
    const auto s11 = Points(chart, 0), s21 = Points(chart, 1);
    TNumericGrid grid(chart);
    grid.Fill();
    ASSERT_EQ(grid.RowCount(), 3);
    ASSERT_EQ(grid.ColumnCount(), 5);
    EXPECT_EQ(grid.Header(0), "Frequency");
    EXPECT_EQ(grid.Header(1), "S11(Mag)");
    EXPECT_EQ(grid.Header(4), "S21(Ang)");
    EXPECT_EQ(grid.CellText(0, 1), "0.123456789012346");
    EXPECT_EQ(grid.CellText(1, 0), "2");

    TGridError e;
    ASSERT_TRUE(grid.SetFormat(kGridDbAngle, e));
    EXPECT_EQ(grid.Header(3), "S21(DB)");
    EXPECT_EQ(grid.CellText(0, 3), "-174"); // zero magnitude: the floor
    EXPECT_EQ(grid.CellText(1, 3), GridNumberText(20 * std::log10(0.3)));
    ASSERT_TRUE(grid.SetFormat(kGridReIm, e));
    EXPECT_EQ(grid.Header(2), "S11(im)");
    EXPECT_EQ(grid.CellText(2, 1), GridNumberText(chart.PointAt(0, 2)->Re));
    ASSERT_TRUE(grid.SetFormat(kGridMagAngle, e));
    EXPECT_EQ(grid.CellText(0, 1), "0.123456789012346");

    bool changed = true;
    ASSERT_TRUE(grid.WriteBack(e, changed));
    EXPECT_FALSE(changed);
    EXPECT_TRUE(Same(Points(chart, 0), s11));

    // An edit in dB survives a switch to real/imaginary and the write-back;
    // every cell nobody typed in comes back bit for bit, the zero included.
    ASSERT_TRUE(grid.SetFormat(kGridDbAngle, e));
    EXPECT_TRUE(grid.SetCellText(1, 1, "-20"));
    EXPECT_FALSE(grid.SetCellText(1, 2, grid.CellText(1, 2))); // same text: not an edit
    ASSERT_TRUE(grid.SetFormat(kGridReIm, e));
    EXPECT_NEAR(std::stod(grid.CellText(1, 1)), 0.1 * std::cos(10.1 * std::numbers::pi / 180), 1e-15);
    ASSERT_TRUE(grid.WriteBack(e, changed));
    EXPECT_TRUE(changed);
    EXPECT_TRUE(chart.DataChanged());
    EXPECT_NEAR(chart.PointAt(0, 1)->Mag, 0.1, 1e-15);
    EXPECT_NEAR(chart.PointAt(0, 1)->Angle, 10.1, 1e-12);
    EXPECT_EQ(chart.PointAt(0, 0)->Mag, s11[0].Mag);
    EXPECT_TRUE(Same(Points(chart, 1), s21));
    EXPECT_EQ(grid.Format(), kGridReIm); // kept after the write-back
}

// Catches a bad cell reported as success, curves cleared before the bad
// cell is met, and an error that does not say where the cell is.
TEST(NumericGrid, UnreadableCellChangesNothing)
{
    TSmithChart chart;
    Fill(chart);
    const auto s11 = Points(chart, 0), s21 = Points(chart, 1);
    TNumericGrid grid(chart);
    grid.Fill();
    grid.SetCellText(0, 4, "7");
    grid.SetCellText(2, 3, "1e");
    TGridError e;
    bool changed = true;
    EXPECT_FALSE(grid.WriteBack(e, changed));
    EXPECT_EQ(e.row, 2);
    EXPECT_EQ(e.column, 3);
    EXPECT_EQ(e.message, "'1e' is not a valid floating point value (row 3, column S21(Mag)).");
    EXPECT_TRUE(Same(Points(chart, 0), s11));
    EXPECT_TRUE(Same(Points(chart, 1), s21));
    EXPECT_FALSE(chart.DataChanged());
    EXPECT_FALSE(grid.SetFormat(kGridReIm, e));
    EXPECT_EQ(grid.Format(), kGridMagAngle);
    EXPECT_EQ(grid.CellText(0, 4), "7");

    grid.SetCellText(2, 3, "");
    EXPECT_FALSE(grid.WriteBack(e, changed));
    grid.SetCellText(2, 3, "+5E-1");
    ASSERT_TRUE(grid.WriteBack(e, changed));
    EXPECT_EQ(chart.PointAt(1, 2)->Mag, 0.5);
    EXPECT_EQ(chart.PointAt(1, 0)->Angle, 7.0);
}

// Catches wrong neighbours in the averages, an angle mean across the long
// arc, an empty row after the last, deleting below two rows, and rows
// written back in the wrong order.
TEST(NumericGrid, InsertAndDeleteRows)
{
    TSmithChart chart;
    Fill(chart);
    chart.Markers().push_back({ 0, 2, 0 });
    TNumericGrid grid(chart);
    grid.Fill();
    TGridError e;
    ASSERT_TRUE(grid.InsertBefore(0, e)); // half of the first row
    EXPECT_EQ(grid.CellText(0, 0), "0.5");
    EXPECT_EQ(grid.CellText(0, 2), "0.05");
    ASSERT_TRUE(grid.InsertAfter(2, e)); // between f = 2 and f = 3
    EXPECT_EQ(grid.CellText(3, 0), "2.5");
    EXPECT_EQ(grid.CellText(3, 4), "-171.5");
    // -170 and 179 lie 11 degrees apart across 180.
    grid.SetCellText(2, 4, "179");
    ASSERT_TRUE(grid.InsertBefore(2, e));
    EXPECT_EQ(grid.CellText(2, 4), "-175.5");
    EXPECT_EQ(smith::MeanAngle(179, -179), 180.0);
    EXPECT_EQ(smith::MeanAngle(-179, 179), 180.0);
    EXPECT_EQ(smith::MeanAngle(10, 20), 15.0);
    ASSERT_TRUE(grid.InsertAfter(grid.RowCount() - 1, e)); // a copy of the last row
    EXPECT_EQ(grid.CellText(6, 0), "3");
    EXPECT_EQ(grid.CellText(6, 3), "0.3");
    ASSERT_EQ(grid.RowCount(), 7);

    bool changed = false;
    ASSERT_TRUE(grid.WriteBack(e, changed));
    ASSERT_EQ(chart.PointCount(), 7);
    const double freqs[7] = { 0.5, 1, 1.5, 2, 2.5, 3, 3 };
    for (int k = 0; k < 7; ++k)
        EXPECT_EQ(chart.PointAt(1, k)->Freq, freqs[k]) << k;
    EXPECT_EQ(chart.PointAt(1, 3)->Angle, 179.0);
    EXPECT_TRUE(chart.Markers().empty()); // none left on a moved point
    EXPECT_EQ(chart.CurveAt(1)->Legend, "S21");
    EXPECT_EQ(chart.CurveAt(1)->Color, smith::NextColour(clRed));

    for (int k = 0; k < 7; ++k)
        grid.DeleteRow(0);
    EXPECT_EQ(grid.RowCount(), 2);
    EXPECT_FALSE(grid.DeleteRow(0));
    ASSERT_TRUE(grid.WriteBack(e, changed));
    ASSERT_EQ(chart.PointCount(), 2);
    EXPECT_EQ(chart.PointAt(0, 0)->Freq, 3.0);
}

// Catches curve names cut to three characters for files of ten ports or
// more, and status texts taken from the headers.
TEST(NumericGrid, LongCurveNamesStayWhole)
{
    TSmithChart chart;
    TNewFile file;
    TNewFileValues v;
    v.fileType = 3;
    v.portCount = 11;
    v.points = 2;
    ASSERT_EQ(CheckNewFile(v, file), "");
    MakeNewFile(chart, file);
    TNumericGrid grid(chart);
    grid.Fill();
    const int col = 2 * chart.FindCurve("S1011") + 1;
    EXPECT_EQ(grid.Header(col), "S1011(Mag)");
    TGridError e;
    grid.SetFormat(kGridDbAngle, e);
    EXPECT_EQ(grid.Header(col + 1), "S1011(Ang)");
    EXPECT_EQ(grid.CurveName(col + 1), "S1011");
    EXPECT_EQ(grid.CurveName(0), "");
    chart.SetUnits("GHZ");
    EXPECT_EQ(grid.FrequencyStatus(1), "Freq 10 GHZ");
    grid.SetCellText(0, col, "-6");
    bool changed = false;
    ASSERT_TRUE(grid.WriteBack(e, changed));
    EXPECT_EQ(chart.CurveAt(chart.FindCurve("S1011"))->Legend, "S1011");
    EXPECT_EQ(chart.CurveCount(), 121);

    // Editing keys (Backspace, Delete, Ctrl+A/C/V/X/Z) pass; text is judged.
    for (char32_t ch : std::u32string_view(U"0123456789+-.Ee\t\r\b\x7f\x01\x03\x16\x18\x1a"))
        EXPECT_TRUE(GridKeyAllowed(ch)) << static_cast<int>(ch);
    for (char32_t ch : std::u32string_view(U"a, x/"))
        EXPECT_FALSE(GridKeyAllowed(ch));
}

// Catches a number cut to fit its cell, which reads as another value: the
// mantissa is shortened and rounded, the exponent and integer digits kept.
TEST(NumericGrid, NumberShortenedToItsCell)
{
    const auto chars = [](const std::string& t) { return static_cast<int>(t.size()); };
    const struct {
        const char* text;
        int width;
        const char* shown;
    } rows[] = {
        { "5.905693775E-6", 14, "5.905693775E-6" },
        { "5.905693775E-6", 11, "5.905694E-6" },
        { "5.905693775E-6", 4, "6E-6" },
        { "-123456.789", 7, "-123457" },
        { "123456.789", 5, "1.2E5" },
        { "0.123456789", 6, "0.1235" },
        { "5.905693775E-6", 3, "###" },
        { "1e", 1, "#" },
    };
    for (const auto& r : rows)
        EXPECT_EQ(GridFittedText(r.text, r.width, chars), r.shown) << r.text << " in " << r.width;
}

// Catches an uneven frequency step, names without the port count, the
// wrong curve order or colours, and values that New must refuse.
TEST(NewFile, MakesEvenPointsAndRefusesBadFields)
{
    TNewFileValues v; // S2P, 1 to 10 GHz, 11 points
    TNewFile file;
    ASSERT_EQ(CheckNewFile(v, file), "");
    EXPECT_EQ(file.name, "NewFile.S2P");
    ASSERT_EQ(file.frequencies.size(), 11u);
    for (int k = 0; k <= 10; ++k)
        EXPECT_DOUBLE_EQ(file.frequencies[static_cast<std::size_t>(k)], 1 + 0.9 * k);
    EXPECT_EQ(file.frequencies.back(), 10.0);
    TSmithChart chart;
    MakeNewFile(chart, file);
    ASSERT_EQ(chart.CurveCount(), 4);
    EXPECT_EQ(chart.CurveAt(1)->Legend, "S12");
    EXPECT_EQ(chart.CurveAt(2)->Legend, "S21");
    EXPECT_EQ(chart.CurveAt(0)->Color, clRed);
    EXPECT_EQ(chart.CurveAt(3)->Color, smith::NextColour(smith::NextColour(smith::NextColour(clRed))));
    EXPECT_TRUE(chart.CurveAt(3)->Enabled);
    EXPECT_EQ(chart.PointAt(2, 4)->Mag, 0.0);
    EXPECT_EQ(chart.Impedance(), 50.0);
    EXPECT_EQ(chart.Units(), "GHZ");

    v.fileType = 3;
    v.portCount = 12;
    ASSERT_EQ(CheckNewFile(v, file), "");
    EXPECT_EQ(file.name, "NewFile.S12");
    v.fileType = 0;
    ASSERT_EQ(CheckNewFile(v, file), "");
    EXPECT_EQ(file.name, "NewFile.S1P");

    auto refused = [](TNewFileValues bad) {
        TNewFile f;
        return CheckNewFile(bad, f);
    };
    TNewFileValues bad;
    bad.fileType = 3;
    bad.portCount = 0;
    EXPECT_EQ(refused(bad), "The number of ports must be from 1 to 99.");
    bad = {};
    bad.impedance = "0";
    EXPECT_EQ(refused(bad), "The reference impedance Z0 must be above zero.");
    bad.impedance = "fifty";
    EXPECT_EQ(refused(bad), "'fifty' is not a valid floating point value (Z0).");
    bad = {};
    bad.start = "1e";
    EXPECT_EQ(refused(bad), "'1e' is not a valid floating point value (Start).");
    bad = {};
    bad.stop = "1";
    EXPECT_EQ(refused(bad), "The stop frequency must be above the start frequency.");
    bad = {};
    bad.fileType = 3;
    bad.portCount = 99;
    bad.points = 10000;
    EXPECT_EQ(refused(bad), "99 ports of 10000 points make 98010000 points; a new file holds at most 10000000.");
}
