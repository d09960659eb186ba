#include "viewer/components/pagesetup.h"

#include <gtest/gtest.h>

using namespace viewer;
using M = TPSMeasurements;

namespace {

// A dialog that answers from a script instead of a window.
class ScriptedPageSetup : public TPageSetupDialog {
public:
    bool answer = true;
    std::function<void(TPageSetupRecord&)> script;
    TPageSetupRecord seen;

protected:
    bool RunDialog(TPageSetupRecord& record) override
    {
        seen = record;
        if (script)
            script(record);
        return answer;
    }
};

} // namespace

// Catches wrong flag words: a missing measurement flag, hooks installed for
// the wrong events, or the stored default of the option set drifting.
TEST(PageSetupFlags, OptionsMeasurementsAndHooks)
{
    ScriptedPageSetup d;
    EXPECT_EQ(d.Options.Bits(), 129u);
    EXPECT_EQ(d.Measurements, M::pmInches);
    EXPECT_EQ(d.Flags(), 0x2u | 0x4u | 0x800u);
    EXPECT_EQ(d.Margins, (TPSRect { 1000, 1000, 1000, 1000 }));
    EXPECT_EQ(d.PaperSize, (TPSPoint { 0, 0 }));

    d.Options = {};
    d.Measurements = M::pmMillimeters;
    EXPECT_EQ(d.Flags(), 0x2u | 0x8u);

    d.Options = { TPageSetupOption::poDisableMargins, TPageSetupOption::poDisablePrinter, TPageSetupOption::poNoWarning,
        TPageSetupOption::poDisableOrientation, TPageSetupOption::poDisablePaper,
        TPageSetupOption::poDisablePagePainting };
    EXPECT_EQ(d.Flags(), 0x2u | 0x8u | 0x10u | 0x20u | 0x80u | 0x100u | 0x200u | 0x80000u);

    d.Options = {};
    d.OnPaintPage = [](TPageSetupDialog&, TPSPaintWhat, QPainter&, const TPSRect&) { return false; };
    EXPECT_EQ(d.Flags(), 0x2u | 0x8u | 0x2000u); // setup hook only: the preview stays the dialog's own
    d.OnInitPaintPage
        = [](TPageSetupDialog&, short, TPSPaperType, TPSPaperOrientation, TPSPrinterType, PPSDlgData) { return false; };
    EXPECT_EQ(d.Flags(), 0x2u | 0x8u | 0x2000u | 0x40000u);
    d.OnPaintPage = nullptr;
    d.OnInitPaintPage = nullptr;
    int fired = 0;
    EXPECT_FALSE(d.DoPrinter(nullptr));
    d.OnPrinter = [&](TPageSetupDialog&, QWidget*) { ++fired; };
    EXPECT_EQ(d.Flags(), 0x2u | 0x8u | 0x2000u);
    EXPECT_TRUE(d.DoPrinter(nullptr));
    EXPECT_EQ(fired, 1);
}

// Catches unit slips: truncation instead of rounding, factors upside down,
// negative values rounded towards zero.
TEST(PageSetupUnits, ConversionsFormattingAndParsing)
{
    EXPECT_EQ(ConvertLength(2540, M::pmMillimeters, M::pmInches), 1000);
    EXPECT_EQ(ConvertLength(1000, M::pmInches, M::pmMillimeters), 2540);
    EXPECT_EQ(ConvertLength(21000, M::pmMillimeters, M::pmInches), 8268); // 8267.72
    EXPECT_EQ(ConvertLength(29700, M::pmMillimeters, M::pmInches), 11693); // 11692.91
    EXPECT_EQ(ConvertLength(1, M::pmMillimeters, M::pmInches), 0); // 0.39
    EXPECT_EQ(ConvertLength(2, M::pmMillimeters, M::pmInches), 1); // 0.79
    EXPECT_EQ(ConvertLength(1, M::pmInches, M::pmMillimeters), 3); // 2.54
    EXPECT_EQ(ConvertLength(25, M::pmInches, M::pmMillimeters), 64); // 63.5, away from zero
    EXPECT_EQ(ConvertLength(-25, M::pmInches, M::pmMillimeters), -64);
    EXPECT_EQ(ConvertLength(-2540, M::pmMillimeters, M::pmInches), -1000);
    EXPECT_EQ(ConvertLength(777, M::pmInches, M::pmInches), 777);

    EXPECT_EQ(FormatLength(2540, M::pmMillimeters), "25.40");
    EXPECT_EQ(FormatLength(5, M::pmMillimeters), "0.05");
    EXPECT_EQ(FormatLength(1000, M::pmInches), "1.000");
    EXPECT_EQ(FormatLength(8268, M::pmInches), "8.268");
    EXPECT_EQ(FormatLength(-50, M::pmInches), "-0.050");

    EXPECT_EQ(ParseLength("25.4", M::pmMillimeters), 2540);
    EXPECT_EQ(ParseLength(" 10 ", M::pmMillimeters), 1000);
    EXPECT_EQ(ParseLength("0.75", M::pmInches), 750);
    EXPECT_EQ(ParseLength("0.0005", M::pmInches), 1); // half a unit rounds up
    EXPECT_EQ(ParseLength(FormatLength(1234, M::pmInches), M::pmInches), 1234);
    EXPECT_FALSE(ParseLength("", M::pmMillimeters));
    EXPECT_FALSE(ParseLength("abc", M::pmMillimeters));
    EXPECT_FALSE(ParseLength("-1", M::pmMillimeters));
    EXPECT_FALSE(ParseLength("1e300", M::pmInches));
}

// Catches papers in the wrong unit and a landscape page that keeps its
// portrait width.
TEST(PageSetupPaper, SizesAndOrientation)
{
    const TPSPaper* a4 = FindPaper(9);
    ASSERT_NE(a4, nullptr);
    EXPECT_EQ(a4->Name, "A4");
    EXPECT_EQ(PaperExtent(*a4, TPSPaperOrientation::poPortrait, M::pmMillimeters), (TPSPoint { 21000, 29700 }));
    EXPECT_EQ(PaperExtent(*a4, TPSPaperOrientation::poLandscape, M::pmMillimeters), (TPSPoint { 29700, 21000 }));
    EXPECT_EQ(PaperExtent(*a4, TPSPaperOrientation::poPortrait, M::pmInches), (TPSPoint { 8268, 11693 }));
    const TPSPaper* letter = FindPaper(1);
    ASSERT_NE(letter, nullptr);
    EXPECT_EQ(PaperExtent(*letter, TPSPaperOrientation::poPortrait, M::pmMillimeters), (TPSPoint { 21590, 27940 }));
    EXPECT_EQ(PaperExtent(*letter, TPSPaperOrientation::poLandscape, M::pmInches), (TPSPoint { 11000, 8500 }));
    EXPECT_TRUE(FindPaper(20)->Envelope);
    EXPECT_EQ(FindPaper(12345), nullptr);
}

// Catches margins that overlap or run off the paper being accepted, and
// messages that do not say what is wrong.
TEST(PageSetupMargins, RefusesMarginsThePaperCannotHold)
{
    const TPSPoint a4 { 21000, 29700 };
    const TPSRect none;
    EXPECT_EQ(CheckMargins({ 1000, 1000, 1000, 1000 }, none, a4, M::pmMillimeters), "");
    EXPECT_EQ(CheckMargins({ 10499, 0, 10500, 0 }, none, a4, M::pmMillimeters), "");

    const std::string wide = CheckMargins({ 10500, 0, 10500, 0 }, none, a4, M::pmMillimeters);
    EXPECT_NE(wide.find("left and right margins"), std::string::npos) << wide;
    EXPECT_NE(wide.find("paper width of 210.00 mm"), std::string::npos) << wide;
    const std::string tall = CheckMargins({ 0, 20000, 0, 9700 }, none, a4, M::pmMillimeters);
    EXPECT_NE(tall.find("paper height of 297.00 mm"), std::string::npos) << tall;
    const std::string inches = CheckMargins({ 0, 6000, 0, 6000 }, none, { 8500, 11000 }, M::pmInches);
    EXPECT_NE(inches.find("11.000 inches"), std::string::npos) << inches;

    EXPECT_EQ(CheckMargins({ -1, 0, 0, 0 }, none, a4, M::pmMillimeters), "Margins cannot be negative.");
    const std::string low = CheckMargins({ 1000, 100, 1000, 1000 }, { 500, 500, 500, 500 }, a4, M::pmMillimeters);
    EXPECT_NE(low.find("top margin"), std::string::npos) << low;
    EXPECT_NE(low.find("5.00 mm"), std::string::npos) << low;
}

// Catches the printer type being read from the envelope bit, so that any
// envelope would be reported as printed on a laser printer.
TEST(PageSetupInitPaint, FlagWordDecoding)
{
    auto d = DecodeInitPaintPage(0x3);
    EXPECT_EQ(d.PaperType, TPSPaperType::ptPaper);
    EXPECT_EQ(d.PaperOrientation, TPSPaperOrientation::poLandscape);
    EXPECT_EQ(d.PrinterType, TPSPrinterType::ptHPPCL);
    d = DecodeInitPaintPage(0x5);
    EXPECT_EQ(d.PaperOrientation, TPSPaperOrientation::poPortrait);
    EXPECT_EQ(d.PrinterType, TPSPrinterType::ptDotMatrix);
    d = DecodeInitPaintPage(0xD);
    EXPECT_EQ(d.PaperType, TPSPaperType::ptEnvelope);
    EXPECT_EQ(d.PrinterType, TPSPrinterType::ptDotMatrix);
    for (auto t : { TPSPaperType::ptPaper, TPSPaperType::ptEnvelope })
        for (auto o : { TPSPaperOrientation::poPortrait, TPSPaperOrientation::poLandscape })
            for (auto p : { TPSPrinterType::ptDotMatrix, TPSPrinterType::ptHPPCL }) {
                const auto r = DecodeInitPaintPage(InitPaintPageWord(t, o, p));
                EXPECT_EQ(r.PaperType, t);
                EXPECT_EQ(r.PaperOrientation, o);
                EXPECT_EQ(r.PrinterType, p);
            }
}

// Catches a sample page that is stretched out of proportion, off centre, or
// whose margin lines do not follow the margins.
TEST(PageSetupPreview, PageAndMarginRectangles)
{
    // A4 portrait in a 240 x 320 box: room 224 x 304, the height limits:
    // scale 304/29700, page 215 x 304 (214.95 rounded).
    auto g = PreviewGeometry(240, 320, { 21000, 29700 }, { 2000, 2000, 2000, 2000 }, {}, false);
    EXPECT_NEAR(g.Scale, 304.0 / 29700, 1e-12);
    EXPECT_EQ(g.Page, (TPSRect { 12, 8, 227, 312 }));
    EXPECT_EQ(g.Margins, (TPSRect { 32, 28, 207, 292 })); // 20 mm = 20.47 px
    EXPECT_EQ(g.MinMargins, g.Page);
    EXPECT_EQ(g.EnvStamp, TPSRect {});

    // Landscape: the width limits, scale 224/29700, page 224 x 158.
    g = PreviewGeometry(240, 320, { 29700, 21000 }, { 0, 3000, 0, 0 }, { 500, 500, 500, 500 }, false);
    EXPECT_EQ(g.Page, (TPSRect { 8, 81, 232, 239 }));
    EXPECT_EQ(g.Margins, (TPSRect { 8, 104, 232, 239 }));
    EXPECT_EQ(g.MinMargins, (TPSRect { 12, 85, 228, 235 }));

    g = PreviewGeometry(240, 320, { 4125, 9500 }, { 500, 500, 500, 500 }, {}, true);
    EXPECT_GT(g.EnvStamp.Width(), 0);
    EXPECT_LE(g.EnvStamp.right, g.Page.right);
    EXPECT_GE(g.EnvStamp.top, g.Page.top);

    EXPECT_EQ(PreviewGeometry(240, 320, { 0, 0 }, {}, {}, false).Scale, 0);
    EXPECT_EQ(PreviewGeometry(10, 10, { 21000, 29700 }, {}, {}, false).Scale, 0);
    EXPECT_EQ(CenterWindowPos(1024, 768, 400, 300), (TPSPoint { 312, 156 }));
    EXPECT_EQ(CenterWindowPos(800, 600, 801, 601), (TPSPoint { 0, 0 })); // -1 div 2 and -1 div 3 truncate
}

// Catches Execute taking answers over after Cancel, or not passing the
// component's values and flags to the dialog.
TEST(PageSetupExecute, TakesAnswersOnlyOnOk)
{
    ScriptedPageSetup d;
    d.Measurements = M::pmMillimeters;
    d.CustomData = 77;
    d.SetPrinter({ "", 9, TPSPaperOrientation::poPortrait, {} });
    d.script = [](TPageSetupRecord& r) {
        r.PaperSize = { 29700, 21000 };
        r.Margins = { 1500, 2000, 2500, 3000 };
        r.MinMargins = { 100, 100, 100, 100 };
        r.Printer.Orientation = TPSPaperOrientation::poLandscape;
    };
    d.answer = false;
    EXPECT_FALSE(d.Execute());
    EXPECT_EQ(d.seen.Flags, 0x2u | 0x8u | 0x800u);
    EXPECT_EQ(d.seen.CustomData, 77u);
    EXPECT_EQ(d.seen.Margins, (TPSRect { 1000, 1000, 1000, 1000 }));
    EXPECT_EQ(d.PaperSize, (TPSPoint { 0, 0 }));
    EXPECT_EQ(d.Margins, (TPSRect { 1000, 1000, 1000, 1000 }));
    EXPECT_EQ(d.Printer().Orientation, TPSPaperOrientation::poPortrait);

    d.answer = true;
    EXPECT_TRUE(d.Execute());
    EXPECT_EQ(d.PaperSize, (TPSPoint { 29700, 21000 }));
    EXPECT_EQ(d.Margins, (TPSRect { 1500, 2000, 2500, 3000 }));
    EXPECT_EQ(d.MinMargins, (TPSRect { 100, 100, 100, 100 }));
    EXPECT_EQ(d.Printer().Orientation, TPSPaperOrientation::poLandscape);
    // The next run starts from the answers.
    d.answer = false;
    d.Execute();
    EXPECT_EQ(d.seen.Margins, (TPSRect { 1500, 2000, 2500, 3000 }));
    EXPECT_EQ(d.seen.Printer.Orientation, TPSPaperOrientation::poLandscape);
}
