// FormatSettings: how the class library writes and reads numbers, dates and
// times as text — the decimal and thousands separators, the short date and
// the time pictures, the AM/PM markers and the boolean words. One
// process-wide set, taken from the user's locale on Windows and from fixed
// defaults elsewhere (see DefaultFormatSettings); a program or a test may
// change it, and every text conversion of the dataset fields follows it.
//
// Pictures use these tokens (anything else is a literal character; text in
// '...' or "..." is literal too):
//   d dd      day of the month, 1..31 (dd: two digits)
//   m mm      month, 1..12
//   yy yyyy   year, two or four digits
//   h hh      hour (0..23, or 1..12 when the picture holds ampm)
//   n nn      minute     s ss   second     z zzz   millisecond
//   ampm      TimeAMString / TimePMString
//   /         the DateSeparator          :   the TimeSeparator
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace velmorak {

struct TFormatSettings {
  char DecimalSeparator = '.';
  char ThousandSeparator = ',';  // written by no conversion here; refused by the number parsers
  char DateSeparator = '/';
  char TimeSeparator = ':';
  std::string ShortDateFormat = "dd/mm/yyyy";
  std::string LongTimeFormat = "hh:nn:ss";
  std::string TimeAMString = "AM";
  std::string TimePMString = "PM";
  // Between the date and the time of a date-time text. Reading also accepts
  // a blank in its place.
  char DateTimeSeparator = ' ';
  // The words of a boolean; reading takes them, or "true"/"false", in any case.
  std::string TrueBoolStr = "True";
  std::string FalseBoolStr = "False";
  // A two-digit year yy is read as the year within 50 years of the current one.
  int TwoDigitYearCenturyWindow = 50;
};

// The documented defaults above (what the POSIX build starts with).
TFormatSettings DefaultFormatSettings();
// The settings of the user's locale: on Windows from the system, elsewhere
// the defaults. A picture the class library cannot read keeps its default.
TFormatSettings LocaleFormatSettings();
// The process-wide settings, initialised from LocaleFormatSettings on first
// use. Change them before conversions run on other threads.
TFormatSettings& FormatSettings();

// --- Numbers as text ---------------------------------------------------------

std::string IntToStr(std::int64_t Value);
// A decimal integer: optional blanks around, an optional sign, digits only.
// False when the text is not one or does not fit in 64 bits.
bool TryStrToInt64(std::string_view Text, std::int64_t& Value);
// A decimal number with the settings' decimal separator and an optional
// exponent (e or E, optional sign, digits); blanks around are ignored. No
// thousands separators, no infinities or NaN, no value beyond the double range.
bool TryStrToFloat(std::string_view Text, double& Value, const TFormatSettings& Settings = FormatSettings());
// The shortest text (at most 17 significant digits) that reads back as the
// same double, with the settings' decimal separator ("1.5", "1E20", "-0.1").
std::string FloatToStr(double Value, const TFormatSettings& Settings = FormatSettings());

}  // namespace velmorak
