#pragma once

// Dates as day counts since 30 December 1899, with the time of day as the
// fraction (the old library's TDateTime).

#include <ctime>

namespace rtl {

using TDateTime = double;

struct DateParts {
    int year = 1899, month = 12, day = 30;
    int hour = 0, minute = 0, second = 0, millisecond = 0;
};

// false when the date does not exist.
bool TryEncodeDate(int year, int month, int day, TDateTime& out);
TDateTime EncodeTime(int hour, int minute, int second, int millisecond);
DateParts DecodeDateTime(TDateTime value);

// Local time conversions.
TDateTime FromTimeT(std::time_t t);
std::time_t ToTimeT(TDateTime value);
TDateTime Now();

} // namespace rtl
