#include "setup/installlib/decorative.h"

#include <gtest/gtest.h>

using namespace installlib;

// Catches style setters that store out-of-range angles, let the locked
// light shade change, or repaint (or not) at the wrong times.
TEST(LabelStyle, SettersKeepTheirRules)
{
    TLabelStyle style;
    int changes = 0;
    style.OnChange = [&] { ++changes; };
    EXPECT_EQ(style.AStyle3D(), A3dRaised);
    EXPECT_EQ(style.AShadeRightBottom(), 0x808080u);

    style.SetAngle(45);
    EXPECT_EQ(style.Angle(), 45);
    style.SetAngle(360);
    EXPECT_EQ(style.Angle(), 0);
    style.SetAngle(-1);
    EXPECT_EQ(style.Angle(), 0);
    EXPECT_EQ(changes, 2);

    changes = 0;
    style.SetAShadeLeftTop(0x00FFFF);
    EXPECT_EQ(style.AShadeLeftTop(), clWhite);
    EXPECT_EQ(changes, 0);

    style.SetAShadeLTSet(false);
    style.SetAShadeLeftTop(0x00FFFF);
    EXPECT_EQ(style.AShadeLeftTop(), 0x00FFFFu);
    style.SetAShadeLTSet(true);
    EXPECT_EQ(style.AShadeLeftTop(), clWhite);
    style.SetAShadeLTSet(false);
    EXPECT_EQ(style.AShadeLeftTop(), 0x00FFFFu);

    changes = 0;
    style.SetAHShadeOffSet(3);
    style.SetAVShadeOffSet(3);
    EXPECT_EQ(changes, 0);
    style.SetAStyle3D(A3dShadowed);
    style.SetAHShadeOffSet(4);
    EXPECT_EQ(changes, 2);

    TLabelStyle copy;
    int copied = 0;
    copy.OnChange = [&] { ++copied; };
    copy.Assign(style);
    EXPECT_EQ(copied, 1);
    EXPECT_EQ(copy.AStyle3D(), A3dShadowed);
    EXPECT_EQ(copy.AHShadeOffSet(), 4);
    EXPECT_EQ(copy.AVShadeOffSet(), 3);
    EXPECT_EQ(copy.AShadeLeftTop(), 0x00FFFFu);
    EXPECT_FALSE(copy.AShadeLTSet());
}

// Catches a caption placed off centre, rotated the wrong way, or shades at
// the wrong offsets.
TEST(RotatedLabelLayout, OriginsAndPasses)
{
    TLabelStyle style;
    auto l = LayoutRotatedLabel(101, 21, 400, 65, taCenter, style, true, clBlack);
    EXPECT_EQ(l.Origin, (TLabelPoint { 200 - 50, 32 - 10 }));
    ASSERT_EQ(l.Passes.size(), 3u);
    EXPECT_EQ(l.Passes[0].Color, clWhite);
    EXPECT_EQ(l.Passes[0].Origin, (TLabelPoint { 149, 21 }));
    EXPECT_EQ(l.Passes[1].Color, clGray);
    EXPECT_EQ(l.Passes[1].Origin, (TLabelPoint { 151, 23 }));
    EXPECT_EQ(l.Passes[2].Origin, l.Origin);
    EXPECT_FALSE(l.Opaque);

    EXPECT_EQ(LayoutRotatedLabel(101, 21, 400, 65, taRightJustify, style, true, 0).Origin.X, 299);
    EXPECT_EQ(LayoutRotatedLabel(101, 21, 400, 65, taLeftJustify, style, true, 0).Origin.X, 0);

    style.SetAngle(90);
    l = LayoutRotatedLabel(100, 20, 200, 200, taCenter, style, true, 0);
    EXPECT_EQ(l.Origin, (TLabelPoint { 100 - 10, 100 + 50 }));

    style.SetAngle(0);
    style.SetAStyle3D(A3dResit);
    l = LayoutRotatedLabel(100, 20, 200, 200, taLeftJustify, style, true, 0);
    EXPECT_EQ(l.Passes[0].Origin, (TLabelPoint { 1, 91 }));
    EXPECT_EQ(l.Passes[1].Origin, (TLabelPoint { -1, 89 }));

    style.SetAStyle3D(A3dShadowed);
    l = LayoutRotatedLabel(100, 20, 200, 200, taLeftJustify, style, true, 0);
    ASSERT_EQ(l.Passes.size(), 2u);
    EXPECT_EQ(l.Passes[0].Origin, (TLabelPoint { 5, 85 }));

    style.SetAStyle3D(A3dNormal);
    l = LayoutRotatedLabel(100, 20, 200, 200, taCenter, style, false, 0);
    EXPECT_EQ(l.Passes.size(), 1u);
    ASSERT_TRUE(l.Opaque);
    EXPECT_EQ(l.Background[0], (TLabelPoint { 45, 87 }));
    EXPECT_EQ(l.Background[2], (TLabelPoint { 155, 113 }));
}

// Catches gradients with wrong rounding, band order or mirror.
TEST(BackdropFill, BandsFollowTheDirectionTable)
{
    EXPECT_EQ(MulDiv(1, 100, 256), 0);
    EXPECT_EQ(MulDiv(128, 1, 256), 1);
    EXPECT_EQ(MulDiv(1, -255, 2), -128);
    EXPECT_EQ(MulDiv(1, 1, 0), -1);

    // 100 rows: row 0 is band 1, row 99 band 254, 156 bands cover nothing.
    const auto up = BackdropFill(bdUp, 0x0000FF, 0x000000, 100);
    EXPECT_FALSE(up.AlongWidth);
    ASSERT_EQ(up.Bands.size(), 100u);
    EXPECT_EQ(up.Bands.front().From, 0);
    EXPECT_EQ(up.Bands.front().Color, static_cast<TColor>(255 + MulDiv(1, -255, 255)));
    EXPECT_EQ(up.Bands.back().From, 99);
    EXPECT_EQ(up.Bands.back().To, 100);
    EXPECT_EQ(up.Bands.back().Color, static_cast<TColor>(255 + MulDiv(254, -255, 255)));

    const auto full = BackdropFill(bdDown, clBlue, clBlack, 512);
    ASSERT_EQ(full.Bands.size(), 256u);
    EXPECT_EQ(full.Bands.front().Color, clBlack);
    EXPECT_EQ(full.Bands.back().Color, clBlue);

    const auto out = BackdropFill(bdHorzOut, clBlue, clBlack, 256);
    ASSERT_EQ(out.Bands.size(), 256u);
    TColor at[256];
    for (const auto& b : out.Bands)
        for (int y = b.From; y < b.To; ++y)
            at[y] = b.Color;
    EXPECT_EQ(at[0], clBlue);
    EXPECT_EQ(at[255], clBlue);
    EXPECT_EQ(at[127], clBlack);
    EXPECT_EQ(at[128], clBlack);
    EXPECT_EQ(at[10], at[245]);

    EXPECT_TRUE(BackdropFill(bdVertIn, clBlue, clBlack, 10).AlongWidth);
    EXPECT_EQ(BackdropFill(bdHorzIn, clBlue, clBlack, 256).Bands.front().Color, clBlack);
    EXPECT_EQ(BackdropFill(bdVertOut, clBlue, clBlack, 256).Bands.front().Color, clBlack);
    EXPECT_EQ(BackdropFill(bdRight, clBlue, clBlack, 256).Bands.front().Color, clBlack);
    EXPECT_TRUE(BackdropFill(bdUp, clBlue, clBlack, 0).Bands.empty());
    // A system colour is painted as its scheme colour.
    EXPECT_EQ(BackdropFill(bdUp, 0x8000000F, 0x8000000F, 1).Bands.front().Color, 0xC0C0C0u);
}

namespace {
struct TTagged {
    int tag = 0;
    int& TagRef() { return tag; }
};
} // namespace

// Catches two main instances at once or a dangling main reference.
TEST(MainInstance, OneAtATime)
{
    TTagged a, b;
    TMainInstance<TTagged>::SetTag(a, -1);
    EXPECT_EQ(TMainInstance<TTagged>::Main(), &a);
    TMainInstance<TTagged>::SetTag(b, -1);
    EXPECT_EQ(TMainInstance<TTagged>::Main(), &b);
    EXPECT_EQ(a.tag, 0);
    TMainInstance<TTagged>::SetTag(a, 7);
    EXPECT_EQ(TMainInstance<TTagged>::Main(), &b);
    TMainInstance<TTagged>::SetTag(b, 3);
    EXPECT_EQ(TMainInstance<TTagged>::Main(), nullptr);
    TMainInstance<TTagged>::SetTag(a, -1);
    TMainInstance<TTagged>::Destroyed(a);
    EXPECT_EQ(TMainInstance<TTagged>::Main(), nullptr);
}
