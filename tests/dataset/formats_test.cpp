// The class library pieces the fields convert with: format settings, the
// number and date-time texts, TDateTime's stored forms, and Variant.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "TestSupport.h"
#include "platform/classes/DateTime.h"
#include "platform/classes/DateUtils.h"
#include "platform/classes/Variants.h"

namespace velmorak::test {
namespace {

TEST(FormatSettings, DefaultsAndTheLocale) {
  const TFormatSettings d = DefaultFormatSettings();
  EXPECT_EQ('.', d.DecimalSeparator);
  EXPECT_EQ("dd/mm/yyyy", d.ShortDateFormat);
  EXPECT_EQ("hh:nn:ss", d.LongTimeFormat);
  // The locale's pictures always come out in a form the parser reads back.
  const TFormatSettings l = LocaleFormatSettings();
  const TDateTime v = EncodeDate(2031, 11, 22) + EncodeTime(21, 4, 5, 0);
  TDateTime back = 0;
  ASSERT_TRUE(TryStrToDateTime(DateTimeToStr(v, l), back, l)) << DateTimeToStr(v, l);
  EXPECT_EQ(v, back);
  double f = 0;
  ASSERT_TRUE(TryStrToFloat(FloatToStr(-12.75, l), f, l));
  EXPECT_EQ(-12.75, f);
}

TEST(NumberText, FloatsReadBackExactly) {
  std::mt19937_64 rng(20261211);
  std::uniform_real_distribution<double> dist(-1e6, 1e6);
  TFormatSettings comma;
  comma.DecimalSeparator = ',';
  for (int i = 0; i < 2000; ++i) {
    const double v = dist(rng) * std::pow(10.0, static_cast<int>(rng() % 40) - 20);
    double back = 0;
    ASSERT_TRUE(TryStrToFloat(FloatToStr(v, comma), back, comma)) << FloatToStr(v, comma);
    ASSERT_EQ(v, back);
  }
  EXPECT_EQ("0.1", FloatToStr(0.1));
  EXPECT_EQ("1E-5", FloatToStr(0.00001));
  EXPECT_EQ("-1E20", FloatToStr(-1e20));
  std::int64_t n = 0;
  EXPECT_TRUE(TryStrToInt64("-9223372036854775808", n));
  EXPECT_EQ(INT64_MIN, n);
  EXPECT_FALSE(TryStrToInt64("9223372036854775808", n));
  EXPECT_FALSE(TryStrToInt64("", n));
  EXPECT_FALSE(TryStrToInt64("1 2", n));
}

TEST(DateTimeText, PicturesBothWays) {
  TFormatSettings s = IsoSettings();
  const TDateTime v = EncodeDate(2024, 2, 29) + EncodeTime(13, 5, 9, 7);
  EXPECT_EQ("2024-02-29T13:05:09.007", DateTimeToStr(v, s));
  EXPECT_EQ("29.02.24 1:05 PM", FormatDateTime("dd.mm.yy h:nn ampm", v, s));
  EXPECT_EQ("13h05", FormatDateTime("hh'h'nn", v, s));
  EXPECT_EQ("2024-02-29 13:05", FormatDateTime("yyyy-mm-dd hh:mm", v, s));  // m after h: minutes
  TDateTime back = 0;
  for (const char* text :
       {"2024-02-29T13:05:09.007", "2024-02-29 13:05:09.007", "  2024-02-29T13:05:09.007 "}) {
    ASSERT_TRUE(TryStrToDateTime(text, back, s)) << text;
    EXPECT_EQ(v, back) << text;
  }
  s.LongTimeFormat = "h:nn:ss ampm";
  ASSERT_TRUE(TryStrToTime("1:05:09 PM", back, s));
  EXPECT_EQ(EncodeTime(13, 5, 9, 0), back);
  ASSERT_TRUE(TryStrToTime("12:00:00 am", back, s));
  EXPECT_EQ(0, back);
  EXPECT_FALSE(TryStrToTime("13:00:00 PM", back, s));
  s.LongTimeFormat = "hh:nn:ss";
  ASSERT_TRUE(TryStrToTime("10:00:00.5", back, s));  // milliseconds after the seconds
  EXPECT_EQ(EncodeTime(10, 0, 0, 500), back);
  // Two-digit years fall within the century window around this year.
  s.ShortDateFormat = "dd/mm/yy";
  s.DateSeparator = '/';
  int y, m, d;
  DecodeDate(Date(), y, m, d);
  ASSERT_TRUE(TryStrToDate(Format("01/01/%02d", (y + 10) % 100), back, s));
  int by, bm, bd;
  DecodeDate(back, by, bm, bd);
  EXPECT_EQ(y + 10, by);
  for (const char* bad : {"", "1/1", "01/13/24", "aa/01/24", "01/01/24 x"})
    EXPECT_FALSE(TryStrToDate(bad, back, s)) << bad;
}

TEST(DateTimeStamps, TheStoredFormsAndTheirLimits) {
  TTimeStamp st;
  ASSERT_TRUE(TryDateTimeToTimeStamp(0, st));
  EXPECT_EQ(693594, st.Date);  // 30 December 1899
  EXPECT_EQ(0, st.Time);
  EXPECT_EQ(DayNumberFromCivil(1899, 12, 30), st.Date);
  ASSERT_TRUE(TryDateTimeToTimeStamp(MinDateTime, st));
  EXPECT_EQ(1, st.Date);
  EXPECT_EQ(86400000.0, TimeStampToMSecs(st));  // 1 January of year 1, midnight
  const TDateTime last = EncodeDate(9999, 12, 31) + EncodeTime(23, 59, 59, 999);
  ASSERT_TRUE(TryDateTimeToTimeStamp(last, st));
  EXPECT_EQ(MaxDayNumber, st.Date);
  EXPECT_EQ(86399999, st.Time);
  EXPECT_EQ(last, TimeStampToDateTime(st));
  TTimeStamp back;
  ASSERT_TRUE(TryMSecsToTimeStamp(TimeStampToMSecs(st), back));
  EXPECT_EQ(st.Date, back.Date);
  EXPECT_EQ(st.Time, back.Time);
  // Half a millisecond before midnight of 10000-01-01 rounds past the range.
  EXPECT_FALSE(TryDateTimeToTimeStamp(EncodeDate(9999, 12, 31) + (MSecsPerDay - 0.4) / MSecsPerDay, st));
  EXPECT_FALSE(TryDateTimeToTimeStamp(MinDateTime - 1, st));
  EXPECT_FALSE(TryDateTimeToTimeStamp(NAN, st));
  EXPECT_FALSE(TryMSecsToTimeStamp(1e300, back));
  EXPECT_FALSE(TryMSecsToTimeStamp(1000.0, back));  // day 0 does not exist
  EXPECT_EQ(0, TimeStampToDateTime(TTimeStamp{-1, 700000}));
  EXPECT_THROW(EncodeDate(2023, 2, 29), EConvertError);
  EXPECT_THROW(EncodeTime(24, 0, 0, 0), EConvertError);
  const TDateTime now = Now();
  EXPECT_GE(now, Date());
  EXPECT_LT(now - Date(), 1.0);
}

TEST(Variants, TypesConversionsAndEquality) {
  EXPECT_EQ(varInteger, Variant(5).VarType());
  EXPECT_EQ(varInteger, Variant(5L).VarType());
  EXPECT_EQ(varInt64, Variant(std::int64_t{1} << 40).VarType());
  EXPECT_EQ(varInt64, Variant(4000000000u).VarType());
  EXPECT_EQ(varBoolean, Variant(true).VarType());
  EXPECT_EQ(varString, Variant("x").VarType());
  EXPECT_TRUE(Variant().IsEmpty());
  EXPECT_TRUE(Variant::Null().IsNull());
  EXPECT_TRUE(Variant(2) == Variant(2.0));
  EXPECT_FALSE(Variant("2") == Variant(2));
  EXPECT_TRUE(Variant::Array({Variant(1), Variant("a")}) == Variant::Array({Variant(1), Variant("a")}));
  EXPECT_EQ(12, Variant("12").AsInteger());
  EXPECT_EQ(2.5, Variant("2.5").AsDouble());
  EXPECT_THROW_MSG(Variant("x").AsInteger(), EConvertError, "'x' is not a valid integer value");
  EXPECT_THROW_MSG(Variant::Null().AsString(), EVariantError,
                   "Could not convert variant of type (Null) into type (String)");
  EXPECT_THROW(Variant(1)[0], EVariantError);
  EXPECT_THROW(Variant(std::int64_t{1} << 40).AsInteger(), EVariantError);
  EXPECT_TRUE(Variant("TRUE").AsBoolean());
}

}  // namespace
}  // namespace velmorak::test
