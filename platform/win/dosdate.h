#pragma once

// DOS date and time stamps: date in the high 16 bits (year since 1980,
// month, day), time in the low 16 bits (hours, minutes, seconds / 2), local
// time, 2-second resolution.

#include "platform/rtl/datetime.h"

#include <cstdint>
#include <ctime>
#include <optional>

namespace win {

// Packs the fields; empty when the date is before 1980, after 2107 or invalid.
std::optional<uint32_t> packDosDateTime(const rtl::DateParts& parts);
// False when the stamp holds an impossible date (month 13, day 0, ...).
bool unpackDosDateTime(uint32_t stamp, rtl::DateParts& parts);

// FileDateToDateTime / DateTimeToFileDate.
std::optional<rtl::TDateTime> dosDateTimeToDateTime(uint32_t stamp);
// Dates before 1980 give 1 January 1980 00:00; odd seconds round down.
uint32_t dateTimeToDosDateTime(rtl::TDateTime value);

// Host times (seconds since the epoch) in the local time zone.
uint32_t timeToDosDateTime(std::time_t t);
std::optional<std::time_t> dosDateTimeToTime(uint32_t stamp);

} // namespace win
