// Clock, POSIX backend: clock_gettime for the instant, localtime_r for the
// time zone's civil fields.
#include "platform/os/Clock.h"

#include <ctime>

namespace velmorak::os {

TLocalTime LocalTimeNow() {
  timespec ts{};
  clock_gettime(CLOCK_REALTIME, &ts);
  std::tm tm{};
  localtime_r(&ts.tv_sec, &tm);
  TLocalTime t;
  t.Year = tm.tm_year + 1900;
  t.Month = tm.tm_mon + 1;
  t.Day = tm.tm_mday;
  t.Hour = tm.tm_hour;
  t.Minute = tm.tm_min;
  // A leap second reads as the last second of its minute.
  t.Second = tm.tm_sec > 59 ? 59 : tm.tm_sec;
  t.Millisecond = static_cast<int>(ts.tv_nsec / 1000000);
  return t;
}

}  // namespace velmorak::os
