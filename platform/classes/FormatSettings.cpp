// FormatSettings: the process-wide settings, the translation of the locale's
// Windows pictures into our tokens, and the number conversions.
#include "platform/classes/FormatSettings.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "platform/os/LocaleFormats.h"

namespace velmorak {

namespace {

// A Windows picture ("dd/MM/yyyy", "HH:mm:ss tt") in our tokens. Returns
// false for what we cannot read (day and month names, eras).
bool TranslatePicture(const std::string& In, bool IsTime, char DateSep, char TimeSep, std::string& Out) {
  Out.clear();
  for (std::size_t i = 0; i < In.size();) {
    const char c = In[i];
    std::size_t n = 1;
    while (i + n < In.size() && In[i + n] == c) ++n;
    switch (c) {
      case 'd':
        if (IsTime || n > 2) return false;
        Out.append(n, 'd');
        break;
      case 'M':
        if (IsTime || n > 2) return false;
        Out.append(n, 'm');
        break;
      case 'y':
        if (IsTime) return false;
        Out += n <= 2 ? "yy" : "yyyy";
        break;
      case 'h':
      case 'H':
        if (!IsTime) return false;
        Out.append(std::min<std::size_t>(n, 2), 'h');
        break;
      case 'm':
        if (!IsTime) return false;
        Out.append(std::min<std::size_t>(n, 2), 'n');
        break;
      case 's':
        if (!IsTime) return false;
        Out.append(std::min<std::size_t>(n, 2), 's');
        break;
      case 't':
        if (!IsTime) return false;
        Out += "ampm";
        break;
      case 'g':
        return false;
      case '\'': {
        const std::size_t end = In.find('\'', i + 1);
        if (end == std::string::npos) return false;
        Out += '"' + In.substr(i + 1, end - i - 1) + '"';
        i = end + 1;
        continue;
      }
      default:
        for (std::size_t k = 0; k < n; ++k) {
          if (c == DateSep && !IsTime)
            Out += '/';
          else if (c == TimeSep && IsTime)
            Out += ':';
          else
            Out += c;
        }
    }
    i += n;
  }
  return !Out.empty();
}

// The first character of the picture that is not a letter of a token: the
// separator the locale puts between the fields.
char FirstSeparator(const std::string& Picture, char Default) {
  for (char c : Picture)
    if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'))) return c == ' ' ? Default : c;
  return Default;
}

}  // namespace

TFormatSettings DefaultFormatSettings() {
  return TFormatSettings{};
}

TFormatSettings LocaleFormatSettings() {
  TFormatSettings s;
  const os::TLocaleFormats f = os::UserLocaleFormats();
  if (!f.DecimalSeparator.empty()) s.DecimalSeparator = f.DecimalSeparator[0];
  s.ThousandSeparator = f.ThousandSeparator.empty() ? '\0' : f.ThousandSeparator[0];
  s.DateSeparator = FirstSeparator(f.ShortDate, s.DateSeparator);
  s.TimeSeparator = FirstSeparator(f.TimeFormat, s.TimeSeparator);
  std::string picture;
  if (TranslatePicture(f.ShortDate, false, s.DateSeparator, s.TimeSeparator, picture))
    s.ShortDateFormat = picture;
  if (TranslatePicture(f.TimeFormat, true, s.DateSeparator, s.TimeSeparator, picture))
    s.LongTimeFormat = picture;
  if (!f.TimeAM.empty()) s.TimeAMString = f.TimeAM;
  if (!f.TimePM.empty()) s.TimePMString = f.TimePM;
  return s;
}

TFormatSettings& FormatSettings() {
  static TFormatSettings settings = LocaleFormatSettings();
  return settings;
}

std::string IntToStr(std::int64_t Value) {
  return std::to_string(Value);
}

namespace {
std::string_view Trim(std::string_view t) {
  while (!t.empty() && (t.front() == ' ' || t.front() == '\t')) t.remove_prefix(1);
  while (!t.empty() && (t.back() == ' ' || t.back() == '\t')) t.remove_suffix(1);
  return t;
}
bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}
}  // namespace

bool TryStrToInt64(std::string_view Text, std::int64_t& Value) {
  std::string_view t = Trim(Text);
  bool negative = false;
  if (!t.empty() && (t[0] == '+' || t[0] == '-')) {
    negative = t[0] == '-';
    t.remove_prefix(1);
  }
  if (t.empty()) return false;
  // Accumulate as a negative number, whose range is one larger.
  std::int64_t v = 0;
  for (char c : t) {
    if (!IsDigit(c)) return false;
    const int d = c - '0';
    if (v < (INT64_MIN + d) / 10) return false;
    v = v * 10 - d;
  }
  if (!negative) {
    if (v == INT64_MIN) return false;
    v = -v;
  }
  Value = v;
  return true;
}

bool TryStrToFloat(std::string_view Text, double& Value, const TFormatSettings& Settings) {
  const std::string_view t = Trim(Text);
  // Rebuild the number in the C form that strtod reads in the "C" locale,
  // checking the shape on the way: [sign] digits [sep digits] [e [sign] digits].
  std::string c;
  std::size_t i = 0;
  if (i < t.size() && (t[i] == '+' || t[i] == '-')) c += t[i++];
  int mantissaDigits = 0;
  while (i < t.size() && IsDigit(t[i])) c += t[i++], ++mantissaDigits;
  if (i < t.size() && t[i] == Settings.DecimalSeparator) {
    c += '.';
    ++i;
    while (i < t.size() && IsDigit(t[i])) c += t[i++], ++mantissaDigits;
  }
  if (mantissaDigits == 0) return false;
  if (i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
    c += 'e';
    ++i;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) c += t[i++];
    int expDigits = 0;
    while (i < t.size() && IsDigit(t[i])) c += t[i++], ++expDigits;
    if (expDigits == 0) return false;
  }
  if (i != t.size()) return false;
  char* end = nullptr;
  const double v = std::strtod(c.c_str(), &end);
  if (end != c.c_str() + c.size() || !std::isfinite(v)) return false;
  Value = v;
  return true;
}

std::string FloatToStr(double Value, const TFormatSettings& Settings) {
  if (std::isnan(Value)) return "NAN";
  if (std::isinf(Value)) return Value > 0 ? "INF" : "-INF";
  char buf[40];
  for (int digits = 15; digits <= 17; ++digits) {
    std::snprintf(buf, sizeof buf, "%.*G", digits, Value);
    if (std::strtod(buf, nullptr) == Value) break;
  }
  std::string s = buf;
  // "1E+20" -> "1E20", "1E-05" -> "1E-5": the exponent as the parser reads it.
  const std::size_t e = s.find('E');
  if (e != std::string::npos) {
    std::string mant = s.substr(0, e), ex = s.substr(e + 1);
    bool neg = false;
    if (!ex.empty() && (ex[0] == '+' || ex[0] == '-')) neg = ex[0] == '-', ex.erase(0, 1);
    while (ex.size() > 1 && ex[0] == '0') ex.erase(0, 1);
    s = mant + "E" + (neg ? "-" : "") + ex;
  }
  for (char& ch : s)
    if (ch == '.') ch = Settings.DecimalSeparator;
  return s;
}

}  // namespace velmorak
