#include "viewer/components/qtchartcanvas.h"

#include <QColor>
#include <QFont>
#include <QFontMetrics>
#include <QImage>
#include <QPaintDevice>
#include <QPainter>
#include <QPaintEngine>
#include <QPainterPath>
#include <QPolygonF>
#include <QString>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <utility>

namespace viewer {

QColor ToQColor(TColor c)
{
    return QColor(ColorRed(c), ColorGreen(c), ColorBlue(c));
}

TColor FromQColor(const QColor& c)
{
    return RGBColor(c.red(), c.green(), c.blue());
}

namespace {

// Strokes go through pixel centres so that one-pixel lines land on whole
// pixels. Antialiased painting has its pixel centres at +0.5; aliased
// painting already renders a one-pixel pen right of and below its points.
QPointF Centre(int x, int y, double off)
{
    return QPointF(x + off, y + off);
}

// The stroke box of a shape whose bounding box leaves out its right and
// bottom edges.
QRectF StrokeBox(int left, int top, int right, int bottom, double off)
{
    if (left > right)
        std::swap(left, right);
    if (top > bottom)
        std::swap(top, bottom);
    return QRectF(left + off, top + off, std::max(0, right - left - 1), std::max(0, bottom - top - 1));
}

// An antialiased flat-capped stroke between pixel centres would cover half
// of the first and half of the last pixel. Moving both ends back by half a
// pixel along the line covers the first pixel fully and leaves out the last,
// as an aliased line does. This gives that half-pixel step from a towards b.
QPointF HalfPixelAlong(QPointF a, QPointF b)
{
    const QPointF d = b - a;
    const double len = std::hypot(d.x(), d.y());
    return len == 0 ? QPointF() : d * (0.5 / len);
}

Qt::PenStyle QtPenStyle(TPenStyle s)
{
    switch (s) {
    case TPenStyle::psSolid:
        return Qt::SolidLine;
    case TPenStyle::psDash:
        return Qt::DashLine;
    case TPenStyle::psDot:
        return Qt::DotLine;
    case TPenStyle::psDashDot:
        return Qt::DashDotLine;
    case TPenStyle::psClear:
        return Qt::NoPen;
    }
    return Qt::SolidLine;
}

// The parametric angle of an ellipse point that lies on the ray at the
// geometric angle theta (degrees, counter-clockwise, y up).
double ParametricAngle(double thetaDeg, double rx, double ry)
{
    if (rx <= 0 || ry <= 0 || rx == ry)
        return thetaDeg;
    const double t = thetaDeg * std::numbers::pi / 180.0;
    return std::atan2(rx * std::sin(t), ry * std::cos(t)) * 180.0 / std::numbers::pi;
}

} // namespace

TQtChartCanvas::TQtChartCanvas(QPainter& painter, bool antialias)
    : painter_(&painter)
    , antialias_(antialias)
    , off_(antialias ? 0.5 : 0.0)
{
    painter_->setRenderHint(QPainter::Antialiasing, antialias_);
    painter_->setRenderHint(QPainter::TextAntialiasing, true);
}

TQtChartCanvas::TQtChartCanvas(QPaintDevice* device, bool antialias)
    : ownPainter_(std::make_unique<QPainter>(device))
    , painter_(ownPainter_.get())
    , antialias_(antialias)
    , off_(antialias ? 0.5 : 0.0)
{
    painter_->setRenderHint(QPainter::Antialiasing, antialias_);
    painter_->setRenderHint(QPainter::TextAntialiasing, true);
}

TQtChartCanvas::~TQtChartCanvas()
{
    if (ownPainter_ && ownPainter_->isActive())
        ownPainter_->end();
}

bool TQtChartCanvas::IsActive() const
{
    return painter_->isActive();
}

void TQtChartCanvas::applyPen()
{
    if (!penChanged_)
        return;
    const TChartPen& p = Pen();
    QPen pen(ToQColor(p.Color));
    pen.setWidth(std::max(1, p.Width));
    pen.setStyle(QtPenStyle(p.Style));
    // Dots and dashes keep their length on paper as on a screen of 96 dpi:
    // on a finer device a pattern of one-pixel steps would print as a solid
    // line.
    const double dpi = painter_->device() ? painter_->device()->logicalDpiX() : 96.0;
    const double step = std::max(1.0, std::round(dpi / 96.0));
    if (step > 1 && p.Style != TPenStyle::psSolid && p.Style != TPenStyle::psClear) {
        QList<qreal> pattern = pen.dashPattern();
        for (qreal& d : pattern)
            d *= step;
        pen.setDashPattern(pattern);
    }
    if (p.Width > 1) {
        pen.setCapStyle(Qt::RoundCap);
        pen.setJoinStyle(Qt::RoundJoin);
    } else {
        pen.setCapStyle(Qt::FlatCap);
        pen.setJoinStyle(Qt::MiterJoin);
    }
    painter_->setPen(pen);
    penChanged_ = false;
}

void TQtChartCanvas::applyBrush()
{
    if (!brushChanged_)
        return;
    const TChartBrush& b = Brush();
    if (b.Style == TBrushStyle::bsSolid)
        painter_->setBrush(QBrush(ToQColor(b.Color)));
    else
        painter_->setBrush(Qt::NoBrush);
    brushChanged_ = false;
}

void TQtChartCanvas::strokeOnly()
{
    painter_->setBrush(Qt::NoBrush);
    brushChanged_ = true;
    applyPen();
}

void TQtChartCanvas::applyFont()
{
    if (!fontChanged_)
        return;
    const TChartFont& f = Font();
    QFont font(QString::fromStdString(f.Name));
    if (f.Size > 0)
        font.setPointSize(f.Size);
    else if (f.Size < 0)
        font.setPixelSize(-f.Size); // a negative size is a height in pixels
    font.setBold((f.Style & fsBold) != 0);
    font.setItalic((f.Style & fsItalic) != 0);
    font.setUnderline((f.Style & fsUnderline) != 0);
    font.setStrikeOut((f.Style & fsStrikeOut) != 0);
    painter_->setFont(font);
    fontChanged_ = false;
}

void TQtChartCanvas::Rectangle(int left, int top, int right, int bottom)
{
    applyPen();
    applyBrush();
    if (Pen().Style == TPenStyle::psClear) {
        FillRect(left, top, right, bottom);
        return;
    }
    painter_->drawRect(StrokeBox(left, top, right, bottom, off_));
}

void TQtChartCanvas::Ellipse(int left, int top, int right, int bottom)
{
    applyPen();
    applyBrush();
    painter_->drawEllipse(StrokeBox(left, top, right, bottom, off_));
}

void TQtChartCanvas::Polygon(const std::vector<TCanvasPoint>& points)
{
    if (points.size() < 2)
        return;
    applyPen();
    applyBrush();
    QPolygonF poly;
    poly.reserve(static_cast<qsizetype>(points.size()));
    for (const TCanvasPoint& p : points)
        poly << Centre(p.x, p.y, off_);
    painter_->drawPolygon(poly, Qt::OddEvenFill);
}

void TQtChartCanvas::FillRect(int left, int top, int right, int bottom)
{
    if (Brush().Style == TBrushStyle::bsClear)
        return;
    if (left > right)
        std::swap(left, right);
    if (top > bottom)
        std::swap(top, bottom);
    painter_->fillRect(QRect(left, top, right - left, bottom - top), ToQColor(Brush().Color));
}

void TQtChartCanvas::StretchDraw(int left, int top, int right, int bottom, const TChartPicture& picture)
{
    if (picture.Empty() || right <= left || bottom <= top)
        return;
    QImage image(picture.Width, picture.Height, QImage::Format_RGB32);
    for (int y = 0; y < picture.Height; ++y)
        for (int x = 0; x < picture.Width; ++x)
            image.setPixelColor(x, y, ToQColor(picture.Pixels[static_cast<std::size_t>(y) * picture.Width + x]));
    painter_->drawImage(QRect(left, top, right - left, bottom - top), image);
}

void TQtChartCanvas::FrameRect(int left, int top, int right, int bottom)
{
    if (Brush().Style == TBrushStyle::bsClear)
        return; // the frame is painted with the brush
    if (left > right)
        std::swap(left, right);
    if (top > bottom)
        std::swap(top, bottom);
    if (right - left < 1 || bottom - top < 1)
        return;
    const QColor c = ToQColor(Brush().Color);
    painter_->fillRect(QRect(left, top, right - left, 1), c);
    painter_->fillRect(QRect(left, bottom - 1, right - left, 1), c);
    painter_->fillRect(QRect(left, top, 1, bottom - top), c);
    painter_->fillRect(QRect(right - 1, top, 1, bottom - top), c);
}

void TQtChartCanvas::Arc(int left, int top, int right, int bottom, int x1, int y1, int x2, int y2)
{
    const QRectF box = StrokeBox(left, top, right, bottom, off_);
    const QPointF c = box.center();
    const QPointF p1 = Centre(x1, y1, off_), p2 = Centre(x2, y2, off_);
    // Screen y runs down; angles here run counter-clockwise as seen.
    const double a1 = std::atan2(c.y() - p1.y(), p1.x() - c.x()) * 180.0 / std::numbers::pi;
    const double a2 = std::atan2(c.y() - p2.y(), p2.x() - c.x()) * 180.0 / std::numbers::pi;
    const double rx = box.width() / 2, ry = box.height() / 2;
    const double t1 = ParametricAngle(a1, rx, ry);
    const double t2 = ParametricAngle(a2, rx, ry);
    double span = t2 - t1;
    while (span <= 0)
        span += 360.0;
    if (x1 - (left + right) / 2.0 == 0 && y1 - (top + bottom) / 2.0 == 0)
        span = 360.0;
    strokeOnly();
    QPainterPath path;
    path.arcMoveTo(box, t1);
    path.arcTo(box, t1, span);
    painter_->drawPath(path);
}

void TQtChartCanvas::Polyline(const std::vector<TCanvasPoint>& points)
{
    if (points.size() < 2)
        return;
    strokeOnly();
    // A pen of one pixel on an unscaled raster surface is stroked segment by
    // segment, whatever the line's length. Other pens are outlined as one
    // shape, and one long outline is far slower than many short ones, so
    // their lines go in chunks that share their end points.
    const bool thin = Pen().Width <= 1 && painter_->paintEngine()->type() == QPaintEngine::Raster
        && !painter_->deviceTransform().isScaling();
    const std::size_t chunk = thin ? points.size() : static_cast<std::size_t>(kPolylineChunk);
    QPolygonF part;
    part.reserve(static_cast<qsizetype>(chunk) + 1);
    for (std::size_t start = 0; start + 1 < points.size(); start += chunk) {
        part.clear();
        const std::size_t end = std::min(points.size() - 1, start + chunk);
        for (std::size_t i = start; i <= end; ++i)
            part << Centre(points[i].x, points[i].y, off_);
        if (antialias_) {
            const qsizetype n = part.size();
            const QPointF head = start == 0 ? HalfPixelAlong(part[0], part[1]) : QPointF();
            const QPointF tail = end == points.size() - 1 ? HalfPixelAlong(part[n - 2], part[n - 1]) : QPointF();
            part[0] -= head;
            part[n - 1] -= tail;
        }
        painter_->drawPolyline(part);
    }
}

int TQtChartCanvas::TextWidth(const std::string& text)
{
    applyFont();
    return QFontMetrics(painter_->font(), painter_->device()).horizontalAdvance(QString::fromStdString(text));
}

int TQtChartCanvas::TextHeight(const std::string&)
{
    applyFont();
    return QFontMetrics(painter_->font(), painter_->device()).height();
}

void TQtChartCanvas::SetClipRect(int left, int top, int right, int bottom)
{
    if (left > right)
        std::swap(left, right);
    if (top > bottom)
        std::swap(top, bottom);
    painter_->setClipRect(QRect(left, top, right - left, bottom - top), Qt::ReplaceClip);
}

void TQtChartCanvas::RemoveClip()
{
    painter_->setClipping(false);
}

void TQtChartCanvas::DrawLine(int x0, int y0, int x1, int y1)
{
    if (x0 == x1 && y0 == y1)
        return; // only the end pixel, which is left out
    strokeOnly();
    QPointF a = Centre(x0, y0, off_), b = Centre(x1, y1, off_);
    if (antialias_) {
        const QPointF h = HalfPixelAlong(a, b);
        a -= h;
        b -= h;
    }
    painter_->drawLine(a, b);
}

void TQtChartCanvas::DrawText(int x, int y, const std::string& text)
{
    applyFont();
    const QString s = QString::fromStdString(text);
    const QFontMetrics fm(painter_->font(), painter_->device());
    if (Brush().Style == TBrushStyle::bsSolid)
        painter_->fillRect(QRect(x, y, fm.horizontalAdvance(s), fm.height()), ToQColor(Brush().Color));
    painter_->setPen(ToQColor(Font().Color));
    penChanged_ = true;
    painter_->drawText(QPointF(x, y + fm.ascent()), s);
}

} // namespace viewer
