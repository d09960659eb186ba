#include "platform/rtl/format.h"
#include "platform/rtl/mathx.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace rtl;

namespace {
const FormatSettings kDot{'.', ','};
const FormatSettings kComma{',', '.'};
} // namespace

// Pictures as the programs use them; a wrong rounding or a lost leading
// digit would change search bounds and file texts.
TEST(FormatFloat, PicturesOfThePrograms)
{
    EXPECT_EQ(FormatFloat("####0.000", 12.5, kDot), "12.500");
    EXPECT_EQ(FormatFloat("####0.000", 0.0004, kDot), "0.000");
    EXPECT_EQ(FormatFloat("####0.000", 0.0005, kDot), "0.001");
    EXPECT_EQ(FormatFloat("####0.000", 123456.78949, kDot), "123456.789");
    EXPECT_EQ(FormatFloat("####0.000", -1.2346, kDot), "-1.235");
    EXPECT_EQ(FormatFloat("####0.000", 12.5, kComma), "12,500");
    EXPECT_EQ(FormatFloat("0.##", 1.0, kDot), "1");
    EXPECT_EQ(FormatFloat("0.##", 1.5, kDot), "1.5");
    EXPECT_EQ(FormatFloat("0.##", 1.006, kDot), "1.01");
    EXPECT_EQ(FormatFloat("##0.###", 0.25, kDot), "0.25");
    EXPECT_EQ(FormatFloat("##0", 2.5, kDot), "3");
    EXPECT_EQ(FormatFloat("##0", 0.4, kDot), "0");
    EXPECT_EQ(FormatFloat("#.##", 0.5, kDot), ".5");
    EXPECT_EQ(FormatFloat("#,##0.00", 1234567.891, kDot), "1,234,567.89");
    EXPECT_EQ(FormatFloat("0.00;(0.00)", -2.5, kDot), "(2.50)");
    EXPECT_EQ(FormatFloat("0.00;;zero", 0.001, kDot), "zero");
    EXPECT_EQ(FormatFloat("0.00E+00", 12345.0, kDot), "1.23E+04");
    EXPECT_EQ(FormatFloat("\"R \"0.0\" ohm\"", 4.75, kDot), "R 4.8 ohm");
}

TEST(FormatFloat, NegativeZeroAfterRoundingHasNoSign)
{
    EXPECT_EQ(FormatFloat("0.00", -0.001, kDot), "0.00");
    EXPECT_EQ(FloatToStrFixed(-0.001, 15, 2, kDot), "0.00");
}

TEST(FloatToStr, GeneralForm)
{
    EXPECT_EQ(FloatToStr(0.0, kDot), "0");
    EXPECT_EQ(FloatToStr(50.0, kDot), "50");
    EXPECT_EQ(FloatToStr(0.1, kDot), "0.1");
    EXPECT_EQ(FloatToStr(-2.25, kDot), "-2.25");
    EXPECT_EQ(FloatToStr(1.0 / 3.0, kDot), "0.333333333333333");
    EXPECT_EQ(FloatToStr(0.0001, kDot), "0.0001");
    EXPECT_EQ(FloatToStr(0.00001, kDot), "1E-5");
    EXPECT_EQ(FloatToStr(1e14, kDot), "100000000000000");
    EXPECT_EQ(FloatToStr(1e15, kDot), "1E15");
    EXPECT_EQ(FloatToStr(1.5e20, kDot), "1.5E20");
    EXPECT_EQ(FloatToStr(0.5, kComma), "0,5");
    EXPECT_EQ(FloatToStrGeneral(22.5, 4, kDot), "22.5");
    EXPECT_EQ(FloatToStrGeneral(1.0 / 3.0 * 100, 4, kDot), "33.33");
    EXPECT_EQ(FloatToStrGeneral(99.99999, 4, kDot), "100");
}

TEST(FloatToStr, FixedForm)
{
    EXPECT_EQ(FloatToStrFixed(1.5, 15, 5, kDot), "1.50000");
    EXPECT_EQ(FloatToStrFixed(123.456789, 15, 2, kDot), "123.46");
    EXPECT_EQ(FloatToStrFixed(1e9, 7, 2, kDot), "1E9");
    EXPECT_EQ(FloatToStrFixed(2.5, 15, 0, kDot), "3");
    EXPECT_EQ(FloatToStrFixed(0.000123, 15, 3, kDot), "0.000");
    EXPECT_EQ(FloatToStrFixed(-7.25, 15, 1, kComma), "-7,3");
}

TEST(TryStrToFloat, AcceptsPlainNumbersOnly)
{
    double v = 0;
    EXPECT_TRUE(TryStrToFloat(" 1.5 ", v));
    EXPECT_DOUBLE_EQ(v, 1.5);
    EXPECT_TRUE(TryStrToFloat("+2e3", v));
    EXPECT_DOUBLE_EQ(v, 2000);
    EXPECT_TRUE(TryStrToFloat("3,25", v, ','));
    EXPECT_DOUBLE_EQ(v, 3.25);
    EXPECT_FALSE(TryStrToFloat("3.25", v, ','));
    EXPECT_FALSE(TryStrToFloat("", v));
    EXPECT_FALSE(TryStrToFloat("1.5x", v));
    EXPECT_FALSE(TryStrToFloat("++1", v));
}

// Pixel conversions must never wrap around: a point far outside the chart
// would otherwise come back on the other side.
TEST(Rounding, HalvesToEvenAndSaturates)
{
    EXPECT_EQ(Round(2.5), 2);
    EXPECT_EQ(Round(3.5), 4);
    EXPECT_EQ(Round(-2.5), -2);
    EXPECT_EQ(Trunc(-2.7), -2);
    EXPECT_EQ(RoundPx(1e300), kPixelLimit);
    EXPECT_EQ(RoundPx(-1e300), -kPixelLimit);
    EXPECT_EQ(RoundPx(std::numeric_limits<double>::quiet_NaN()), 0);
    EXPECT_EQ(Round(std::numeric_limits<double>::infinity()), std::numeric_limits<std::int64_t>::max() - 1023);
}

// Catches the quick rounding parting from nearbyint: halves, signs of zero,
// the edges of its range, huge and non-finite values.
TEST(RoundHalfEven, AgreesWithNearbyint)
{
    for (double v : { 0.5, 1.5, 2.5, -0.5, -1.5, -2.5, -0.3, 0.3, -0.0, 0.0, 0.49999999999999994, 2251799813685247.5,
             -2251799813685247.5, 2251799813685248.0, 4503599627370497.0, 1e300, -1e300, 1e-320 }) {
        const double r = rtl::RoundHalfEven(v);
        EXPECT_EQ(r, std::nearbyint(v)) << v;
        EXPECT_EQ(std::signbit(r), std::signbit(std::nearbyint(v))) << v;
    }
    EXPECT_TRUE(std::isnan(rtl::RoundHalfEven(std::nan(""))));
    EXPECT_EQ(rtl::RoundHalfEven(-INFINITY), -INFINITY);
    for (int i = -100000; i <= 100000; ++i) {
        const double v = i * 0.0625 + 1e-9 * (i % 7);
        ASSERT_EQ(rtl::RoundHalfEven(v), std::nearbyint(v)) << v;
    }
}
