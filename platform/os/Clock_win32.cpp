// Clock, Windows backend: GetLocalTime gives the civil fields directly.
#include <windows.h>

#include "platform/os/Clock.h"

namespace velmorak::os {

TLocalTime LocalTimeNow() {
  SYSTEMTIME st;
  GetLocalTime(&st);
  TLocalTime t;
  t.Year = st.wYear;
  t.Month = st.wMonth;
  t.Day = st.wDay;
  t.Hour = st.wHour;
  t.Minute = st.wMinute;
  t.Second = st.wSecond;
  t.Millisecond = st.wMilliseconds;
  return t;
}

}  // namespace velmorak::os
