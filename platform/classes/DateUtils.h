// DateUtils: calendar arithmetic on day numbers, the date part of the class
// library's date-time values counted from 0001-01-01 (day 1) in the
// proleptic Gregorian calendar, as the database stores dates.
#pragma once

#include <cstdint>

namespace velmorak {

// Day number of a civil date (month 1..12, day 1..31; not range-checked).
std::int64_t DayNumberFromCivil(int Year, int Month, int Day);
// The civil date of a day number.
void CivilFromDayNumber(std::int64_t DayNumber, int& Year, int& Month, int& Day);

}  // namespace velmorak
