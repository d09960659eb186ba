#include "setup/installlib/ui/decorativecontrols.h"

#include <QEvent>
#include <QFontMetrics>
#include <QPainter>
#include <QPolygon>

namespace installlib {

QColor ToQColor(TColor Color)
{
    const TColor c = ColorToRGB(Color);
    return QColor(static_cast<int>(c & 0xFF), static_cast<int>((c >> 8) & 0xFF), static_cast<int>((c >> 16) & 0xFF));
}

TRotate3DLabel::TRotate3DLabel(QWidget* Parent)
    : QWidget(Parent)
{
    QFont font(QStringLiteral("Arial"));
    font.setBold(true);
    setFont(font);
    style_.OnChange = [this] { update(); };
}

TRotate3DLabel::~TRotate3DLabel()
{
    TMainInstance<TRotate3DLabel>::Destroyed(*this);
}

void TRotate3DLabel::SetCaption(const std::string& Value)
{
    if (Value == caption_)
        return;
    caption_ = Value;
    update();
}

void TRotate3DLabel::SetAlignment(TLabelAlignment Value)
{
    if (Value == alignment_)
        return;
    alignment_ = Value;
    update();
}

void TRotate3DLabel::SetMyTransparent(bool Value)
{
    if (Value == myTransparent_)
        return;
    myTransparent_ = Value;
    update();
}

void TRotate3DLabel::SetColor(TColor Value)
{
    if (Value == color_)
        return;
    color_ = Value;
    update();
}

void TRotate3DLabel::SetFontColor(TColor Value)
{
    if (Value == fontColor_)
        return;
    fontColor_ = Value;
    update();
}

void TRotate3DLabel::Assign(const TRotate3DLabel& Source)
{
    caption_ = Source.caption_;
    style_.Assign(Source.style_);
    setFont(Source.font());
    fontColor_ = Source.fontColor_;
    setGeometry(Source.geometry());
    myTransparent_ = Source.myTransparent_;
    update();
}

void TRotate3DLabel::paintEvent(QPaintEvent*)
{
    // An opaque label has no room for the shades: it loses its 3D effect for good.
    if (!myTransparent_)
        style_.SetAStyle3D(A3dNormal);
    QPainter painter(this);
    painter.setFont(font());
    const QFontMetrics metrics(font());
    const QString text = QString::fromStdString(caption_);
    const TRotatedLabelLayout layout = LayoutRotatedLabel(metrics.horizontalAdvance(text), metrics.height(), width(),
        height(), alignment_, style_, myTransparent_, fontColor_);
    if (layout.Opaque) {
        QPolygon polygon;
        for (const auto& p : layout.Background)
            polygon << QPoint(p.X, p.Y);
        painter.setPen(ToQColor(color_));
        painter.setBrush(ToQColor(color_));
        painter.drawPolygon(polygon);
    }
    // The text cell turns counter-clockwise about its top-left corner.
    for (const auto& pass : layout.Passes) {
        painter.save();
        painter.setPen(ToQColor(pass.Color));
        painter.translate(pass.Origin.X, pass.Origin.Y);
        painter.rotate(-style_.Angle());
        painter.drawText(0, metrics.ascent(), text);
        painter.restore();
    }
}

TBackdrop::TBackdrop(QWidget* Parent)
    : QWidget(Parent)
{
    if (Parent) {
        setGeometry(Parent->rect());
        Parent->installEventFilter(this);
    }
}

TBackdrop::~TBackdrop()
{
    TMainInstance<TBackdrop>::Destroyed(*this);
}

void TBackdrop::SetDirection(TDirection Value)
{
    if (Value == direction_)
        return;
    direction_ = Value;
    update();
}

void TBackdrop::SetStartColor(TColor Value)
{
    if (Value == startColor_)
        return;
    startColor_ = Value;
    update();
}

void TBackdrop::SetEndColor(TColor Value)
{
    if (Value == endColor_)
        return;
    endColor_ = Value;
    update();
}

void TBackdrop::Assign(const TBackdrop& Source)
{
    direction_ = Source.direction_;
    startColor_ = Source.startColor_;
    endColor_ = Source.endColor_;
    update();
}

bool TBackdrop::eventFilter(QObject* Watched, QEvent* Event)
{
    if (Watched == parentWidget() && Event->type() == QEvent::Resize)
        setGeometry(parentWidget()->rect());
    return QWidget::eventFilter(Watched, Event);
}

void TBackdrop::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const bool alongWidth = BackdropAlongWidth(direction_);
    const TBackdropFill fill = BackdropFill(direction_, startColor_, endColor_, alongWidth ? width() : height());
    for (const auto& band : fill.Bands) {
        const QRect r = alongWidth ? QRect(band.From, 0, band.To - band.From, height())
                                   : QRect(0, band.From, width(), band.To - band.From);
        painter.fillRect(r, ToQColor(band.Color));
    }
}

} // namespace installlib
