#include "setup/installlib/ui/decorativecontrols.h"

#include <QFontMetrics>
#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

#include <string>

using namespace installlib;

namespace {

// The widget's own painting on white, without the window background.
QImage render(QWidget& widget)
{
    QImage image(widget.size(), QImage::Format_RGB32);
    image.fill(Qt::white);
    widget.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    return image;
}

QString picturePath(const char* name)
{
    return QString::fromUtf8(TAVIX_DECORATION_PICTURE_DIR) + "/" + name;
}

// The box around the pixels of one exact colour; empty when there are none.
QRect boxOf(const QImage& image, QColor color)
{
    QRect box;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixelColor(x, y) == color)
                box = box.united(QRect(x, y, 1, 1));
    return box;
}

} // namespace

// Catches a backdrop painted in the wrong band order, a mirror that is not
// symmetric, or a panel that does not fill its parent.
TEST(BackdropWidget, BandsByPixelProbes)
{
    QWidget parent;
    parent.resize(60, 100);
    TBackdrop backdrop(&parent);
    parent.show();
    EXPECT_EQ(backdrop.geometry(), parent.rect());
    QImage image = render(backdrop);
    EXPECT_EQ(image.pixelColor(30, 0), QColor(0, 0, 255 + MulDiv(1, -255, 255)));
    EXPECT_EQ(image.pixelColor(30, 99), QColor(0, 0, 255 + MulDiv(254, -255, 255)));
    EXPECT_EQ(image.pixelColor(0, 50), image.pixelColor(59, 50));

    // Mirrored, 256 high: one row per band, blue at both edges, black in the middle.
    parent.resize(60, 256);
    backdrop.SetDirection(bdHorzOut);
    image = render(backdrop);
    EXPECT_EQ(image.pixelColor(10, 0), QColor(0, 0, 255));
    EXPECT_EQ(image.pixelColor(10, 255), QColor(0, 0, 255));
    EXPECT_EQ(image.pixelColor(10, 127), QColor(0, 0, 0));
    EXPECT_EQ(image.pixelColor(10, 128), QColor(0, 0, 0));
    EXPECT_EQ(image.pixelColor(10, 20), image.pixelColor(10, 235));

    parent.resize(256, 40);
    EXPECT_EQ(backdrop.width(), 256);
    backdrop.SetDirection(bdLeft);
    backdrop.SetStartColor(0x0000FF);
    backdrop.SetEndColor(0x00FF00);
    image = render(backdrop);
    EXPECT_EQ(image.pixelColor(0, 20), QColor(255, 0, 0));
    EXPECT_EQ(image.pixelColor(255, 20), QColor(0, 255, 0));
    EXPECT_TRUE(image.save(picturePath("backdrop_left.png")));

    TBackdrop copy;
    copy.Assign(backdrop);
    EXPECT_EQ(copy.Direction(), bdLeft);
    EXPECT_EQ(copy.EndColor(), 0x00FF00u);
}

// Catches shades drawn at the wrong offsets or a caption that does not turn.
TEST(Rotate3DLabelWidget, ShadesAndRotationByPixelProbes)
{
    TRotate3DLabel label;
    label.resize(300, 300);
    QFont font = label.font();
    font.setPixelSize(40);
    font.setStyleStrategy(QFont::NoAntialias);
    label.setFont(font);
    label.SetCaption("WWWW");
    label.SetAlignment(taCenter);
    label.SetFontColor(0xFF0000); // blue
    label.LabelStyle().SetAStyle3D(A3dShadowed);
    label.LabelStyle().SetAShadeRightBottom(0x0000FF); // red

    QImage image = render(label);
    const QRect text = boxOf(image, QColor(0, 0, 255));
    const QRect shade = boxOf(image, QColor(255, 0, 0));
    ASSERT_FALSE(text.isEmpty());
    ASSERT_FALSE(shade.isEmpty());
    EXPECT_GT(text.width(), text.height());
    // The shadow sticks out 5 to the right and 5 above the caption.
    EXPECT_EQ(shade.right() - text.right(), 5);
    EXPECT_EQ(text.top() - shade.top(), 5);
    EXPECT_NEAR(text.center().x(), 150, 6);

    label.LabelStyle().SetAngle(90);
    image = render(label);
    const QRect turned = boxOf(image, QColor(0, 0, 255));
    ASSERT_FALSE(turned.isEmpty());
    EXPECT_GT(turned.height(), turned.width());
    EXPECT_NEAR(turned.height(), text.width(), 3);
    EXPECT_NEAR(turned.center().y(), 150, 6);
    EXPECT_TRUE(image.save(picturePath("label_rotated.png")));

    label.LabelStyle().SetAngle(0);
    label.LabelStyle().SetAStyle3D(A3dRaised);
    label.LabelStyle().SetAShadeLTSet(false);
    label.LabelStyle().SetAShadeLeftTop(0x00FF00); // green
    image = render(label);
    const QRect light = boxOf(image, QColor(0, 255, 0));
    const QRect dark = boxOf(image, QColor(255, 0, 0));
    const QRect face = boxOf(image, QColor(0, 0, 255));
    EXPECT_EQ(face.left() - light.left(), 1);
    EXPECT_EQ(dark.right() - face.right(), 1);
    EXPECT_EQ(dark.bottom() - face.bottom(), 1);
}

// Catches an opaque label that keeps its 3D effect or paints no background.
TEST(Rotate3DLabelWidget, OpaqueLabelLosesItsEffect)
{
    TRotate3DLabel label;
    label.resize(200, 100);
    label.SetCaption("Setup");
    label.SetAlignment(taCenter);
    label.SetColor(0x00FFFF); // yellow
    label.SetMyTransparent(false);
    label.LabelStyle().SetAngle(30);
    const QImage image = render(label);
    EXPECT_EQ(label.LabelStyle().AStyle3D(), A3dNormal);
    EXPECT_EQ(image.pixelColor(0, 0), QColor(Qt::white));
    const QRect back = boxOf(image, QColor(255, 255, 0));
    ASSERT_FALSE(back.isEmpty());
    EXPECT_TRUE(back.contains(100, 50));
    // Turned by 30 degrees, the background is taller than the caption's line.
    EXPECT_GT(back.height(), QFontMetrics(label.font()).height() + 7 + 10);
}

// Catches two main instances or a main reference left to a destroyed label.
TEST(DecorationMainInstance, TagMinusOneMarksTheOne)
{
    {
        TRotate3DLabel a, b;
        a.SetTag(-1);
        b.SetTag(-1);
        EXPECT_EQ(TRotate3DLabel::Main(), &b);
        EXPECT_EQ(a.Tag(), 0);
    }
    EXPECT_EQ(TRotate3DLabel::Main(), nullptr);
    TBackdrop backdrop;
    backdrop.SetTag(-1);
    EXPECT_EQ(TBackdrop::Main(), &backdrop);
    backdrop.SetTag(0);
    EXPECT_EQ(TBackdrop::Main(), nullptr);
}

// The setup window's decoration, for a look in the build tree.
TEST(Decorations, MainWindowPicture)
{
    QWidget window;
    window.resize(544, 375);
    TBackdrop backdrop(&window);
    backdrop.SetTag(-1);
    TRotate3DLabel label(&backdrop);
    label.setGeometry(0, 0, 544, 65);
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(32);
    font.setBold(true);
    label.setFont(font);
    label.SetFontColor(0x000000);
    label.SetCaption("Tavix Electronics 1.01a - Demo");
    label.LabelStyle().SetAShadeLTSet(false);
    const QImage image = render(window);
    EXPECT_TRUE(image.save(picturePath("setup_window.png")));
    EXPECT_EQ(image.pixelColor(270, 374), QColor(0, 0, 0));
    EXPECT_EQ(image.pixelColor(270, 100).blue(), 255 - MulDiv(MulDiv(100, 256, 375), 255, 255));
}
