#include "setup/tavixsetup/mainwindow.h"

#include "setup/installlib/ui/decorativecontrols.h"

#include <QFont>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>

namespace tavixsetup {

using namespace installlib;

TForm1Window::TForm1Window(TForm1& Form, QWidget* Parent)
    : QWidget(Parent)
    , form_(Form)
{
    setWindowTitle(QString::fromStdString(Form.Caption));
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
