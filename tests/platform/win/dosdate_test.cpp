#include "platform/win/dosdate.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

using namespace win;

namespace {
// Runs the test in a time zone with summer time, restoring the old one after.
class DosDateTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        const char* old = std::getenv("TZ");
        hadTz_ = old != nullptr;
        if (old)
            oldTz_ = old;
        setenv("TZ", "Europe/Berlin", 1);
        tzset();
    }
    void TearDown() override
    {
        if (hadTz_)
            setenv("TZ", oldTz_.c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
    }
    bool hadTz_ = false;
    std::string oldTz_;
};
} // namespace

// Catches packing errors in the bit fields and the day-count conversion.
TEST_F(DosDateTest, StampsAndDayCounts)
{
    auto first = packDosDateTime(rtl::DateParts { 1980, 1, 1, 0, 0, 0, 0 });
    ASSERT_TRUE(first);
    EXPECT_EQ(*first, 0x00210000u);
    EXPECT_EQ(dosDateTimeToDateTime(*first).value_or(0), 29221.0);
    EXPECT_FALSE(packDosDateTime(rtl::DateParts { 1979, 12, 31, 23, 59, 59, 0 }));
    EXPECT_EQ(dateTimeToDosDateTime(1000.0), 0x00210000u);
    EXPECT_FALSE(dosDateTimeToDateTime(0x00200000u)); // day 0
    EXPECT_FALSE(dosDateTimeToDateTime(0x01A00000u)); // month 13

    // 2-second resolution: odd seconds go down.
    rtl::TDateTime t = 0;
    ASSERT_TRUE(rtl::TryEncodeDate(1999, 12, 31, t));
    t += rtl::EncodeTime(23, 59, 59, 0);
    uint32_t stamp = dateTimeToDosDateTime(t);
    rtl::DateParts p;
    ASSERT_TRUE(unpackDosDateTime(stamp, p));
    EXPECT_EQ(p.year, 1999);
    EXPECT_EQ(p.second, 58);
    EXPECT_EQ(dateTimeToDosDateTime(*dosDateTimeToDateTime(stamp)), stamp);
}

// Catches host times converted in UTC instead of local time, or off by an hour in summer.
TEST_F(DosDateTest, HostTimesRoundTripInLocalTime)
{
    for (uint32_t stamp : { *packDosDateTime({ 1998, 1, 15, 8, 30, 10, 0 }),
             *packDosDateTime({ 1998, 7, 15, 8, 30, 10, 0 }), *packDosDateTime({ 2026, 10, 25, 1, 59, 58, 0 }) }) {
        auto t = dosDateTimeToTime(stamp);
        ASSERT_TRUE(t);
        EXPECT_EQ(timeToDosDateTime(*t), stamp);
        EXPECT_EQ(timeToDosDateTime(*t + 1), stamp); // within the same 2 seconds
    }
    // 15 July 1998 08:30:10 in Berlin (summer time) is 06:30:10 UTC.
    auto t = dosDateTimeToTime(*packDosDateTime({ 1998, 7, 15, 8, 30, 10, 0 }));
    std::tm utc {};
    gmtime_r(&*t, &utc);
    EXPECT_EQ(utc.tm_hour, 6);
    EXPECT_EQ(timeToDosDateTime(0), 0x00210000u); // 1970 is before the first DOS date
}
