#include "setup/tavixsetup/mainwindow.h"

#include "setup/installlib/ui/decorativecontrols.h"

#include <QFont>
#include <QPainter>
#include <QPixmap>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>

namespace tavixsetup {

using namespace installlib;

QIcon SetupIcon()
{
    QIcon icon;
    for (int size : { 16, 32, 48 }) {
        QPixmap picture(size, size);
        picture.fill(Qt::transparent);
        QPainter painter(&picture);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.scale(size / 32.0, size / 32.0);
        // The box, blue as the backdrop, with its open lid.
        painter.setPen(QPen(Qt::black, 1.5));
        painter.setBrush(QColor(0, 0, 160));
        painter.drawRect(QRectF(4, 14, 24, 16));
        painter.setBrush(QColor(40, 40, 200));
        painter.drawPolygon(QPolygonF({ QPointF(4, 14), QPointF(0, 9), QPointF(12, 9), QPointF(16, 14) }));
        // The disk going in.
        painter.setBrush(QColor(60, 60, 60));
        painter.drawRect(QRectF(13, 1, 14, 14));
        painter.setBrush(Qt::white);
        painter.setPen(Qt::NoPen);
        painter.drawRect(QRectF(16, 2, 8, 5));
        painter.end();
        icon.addPixmap(picture);
    }
    return icon;
}

TForm1Window::TForm1Window(TForm1& Form, QWidget* Parent)
    : QWidget(Parent)
    , form_(Form)
{
    setWindowTitle(QString::fromStdString(Form.Caption));
    setWindowIcon(SetupIcon());
    QFont font(QString::fromStdString(Form.FontName));
    font.setPixelSize(-Form.FontHeight);
    setFont(font);
    setGeometry(Form.Left(), Form.Top(), Form.Width(), Form.Height());

    // Client-aligned: the backdrop follows the window's size by itself.
    backDrop_ = new TBackdrop(this);
    backDrop_->SetTag(-1);
    auto* layout = new QVBoxLayout(backDrop_);
    layout->setContentsMargins(0, 0, 0, 0);
    productLabel_ = new TRotate3DLabel(backDrop_);
    const TProductLabelStyle& style = Form.ProductLabelStyle;
    productLabel_->SetTag(-1);
    QFont labelFont(QString::fromStdString(style.FontName));
    labelFont.setPixelSize(-style.FontHeight);
    labelFont.setBold(style.Bold);
    productLabel_->setFont(labelFont);
    productLabel_->SetLabelStyle(style.Style);
    productLabel_->SetCaption(style.Caption);
    productLabel_->setFixedHeight(style.Height);
    layout->addWidget(productLabel_);
    layout->addStretch(1);

    Form.OnWindowStateChanged = [this](TWindowState State) {
        if (State == wsMaximized) {
            // Without a window manager a maximised window keeps its size:
            // it takes the screen's work area itself.
            if (QScreen* screen = this->screen())
                setGeometry(screen->availableGeometry());
            showMaximized();
        }
        else if (State == wsMinimized)
            showMinimized();
        else
            showNormal();
    };
    Form.OnRefresh = [this] { update(); };
}

TForm1Window::~TForm1Window()
{
    form_.OnWindowStateChanged = nullptr;
    form_.OnRefresh = nullptr;
}

void TForm1Window::showEvent(QShowEvent* Event)
{
    QWidget::showEvent(Event);
    if (activated_)
        return;
    activated_ = true;
    // The first activation runs the install: after the window is up, from
    // the event loop, so its pages and boxes have a running loop.
    QTimer::singleShot(0, this, [this] { form_.Activate(); });
}

} // namespace tavixsetup
