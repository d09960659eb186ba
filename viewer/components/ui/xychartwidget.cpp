#include "viewer/components/ui/xychartwidget.h"

#include "viewer/components/qtchartcanvas.h"
#include "viewer/components/ui/chartmouse.h"

#include <QMessageBox>
#include <QPainter>
#include <QResizeEvent>

namespace viewer {

TXYChartWidget::TXYChartWidget(QWidget* parent)
    : QWidget(parent)
    , chart_(this)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    resize(chart_.Width(), chart_.Height());
}

TXYChartWidget::~TXYChartWidget()
{
    chart_.SetHost(nullptr);
}

void TXYChartWidget::Invalidate()
{
    stale_ = true;
    update();
}

void TXYChartWidget::PaintNow()
{
    stale_ = true;
    // A hidden control draws at its next show; points added one by one
    // must not each cost a full drawing nobody sees.
    if (isVisible())
        repaint();
    else
        update();
}

void TXYChartWidget::PopupMenuAt(int, int)
{
    // The XY chart has no point menu.
}

bool TXYChartWidget::AskYesNo(const std::string& text, const std::string& caption)
{
    return QMessageBox::question(
               this, QString::fromStdString(caption), QString::fromStdString(text), QMessageBox::Yes | QMessageBox::No)
        == QMessageBox::Yes;
}

void TXYChartWidget::HoverMarksChanged()
{
    update();
}

void TXYChartWidget::renderBackBuffer()
{
    const int w = width(), h = height();
    if (w <= 0 || h <= 0)
        return;
    if (backBuffer_.size() != QSize(w, h))
        backBuffer_ = QImage(w, h, QImage::Format_RGB32);
    backBuffer_.fill(Qt::white);
    {
        TQtChartCanvas canvas(&backBuffer_);
        chart_.DrawChart(canvas, w, h, 0, 0, 0, 0, xy::TDrawTarget::dtScreen);
    }
    stale_ = false;
}

void TXYChartWidget::drawHoverMarks(QImage& target) const
{
    const xy::THoverMarks& m = chart_.HoverMarks();
    if (!m.Visible && !m.RefVisible)
        return;
    QPainter p(&target);
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(Qt::NoBrush);
    // 7 x 7 pixel frames: (x - 3, y - 3) to (x + 4, y + 4), right and bottom left out.
    if (m.RefVisible)
        p.drawRect(m.RefPx - 3, m.RefPy - 3, 6, 6);
    if (m.Visible) {
        if (m.Triangle) {
            const QPoint tri[3] = { { m.X - 3, m.Y + 3 }, { m.X + 3, m.Y + 3 }, { m.X, m.Y - 3 } };
            p.drawPolygon(tri, 3);
        } else {
            p.drawRect(m.X - 3, m.Y - 3, 6, 6);
        }
    }
}

QImage TXYChartWidget::Shown() const
{
    QImage shown = backBuffer_.copy();
    if (!shown.isNull())
        drawHoverMarks(shown);
    return shown;
}

void TXYChartWidget::paintEvent(QPaintEvent*)
{
    if (stale_ || backBuffer_.size() != size())
        renderBackBuffer();
    QPainter painter(this);
    painter.drawImage(0, 0, Shown());
}

void TXYChartWidget::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    stale_ = true;
    chart_.Resize(event->size().width(), event->size().height());
}

void TXYChartWidget::mousePressEvent(QMouseEvent* event)
{
    ForwardMousePress(chart_, event);
}

void TXYChartWidget::mouseMoveEvent(QMouseEvent* event)
{
    ForwardMouseMove(chart_, event);
}

void TXYChartWidget::leaveEvent(QEvent* event)
{
    QWidget::leaveEvent(event);
    chart_.PointerLeft();
}

void TXYChartWidget::mouseReleaseEvent(QMouseEvent* event)
{
    ForwardMouseRelease(chart_, event);
}

} // namespace viewer
