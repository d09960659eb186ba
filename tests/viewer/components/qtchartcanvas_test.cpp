#include "viewer/components/qtchartcanvas.h"

#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QImage>
#include <QPainter>
#include <QPicture>
#include <QPrinter>
#include <QSvgGenerator>
#include <QSvgRenderer>

#include <cmath>

using namespace viewer;

namespace {

QImage Blank(int w = 120, int h = 100)
{
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(Qt::white);
    return img;
}

TColor At(const QImage& img, int x, int y)
{
    return FromQColor(img.pixelColor(x, y));
}

// Whether the colour is found within one pixel of (x, y).
bool Near(const QImage& img, int x, int y, TColor c)
{
    for (int dx = -1; dx <= 1; ++dx)
        for (int dy = -1; dy <= 1; ++dy)
            if (At(img, x + dx, y + dy) == c)
                return true;
    return false;
}

// A small scene with a probe at each of its parts.
void DrawScene(TChartCanvas& c)
{
    c.SetPen({ clBlack, 1, TPenStyle::psSolid });
    c.SetBrushColor(clBlue);
    c.Rectangle(10, 10, 40, 40);
    c.SetBrushColor(clRed);
    c.Ellipse(60, 10, 100, 50);
    c.SetPenColor(clLime);
    c.SetPenWidth(3);
    c.MoveTo(10, 70);
    c.LineTo(110, 70);
}

void ExpectScene(const QImage& img)
{
    EXPECT_EQ(At(img, 25, 25), clBlue);
    EXPECT_EQ(At(img, 80, 30), clRed);
    EXPECT_EQ(At(img, 60, 70), clLime);
    EXPECT_EQ(At(img, 5, 5), clWhite);
}

} // namespace

// Catches shapes that cover their right and bottom edges or miss the left
// and top ones (the layouts count on the old canvas box rules).
TEST(QtChartCanvas, BoxesLeaveOutRightAndBottomEdges)
{
    QImage img = Blank();
    {
        TQtChartCanvas c(&img, false);
        c.SetPenColor(clRed);
        c.SetBrushColor(clBlue);
        c.Rectangle(10, 10, 20, 20);
        c.SetBrushColor(clGreen);
        c.FillRect(30, 10, 40, 20);
        c.SetBrushColor(clNavy);
        c.FrameRect(50, 10, 60, 20);
        c.SetBrushStyle(TBrushStyle::bsClear);
        c.FrameRect(70, 10, 80, 20); // nothing: no brush
        c.FillRect(70, 10, 80, 20);
    }
    EXPECT_EQ(At(img, 10, 10), clRed);
    EXPECT_EQ(At(img, 19, 19), clRed);
    EXPECT_EQ(At(img, 15, 15), clBlue);
    EXPECT_EQ(At(img, 20, 20), clWhite);
    EXPECT_EQ(At(img, 20, 15), clWhite);

    EXPECT_EQ(At(img, 30, 10), clGreen);
    EXPECT_EQ(At(img, 39, 19), clGreen);
    EXPECT_EQ(At(img, 40, 15), clWhite);
    EXPECT_EQ(At(img, 35, 20), clWhite);

    EXPECT_EQ(At(img, 50, 15), clNavy);
    EXPECT_EQ(At(img, 59, 15), clNavy);
    EXPECT_EQ(At(img, 55, 15), clWhite);
    EXPECT_EQ(At(img, 60, 15), clWhite);
    EXPECT_EQ(At(img, 70, 10), clWhite);
}

// Catches lines that draw their end pixel (a polyline of LineTo steps would
// double its corners) or miss their start.
TEST(QtChartCanvas, LinesLeaveOutTheEndPixel)
{
    QImage img = Blank();
    {
        TQtChartCanvas c(&img, false);
        c.SetPenColor(clBlack);
        c.MoveTo(10, 5);
        c.LineTo(20, 5);
        c.MoveTo(30, 30);
        c.LineTo(30, 30); // nothing at all
    }
    EXPECT_EQ(At(img, 10, 5), clBlack);
    EXPECT_EQ(At(img, 19, 5), clBlack);
    EXPECT_EQ(At(img, 20, 5), clWhite);
    EXPECT_EQ(At(img, 15, 4), clWhite);
    EXPECT_EQ(At(img, 15, 6), clWhite);
    EXPECT_EQ(At(img, 30, 30), clWhite);

    // The same with antialiasing: the first pixel is fully covered, the
    // last not at all, and so is the end of a polyline.
    QImage smooth = Blank();
    {
        TQtChartCanvas c(&smooth, true);
        c.SetPenColor(clBlack);
        c.MoveTo(10, 5);
        c.LineTo(20, 5);
        c.Polyline({ { 10, 9 }, { 20, 9 }, { 30, 9 } });
    }
    EXPECT_EQ(At(smooth, 10, 5), clBlack);
    EXPECT_EQ(At(smooth, 19, 5), clBlack);
    EXPECT_EQ(At(smooth, 20, 5), clWhite);
    EXPECT_EQ(At(smooth, 9, 5), clWhite);
    EXPECT_EQ(At(smooth, 10, 9), clBlack);
    EXPECT_EQ(At(smooth, 29, 9), clBlack);
    EXPECT_EQ(At(smooth, 30, 9), clWhite);
}

// Catches arcs drawn clockwise, from the wrong radial point, or not at all.
TEST(QtChartCanvas, ArcsRunCounterClockwise)
{
    QImage img = Blank();
    {
        TQtChartCanvas c(&img, false);
        c.SetPenColor(clBlack);
        c.SetBrushColor(clRed); // an arc is never filled
        // From the right end to the left end counter-clockwise: the upper half.
        c.Arc(10, 10, 91, 91, 100, 50, 0, 50);
        // From the top to the bottom counter-clockwise: the left half.
        c.Arc(10, 10, 91, 91, 50, 0, 50, 100);
    }
    // Points of the circle at 90, 180, 240 and 300 degrees.
    EXPECT_TRUE(Near(img, 50, 10, clBlack));
    EXPECT_TRUE(Near(img, 10, 50, clBlack));
    EXPECT_TRUE(Near(img, 30, 85, clBlack));
    EXPECT_FALSE(Near(img, 70, 85, clBlack)); // lower right: not drawn
    EXPECT_FALSE(Near(img, 85, 70, clBlack));
    EXPECT_EQ(At(img, 50, 50), clWhite); // no fill
}

// Catches text placed by its baseline instead of its cell, or a background
// painted under text drawn with a clear brush.
TEST(QtChartCanvas, TextCellsAndBackground)
{
    QImage img = Blank(200, 60);
    int w = 0, h = 0;
    {
        TQtChartCanvas c(&img, false);
        c.SetFont({ "Arial", 12, 0, clBlack });
        w = c.TextWidth("WWWW");
        h = c.TextHeight("WWWW");
        c.SetBrushColor(clYellow);
        c.TextOut(10, 5, "WWWW");
        c.SetBrushStyle(TBrushStyle::bsClear);
        c.TextOut(100, 5, "WWWW");
        EXPECT_EQ(c.PenPos(), (TCanvasPoint { 100 + w, 5 }));
        EXPECT_GT(c.TextWidth("WWWWWWWW"), w);
    }
    ASSERT_GT(w, 10);
    ASSERT_GT(h, 5);
    // The opaque cell starts at the given corner and spans the text's size.
    EXPECT_EQ(At(img, 10, 5), clYellow);
    EXPECT_EQ(At(img, 10 + w - 1, 5 + h - 1), clYellow);
    EXPECT_EQ(At(img, 10 + w, 5), clWhite);
    EXPECT_EQ(At(img, 9, 5), clWhite);
    EXPECT_EQ(At(img, 10, 4), clWhite);
    bool ink = false, yellow = false;
    for (int x = 100; x < 100 + w; ++x)
        for (int y = 5; y < 5 + h; ++y) {
            const TColor p = At(img, x, y);
            ink = ink || p != clWhite;
            yellow = yellow || p == clYellow;
        }
    EXPECT_TRUE(ink);
    EXPECT_FALSE(yellow);
}

// Catches a clip that lets drawing through, or one that stays after removal.
TEST(QtChartCanvas, ClippingAndItsRemoval)
{
    QImage img = Blank();
    {
        TQtChartCanvas c(&img, false);
        c.SetClipRect(20, 20, 40, 40);
        c.SetBrushColor(clRed);
        c.FillRect(0, 0, 120, 100);
        c.RemoveClip();
        c.SetBrushColor(clBlue);
        c.FillRect(100, 80, 110, 90);
    }
    EXPECT_EQ(At(img, 20, 20), clRed);
    EXPECT_EQ(At(img, 39, 39), clRed);
    EXPECT_EQ(At(img, 40, 40), clWhite);
    EXPECT_EQ(At(img, 19, 30), clWhite);
    EXPECT_EQ(At(img, 105, 85), clBlue);
}

// Catches gaps where a long polyline is cut into chunks.
TEST(QtChartCanvas, LongPolylinesStayContinuous)
{
    QImage img = Blank(400, 100);
    std::vector<TCanvasPoint> pts;
    for (int i = 0; i <= 390; ++i)
        pts.push_back({ 5 + i, 50 });
    {
        TQtChartCanvas c(&img, false);
        c.SetPenColor(clBlack);
        c.Polyline(pts);
    }
    for (int x = 5; x < 395; ++x)
        ASSERT_EQ(At(img, x, 50), clBlack) << x;
    EXPECT_EQ(At(img, 395, 50), clWhite);
}

// Catches a canvas that only works on images: the same drawing goes to a
// PDF printer, a picture and an SVG generator.
TEST(QtChartCanvas, DrawsOnImagePrinterPictureAndSvg)
{
    {
        QImage img = Blank();
        {
            TQtChartCanvas c(&img, true);
            DrawScene(c);
        }
        ExpectScene(img);
    }
    {
        tavix::testing::TempDir dir;
        const QString file = QString::fromStdString((dir / "chart.pdf").string());
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(file);
        {
            TQtChartCanvas c(&printer);
            ASSERT_TRUE(c.IsActive());
            EXPECT_GT(c.TextHeight("0"), 20); // fonts scale with the printer's resolution
            DrawScene(c);
        }
        const std::string pdf = tavix::testing::readFile(dir / "chart.pdf");
        ASSERT_GT(pdf.size(), 200u);
        EXPECT_EQ(pdf.substr(0, 5), "%PDF-");
    }
    {
        QPicture picture;
        {
            TQtChartCanvas c(&picture);
            DrawScene(c);
        }
        EXPECT_GT(picture.size(), 0u);
        QImage img = Blank();
        {
            QPainter p(&img);
            p.drawPicture(0, 0, picture);
        }
        ExpectScene(img);
    }
    {
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        {
            QSvgGenerator svg;
            svg.setOutputDevice(&buffer);
            svg.setSize(QSize(120, 100));
            svg.setViewBox(QRect(0, 0, 120, 100));
            TQtChartCanvas c(&svg);
            DrawScene(c);
        }
        ASSERT_TRUE(buffer.data().contains("<svg"));
        QSvgRenderer renderer(buffer.data());
        ASSERT_TRUE(renderer.isValid());
        QImage img = Blank();
        {
            QPainter p(&img);
            renderer.render(&p, QRectF(0, 0, 120, 100));
        }
        ExpectScene(img);
    }
}

// Catches colours converted with red and blue swapped at the drawing edge.
TEST(QtChartCanvas, ColourByteOrder)
{
    EXPECT_EQ(ToQColor(clRed), QColor(255, 0, 0));
    EXPECT_EQ(ToQColor(clNavy), QColor(0, 0, 128));
    EXPECT_EQ(FromQColor(QColor(1, 2, 3)), RGBColor(1, 2, 3));
    EXPECT_EQ(RGBColor(1, 2, 3), 0x030201u);
}
