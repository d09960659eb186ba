#include "platform/rtl/datetime.h"

#include <gtest/gtest.h>

using namespace rtl;

// Day counts are stored in archive headers; an off-by-one would change
// every file's date.
TEST(DateTime, DayCountsOfKnownDates)
{
    TDateTime d = -1;
    ASSERT_TRUE(TryEncodeDate(1899, 12, 30, d));
    EXPECT_EQ(d, 0);
    ASSERT_TRUE(TryEncodeDate(1980, 1, 1, d));
    EXPECT_EQ(d, 29221);
    ASSERT_TRUE(TryEncodeDate(2000, 2, 29, d));
    EXPECT_EQ(d, 36585);
    EXPECT_FALSE(TryEncodeDate(1900, 2, 29, d));
    EXPECT_FALSE(TryEncodeDate(2023, 13, 1, d));
}

TEST(DateTime, DecodeRoundTrip)
{
    for (int y : {1900, 1980, 1999, 2000, 2024, 2099}) {
        for (int m = 1; m <= 12; ++m) {
            TDateTime d;
            ASSERT_TRUE(TryEncodeDate(y, m, 28, d));
            d += EncodeTime(13, 45, 30, 0);
            DateParts p = DecodeDateTime(d);
            EXPECT_EQ(p.year, y);
            EXPECT_EQ(p.month, m);
            EXPECT_EQ(p.day, 28);
            EXPECT_EQ(p.hour, 13);
            EXPECT_EQ(p.minute, 45);
            EXPECT_EQ(p.second, 30);
        }
    }
}

TEST(DateTime, TimeTRoundTripInLocalTime)
{
    setenv("TZ", "Europe/Lisbon", 1);
    tzset();
    std::time_t t = 1700000000;
    EXPECT_EQ(ToTimeT(FromTimeT(t)), t);
}
