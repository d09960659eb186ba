// The Smith chart drawn by QPainter: pixel probes on rendered charts,
// renders of every circular view for people to look at, printing onto a
// PDF page and the clipboard copy.

#include "render_support.h"
#include "smithchart_samples.h"

#include "tests/support/temp_dir.h"
#include "viewer/components/chartprint.h"
#include "viewer/components/qtchartcanvas.h"
#include "viewer/components/smithchart.h"
#include "viewer/components/smithchart_print.h"

#include <gtest/gtest.h>

#include <QClipboard>
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>
#include <QPainter>
#include <QPrinter>
#include <QSvgRenderer>

#include <cmath>
#include <filesystem>

#include <unistd.h>

using namespace viewer;
using namespace viewer::smith;
using namespace viewer::test_support;

// Catches a chart that leaves the circle unfilled, draws no grid, puts the
// curves in the wrong place or paints outside its circle.
TEST(SmithChartRender, ImpedanceChartPixels)
{
    TSmithChart chart;
    chart.SetBorderColor(clSilver);
    chart.SetBackgroundColor(clYellow);
    chart.SetColouredTraces(true);
    chart.SetLineWidth(3);
    const int c = chart.AddCurve("ring", clRed);
    for (int a = 0; a <= 360; a += 2)
        chart.AddPoint(c, a, 0.6, a);
    chart.SetCurveVisible(c, true);
    const QImage img = Render(chart, 400, 300);
    const TSmithLayout& l = chart.Layout();
    ASSERT_GT(l.ChartRadius, 100);
    const int cx = l.ChartCentreX, cy = l.ChartCentreY, R = l.ChartRadius;

    EXPECT_EQ(At(img, 2, 2), clSilver); // outside the circle
    // Inside, most pixels are the background between the grid lines.
    int yellow = 0, probes = 0;
    for (int dy = -R * 7 / 10; dy <= R * 7 / 10; dy += 9)
        for (int dx = -R * 7 / 10; dx <= R * 7 / 10; dx += 9, ++probes)
            yellow += At(img, cx + dx, cy + dy) == clYellow;
    EXPECT_GT(yellow, probes / 2);
    EXPECT_TRUE(IsDark(At(img, cx - R / 3, cy))) << "the real axis";
    EXPECT_TRUE(IsDark(At(img, cx + R - 1, cy - 3)) || IsDark(At(img, cx + R - 2, cy - 3))) << "the outer circle";
    // The ring of magnitude 0.6 at 135 degrees, in the curve's colour.
    const int px = cx + static_cast<int>(std::lround(0.6 * R * std::cos(3 * M_PI / 4)));
    const int py = cy - static_cast<int>(std::lround(0.6 * R * std::sin(3 * M_PI / 4)));
    EXPECT_EQ(At(img, px, py), clRed);
}

// Catches an admittance chart that is not the impedance chart turned
// about its centre, or whose curves are turned with it.
TEST(SmithChartRender, AdmittanceChartIsTheImpedanceGridTurned)
{
    // Solid grid lines: dots would start their pattern at other ends.
    TSmithChart z;
    z.SetGridType(2);
    const QImage zi = Render(z, 301, 301);
    TSmithChart y;
    y.SetGridType(2);
    y.SetChartType(Tcharttype::Ysmith);
    const QImage yi = Render(y, 301, 301);
    const int cx = z.Layout().ChartCentreX, cy = z.Layout().ChartCentreY, R = z.Layout().ChartRadius;
    ASSERT_EQ(y.Layout().ChartRadius, -R);
    // Probe pixels across the upper right of the impedance chart, away from
    // the labels, against their mirror in the admittance chart.
    int same = 0, dark = 0, total = 0;
    for (int dx = R / 10; dx < R * 9 / 10; dx += 7) {
        for (int dy = 20; dy < R / 2; dy += 5, ++total) {
            // Within a pixel: circles and lines sit half a pixel apart.
            const bool a = IsDark(At(zi, cx + dx, cy - dy));
            bool b = false;
            for (int ex = -1; ex <= 1; ++ex)
                for (int ey = -1; ey <= 1; ++ey)
                    b = b || IsDark(At(yi, cx - dx + ex, cy + dy + ey));
            same += !a || b;
            dark += a;
        }
    }
    EXPECT_GT(dark, 5);
    EXPECT_GT(same, total * 97 / 100);
}

// Renders each circular view with curves, symbols, legend, title and Z0
// into the build tree's renders folder, and checks that each one drew a
// circle of the background colour and all three curve colours.
TEST(SmithChartRender, RendersOfEveryCircularView)
{
    struct View {
        Tcharttype type;
        const char* file;
    };
    for (const View& v : { View { Tcharttype::Zsmith, "smith_z.png" }, View { Tcharttype::Ysmith, "smith_y.png" },
             View { Tcharttype::Polar, "smith_polar.png" } }) {
        TSmithChart chart;
        samples::AddSampleCurves(chart);
        chart.SetChartType(v.type);
        chart.SetShowmarkers(true);
        chart.SetColouredTraces(true);
        chart.SetLineWidth(2);
        chart.SetShowLegend(true);
        chart.SetShowTitle(true);
        chart.SetTitle("Amplifier 2-10 GHz");
        chart.SetShowZ0(true);
        chart.SetImpedance(50);
        chart.SetBorderColor(RGBColor(236, 236, 236));
        const QImage img = Render(chart, 800, 600);
        SaveRender(img, v.file);
        int red = 0, blue = 0, green = 0;
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x) {
                const TColor col = At(img, x, y);
                red += col == clRed;
                blue += col == clBlue;
                green += col == clGreen;
            }
        EXPECT_GT(red, 100) << v.file;
        EXPECT_GT(blue, 100) << v.file;
        EXPECT_GT(green, 100) << v.file;
    }
}

// Catches a printout that ignores the page size or its margins, leaves a
// partial file behind, or moves the window's hit-test layout.
TEST(SmithChartPrint, DrawsOnePdfPageWithThePageMargins)
{
    tavix::testing::TempDir dir("smithprint");
    TSmithChart chart;
    samples::AddSampleCurves(chart);
    chart.SetShowmarkers(true);
    Render(chart, 300, 200); // the screen
    const TSmithLayout screen = chart.Layout();

    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    const QString file = QString::fromStdString((dir / "chart.pdf").string());
    printer.setOutputFileName(file);
    printer.setPageMargins(QMarginsF(10, 15, 20, 25), QPageLayout::Millimeter);
    ASSERT_TRUE(PrintChart(chart, printer));

    const std::string pdf = tavix::testing::readFile(dir / "chart.pdf");
    EXPECT_EQ(pdf.substr(0, 5), "%PDF-");
    EXPECT_EQ(printer.outputFileName(), file);
    int files = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir.path()))
        ++files;
    EXPECT_EQ(files, 1) << "no temporary file left";

    const QMargins m = printer.pageLayout().marginsPixels(printer.resolution());
    const double px = printer.resolution() / 25.4; // pixels per millimetre
    EXPECT_NEAR(m.left(), 10 * px, px);
    EXPECT_EQ(chart.LeftMargin(), m.left());
    EXPECT_EQ(chart.TopMargin(), m.top());
    EXPECT_EQ(chart.RightMargin(), m.right());
    EXPECT_EQ(chart.BottomMargin(), m.bottom());
    // The page's drawing is kept, but the pointer still sees the screen.
    EXPECT_GT(chart.DrawnLayout().ChartRadius, 10 * screen.ChartRadius);
    EXPECT_EQ(chart.Layout().ChartRadius, screen.ChartRadius);
    EXPECT_EQ(chart.Layout().ChartCentreX, screen.ChartCentreX);
}

// Catches printed lines one printer pixel wide (next to invisible on a fine
// printer), wider pens out of proportion, and dots too close to show gaps.
TEST(SmithChartPrint, PensKeepTheirWidthOnPaper)
{
    tavix::testing::TempDir dir("smithprint");
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(QString::fromStdString((dir / "pens.pdf").string()));
    double thin = 0, wide = 0, gap = 0; // millimetres on paper
    ASSERT_TRUE(PrintChartPage(printer, [&](TChartCanvas& canvas, int, int) {
        QPainter& p = static_cast<TQtChartCanvas&>(canvas).Painter();
        const double mm = 25.4 / p.device()->logicalDpiX();
        canvas.MoveTo(10, 10);
        canvas.LineTo(100, 10);
        thin = p.pen().widthF() * mm;
        canvas.SetPenWidth(3);
        canvas.LineTo(100, 100);
        wide = p.pen().widthF() * mm;
        canvas.SetPenWidth(1);
        canvas.SetPenStyle(TPenStyle::psDot);
        canvas.LineTo(10, 100);
        gap = p.pen().dashPattern().value(1) * p.pen().widthF() * mm;
    }));
    EXPECT_GE(thin, 0.0999); // 0.1 mm
    EXPECT_DOUBLE_EQ(wide, 3 * thin);
    EXPECT_GE(gap, 0.4); // two pixels of a 96-dpi screen: 0.53 mm
}

// Catches a print to a folder that cannot be written reported as success,
// or one that destroys the file already there.
TEST(SmithChartPrint, FailedPrintKeepsTheOldFile)
{
    tavix::testing::TempDir dir("smithprint");
    TSmithChart chart;
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(QString::fromStdString((dir / "missing" / "chart.pdf").string()));
    EXPECT_FALSE(PrintChart(chart, printer));

    tavix::testing::writeFile(dir / "old.pdf", "old");
    std::filesystem::permissions(dir.path(), std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
    printer.setOutputFileName(QString::fromStdString((dir / "old.pdf").string()));
    const bool ok = PrintChart(chart, printer);
    std::filesystem::permissions(dir.path(), std::filesystem::perms::owner_all);
    if (::geteuid() != 0) { // root writes anyway
        EXPECT_FALSE(ok);
        EXPECT_EQ(tavix::testing::readFile(dir / "old.pdf"), "old");
    }
}

// Catches a clipboard copy without the SVG or PNG picture, a copy whose
// SVG lost the chart, or one that moves the window's hit-test layout.
TEST(SmithChartClipboard, SvgAndPngOfTheChartLeaveTheScreenLayout)
{
    TSmithChart chart;
    samples::AddSampleCurves(chart);
    chart.SetColouredTraces(true);
    chart.Resize(320, 240);
    Render(chart, 500, 400); // the screen, at another size than the control
    const TSmithLayout screen = chart.Layout();

    chart.CopyToClipboard();
    const QMimeData* mime = QGuiApplication::clipboard()->mimeData();
    ASSERT_NE(mime, nullptr);
    const QByteArray svg = mime->data("image/svg+xml");
    EXPECT_TRUE(svg.contains("<svg"));
    EXPECT_TRUE(svg.contains("#ff0000")) << "the red curve";
    QImage png;
    ASSERT_TRUE(png.loadFromData(mime->data("image/png"), "PNG"));
    EXPECT_EQ(png.size(), QSize(320, 240));
    int red = 0;
    for (int y = 0; y < png.height(); ++y)
        for (int x = 0; x < png.width(); ++x)
            red += At(png, x, y) == clRed;
    EXPECT_GT(red, 20);

    EXPECT_EQ(chart.Layout().ChartRadius, screen.ChartRadius);
    EXPECT_EQ(chart.Layout().ChartCentreY, screen.ChartCentreY);
    EXPECT_NE(chart.DrawnLayout().ChartRadius, screen.ChartRadius);

    // The SVG shows the same picture as the PNG.
    QSvgRenderer renderer(svg);
    ASSERT_TRUE(renderer.isValid());
    QImage fromSvg(320, 240, QImage::Format_RGB32);
    fromSvg.fill(Qt::white);
    {
        QPainter painter(&fromSvg);
        renderer.render(&painter);
    }
    SaveRender(fromSvg, "smith_clipboard_svg.png");
    int close = 0;
    for (int y = 0; y < 240; y += 4)
        for (int x = 0; x < 320; x += 4)
            close += IsDark(At(fromSvg, x, y)) == IsDark(At(png, x, y));
    EXPECT_GT(close, 80 * 60 * 97 / 100);
}

// Renders a chart the way a page gets it: a 150 dpi A4 sheet with 15 mm
// margins, fonts at the sheet's resolution.
TEST(SmithChartRender, RenderOfAPrintedPage)
{
    TSmithChart chart;
    samples::AddSampleCurves(chart);
    chart.SetShowmarkers(true);
    chart.SetShowLegend(true);
    chart.SetShowTitle(true);
    chart.SetTitle("Page");
    const int W = 1240, H = 1754, m = 89;
    QImage page(W, H, QImage::Format_RGB32);
    page.setDotsPerMeterX(5906);
    page.setDotsPerMeterY(5906);
    page.fill(Qt::white);
    {
        TQtChartCanvas canvas(&page);
        chart.DrawChart(canvas, W, H, m, m, m, m);
    }
    SaveRender(page, "smith_page.png");
    const TSmithLayout& l = chart.DrawnLayout();
    EXPECT_EQ(l.ChartCentreX, m + (W - 2 * m) / 2);
    EXPECT_GT(l.ChartRadius, 500);
    EXPECT_EQ(chart.Layout().ChartRadius, 0) << "never drawn on the screen";
}
