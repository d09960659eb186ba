#include "platform/rtl/datetime.h"

#include <chrono>
#include <cmath>

namespace rtl {

namespace {
bool isLeap(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

// Days from 1 January 0001 (day 1) in the proleptic Gregorian calendar.
long daysFromCivil(int y, int m, int d)
{
    static const int cum[] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};
    long yy = y - 1;
    long days = yy * 365 + yy / 4 - yy / 100 + yy / 400 + cum[m - 1] + d;
    if (m > 2 && isLeap(y))
        ++days;
    return days;
}

const long kEpoch = daysFromCivil(1899, 12, 30);
} // namespace

bool TryEncodeDate(int year, int month, int day, TDateTime& out)
{
    static const int len[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1)
        return false;
    int maxDay = len[month - 1] + ((month == 2 && isLeap(year)) ? 1 : 0);
    if (day > maxDay)
        return false;
    out = static_cast<double>(daysFromCivil(year, month, day) - kEpoch);
    return true;
}

TDateTime EncodeTime(int hour, int minute, int second, int millisecond)
{
    return (((hour * 60.0 + minute) * 60.0 + second) * 1000.0 + millisecond) / 86400000.0;
}

DateParts DecodeDateTime(TDateTime value)
{
    DateParts p;
    if (!std::isfinite(value))
        return p;
    double whole = std::floor(value);
    // Negative values count days backwards but the time forwards (as the old library).
    double frac = std::fabs(value - std::trunc(value));
    long ms = std::lround(frac * 86400000.0);
    if (ms >= 86400000) {
        ms -= 86400000;
        whole += value >= 0 ? 1 : 0;
    }
    if (value < 0)
        whole = std::trunc(value);
    // civil_from_days (H. Hinnant), from day 25569 = 1 January 1970
    long z = static_cast<long>(whole) - 25569 + 719468;
    long era = (z >= 0 ? z : z - 146096) / 146097;
    long doe = z - era * 146097;
    long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    long y = yoe + era * 400;
    long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    long mp = (5 * doy + 2) / 153;
    long d = doy - (153 * mp + 2) / 5 + 1;
    long m = mp < 10 ? mp + 3 : mp - 9;
    p.year = static_cast<int>(y + (m <= 2));
    p.month = static_cast<int>(m);
    p.day = static_cast<int>(d);
    p.hour = static_cast<int>(ms / 3600000);
    p.minute = static_cast<int>(ms / 60000 % 60);
    p.second = static_cast<int>(ms / 1000 % 60);
    p.millisecond = static_cast<int>(ms % 1000);
    return p;
}

TDateTime FromTimeT(std::time_t t)
{
    std::tm tm{};
    localtime_r(&t, &tm);
    TDateTime date = 0;
    TryEncodeDate(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, date);
    return date + EncodeTime(tm.tm_hour, tm.tm_min, tm.tm_sec, 0);
}

std::time_t ToTimeT(TDateTime value)
{
    DateParts p = DecodeDateTime(value);
    std::tm tm{};
    tm.tm_year = p.year - 1900;
    tm.tm_mon = p.month - 1;
    tm.tm_mday = p.day;
    tm.tm_hour = p.hour;
    tm.tm_min = p.minute;
    tm.tm_sec = p.second;
    tm.tm_isdst = -1;
    return std::mktime(&tm);
}

TDateTime Now()
{
    using namespace std::chrono;
    auto now = system_clock::now();
    std::time_t t = system_clock::to_time_t(now);
    auto ms = duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000;
    return FromTimeT(t) + ms / 86400000.0;
}

} // namespace rtl
