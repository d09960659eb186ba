#pragma once

// The drawing rules of the setup window's decorations, without a window:
// the 3D style of the rotated label and where its caption and background go,
// and the colour bands of the gradient backdrop. Colours are 24-bit values
// with red in the low byte; system colours (high bit set) are converted with
// ColorToRGB.

#include <array>
#include <cstdint>
#include <functional>
#include <vector>

namespace installlib {

using TColor = std::uint32_t;

constexpr TColor clWhite = 0xFFFFFF;
constexpr TColor clBlack = 0x000000;
constexpr TColor clGray = 0x808080;
constexpr TColor clBlue = 0xFF0000;

// A system colour (0x80000000 | index) as the classic scheme paints it;
// other colours unchanged.
TColor ColorToRGB(TColor Color);

// Windows' MulDiv: Number x Numerator / Denominator, rounded to nearest with
// halves away from zero; -1 for a zero denominator.
int MulDiv(int Number, int Numerator, int Denominator);

enum T3DEffectShort { A3dNormal, A3dResit, A3dRaised, A3dShadowed };

// The 3D style of a rotated label.
class TLabelStyle {
public:
    T3DEffectShort AStyle3D() const { return style3D_; }
    int Angle() const { return angle_; }
    int AHShadeOffSet() const { return hOffset_; }
    TColor AShadeRightBottom() const { return rightBottom_; }
    TColor AShadeLeftTop() const { return leftTop_; }
    bool AShadeLTSet() const { return ltSet_; }
    int AVShadeOffSet() const { return vOffset_; }

    void SetAStyle3D(T3DEffectShort Value);
    // Below 0 or from 360 up is stored as 0.
    void SetAngle(int Value);
    // Only a shadowed style repaints for a new shadow offset.
    void SetAHShadeOffSet(int Value);
    void SetAVShadeOffSet(int Value);
    void SetAShadeRightBottom(TColor Value);
    // Ignored while AShadeLTSet locks the light shade to white.
    void SetAShadeLeftTop(TColor Value);
    void SetAShadeLTSet(bool Value);
    // Copies the seven published values and fires OnChange.
    void Assign(const TLabelStyle& Source);

    std::function<void()> OnChange;

private:
    void Changed();

    T3DEffectShort style3D_ = A3dRaised;
    int angle_ = 0;
    int hOffset_ = 5;
    TColor savedLeftTop_ = clWhite;
    TColor rightBottom_ = clGray;
    TColor leftTop_ = clWhite;
    bool ltSet_ = true;
    int vOffset_ = -5;
};

enum TLabelAlignment { taLeftJustify, taRightJustify, taCenter };

struct TLabelPoint {
    int X = 0, Y = 0;
    bool operator==(const TLabelPoint&) const = default;
};

// One drawing of the caption: its colour and where its text cell begins.
struct TLabelPass {
    TColor Color = clBlack;
    TLabelPoint Origin;
};

struct TRotatedLabelLayout {
    TLabelPoint Origin; // the caption's own drawing
    bool Opaque = false;
    std::array<TLabelPoint, 4> Background {}; // when Opaque
    std::vector<TLabelPass> Passes; // shades first, the caption last
};

// Where a caption of TextWidth x TextHeight goes on a label of Width x Height.
// Style must already be A3dNormal for an opaque label (the label stores that).
TRotatedLabelLayout LayoutRotatedLabel(int TextWidth, int TextHeight, int Width, int Height, TLabelAlignment Alignment,
    const TLabelStyle& Style, bool MyTransparent, TColor FontColor);

enum TDirection { bdUp, bdDown, bdLeft, bdRight, bdHorzIn, bdHorzOut, bdVertIn, bdVertOut };

// One filled band of a backdrop: From up to (not including) To along the axis.
struct TBackdropBand {
    int From = 0, To = 0;
    TColor Color = clBlack;
};

struct TBackdropFill {
    bool AlongWidth = false; // else along the height
    std::vector<TBackdropBand> Bands; // empty bands are left out
};

// Whether the bands of Direction run along the width (left to right).
bool BackdropAlongWidth(TDirection Direction);

// The bands of a backdrop whose size along its axis is Size.
TBackdropFill BackdropFill(TDirection Direction, TColor StartColor, TColor EndColor, int Size);

} // namespace installlib

namespace installlib {

// Tag -1 marks the one main instance of a decoration class (the program's
// main backdrop, its main label). T gives its tag through TagRef().
template <class T> class TMainInstance {
public:
    static T* Main() { return main_; }
    // -1 makes Self the main instance and resets the previous one's tag to 0;
    // another value on the main instance gives the reference up.
    static void SetTag(T& Self, int Value)
    {
        if (Value == -1) {
            if (main_ && main_ != &Self)
                main_->TagRef() = 0;
            main_ = &Self;
        } else if (main_ == &Self) {
            main_ = nullptr;
        }
        Self.TagRef() = Value;
    }
    static void Destroyed(const T& Self)
    {
        if (main_ == &Self)
            main_ = nullptr;
    }

private:
    static inline T* main_ = nullptr;
};

} // namespace installlib
