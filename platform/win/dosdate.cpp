#include "platform/win/dosdate.h"

namespace win {

namespace {
constexpr uint32_t kFirstStamp = 0x00210000u; // 1 January 1980, 00:00:00

bool validParts(const rtl::DateParts& p)
{
    if (p.year < 1980 || p.year > 2107 || p.hour < 0 || p.hour > 23 || p.minute < 0 || p.minute > 59 || p.second < 0
        || p.second > 59)
        return false;
    rtl::TDateTime unused;
    return rtl::TryEncodeDate(p.year, p.month, p.day, unused);
}
} // namespace

std::optional<uint32_t> packDosDateTime(const rtl::DateParts& p)
{
    if (!validParts(p))
        return std::nullopt;
    uint32_t date = uint32_t(p.year - 1980) << 9 | uint32_t(p.month) << 5 | uint32_t(p.day);
    uint32_t time = uint32_t(p.hour) << 11 | uint32_t(p.minute) << 5 | uint32_t(p.second / 2);
    return date << 16 | time;
}

bool unpackDosDateTime(uint32_t stamp, rtl::DateParts& p)
{
    uint32_t date = stamp >> 16, time = stamp & 0xFFFF;
    p.year = int(date >> 9) + 1980;
    p.month = int((date >> 5) & 0x0F);
    p.day = int(date & 0x1F);
    p.hour = int(time >> 11);
    p.minute = int((time >> 5) & 0x3F);
    p.second = int(time & 0x1F) * 2;
    p.millisecond = 0;
    return validParts(p);
}

std::optional<rtl::TDateTime> dosDateTimeToDateTime(uint32_t stamp)
{
    rtl::DateParts p;
    if (!unpackDosDateTime(stamp, p))
        return std::nullopt;
    rtl::TDateTime date;
    rtl::TryEncodeDate(p.year, p.month, p.day, date);
    return date + rtl::EncodeTime(p.hour, p.minute, p.second, 0);
}

uint32_t dateTimeToDosDateTime(rtl::TDateTime value)
{
    rtl::DateParts p = rtl::DecodeDateTime(value);
    if (p.year < 1980)
        return kFirstStamp;
    auto stamp = packDosDateTime(p);
    return stamp ? *stamp : 0xFF9FBF7Du; // 31 December 2107 23:59:58
}

uint32_t timeToDosDateTime(std::time_t t)
{
    return dateTimeToDosDateTime(rtl::FromTimeT(t));
}

std::optional<std::time_t> dosDateTimeToTime(uint32_t stamp)
{
    std::optional<rtl::TDateTime> date = dosDateTimeToDateTime(stamp);
    if (!date)
        return std::nullopt;
    std::time_t t = rtl::ToTimeT(*date);
    if (t == std::time_t(-1))
        return std::nullopt;
    return t;
}

} // namespace win
