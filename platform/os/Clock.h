// Clock: the local wall-clock time, broken down into its civil fields. The
// class library's date-time values (platform/classes/DateTime.h) read "now"
// through here, so the calendar code stays portable; Windows asks
// GetLocalTime, POSIX asks the C library for the local time zone.
#pragma once

namespace velmorak::os {

struct TLocalTime {
  int Year = 1899, Month = 12, Day = 30;
  int Hour = 0, Minute = 0, Second = 0, Millisecond = 0;
};

// The current local date and time, to the millisecond.
TLocalTime LocalTimeNow();

}  // namespace velmorak::os
