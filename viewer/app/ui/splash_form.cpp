#include "viewer/app/ui/splash_form.h"

#include "viewer/components/qtchartcanvas.h"
#include "viewer/components/smithchart.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QScreen>

#include <cmath>

namespace viewer {

namespace {

// A Smith chart with one swept reflection curve, drawn by the chart itself.
QPixmap chartPicture(int size)
{
    smith::TSmithChart chart;
    chart.Resize(size, size);
    chart.SetShowInfo(false);
    chart.SetShowLegend(false);
    chart.SetShowTitle(false);
    chart.SetColouredTraces(true);
    chart.SetLineWidth(2);
    const int curve = chart.AddCurve("S11", clRed);
    for (int k = 0; k <= 60; ++k) {
        const double t = k / 60.0;
        chart.AddPoint(curve, 1.0 + t, 0.9 - 0.6 * t, 170.0 - 500.0 * t);
    }
    chart.SetCurveVisible(curve, true);
    QImage image(size, size, QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        TQtChartCanvas canvas(&image);
        chart.DrawChart(canvas, size, size, 16, 16, 16, 16);
    }
    return QPixmap::fromImage(image);
}

} // namespace

TSplashForm::TSplashForm(QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint)
{
    setObjectName(QStringLiteral("SplashForm"));
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(kFrameWidth + 12, kFrameWidth + 12, kFrameWidth + 12, kFrameWidth + 12);
    layout->setSpacing(24);
    Picture = new QLabel(this);
    Picture->setPixmap(chartPicture(220));
    ProductName = new QLabel(QStringLiteral("Rivelle"), this);
    QFont f = ProductName->font();
    f.setPointSize(28);
    f.setBold(true);
    ProductName->setFont(f);
    layout->addWidget(Picture);
    layout->addWidget(ProductName);
    setAutoFillBackground(true);
    QPalette p = palette();
    p.setColor(QPalette::Window, Qt::white);
    p.setColor(QPalette::WindowText, QColor(0, 0, 128));
    setPalette(p);
    adjustSize();
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void TSplashForm::paintEvent(QPaintEvent* event)
{
    QWidget::paintEvent(event);
    QPainter painter(this);
    const QRect r = rect();
    painter.fillRect(QRect(r.left(), r.top(), r.width(), kFrameWidth), Qt::black);
    painter.fillRect(QRect(r.left(), r.bottom() - kFrameWidth + 1, r.width(), kFrameWidth), Qt::black);
    painter.fillRect(QRect(r.left(), r.top(), kFrameWidth, r.height()), Qt::black);
    painter.fillRect(QRect(r.right() - kFrameWidth + 1, r.top(), kFrameWidth, r.height()), Qt::black);
}

} // namespace viewer
