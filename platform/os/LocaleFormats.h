// LocaleFormats: how the user's locale writes numbers, dates and times, as
// the raw pictures the system gives. platform/classes/FormatSettings turns
// them into the class library's format settings at start-up. Windows reads
// the user-default locale (GetLocaleInfoA); the POSIX build has no such
// locale to follow and answers with fixed, documented defaults, so a run on
// Linux formats the same way whatever the environment says.
#pragma once

#include <string>

namespace velmorak::os {

struct TLocaleFormats {
  std::string DecimalSeparator = ".";
  std::string ThousandSeparator = ",";
  // Windows pictures: "dd/MM/yyyy" (M is the month), "HH:mm:ss" (m is the
  // minute, h 12-hour, H 24-hour, tt the AM/PM marker).
  std::string ShortDate = "dd/MM/yyyy";
  std::string TimeFormat = "HH:mm:ss";
  std::string TimeAM = "AM";
  std::string TimePM = "PM";
};

TLocaleFormats UserLocaleFormats();

}  // namespace velmorak::os
