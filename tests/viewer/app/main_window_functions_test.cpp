#include "tests/support/temp_dir.h"
#include "tests/viewer/app/main_form_fixture.h"
#include "tests/viewer/app/scripted_dialogs.h"
#include "viewer/app/twoport_analysis.h"
#include "viewer/app/ui/main_window.h"
#include "viewer/components/ui/pagesetupdialog.h"
#include "viewer/components/ui/smithchartwidget.h"
#include "viewer/components/ui/xychartwidget.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QImage>
#include <QMimeData>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>

using namespace viewer;
using tavix::testing::readFile;
using tavix::testing::TempDir;
using tavix::testing::writeFile;
using viewer::testing::captions;

namespace {

// An amplifier: the second point has no forward and the third no reverse
// transmission.
const char* kAmplifier = "# GHZ S MA R 50\n"
                         "1 0.6 -40 3.0 120 0.05 60 0.5 -30\n"
                         "2 0.5 -60 0.0 0 0.06 50 0.45 -40\n"
                         "3 0.4 -80 2.0 80 0.0 0 0.4 -50\n";
const char* kOnePort = "# MHZ S RI R 75\n100 0.5 0\n200 0 0.5\n";

struct Fixture : viewer::testing::MainFormFixture {
    Fixture()
        : MainFormFixture("mainfunctions")
    {
    }
    TMainForm& open(const char* text, const char* name = "amp.s2p")
    {
        writeFile(dir / name, text);
        return MainFormFixture::open({ path(name) });
    }
};

std::vector<std::string> Legends(const TXYChart& c)
{
    std::vector<std::string> out;
    for (const auto& curve : c.Curves())
        out.push_back(curve.Legend);
    return out;
}

std::vector<TColor> Colours(const TXYChart& c)
{
    std::vector<TColor> out;
    for (const auto& curve : c.Curves())
        out.push_back(curve.Color);
    return out;
}

} // namespace

// Catches a one-port read as a two-port, and a refused command that still
// switches the view or leaves its menu item checked.
TEST(TMainFormFunctions, OnePortIsRefusedByBothCharts)
{
    Fixture f;
    TMainForm& w = f.open(kOnePort, "load.s1p");
    w.Stability->trigger();
    w.PowerGain->trigger();
    EXPECT_EQ(f.dialogs.messages,
        std::vector<std::string>({ "Invalid Data Set for K-factor chart!", "Invalid Data Set for Gu chart!" }));
    EXPECT_TRUE(w.SmithVisible());
    EXPECT_FALSE(w.Stability->isChecked());
    EXPECT_FALSE(w.PowerGain->isChecked());
    EXPECT_TRUE(w.ZSmith->isChecked());
}

// Catches curves with the wrong names, colours, axes or values, buttons
// left in the Smith chart's state, a curve menu still listing S11..., and
// gains that do not exist drawn as numbers.
TEST(TMainFormFunctions, StabilityAndGainCharts)
{
    Fixture f;
    TMainForm& w = f.open(kAmplifier);
    w.Stability->trigger();
    ASSERT_TRUE(f.dialogs.messages.empty());
    EXPECT_TRUE(w.XYVisible());
    EXPECT_FALSE(w.SmithVisible());
    EXPECT_TRUE(w.Stability->isChecked());
    EXPECT_FALSE(w.ZSmith->isChecked());
    EXPECT_FALSE(w.RightAxisButton->isEnabled());
    EXPECT_FALSE(w.IncreaseDetailButton->isEnabled());
    EXPECT_FALSE(w.DecreaseDetailButton->isEnabled());
    EXPECT_TRUE(w.ScalesButton->isEnabled());
    TXYChart& x = f.xy();
    EXPECT_EQ(Legends(x), std::vector<std::string>({ "K", "Det", "B1" }));
    EXPECT_EQ(Colours(x), std::vector<TColor>({ 0xFF0000, 0x0000FF, 0x008000 }));
    EXPECT_TRUE(x.Curves()[2].Enabled);
    EXPECT_EQ(x.BaseLYmax(), 5.0);
    EXPECT_EQ(x.Xmin(), 1.0);
    EXPECT_EQ(x.Xmax(), 3.0);
    EXPECT_EQ(captions(w.CurveItems()), std::vector<std::string>({ "K", "Det", "B1" }));
    const auto curves = TTwoPortCurves::Find(f.smith());
    ASSERT_EQ(x.Curves()[0].Points.size(), 3u);
    EXPECT_EQ(x.Curves()[0].Points[0].Y, curves->StabilityPoint(0).K);
    EXPECT_EQ(x.Curves()[2].Points[0].Y, curves->StabilityPoint(0).B1);
    // No reverse transmission: K = (1 - 0.16 - 0.16 + 0.16^2) / 1e-99.
    EXPECT_NEAR(x.Curves()[0].Points[2].Y / 1e99, 0.7056, 1e-12);

    // A curve item hides the XY curve of its name.
    w.CurveItems()[1]->trigger();
    EXPECT_FALSE(x.Curves()[1].Enabled);

    w.PowerGain->trigger();
    EXPECT_TRUE(w.PowerGain->isChecked());
    EXPECT_FALSE(w.Stability->isChecked());
    EXPECT_EQ(Legends(x), std::vector<std::string>({ "Gtumax", "Gtm", "Gmsg", "Gamax" }));
    EXPECT_EQ(Colours(x), std::vector<TColor>({ 0xFF0000, 0x0000FF, 0x008000, 0x000080 }));
    EXPECT_EQ(x.YUnits(), "dB");
    EXPECT_EQ(x.BaseLYmax(), 50.0);
    EXPECT_EQ(captions(w.CurveItems()), std::vector<std::string>({ "Gtumax", "Gtm", "Gmsg", "Gamax" }));
    // Three points in each curve; the ones without a value are NaN, never
    // -174 dB.
    for (const auto& c : x.Curves())
        ASSERT_EQ(c.Points.size(), 3u) << c.Legend;
    EXPECT_NEAR(x.Curves()[1].Points[0].Y, 20 * std::log10(3.0), 1e-9);
    EXPECT_TRUE(std::isnan(x.Curves()[1].Points[1].Y)); // Gtm, S21 = 0
    EXPECT_TRUE(std::isnan(x.Curves()[0].Points[1].Y));
    EXPECT_TRUE(std::isnan(x.Curves()[2].Points[2].Y)); // Gmsg, S12 = 0
    EXPECT_NEAR(x.Curves()[3].Points[2].Y, x.Curves()[0].Points[2].Y, 1e-9); // Gamax -> Gtumax

    // Back to the Smith chart with its own curve menu.
    w.ZSmith->trigger();
    EXPECT_TRUE(w.SmithVisible());
    EXPECT_EQ(captions(w.CurveItems()), std::vector<std::string>({ "S11", "S21", "S12", "S22" }));
}

// Catches a frequency axis titled in another unit than the data's: the XY
// charts' fixed title, and a new file under the title of the data before.
TEST(TMainFormFunctions, FrequencyAxesNameTheDataUnit)
{
    Fixture f;
    TMainForm& w = f.open("# MHZ S MA R 50\n100 0.6 -40 3 120 0.05 60 0.5 -30\n6000 0.5 -60 2 0 0.06 50 0.4 -40\n");
    for (QAction* view : { w.Stability, w.PowerGain }) {
        view->trigger();
        EXPECT_EQ(f.xy().XTitle(), "Freq MHZ");
    }
    f.dialogs.editNewFile = [](TNewFileValues& v) {
        v.units = "KHZ";
        return true;
    };
    w.New->trigger();
    EXPECT_EQ(f.smith().XTitle(), "Freq KHZ");
    w.Stability->trigger();
    EXPECT_EQ(f.xy().XTitle(), "Freq KHZ");
}

// Catches read-outs in the wrong panels, units or digits.
TEST(TMainFormFunctions, XYChartStatusBar)
{
    Fixture f;
    TMainForm& w = f.open(kAmplifier);
    w.resize(1024, 768); // panels wide enough for every digit
    w.show();
    w.PowerGain->trigger();
    TXYChart& x = f.xy();
    w.SetStatusPanel(3, "old");
    x.OnCurveChanged(x, 1, "Gtm", 0x0000FF);
    EXPECT_EQ(w.StatusPanel(0), "Gtm");
    EXPECT_EQ(w.SwatchColour(), 0x0000FFu);
    EXPECT_EQ(w.StatusPanel(3), "");
    x.OnPointChanged(x, 2.5, 9.54321);
    EXPECT_EQ(w.StatusPanel(2), "Freq 2.5000GHZ");
    EXPECT_EQ(w.StatusPanel(3), "9.54dB");
    x.OnDeltaChanged(x, -0.5, 1.2);
    EXPECT_EQ(w.StatusPanel(4), "Delta: Freq -0.5000GHZ  1.20dB");
}

// Catches the dialog not showing the current impedance, a bad or cancelled
// answer that changes data, and a save that puts the data back to the old
// impedance.
TEST(TMainFormFunctions, ReNormaliseThroughTheDialog)
{
    Fixture f;
    TMainForm& w = f.open(kAmplifier);
    const double s21 = f.smith().CurveAt(1)->Points[0].Mag;
    f.dialogs.normaliseAnswers = { "abc", " 0 ", "-5" };
    for (int i = 0; i < 3; ++i)
        w.ReNormalise->trigger();
    w.RenormButton->trigger(); // cancelled
    EXPECT_EQ(f.dialogs.normaliseShown, std::vector<std::string>({ "50", "50", "50", "50" }));
    ASSERT_EQ(f.dialogs.messages.size(), 3u);
    EXPECT_NE(f.dialogs.messages[0].find("above zero"), std::string::npos);
    EXPECT_EQ(f.smith().Impedance(), 50);
    EXPECT_EQ(f.smith().CurveAt(1)->Points[0].Mag, s21);
    EXPECT_FALSE(f.smith().DataChanged());

    f.dialogs.normaliseAnswers = { "25" };
    w.ReNormalise->trigger();
    EXPECT_EQ(f.smith().Impedance(), 25);
    EXPECT_EQ(f.xy().Impedance(), 25);
    EXPECT_EQ(w.StatusPanel(6), "25");
    EXPECT_NE(f.smith().CurveAt(1)->Points[0].Mag, s21);
    EXPECT_TRUE(w.Save->isEnabled());

    f.dialogs.saveName = f.path("at25.s2p");
    w.SaveAs->trigger();
    EXPECT_NE(readFile(f.dir / "at25.s2p").find("# GHZ S MA R 25\n"), std::string::npos);

    f.dialogs.normaliseAnswers = { "50" };
    w.ReNormalise->trigger();
    EXPECT_NEAR(f.smith().CurveAt(1)->Points[0].Mag, s21, 1e-12);
}

namespace {

// The page as pdftoppm draws it at `dpi`, or a null image.
QImage RenderPdf(const TempDir& dir, const std::string& pdf, int dpi)
{
    const std::string out = (dir / "page").string();
    const std::string cmd = "pdftoppm -r " + std::to_string(dpi) + " -png -singlefile '" + pdf + "' '" + out + "'";
    if (std::system(cmd.c_str()) != 0)
        return {};
    return QImage(QString::fromStdString(out + ".png"));
}

struct Ink {
    int left = 1 << 30, top = 1 << 30, right = -1, bottom = -1, count = 0;
};

Ink InkOf(const QImage& img)
{
    Ink k;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (qGray(img.pixel(x, y)) < 200) {
                k.left = std::min(k.left, x);
                k.right = std::max(k.right, x);
                k.top = std::min(k.top, y);
                k.bottom = std::max(k.bottom, y);
                ++k.count;
            }
    return k;
}

} // namespace

// Catches a printout that ignores the page-setup margins (or scales them by
// the wrong size), prints while the page setup was cancelled, or reports a
// file it could not write as printed.
TEST(TMainFormFunctions, PrintsTheVisibleChartToPdfInsideTheMargins)
{
    if (!QPrinterInfo::availablePrinterNames().isEmpty())
        GTEST_SKIP() << "a printer is installed: no PDF file is asked for";
    if (std::system("pdftoppm -v >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "pdftoppm is not installed";
    Fixture f;
    TMainForm& w = f.open(kAmplifier);
    f.dialogs.pageSetup = [](TPageSetupDialog& d) {
        EXPECT_EQ(d.Measurements, TPSMeasurements::pmMillimeters);
        EXPECT_EQ(d.HelpContext, 11);
        d.PaperSize = { 21000, 29700 };
        d.Margins = { 2000, 2000, 2000, 2000 };
        return true;
    };
    constexpr int kDpi = 50;
    const double margin = 20 / 25.4 * kDpi;
    for (QAction* view : { w.ZSmith, w.Stability }) {
        view->trigger();
        const std::string pdf = f.path(view == w.ZSmith ? "smith.pdf" : "stability.pdf");
        f.dialogs.saveName = pdf;
        w.Print->trigger();
        ASSERT_TRUE(f.dialogs.messages.empty()) << f.dialogs.messages.front();
        EXPECT_EQ(f.dialogs.lastDefaultExtension, "pdf");
        const QImage page = RenderPdf(f.dir, pdf, kDpi);
        ASSERT_FALSE(page.isNull());
        EXPECT_NEAR(page.width(), 210 / 25.4 * kDpi, 2);
        const Ink ink = InkOf(page);
        EXPECT_GT(ink.count, 500);
        EXPECT_GE(ink.left, margin - 1.5);
        EXPECT_GE(ink.top, margin - 1.5);
        EXPECT_LE(ink.right, page.width() - margin + 1.5);
        EXPECT_LE(ink.bottom, page.height() - margin + 1.5);
        // The chart spans the room between the side margins.
        EXPECT_GT(ink.right - ink.left, 0.8 * (page.width() - 2 * margin));
        if (view == w.Stability) {
            EXPECT_LT(ink.top, margin + 8) << "the plot starts under the top margin";
        }
    }
    EXPECT_EQ(f.dialogs.pageSetupRuns, 2);

    // Cancelled page setup: no file is asked for.
    f.dialogs.lastDefaultExtension.clear();
    f.dialogs.pageSetup = nullptr;
    w.PrintButton->trigger();
    EXPECT_EQ(f.dialogs.pageSetupRuns, 3);
    EXPECT_EQ(f.dialogs.lastDefaultExtension, "");

    f.dialogs.pageSetup = [](TPageSetupDialog&) { return true; };
    f.dialogs.saveName = f.path("missing/chart.pdf");
    w.Print->trigger();
    ASSERT_EQ(f.dialogs.messages.size(), 1u);
    EXPECT_NE(f.dialogs.messages[0].find("could not be written"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(f.dir / "missing"));
}

// Catches a preview that is not the page as it prints (the chart placed and
// sized on the page as on paper, its text at the paper's scale so that the
// outer labels fit as they do there), a faint wash instead of a readable
// chart, and sample text over the chart.
TEST(TMainFormFunctions, PageSetupPreviewShowsThePageAsItPrints)
{
    if (!QPrinterInfo::availablePrinterNames().isEmpty())
        GTEST_SKIP() << "a printer is installed: no PDF file is asked for";
    Fixture f;
    TMainForm& w = f.open(kAmplifier);
    w.resize(800, 600);
    f.smith().SetColouredTraces(true);
    TPageSetupRecord setup;
    setup.Flags = psdInHundredthsOfMillimeters;
    setup.PaperSize = { 21000, 29700 }; // A4
    setup.Margins = { 1000, 1000, 1000, 1000 };
    f.dialogs.pageSetup = [&](TPageSetupDialog& d) {
        d.PaperSize = setup.PaperSize;
        d.Margins = setup.Margins;
        return true;
    };
    f.dialogs.saveName = f.path("page.pdf");
    w.Print->trigger();
    ASSERT_TRUE(f.dialogs.messages.empty()) << f.dialogs.messages.front();
    const smith::TSmithLayout printed = f.smith().DrawnLayout();

    QImage image(300, 400, QImage::Format_RGB32);
    image.fill(Qt::white);
    const TPSRect page { 20, 20, 230, 317 }; // 1 pixel per millimetre
    const TPSRect box { 30, 30, 220, 307 };
    {
        QPainter p(&image);
        EXPECT_FALSE(w.PageSetupDialog1().OnInitPaintPage(w.PageSetupDialog1(), 9, TPSPaperType::ptPaper,
            TPSPaperOrientation::poPortrait, TPSPrinterType::ptHPPCL, &setup));
        EXPECT_FALSE(w.PageSetupDialog1PaintPage(TPSPaintWhat::pwFullPage, p, page));
        EXPECT_FALSE(w.PageSetupDialog1PaintPage(TPSPaintWhat::pwMargins, p, box));
        EXPECT_TRUE(w.PageSetupDialog1PaintPage(TPSPaintWhat::pwGreekText, p, box));
    }
    const smith::TSmithLayout shown = f.smith().DrawnLayout();
    const double scale = page.Width() / (printed.PlotRight + printed.PlotLeft + 0.0); // equal side margins
    EXPECT_NEAR(shown.PlotLeft, printed.PlotLeft * scale, 1);
    EXPECT_NEAR(shown.ChartCentreX, printed.ChartCentreX * scale, 1);
    EXPECT_NEAR(shown.ChartCentreY, printed.ChartCentreY * scale, 1);
    EXPECT_NEAR(shown.ChartRadius, printed.ChartRadius * scale, 2);

    int dark = 0, red = 0, offPaper = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QRgb c = image.pixel(x, y);
            const bool onPaper = x >= page.left && x <= page.right && y >= page.top && y <= page.bottom;
            if (c != qRgb(255, 255, 255))
                offPaper += !onPaper;
            dark += qGray(c) < 100;
            red += qRed(c) > 200 && qGreen(c) < 80 && qBlue(c) < 80;
        }
    EXPECT_EQ(offPaper, 0);
    EXPECT_GT(dark, 400) << "grid and labels in full strength";
    EXPECT_GT(red, 15) << "the S11 curve in its colour";
    image.save(QStringLiteral(RIVELLE_RENDER_DIR "/rivelle_pagesetup_preview.png"));
}

// Catches a copy without one of the two pictures, or of the hidden chart.
TEST(TMainFormFunctions, CopiesTheVisibleChart)
{
    Fixture f;
    TMainForm& w = f.open(kAmplifier);
    f.smith().Resize(320, 240);
    f.xy().Resize(400, 200);
    for (QAction* view : { w.ZSmith, w.Stability }) {
        view->trigger();
        QGuiApplication::clipboard()->clear();
        w.CopyButton->trigger();
        const QMimeData* mime = QGuiApplication::clipboard()->mimeData();
        ASSERT_NE(mime, nullptr);
        EXPECT_TRUE(mime->data("image/svg+xml").contains("<svg"));
        QImage png;
        ASSERT_TRUE(png.loadFromData(mime->data("image/png"), "PNG"));
        EXPECT_EQ(png.size(), view == w.ZSmith ? QSize(320, 240) : QSize(400, 200));
    }
}

// Catches a curve item that hides another curve of the same legend: with
// eleven ports "S111" names both S1,11 and S11,1.
TEST(MainWindowCurves, SharedLegendItemsHideTheirOwnCurve)
{
    Fixture f;
    std::string text = "# GHZ S MA R 50\n1";
    for (int c = 0; c < 121; ++c)
        text += " 0.5 " + std::to_string(c);
    text += "\n";
    TMainForm& w = f.open(text.c_str(), "big.s11");
    ASSERT_EQ(f.smith().CurveCount(), 121);
    ASSERT_EQ(f.smith().CurveAt(10)->Legend, "S111");
    ASSERT_EQ(f.smith().CurveAt(110)->Legend, "S111");
    std::vector<QAction*> shared;
    for (QAction* a : w.CurveItems())
        if (a->text() == "S111")
            shared.push_back(a);
    ASSERT_EQ(shared.size(), 2u);

    shared[1]->trigger();
    EXPECT_TRUE(f.smith().CurveAt(10)->Enabled);
    EXPECT_FALSE(f.smith().CurveAt(110)->Enabled);
    shared[0]->trigger();
    EXPECT_FALSE(f.smith().CurveAt(10)->Enabled);
    shared[1]->trigger();
    EXPECT_TRUE(f.smith().CurveAt(110)->Enabled);
    EXPECT_FALSE(f.smith().CurveAt(10)->Enabled);
}
