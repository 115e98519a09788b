// LocaleFormats, Windows backend: the user-default locale's pictures. A value
// the system does not give keeps the default of TLocaleFormats.
#include <windows.h>

#include "platform/os/LocaleFormats.h"

namespace velmorak::os {

namespace {
void Read(LCTYPE Type, std::string& Into) {
  char buf[128];
  const int n = GetLocaleInfoA(LOCALE_USER_DEFAULT, Type, buf, sizeof buf);
  if (n > 1) Into.assign(buf, static_cast<std::size_t>(n - 1));
}
}  // namespace

TLocaleFormats UserLocaleFormats() {
  TLocaleFormats f;
  Read(LOCALE_SDECIMAL, f.DecimalSeparator);
  Read(LOCALE_STHOUSAND, f.ThousandSeparator);
  Read(LOCALE_SSHORTDATE, f.ShortDate);
  Read(LOCALE_STIMEFORMAT, f.TimeFormat);
  Read(LOCALE_S1159, f.TimeAM);
  Read(LOCALE_S2359, f.TimePM);
  return f;
}

}  // namespace velmorak::os
