#include "viewer/app/status_text.h"

#include <gtest/gtest.h>

using namespace viewer;
using smith::Tcharttype;

// Catches a wrong sign text at zero (" -" for a zero reactance, " +" for a
// zero v), the admittance computed as the impedance, and ohms not applied.
TEST(PointStatusTexts, ImpedanceAdmittanceAndCoefficient)
{
    TStatusDigits d;
    // Gamma = 0: z = 1 + j0.
    auto s = PointStatusTexts(Tcharttype::Zsmith, 1.5, 0.0, 0.0, 0.0, 0.0, d, true, 50);
    EXPECT_EQ(s.Freq, "Freq 1.5000GHz");
    EXPECT_EQ(s.MagAngle, "Mag 0.000  Angle 0.000");
    EXPECT_EQ(s.Value, "1.000 - J0.000");
    // Gamma = j: z = j, y = -j.
    s = PointStatusTexts(Tcharttype::Zsmith, 1, 1, 90, 0.0, 1.0, d, true, 50);
    EXPECT_EQ(s.Value, "0.000 + J1.000");
    s = PointStatusTexts(Tcharttype::Ysmith, 1, 1, 90, 0.0, 1.0, d, true, 50);
    EXPECT_EQ(s.Value, "0.000 - J1.000");
    // Gamma = 1/3: z = 2, shown as 100 ohms when not normalised.
    s = PointStatusTexts(Tcharttype::GridR, 1, 1.0 / 3, 0, 1.0 / 3, 0.0, d, false, 50);
    EXPECT_EQ(s.Value, "100.000 - J0.000");
    EXPECT_FALSE(s.MagAngle.has_value());
    s = PointStatusTexts(Tcharttype::Polar, 1, 0.5, -90, 0.0, 0.0, d, true, 50);
    EXPECT_EQ(s.Value, "0.000 + J0.000");
    s = PointStatusTexts(Tcharttype::GridV, 1, 0.5, -90, 0.25, -0.5, d, true, 50);
    EXPECT_EQ(s.Value, "0.250 - J0.500");
    EXPECT_FALSE(s.MagAngle.has_value());
    // The open circuit on the impedance chart, the short on the admittance
    // chart: an infinite value, in ohms as well.
    s = PointStatusTexts(Tcharttype::Zsmith, 1, 1, 0, 1.0, 0.0, d, true, 50);
    EXPECT_EQ(s.Value, "INF");
    s = PointStatusTexts(Tcharttype::GridX, 1, 1, 0, 1.0, 0.0, d, false, 50);
    EXPECT_EQ(s.Value, "INF");
    s = PointStatusTexts(Tcharttype::Ysmith, 1, 1, 180, -1.0, 0.0, d, true, 50);
    EXPECT_EQ(s.Value, "INF");
}

// Catches dB shown with the value digits, and a zero magnitude turned into
// minus infinity instead of the no-power value.
TEST(PointStatusTexts, LogMagnitudeInDecibels)
{
    TStatusDigits d;
    auto s = PointStatusTexts(Tcharttype::Logmag, 2, 0.1, 45, 0.07, 0.07, d, true, 50);
    EXPECT_EQ(s.MagAngle, "Mag -20.00dB  Angle 45.000");
    EXPECT_FALSE(s.Value.has_value());
    s = PointStatusTexts(Tcharttype::Logmag, 2, 0.0, 0, 0, 0, d, true, 50);
    EXPECT_EQ(s.MagAngle, "Mag -174.00dB  Angle 0.000");
}

// Catches a read-out cut by its panel (it would read as another value):
// decimals are dropped and the rest rounded until the text fits.
TEST(PointStatusTexts, FittedToThePanel)
{
    TStatusDigits d { 12, 12, 12 };
    const auto chars = [](const std::string& t) { return static_cast<int>(t.size()); };
    const auto freq = [](const TStatusDigits& x) { return PointStatusTexts(Tcharttype::Zsmith, 16.6875, 1, 0, 0, 0, x, true, 50).Freq; };
    EXPECT_EQ(FitStatusText(d, 30, freq, chars), "Freq 16.687500000000GHz");
    EXPECT_EQ(FitStatusText(d, 14, freq, chars), "Freq 16.688GHz");
    EXPECT_EQ(FitStatusText(d, 5, freq, chars), "Freq 17GHz");
}

// Catches digit counts that go negative or stop growing.
TEST(TStatusDigits, MoreAndFewer)
{
    TStatusDigits d;
    for (int i = 0; i < 5; ++i)
        d.Fewer();
    EXPECT_EQ(d.Freq, 0);
    EXPECT_EQ(d.Db, 0);
    EXPECT_EQ(d.Value, 0);
    EXPECT_EQ(StatusNumber(2.6, d.Value), "3");
    for (int i = 0; i < 12; ++i)
        d.More();
    EXPECT_EQ(d.Freq, 12);
    EXPECT_EQ(StatusNumber(1.25, 3), "1.250");
}
