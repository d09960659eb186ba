#include "viewer/app/sparam_format.h"

#include <charconv>
#include <clocale>
#include <cmath>
#include <cstring>
#include <gtest/gtest.h>
#include <random>

using namespace viewer;

// Catches extensions read as the wrong port count or accepted when malformed.
TEST(PortCountFromExtension, AcceptsOnlySDigitPOrTwoDigits)
{
    EXPECT_EQ(PortCountFromExtension(".s2p"), 2);
    EXPECT_EQ(PortCountFromExtension(".S2P"), 2);
    EXPECT_EQ(PortCountFromExtension(".S9P"), 9);
    EXPECT_EQ(PortCountFromExtension(".S10"), 10);
    EXPECT_EQ(PortCountFromExtension(".S99"), 99);
    EXPECT_EQ(PortCountFromExtension(".S12X"), 12);
    EXPECT_EQ(PortCountFromExtension(".S2PX"), 2);
    EXPECT_EQ(PortCountFromExtension(".S0P"), -1);
    EXPECT_EQ(PortCountFromExtension(".S1"), -1);
    EXPECT_EQ(PortCountFromExtension(".SP"), -1);
    EXPECT_EQ(PortCountFromExtension(".X2P"), -1);
    EXPECT_EQ(PortCountFromExtension(".S2Q"), -1);
    EXPECT_EQ(PortCountFromPath("/tmp/a.b/amp.s3p"), 3);
    EXPECT_EQ(PortCountFromPath("/tmp/a.s2p/noext"), -1);
    EXPECT_EQ(ProposedExtension(1), "S1P");
    EXPECT_EQ(ProposedExtension(9), "S9P");
    EXPECT_EQ(ProposedExtension(10), "S10");
    EXPECT_EQ(ProposedExtension(99), "S99");
}

// Catches locale-dependent parsing, a refused leading '+', and junk taken as a number.
TEST(ParseNumber, LocaleFreeWithSignsAndExponents)
{
    std::setlocale(LC_NUMERIC, "de_DE.UTF-8"); // ignored when missing; the parse must not care
    double v = 0;
    EXPECT_TRUE(ParseNumber("+1.5", v));
    EXPECT_DOUBLE_EQ(v, 1.5);
    EXPECT_TRUE(ParseNumber("-2.5e-3", v));
    EXPECT_DOUBLE_EQ(v, -2.5e-3);
    EXPECT_TRUE(ParseNumber("1E+09", v));
    EXPECT_DOUBLE_EQ(v, 1e9);
    EXPECT_TRUE(ParseNumber("42", v));
    EXPECT_DOUBLE_EQ(v, 42);
    for (const char* bad : { "", "+", "+-1", "++1", "1,5", "abc", "1.5x", "inf", "nan", "0x10", "1e999" })
        EXPECT_FALSE(ParseNumber(bad, v)) << bad;
    std::setlocale(LC_NUMERIC, "C");
}

static std::string fixed(double v, int d)
{
    std::string s;
    AppendFixed(s, v, d);
    return s;
}

static std::string freq(double v, int d)
{
    std::string s;
    AppendFrequency(s, v, d);
    return s;
}

// Catches wrong rounding, lost signs, padding and the 15-digit limit of fixed numbers.
TEST(AppendFixed, FixedPointWithChosenDecimals)
{
    EXPECT_EQ(fixed(0.5, 5), "0.50000");
    EXPECT_EQ(fixed(-0.123456, 5), "-0.12346");
    EXPECT_EQ(fixed(2.5, 0), "3");
    EXPECT_EQ(fixed(-2.5, 0), "-3");
    EXPECT_EQ(fixed(-0.000001, 5), "0.00000");
    EXPECT_EQ(fixed(179.999999, 5), "180.00000");
    EXPECT_EQ(fixed(-174.0, 2), "-174.00");
    EXPECT_EQ(fixed(123.0, 7), "123.0000000");
    EXPECT_EQ(fixed(1234567890123.456, 5), "1234567890123.46000");
    EXPECT_EQ(fixed(1e-20, 3), "0.000");
}

// Catches frequencies rounded away by the chosen digits.
TEST(AppendFrequency, KeepsEveryDecimalTheValueHas)
{
    EXPECT_EQ(freq(1.5, 5), "1.50000");
    EXPECT_EQ(freq(0.0125, 2), "0.0125");
    EXPECT_EQ(freq(1.000000001, 5), "1.000000001");
    EXPECT_EQ(freq(2.4e9, 0), "2400000000");
    EXPECT_EQ(freq(0.1, 0), "0.1");
    EXPECT_EQ(freq(1.0 / 3.0, 2), "0.333333333333333");
    EXPECT_EQ(freq(0, 3), "0.000");
    EXPECT_EQ(freq(1e-7, 1), "0.0000001");
}

// Catches the quick decimal path rounding differently from the standard
// conversion.
TEST(ParseNumber, SameBitsAsFromChars)
{
    std::mt19937_64 gen(11);
    std::uniform_real_distribution<double> u(-1000.0, 1000.0);
    std::uniform_int_distribution<int> e(-30, 30);
    const char* formats[] = { "%.9f", "%.6f", "%.17g", "%.15e", "%.3E", "%.0f", "%.12f" };
    char buf[64];
    for (int i = 0; i < 200000; ++i) {
        double x = u(gen) * std::pow(10.0, e(gen));
        std::snprintf(buf, sizeof buf, formats[i % 7], x);
        std::string_view s(buf);
        double expected = 0, got = 0;
        std::from_chars(s.data(), s.data() + s.size(), expected);
        ASSERT_TRUE(ParseNumber(s, got)) << s;
        ASSERT_EQ(std::memcmp(&expected, &got, sizeof got), 0) << s;
    }
    for (const char* s : { "0.1", "-0.000000000000000000001", "123456789012345", "1234567890123456789", "1e22", "1e23",
             "4.9e-324", "-0", "0.30000000000000004" }) {
        double expected = 0, got = 0;
        std::from_chars(s, s + std::strlen(s), expected);
        ASSERT_TRUE(ParseNumber(s, got)) << s;
        EXPECT_EQ(std::memcmp(&expected, &got, sizeof got), 0) << s;
    }
}
