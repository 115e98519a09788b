// DateTime: the conversions between TDateTime, its stored forms and text.
// Everything goes through TTimeStamp, whose integer fields make the rounding
// happen once, in TryDateTimeToTimeStamp.
#include "platform/classes/DateTime.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <vector>

#include "platform/classes/DateUtils.h"
#include "platform/classes/SysUtils.h"
#include "platform/os/Clock.h"

namespace velmorak {

namespace {

bool IsLeapYear(int y) {
  return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}
int DaysInMonth(int y, int m) {
  static const int days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && IsLeapYear(y) ? 29 : days[m - 1];
}

bool StampIsValid(const TTimeStamp& s) {
  return s.Date >= MinDayNumber && s.Date <= MaxDayNumber && s.Time >= 0 && s.Time < MSecsPerDay;
}

TTimeStamp StampOrZero(TDateTime Value) {
  TTimeStamp s;
  if (!TryDateTimeToTimeStamp(Value, s)) s = TTimeStamp{};
  return s;
}

}  // namespace

bool TryEncodeDate(int Year, int Month, int Day, TDateTime& Value) {
  if (Year < 1 || Year > 9999 || Month < 1 || Month > 12 || Day < 1 || Day > DaysInMonth(Year, Month))
    return false;
  Value = static_cast<double>(DayNumberFromCivil(Year, Month, Day) - DateDelta);
  return true;
}

bool TryEncodeTime(int Hour, int Min, int Sec, int MSec, TDateTime& Value) {
  if (Hour < 0 || Hour > 23 || Min < 0 || Min > 59 || Sec < 0 || Sec > 59 || MSec < 0 || MSec > 999)
    return false;
  Value =
      static_cast<double>(((Hour * 60 + Min) * 60 + Sec) * 1000 + MSec) / static_cast<double>(MSecsPerDay);
  return true;
}

TDateTime EncodeDate(int Year, int Month, int Day) {
  TDateTime v;
  if (!TryEncodeDate(Year, Month, Day, v)) throw EConvertError("Invalid argument to date encode");
  return v;
}

TDateTime EncodeTime(int Hour, int Min, int Sec, int MSec) {
  TDateTime v;
  if (!TryEncodeTime(Hour, Min, Sec, MSec, v)) throw EConvertError("Invalid argument to time encode");
  return v;
}

void DecodeDate(TDateTime Value, int& Year, int& Month, int& Day) {
  CivilFromDayNumber(StampOrZero(Value).Date, Year, Month, Day);
}

void DecodeTime(TDateTime Value, int& Hour, int& Min, int& Sec, int& MSec) {
  const std::int32_t t = StampOrZero(Value).Time;
  MSec = t % 1000;
  Sec = t / 1000 % 60;
  Min = t / 60000 % 60;
  Hour = t / 3600000;
}

bool TryDateTimeToTimeStamp(TDateTime Value, TTimeStamp& Stamp) {
  // The bounds first, with a day of slack, so the product below stays small.
  if (!std::isfinite(Value) || Value < MinDateTime - 1 || Value > MaxDateTime + 1) return false;
  const std::int64_t ms = std::llround(std::fabs(Value) * static_cast<double>(MSecsPerDay));
  const std::int64_t days = ms / MSecsPerDay;
  const std::int64_t date = Value < 0 ? DateDelta - days : DateDelta + days;
  if (date < MinDayNumber || date > MaxDayNumber) return false;
  Stamp.Date = static_cast<std::int32_t>(date);
  Stamp.Time = static_cast<std::int32_t>(ms % MSecsPerDay);
  return true;
}

TDateTime TimeStampToDateTime(const TTimeStamp& Stamp) {
  if (!StampIsValid(Stamp)) return 0;
  const double days = static_cast<double>(Stamp.Date - DateDelta);
  const double fraction = static_cast<double>(Stamp.Time) / static_cast<double>(MSecsPerDay);
  return days >= 0 ? days + fraction : days - fraction;
}

double TimeStampToMSecs(const TTimeStamp& Stamp) {
  return static_cast<double>(static_cast<std::int64_t>(Stamp.Date) * MSecsPerDay + Stamp.Time);
}

bool TryMSecsToTimeStamp(double MSecs, TTimeStamp& Stamp) {
  if (!std::isfinite(MSecs) || MSecs < 0 || MSecs >= static_cast<double>((MaxDayNumber + 1LL) * MSecsPerDay))
    return false;
  const std::int64_t ms = std::llround(MSecs);
  TTimeStamp s;
  s.Date = static_cast<std::int32_t>(ms / MSecsPerDay);
  s.Time = static_cast<std::int32_t>(ms % MSecsPerDay);
  if (!StampIsValid(s)) return false;
  Stamp = s;
  return true;
}

TDateTime Now() {
  const os::TLocalTime t = os::LocalTimeNow();
  TDateTime d = 0, tm = 0;
  TryEncodeDate(t.Year, t.Month, t.Day, d);
  TryEncodeTime(t.Hour, t.Minute, t.Second, t.Millisecond, tm);
  return d + tm;
}

TDateTime Date() {
  const os::TLocalTime t = os::LocalTimeNow();
  TDateTime d = 0;
  TryEncodeDate(t.Year, t.Month, t.Day, d);
  return d;
}

TDateTime Time() {
  const os::TLocalTime t = os::LocalTimeNow();
  TDateTime tm = 0;
  TryEncodeTime(t.Hour, t.Minute, t.Second, t.Millisecond, tm);
  return tm;
}

// --- Pictures ------------------------------------------------------------------

namespace {

enum class TokKind { Day, Month, Year, Hour, Minute, Second, MSec, AmPm, DateSep, TimeSep, Blank, Literal };

struct Token {
  Token(TokKind k, int w = 0, std::string t = {}) : Kind(k), Width(w), Text(std::move(t)) {}
  TokKind Kind;
  int Width;
  std::string Text;  // Literal
};

std::vector<Token> ScanPicture(std::string_view p) {
  std::vector<Token> out;
  bool lastWasHour = false;
  for (std::size_t i = 0; i < p.size();) {
    const char c = p[i];
    const char l = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    std::size_t n = 1;
    if (std::isalpha(static_cast<unsigned char>(c)))
      while (i + n < p.size() && std::tolower(static_cast<unsigned char>(p[i + n])) == l) ++n;
    Token t{TokKind::Literal};
    bool numeric = true;
    switch (l) {
      case 'd':
        t = {TokKind::Day, n >= 2 ? 2 : 1};
        break;
      case 'm':
        // After an hour, m is the minute (the Windows and the classic habit).
        t = {lastWasHour ? TokKind::Minute : TokKind::Month, n >= 2 ? 2 : 1};
        break;
      case 'y':
        t = {TokKind::Year, n <= 2 ? 2 : 4};
        break;
      case 'h':
        t = {TokKind::Hour, n >= 2 ? 2 : 1};
        break;
      case 'n':
        t = {TokKind::Minute, n >= 2 ? 2 : 1};
        break;
      case 's':
        t = {TokKind::Second, n >= 2 ? 2 : 1};
        break;
      case 'z':
        t = {TokKind::MSec, n >= 2 ? 3 : 1};
        break;
      default:
        numeric = false;
        n = 1;
        if (l == 'a' && (p.substr(i, 4) == "ampm" || p.substr(i, 4) == "AMPM")) {
          t = {TokKind::AmPm};
          n = 4;
        } else if (l == 'a' && (p.substr(i, 5) == "am/pm" || p.substr(i, 5) == "AM/PM")) {
          t = {TokKind::AmPm};
          n = 5;
        } else if (c == '/') {
          t = {TokKind::DateSep};
        } else if (c == ':') {
          t = {TokKind::TimeSep};
        } else if (c == ' ') {
          t = {TokKind::Blank};
        } else if (c == '"' || c == '\'') {
          const std::size_t end = p.find(c, i + 1);
          t = {TokKind::Literal, 0,
               std::string(p.substr(i + 1, end == std::string_view::npos ? p.npos : end - i - 1))};
          n = end == std::string_view::npos ? p.size() - i : end - i + 1;
        } else {
          t = {TokKind::Literal, 0, std::string(1, c)};
        }
    }
    if (numeric || t.Kind != TokKind::Literal || !t.Text.empty()) {
      if (numeric) lastWasHour = t.Kind == TokKind::Hour;
      out.push_back(t);
    }
    i += n;
  }
  return out;
}

bool HasAmPm(const std::vector<Token>& toks) {
  for (const Token& t : toks)
    if (t.Kind == TokKind::AmPm) return true;
  return false;
}

std::string Num(int v, int width) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%0*d", width, v);
  return buf;
}

// The civil fields a picture reads or writes.
struct Fields {
  int Year = 1899, Month = 12, Day = 30, Hour = 0, Min = 0, Sec = 0, MSec = 0;
  bool HaveDate = false, HaveTime = false, Pm = false, HaveAmPm = false;
};

bool StartsWithNoCase(std::string_view text, std::size_t pos, const std::string& word) {
  if (word.empty() || text.size() - pos < word.size()) return false;
  for (std::size_t k = 0; k < word.size(); ++k)
    if (std::toupper(static_cast<unsigned char>(text[pos + k])) !=
        std::toupper(static_cast<unsigned char>(word[k])))
      return false;
  return true;
}

bool ReadNumber(std::string_view text, std::size_t& pos, int maxDigits, int& value, int& digits) {
  value = 0;
  digits = 0;
  while (pos < text.size() && digits < maxDigits && text[pos] >= '0' && text[pos] <= '9') {
    value = value * 10 + (text[pos] - '0');
    ++pos;
    ++digits;
  }
  return digits > 0;
}

int ExpandTwoDigitYear(int y, const TFormatSettings& s) {
  int current = 2000, m, d;
  CivilFromDayNumber(static_cast<std::int64_t>(Date()) + DateDelta, current, m, d);
  if (s.TwoDigitYearCenturyWindow <= 0) return current / 100 * 100 + y;
  const int pivot = current - s.TwoDigitYearCenturyWindow;
  y += pivot / 100 * 100;
  if (y < pivot) y += 100;
  return y;
}

// Reads text from pos along the picture; on success pos is past what was read.
bool ParsePicture(std::string_view text, std::size_t& pos, std::string_view picture, bool isTime,
                  const TFormatSettings& s, Fields& f) {
  const std::vector<Token> toks = ScanPicture(picture);
  bool minutesRead = false, msecRead = false;
  for (const Token& t : toks) {
    if (isTime && pos == text.size() && minutesRead) break;  // seconds and what follows are optional
    int v = 0, digits = 0;
    switch (t.Kind) {
      case TokKind::Day:
        if (!ReadNumber(text, pos, 2, f.Day, digits)) return false;
        f.HaveDate = true;
        break;
      case TokKind::Month:
        if (!ReadNumber(text, pos, 2, f.Month, digits)) return false;
        f.HaveDate = true;
        break;
      case TokKind::Year:
        if (!ReadNumber(text, pos, 4, v, digits)) return false;
        f.Year = digits <= 2 ? ExpandTwoDigitYear(v, s) : v;
        f.HaveDate = true;
        break;
      case TokKind::Hour:
        if (!ReadNumber(text, pos, 2, f.Hour, digits)) return false;
        f.HaveTime = true;
        break;
      case TokKind::Minute:
        if (!ReadNumber(text, pos, 2, f.Min, digits)) return false;
        minutesRead = true;
        break;
      case TokKind::Second:
        if (!ReadNumber(text, pos, 2, f.Sec, digits)) return false;
        break;
      case TokKind::MSec:
        if (!ReadNumber(text, pos, 3, f.MSec, digits)) return false;
        if (t.Width == 3) f.MSec *= digits == 1 ? 100 : digits == 2 ? 10 : 1;
        msecRead = true;
        break;
      case TokKind::AmPm:
        while (pos < text.size() && text[pos] == ' ') ++pos;
        if (StartsWithNoCase(text, pos, s.TimeAMString)) {
          pos += s.TimeAMString.size();
        } else if (StartsWithNoCase(text, pos, s.TimePMString)) {
          pos += s.TimePMString.size();
          f.Pm = true;
        } else if (StartsWithNoCase(text, pos, "AM")) {
          pos += 2;
        } else if (StartsWithNoCase(text, pos, "PM")) {
          pos += 2;
          f.Pm = true;
        } else {
          return false;
        }
        f.HaveAmPm = true;
        break;
      case TokKind::DateSep:
        if (pos >= text.size() || text[pos] != s.DateSeparator) return false;
        ++pos;
        break;
      case TokKind::TimeSep:
        if (pos >= text.size() || text[pos] != s.TimeSeparator) return false;
        ++pos;
        break;
      case TokKind::Blank:
        // A blank before the AM/PM marker may be left out.
        if (pos < text.size() && text[pos] != ' ' && !isTime) return false;
        while (pos < text.size() && text[pos] == ' ') ++pos;
        break;
      case TokKind::Literal:
        if (text.substr(pos, t.Text.size()) != t.Text) return false;
        pos += t.Text.size();
        break;
    }
  }
  if (isTime && !msecRead && pos + 1 < text.size() && (text[pos] == '.' || text[pos] == s.DecimalSeparator) &&
      text[pos + 1] >= '0' && text[pos + 1] <= '9') {
    ++pos;
    int v = 0, digits = 0;
    ReadNumber(text, pos, 3, v, digits);
    f.MSec = v * (digits == 1 ? 100 : digits == 2 ? 10 : 1);
  }
  if (isTime && f.HaveAmPm) {
    if (f.Hour < 1 || f.Hour > 12) return false;
    f.Hour = f.Hour % 12 + (f.Pm ? 12 : 0);
  }
  return isTime ? f.HaveTime : f.HaveDate;
}

std::string_view TrimBlanks(std::string_view t) {
  while (!t.empty() && (t.front() == ' ' || t.front() == '\t')) t.remove_prefix(1);
  while (!t.empty() && (t.back() == ' ' || t.back() == '\t')) t.remove_suffix(1);
  return t;
}

bool ToStamp(const Fields& f, bool date, bool time, TTimeStamp& out) {
  TTimeStamp s;
  if (date) {
    TDateTime d;
    if (!TryEncodeDate(f.Year, f.Month, f.Day, d)) return false;
    s.Date = static_cast<std::int32_t>(DayNumberFromCivil(f.Year, f.Month, f.Day));
  }
  if (time) {
    TDateTime t;
    if (!TryEncodeTime(f.Hour, f.Min, f.Sec, f.MSec, t)) return false;
    s.Time = ((f.Hour * 60 + f.Min) * 60 + f.Sec) * 1000 + f.MSec;
  }
  out = s;
  return true;
}

}  // namespace

std::string FormatDateTime(std::string_view Picture, TDateTime Value, const TFormatSettings& Settings) {
  const TTimeStamp st = StampOrZero(Value);
  int y, mo, d;
  CivilFromDayNumber(st.Date, y, mo, d);
  const int h = st.Time / 3600000, mi = st.Time / 60000 % 60, se = st.Time / 1000 % 60, ms = st.Time % 1000;
  const std::vector<Token> toks = ScanPicture(Picture);
  const bool twelve = HasAmPm(toks);
  std::string out;
  for (const Token& t : toks) {
    switch (t.Kind) {
      case TokKind::Day:
        out += Num(d, t.Width);
        break;
      case TokKind::Month:
        out += Num(mo, t.Width);
        break;
      case TokKind::Year:
        out += t.Width == 2 ? Num(y % 100, 2) : Num(y, 4);
        break;
      case TokKind::Hour:
        out += Num(twelve ? (h % 12 == 0 ? 12 : h % 12) : h, t.Width);
        break;
      case TokKind::Minute:
        out += Num(mi, t.Width);
        break;
      case TokKind::Second:
        out += Num(se, t.Width);
        break;
      case TokKind::MSec:
        out += t.Width == 3 ? Num(ms, 3) : Num(ms, 1);
        break;
      case TokKind::AmPm:
        out += h < 12 ? Settings.TimeAMString : Settings.TimePMString;
        break;
      case TokKind::DateSep:
        out += Settings.DateSeparator;
        break;
      case TokKind::TimeSep:
        out += Settings.TimeSeparator;
        break;
      case TokKind::Blank:
        out += ' ';
        break;
      case TokKind::Literal:
        out += t.Text;
        break;
    }
  }
  return out;
}

std::string DateToStr(TDateTime Value, const TFormatSettings& Settings) {
  return FormatDateTime(Settings.ShortDateFormat, Value, Settings);
}

std::string TimeToStr(TDateTime Value, const TFormatSettings& Settings) {
  return FormatDateTime(Settings.LongTimeFormat, Value, Settings);
}

std::string DateTimeToStr(TDateTime Value, const TFormatSettings& Settings) {
  return DateToStr(Value, Settings) + Settings.DateTimeSeparator + TimeToStr(Value, Settings);
}

bool TryStrToDate(std::string_view Text, TDateTime& Value, const TFormatSettings& Settings) {
  const std::string_view t = TrimBlanks(Text);
  std::size_t pos = 0;
  Fields f;
  TTimeStamp st;
  if (!ParsePicture(t, pos, Settings.ShortDateFormat, false, Settings, f) || pos != t.size() ||
      !ToStamp(f, true, false, st))
    return false;
  Value = TimeStampToDateTime(st);
  return true;
}

bool TryStrToTime(std::string_view Text, TDateTime& Value, const TFormatSettings& Settings) {
  const std::string_view t = TrimBlanks(Text);
  std::size_t pos = 0;
  Fields f;
  TTimeStamp st;
  if (!ParsePicture(t, pos, Settings.LongTimeFormat, true, Settings, f) || pos != t.size() ||
      !ToStamp(f, false, true, st))
    return false;
  Value = static_cast<double>(st.Time) / static_cast<double>(MSecsPerDay);
  return true;
}

bool TryStrToDateTime(std::string_view Text, TDateTime& Value, const TFormatSettings& Settings) {
  const std::string_view t = TrimBlanks(Text);
  std::size_t pos = 0;
  Fields f;
  if (ParsePicture(t, pos, Settings.ShortDateFormat, false, Settings, f)) {
    TTimeStamp st;
    if (pos == t.size()) {
      if (!ToStamp(f, true, false, st)) return false;
      Value = TimeStampToDateTime(st);
      return true;
    }
    if (t[pos] == Settings.DateTimeSeparator && t[pos] != ' ') {
      ++pos;
    } else if (t[pos] == ' ') {
      while (pos < t.size() && t[pos] == ' ') ++pos;
    } else {
      return false;
    }
    Fields g = f;
    if (!ParsePicture(t, pos, Settings.LongTimeFormat, true, Settings, g) || pos != t.size() ||
        !ToStamp(g, true, true, st))
      return false;
    Value = TimeStampToDateTime(st);
    return true;
  }
  return TryStrToTime(t, Value, Settings);
}

}  // namespace velmorak
