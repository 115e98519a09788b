#include "platform/classes/DateUtils.h"

namespace velmorak {

// Both directions count in 400-year eras from 0000-03-01, so that the leap
// day falls at the end of each counted year; 719163 days separate
// 0001-01-01 (day 1) from 1970-01-01 and 719468 days 0000-03-01 from it.
std::int64_t DayNumberFromCivil(int Year, int Month, int Day) {
  const std::int64_t y = Year - (Month <= 2 ? 1 : 0);
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const std::int64_t yoe = y - era * 400;
  const std::int64_t doy = (153 * (Month + (Month > 2 ? -3 : 9)) + 2) / 5 + Day - 1;
  const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468 + 719163;
}

void CivilFromDayNumber(std::int64_t DayNumber, int& Year, int& Month, int& Day) {
  const std::int64_t z = DayNumber - 719163 + 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const std::int64_t doe = z - era * 146097;
  const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const std::int64_t mp = (5 * doy + 2) / 153;
  Day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  Month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  Year = static_cast<int>(yoe + era * 400 + (Month <= 2 ? 1 : 0));
}

}  // namespace velmorak
