#include "setup/installlib/decorative.h"

#include <cmath>
#include <cstdlib>
#include <iterator>
#include <utility>

namespace installlib {

namespace {

// The classic scheme's system colours, red in the low byte.
constexpr TColor SystemColors[] = { 0xC0C0C0, 0x808000, 0x800000, 0x808080, 0xC0C0C0, 0xFFFFFF, 0x000000, 0x000000,
    0x000000, 0xFFFFFF, 0xC0C0C0, 0xC0C0C0, 0x808080, 0x800000, 0xFFFFFF, 0xC0C0C0, 0x808080, 0x808080, 0x000000,
    0xC0C0C0, 0xFFFFFF, 0x000000, 0xDFDFDF, 0x000000, 0xE1FFFF };

// Truncation toward zero, as the drawing code's Trunc.
int T(double Value)
{
    return static_cast<int>(std::trunc(Value));
}

int Component(TColor Color, int Shift)
{
    return static_cast<int>((Color >> Shift) & 0xFF);
}

} // namespace

TColor ColorToRGB(TColor Color)
{
    if (Color & 0x80000000u) {
        const TColor index = Color & 0xFF;
        return index < std::size(SystemColors) ? SystemColors[index] : clBlack;
    }
    return Color & 0xFFFFFF;
}

int MulDiv(int Number, int Numerator, int Denominator)
{
    if (Denominator == 0)
        return -1;
    const long long product = static_cast<long long>(Number) * Numerator;
    const long long d = Denominator;
    long long q = product / d;
    const long long r = product % d;
    if (2 * std::llabs(r) >= std::llabs(d))
        q += ((product < 0) != (d < 0)) ? -1 : 1;
    return static_cast<int>(q);
}

void TLabelStyle::Changed()
{
    if (OnChange)
        OnChange();
}

void TLabelStyle::SetAStyle3D(T3DEffectShort Value)
{
    if (Value == style3D_)
        return;
    style3D_ = Value;
    Changed();
}

void TLabelStyle::SetAngle(int Value)
{
    if (Value < 0 || Value >= 360)
        Value = 0;
    if (Value == angle_)
        return;
    angle_ = Value;
    Changed();
}

void TLabelStyle::SetAHShadeOffSet(int Value)
{
    if (Value == hOffset_)
        return;
    hOffset_ = Value;
    if (style3D_ == A3dShadowed)
        Changed();
}

void TLabelStyle::SetAVShadeOffSet(int Value)
{
    if (Value == vOffset_)
        return;
    vOffset_ = Value;
    if (style3D_ == A3dShadowed)
        Changed();
}

void TLabelStyle::SetAShadeRightBottom(TColor Value)
{
    if (Value == rightBottom_)
        return;
    rightBottom_ = Value;
    Changed();
}

void TLabelStyle::SetAShadeLeftTop(TColor Value)
{
    if (ltSet_ || Value == leftTop_)
        return;
    leftTop_ = Value;
    Changed();
}

void TLabelStyle::SetAShadeLTSet(bool Value)
{
    if (Value != ltSet_) {
        ltSet_ = Value;
        if (Value) {
            savedLeftTop_ = leftTop_;
            leftTop_ = clWhite;
        } else {
            leftTop_ = savedLeftTop_;
        }
    }
    if (ltSet_ && (style3D_ == A3dResit || style3D_ == A3dRaised) && savedLeftTop_ != clWhite)
        Changed();
}

void TLabelStyle::Assign(const TLabelStyle& Source)
{
    style3D_ = Source.style3D_;
    angle_ = Source.angle_;
    hOffset_ = Source.hOffset_;
    rightBottom_ = Source.rightBottom_;
    leftTop_ = Source.leftTop_;
    ltSet_ = Source.ltSet_;
    vOffset_ = Source.vOffset_;
    Changed();
}

TRotatedLabelLayout LayoutRotatedLabel(int TextWidth, int TextHeight, int Width, int Height, TLabelAlignment Alignment,
    const TLabelStyle& Style, bool MyTransparent, TColor FontColor)
{
    const double rad = Style.Angle() * M_PI / 180.0;
    const double c = std::cos(rad), s = std::sin(rad);
    const int w = TextWidth, h = TextHeight;
    const int cx = Width / 2, cy = Height / 2;

    TRotatedLabelLayout out;
    switch (Alignment) {
    case taLeftJustify:
        out.Origin.X = 0;
        break;
    case taRightJustify:
        out.Origin.X = Width - w;
        break;
    case taCenter:
        out.Origin.X = cx - T(w / 2.0 * c) - T(h / 2.0 * s);
        break;
    }
    out.Origin.Y = cy + T(w / 2.0 * s) - T(h / 2.0 * c);

    if (!MyTransparent) {
        out.Opaque = true;
        const double hh = (h + 7) / 2.0, e = (w + 10) / 2.0;
        out.Background = { TLabelPoint { cx - T(e * c) - T(hh * s), cy + T(e * s) - T(hh * c) },
            TLabelPoint { cx + T(e * c) - T(hh * s), cy - T(e * s) - T(hh * c) },
            TLabelPoint { cx + T(e * c) + T(hh * s), cy - T(e * s) + T(hh * c) },
            TLabelPoint { cx - T(e * c) + T(hh * s), cy + T(e * s) + T(hh * c) } };
    }

    int light = 0, dark = 0;
    if (Style.AStyle3D() == A3dResit) {
        light = 1;
        dark = -1;
    } else if (Style.AStyle3D() == A3dRaised) {
        light = -1;
        dark = 1;
    }
    const TLabelPoint o = out.Origin;
    switch (Style.AStyle3D()) {
    case A3dResit:
    case A3dRaised:
        out.Passes.push_back({ Style.AShadeLeftTop(), { o.X + light, o.Y + light } });
        out.Passes.push_back({ Style.AShadeRightBottom(), { o.X + dark, o.Y + dark } });
        break;
    case A3dShadowed:
        out.Passes.push_back(
            { Style.AShadeRightBottom(), { o.X + Style.AHShadeOffSet(), o.Y + Style.AVShadeOffSet() } });
        break;
    case A3dNormal:
        break;
    }
    out.Passes.push_back({ FontColor, o });
    return out;
}

bool BackdropAlongWidth(TDirection Direction)
{
    return Direction == bdLeft || Direction == bdRight || Direction == bdVertIn || Direction == bdVertOut;
}

TBackdropFill BackdropFill(TDirection Direction, TColor StartColor, TColor EndColor, int Size)
{
    TColor first = StartColor, second = EndColor;
    bool mirrored = false;
    TBackdropFill out;
    switch (Direction) {
    case bdUp:
        break;
    case bdDown:
        std::swap(first, second);
        break;
    case bdLeft:
        out.AlongWidth = true;
        break;
    case bdRight:
        std::swap(first, second);
        out.AlongWidth = true;
        break;
    case bdHorzIn:
        std::swap(first, second);
        mirrored = true;
        break;
    case bdHorzOut:
        mirrored = true;
        break;
    case bdVertIn:
        mirrored = true;
        out.AlongWidth = true;
        break;
    case bdVertOut:
        std::swap(first, second);
        mirrored = true;
        out.AlongWidth = true;
        break;
    }
    first = ColorToRGB(first);
    second = ColorToRGB(second);
    const int r1 = Component(first, 0), g1 = Component(first, 8), b1 = Component(first, 16);
    const int dr = Component(second, 0) - r1, dg = Component(second, 8) - g1, db = Component(second, 16) - b1;
    const int last = mirrored ? 127 : 255;
    auto add = [&](int from, int to, TColor color) {
        if (to > from)
            out.Bands.push_back({ from, to, color });
    };
    for (int n = 0; n <= last; ++n) {
        const TColor color = static_cast<TColor>((r1 + MulDiv(n, dr, last)) & 0xFF)
            | static_cast<TColor>(((g1 + MulDiv(n, dg, last)) & 0xFF) << 8)
            | static_cast<TColor>(((b1 + MulDiv(n, db, last)) & 0xFF) << 16);
        add(MulDiv(n, Size, 256), MulDiv(n + 1, Size, 256), color);
        if (mirrored)
            add(MulDiv(255 - n, Size, 256), MulDiv(256 - n, Size, 256), color);
    }
    return out;
}

} // namespace installlib
