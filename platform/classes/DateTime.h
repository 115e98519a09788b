// DateTime: the class library's date-time value and its conversions.
//
// A TDateTime is a double counting days from 30 December 1899 at midnight:
// the integer part is the date, the fraction the time of day (0.5 is noon).
// Before that day the value is negative and its fraction still counts
// forwards from midnight: -1.25 is 29 December 1899, 06:00. The valid range
// is 1 January of year 1 (-693593) to 31 December 9999 23:59:59.999.
//
// The database stores the other forms of TTimeStamp: a day number counted
// from 1 January of year 1 as day 1 (so 30 December 1899 is 693594) and the
// milliseconds since midnight, or the two folded into one count of
// milliseconds (Date * 86400000 + Time). Conversions to those forms round to
// the nearest millisecond, so a value set and read back is the same
// millisecond (truncating would turn 0.001 s into 0 for many values).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/classes/FormatSettings.h"

namespace velmorak {

using TDateTime = double;

inline constexpr std::int64_t MSecsPerDay = 86400000;
// Day number of 30 December 1899, the day TDateTime 0 falls on.
inline constexpr std::int32_t DateDelta = 693594;
inline constexpr std::int32_t MinDayNumber = 1;        // 0001-01-01
inline constexpr std::int32_t MaxDayNumber = 3652059;  // 9999-12-31
inline constexpr TDateTime MinDateTime = -693593.0;
inline constexpr TDateTime MaxDateTime = 2958465.99999999;

struct TTimeStamp {
  std::int32_t Time = 0;          // milliseconds since midnight, 0..86399999
  std::int32_t Date = DateDelta;  // day number, 1 = 0001-01-01
};

// --- Encoding and decoding ---------------------------------------------------

bool TryEncodeDate(int Year, int Month, int Day, TDateTime& Value);
bool TryEncodeTime(int Hour, int Min, int Sec, int MSec, TDateTime& Value);
// As the Try forms; an invalid part raises EConvertError.
TDateTime EncodeDate(int Year, int Month, int Day);
TDateTime EncodeTime(int Hour, int Min, int Sec, int MSec);
// The parts of a value (rounded to the millisecond). A value outside the
// valid range decodes as 30 December 1899, midnight.
void DecodeDate(TDateTime Value, int& Year, int& Month, int& Day);
void DecodeTime(TDateTime Value, int& Hour, int& Min, int& Sec, int& MSec);

// --- The stored forms --------------------------------------------------------

// False for a value outside the valid range (or not finite); rounds to the
// nearest millisecond, and a value that rounds past 9999-12-31 23:59:59.999
// is out of range.
bool TryDateTimeToTimeStamp(TDateTime Value, TTimeStamp& Stamp);
// Exact for every valid stamp; a stamp outside the valid range gives 0.
TDateTime TimeStampToDateTime(const TTimeStamp& Stamp);
// The folded millisecond count and back; false for a count that is not a
// whole number of milliseconds inside the valid range.
double TimeStampToMSecs(const TTimeStamp& Stamp);
bool TryMSecsToTimeStamp(double MSecs, TTimeStamp& Stamp);

// --- The clock ---------------------------------------------------------------

TDateTime Now();   // local date and time
TDateTime Date();  // today, midnight
TDateTime Time();  // the time of day alone

// --- Text --------------------------------------------------------------------

// Value written with a picture (tokens in FormatSettings.h).
std::string FormatDateTime(std::string_view Picture, TDateTime Value,
                           const TFormatSettings& Settings = FormatSettings());
std::string DateToStr(TDateTime Value, const TFormatSettings& Settings = FormatSettings());
std::string TimeToStr(TDateTime Value, const TFormatSettings& Settings = FormatSettings());
// The date, DateTimeSeparator and the time, always both.
std::string DateTimeToStr(TDateTime Value, const TFormatSettings& Settings = FormatSettings());

// Reading follows the pictures, with some latitude: numbers may have fewer
// digits than the picture shows, a four-digit year may be given with two, a
// time may stop after its minutes or seconds, and a time whose picture has
// no milliseconds takes them after the seconds with '.' or the decimal
// separator. Blanks around the text are ignored. A date-time text is a date,
// a time, or a date, the DateTimeSeparator (or blanks) and a time.
bool TryStrToDate(std::string_view Text, TDateTime& Value,
                  const TFormatSettings& Settings = FormatSettings());
bool TryStrToTime(std::string_view Text, TDateTime& Value,
                  const TFormatSettings& Settings = FormatSettings());
bool TryStrToDateTime(std::string_view Text, TDateTime& Value,
                      const TFormatSettings& Settings = FormatSettings());

}  // namespace velmorak
