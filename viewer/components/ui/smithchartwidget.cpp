#include "viewer/components/ui/smithchartwidget.h"

#include "viewer/components/qtchartcanvas.h"
#include "viewer/components/ui/chartmouse.h"

#include <QMenu>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QResizeEvent>

namespace viewer {

TSmithChartWidget::TSmithChartWidget(QWidget* parent)
    : QWidget(parent)
    , chart_(this)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    resize(chart_.Width(), chart_.Height());
}

TSmithChartWidget::~TSmithChartWidget()
{
    chart_.SetHost(nullptr);
}

void TSmithChartWidget::Invalidate()
{
    update();
}

void TSmithChartWidget::PaintNow()
{
    if (isVisible())
        repaint();
    else
        update();
}

void TSmithChartWidget::PopupMenuAt(int x, int y)
{
    if (popupMenu_)
        popupMenu_->popup(mapToGlobal(QPoint(x, y)));
}

bool TSmithChartWidget::AskYesNo(const std::string& text, const std::string& caption)
{
    return QMessageBox::question(
               this, QString::fromStdString(caption), QString::fromStdString(text), QMessageBox::Yes | QMessageBox::No)
        == QMessageBox::Yes;
}

// The boxes of the hover marks shown now, a pixel wider on each side.
QRegion TSmithChartWidget::hoverRegion() const
{
    const smith::THoverMarks& m = chart_.HoverMarks();
    QRegion r;
    if (m.HitShown)
        r += QRect(m.HitX - 4, m.HitY - 4, 10, 10);
    if (m.RefShown)
        r += QRect(m.RefX - 4, m.RefY - 4, 10, 10);
    return r;
}

void TSmithChartWidget::HoverMarksChanged()
{
    // Both the old marks (to take them away) and the new ones.
    marksRegion_ += hoverRegion();
    update(marksRegion_);
}

void TSmithChartWidget::renderBackBuffer()
{
    const int w = width(), h = height();
    if (w <= 0 || h <= 0)
        return;
    if (backBuffer_.size() != QSize(w, h))
        backBuffer_ = QImage(w, h, QImage::Format_RGB32);
    backBuffer_.fill(Qt::white);
    TQtChartCanvas canvas(&backBuffer_);
    chart_.DrawChart(canvas, w, h, 0, 0, 0, 0, smith::TDrawTarget::dtScreen);
    canvas.SetPenColor(clBlack);
}

void TSmithChartWidget::paintEvent(QPaintEvent* event)
{
    // Moving the hover marks needs no new chart image: hovering over a
    // large data set must not redraw every curve.
    const bool marksOnly = backBuffer_.size() == size() && (event->region() - marksRegion_).isEmpty();
    if (!marksOnly)
        renderBackBuffer();
    marksRegion_ = hoverRegion();
    QPainter painter(this);
    painter.drawImage(0, 0, backBuffer_);
    TQtChartCanvas canvas(painter, false);
    chart_.DrawHoverMarks(canvas);
}

void TSmithChartWidget::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    chart_.Resize(event->size().width(), event->size().height());
}

void TSmithChartWidget::mousePressEvent(QMouseEvent* event)
{
    ForwardMousePress(chart_, event);
}

void TSmithChartWidget::mouseMoveEvent(QMouseEvent* event)
{
    ForwardMouseMove(chart_, event);
}

void TSmithChartWidget::leaveEvent(QEvent* event)
{
    QWidget::leaveEvent(event);
    chart_.PointerLeft();
}

void TSmithChartWidget::mouseReleaseEvent(QMouseEvent* event)
{
    ForwardMouseRelease(chart_, event);
}

} // namespace viewer
