// The filter language: the lexer's and the parser's errors with their exact
// messages, the type rules, the engine's own date readers, LIKE, and the
// evaluation of parsed filters over the records of a real table cursor, so
// that the field slots the parser resolves are the cursor's own buffer
// layout. Deep and long texts must be refused or finish: the test runner's
// time-out is the check for those, not a timer.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#ifndef _WIN32
#include <pthread.h>
#endif

#include "CursorTestSupport.h"
#include "database/ZvDBFilter.h"
#include "database/ZvDBTable.h"
#include "platform/classes/DateTime.h"
#include "platform/classes/DateUtils.h"

namespace velmorak {
namespace {

using namespace dbtest;

// One field of every stored type worth filtering on. The rows hold the edge
// values: empty text, a text filling its size, accented and mixed-case
// texts, zero, negative and extreme integers, values beyond 2^53, day 1,
// 23:59:59.999 and a memo.
TZvCreateTable ItemsTable() {
  return {"Items",
          {Fld("Id", ftAutoInc), Fld("Name", ftString, 10), Fld("Code", ftFixedChar, 4),
           Fld("Small", ftSmallint), Fld("W", ftWord), Fld("Flag", ftBoolean), Fld("Qty", ftInteger),
           Fld("Big", ftLargeint), Fld("Price", ftFloat), Fld("Cost", ftCurrency), Fld("Day", ftDate),
           Fld("At", ftTime), Fld("Stamp", ftDateTime), Fld("Notes", ftMemo)},
          {Idx("PK", {0}, kPrimary)}};
}

struct TItem {
  const char* Name;
  int Qty;
  std::int64_t Big;
  const char* Price;
  const char* Flag;
  const char* Day;    // dd/mm/yyyy
  const char* At;     // hh:nn:ss.zzz
  const char* Stamp;  // dd/mm/yyyy hh:nn:ss
  const char* Notes;
};

// Names in insertion (primary key) order: John Jo J abc Ábc (empty) ABCDEFGHIJ.
const TItem kItems[] = {
    {"John", 1, 9007199254740993LL, "1.5", "True", "15/03/2015", "10:30:00", "15/03/2015 10:30:00",
     "hello world"},
    {"Jo", 2, -9007199254740993LL, "-2.25", "False", "01/01/0001", "23:59:59.999", "01/01/0001 00:00:00", ""},
    {"J", 0, 4611686018427387904LL, "0", "False", "16/03/2015", "00:00:00", "16/03/2015 00:00:00", "abc"},
    {"abc", -5, 0, "1e300", "True", "15/03/2015", "12:00:00", "15/03/2015 23:59:59", "Ab"},
    {"\xC1"
     "bc",
     2147483647, 9223372036854775807LL, "2", "False", "14/03/2015", "01:00:00", "14/03/2015 01:00:00", "x"},
    {"", -2147483647 - 1, -9223372036854775807LL - 1, "3", "True", "31/12/9999", "00:00:01",
     "31/12/9999 23:59:59", "y"},
    {"ABCDEFGHIJ", 256, 1, "4", "False", "15/03/2015", "10:30:00", "15/03/2015 00:00:00", "  padded  "},
};

std::string Message(const std::function<void()>& f) {
  try {
    f();
  } catch (const Exception& e) {
    return e.Message();
  }
  return "";
}

class FilterTest : public ::testing::Test {
 public:
  void SetUp() override {
    FormatSettings() = TestFormats();
    TFilterParser::Clock() = [] { return EncodeDate(2026, 6, 1) + EncodeTime(12, 0, 0, 0); };
    path = dir.File("items.zvc");
    ZvCreateDatabase(path, {}, {ItemsTable()});
    table = std::make_unique<TZvTable>(nullptr);
    table->SetDatabaseName(path);
    table->SetTableName("Items");
    table->Open();
    for (const TItem& it : kItems) {
      table->Append();
      table->FieldByName("Name")->SetAsString(it.Name);
      table->FieldByName("Code")->SetAsString("C");
      table->FieldByName("Small")->SetValue(Variant(it.Qty == 1 ? 7 : -3));
      table->FieldByName("W")->SetValue(Variant(65535));
      table->FieldByName("Flag")->SetAsString(it.Flag);
      table->FieldByName("Qty")->SetValue(Variant(it.Qty));
      table->FieldByName("Big")->SetValue(Variant(it.Big));
      table->FieldByName("Price")->SetAsString(it.Price);
      table->FieldByName("Cost")->SetAsString("0.5");
      table->FieldByName("Day")->SetAsString(it.Day);
      table->FieldByName("At")->SetAsString(it.At);
      table->FieldByName("Stamp")->SetAsString(it.Stamp);
      table->FieldByName("Notes")->SetAsString(it.Notes);
      table->Post();
    }
    parser = std::make_unique<TFilterParser>(table.get());
  }
  void TearDown() override {
    parser.reset();
    table.reset();
    FormatSettings() = TestFormats();
    TFilterParser::Clock() = [] { return Now(); };
  }
  // The names of the records that pass, in the cursor's order; or the
  // error's message.
  std::string Accepted(const std::string& text, TFilterOptions options = {}) {
    std::string out;
    std::string error = Message([&] {
      parser->Parse(text);
      for (table->First(); !table->Eof(); table->Next())
        if (parser->Passes(options)) out += (out.empty() ? "" : ",") + table->FieldByName("Name")->AsString();
    });
    return error.empty() ? out : "error: " + error;
  }
  std::string ParseError(const std::string& text) {
    return Message([&] { parser->Parse(text); });
  }

  TempDir dir;
  std::string path;
  std::unique_ptr<TZvTable> table;
  std::unique_ptr<TFilterParser> parser;
};

// --- the lexer and the parser ------------------------------------------------------

struct TParseCase {
  const char* Text;
  const char* Error;  // "" when accepted
};

TEST_F(FilterTest, ParserErrorsWithTheirExactMessages) {
  const TParseCase cases[] = {
      {"Qty = 1", ""},
      {"/* a leading note */ Qty = 1", ""},
      {"Qty = 1 /* trailing */", ""},
      {"/* a * b */ Qty = 1", "Invalid filter expression character: '*'"},
      {"/* never closed", "Invalid filter expression character: ''"},
      // Only one comment is skipped at a position: the second one is read as "/" "*".
      {"Qty = 1 /* one */ /* two */", "Expression expected but '*' found"},
      {"Qty # 1", "Invalid filter expression character: '#'"},
      {"Name = 'abc", "Unterminated string constant"},
      {"[Name = 'a'", "Unterminated field name"},
      {"[Name] = 'a'", ""},
      {"Qty IN 1", "'(' expected but '1' found"},
      {"Qty IN", "'(' expected but nothing found"},
      {"Qty IN ()", "IN predicate list may not be empty"},
      {"Qty IN (1, 2,)", ""},
      {"Qty in (1, 2)", ""},
      {"Qty IN (1,", "')' expected but nothing found"},
      {"Qty IN (1 2)", "')' or ',' expected but '2' found"},
      {"(Qty = 1", "')' expected but nothing found"},
      {"(Qty = 1 Name", "')' expected but 'Name' found"},
      {"UPPER(Name 'a') = 'A'", "')' or ',' expected but ''a'' found"},
      {"UPPER(Name,", "')' expected but nothing found"},
      {"Qty =", "Expression expected but nothing found"},
      {"Qty = )", "Expression expected but ')' found"},
      {"Qty = 1 Name", "Filter expression incorrectly terminated"},
      {"Qty = 1 = 2", "Filter expression incorrectly terminated"},
      {"Name IS NULL", "Filter expression incorrectly terminated"},
      {"Nope = 1", "Field 'Nope' not found"},
      {"[No pe] = 1", "Field 'No pe' not found"},
      {"NOT NOT Flag", "Field 'NOT' not found"},
      {"Qty = 'a'", "Type mismatch in expression"},
      // "-" is an operator only after an operand; elsewhere it starts a number.
      {"Qty - 5 = 0", ""},
      {"Qty = -5", ""},
      {"- Qty = 1", "'-' is not a valid floating point value"},
      {"Qty = 1e999", "'1e999' is not a valid floating point value"},
      {"Qty = 2e", "'2e' is not a valid floating point value"},
      {"Price > 1.5e-3", ""},
      {"Price > .5", "Invalid filter expression character: '.'"},
      {"upper (Name) = 'A'", ""},
      {"", "Expression expected but nothing found"},
  };
  for (const TParseCase& c : cases) EXPECT_EQ(ParseError(c.Text), c.Error) << c.Text;
}

TEST_F(FilterTest, StringsKeepTheirFirst256Characters) {
  parser->Parse("Name = '" + std::string(300, 'x') + "'");
  const TExprNode* constant = parser->Nodes().Root->Right;
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(constant->Data)), std::string(256, 'x'));
  parser->Parse("Name = 'it''s'");
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(parser->Nodes().Root->Right->Data)), "it's");
  EXPECT_EQ(parser->Nodes().Root->Right->PartialLength, -1);
  parser->Parse("Name = 'Jo*n*'");
  EXPECT_EQ(parser->Nodes().Root->Right->PartialLength, 2);
}

TEST_F(FilterTest, NumbersFollowTheDecimalSeparator) {
  parser->Parse("Qty = 5");
  EXPECT_EQ(parser->Nodes().Root->Right->DataType, ftInteger);
  parser->Parse("Qty = 2147483648");
  EXPECT_EQ(parser->Nodes().Root->Right->DataType, ftFloat);
  parser->Parse("Qty IN (1,2)");
  EXPECT_EQ(parser->Nodes().Root->Args.size(), 2u);

  FormatSettings().DecimalSeparator = ',';
  EXPECT_EQ(ParseError("Price > 1.5"), "Invalid filter expression character: '.'");
  EXPECT_EQ(Accepted("Price > 1,5"),
            "abc,\xC1"
            "bc,,ABCDEFGHIJ");
  parser->Parse("Qty IN (1,2)");
  ASSERT_EQ(parser->Nodes().Root->Args.size(), 1u);
  EXPECT_EQ(parser->Nodes().Root->Args[0]->DataType, ftFloat);
  parser->Parse("Qty IN (1, 2)");
  EXPECT_EQ(parser->Nodes().Root->Args.size(), 2u);
}

TEST_F(FilterTest, NestingBeyondTheLimitsIsRefused) {
  std::string deep(100000, '(');
  EXPECT_EQ(ParseError(deep + "Qty = 1"), SExprTooComplex);
  std::string chain = "Qty";
  for (int i = 0; i < 100000; ++i) chain += " + Qty";
  EXPECT_EQ(ParseError(chain + " = 0"), SExprTooComplex);
  // Real filters still work: 64 nested parentheses and a chain of 1,000 ORs.
  EXPECT_EQ(Accepted(std::string(64, '(') + "Qty = 1" + std::string(64, ')')), "John");
  std::string ors = "Qty = -1";
  for (int i = 0; i < 1000; ++i) ors += " OR Qty = " + std::to_string(i + 100);
  EXPECT_EQ(Accepted(ors), "ABCDEFGHIJ");
}

#ifndef _WIN32
// The deepest text the limits accept parses, evaluates and is freed within
// a 1 MB stack.
TEST_F(FilterTest, DeepestAcceptedTextRunsInAOneMegabyteStack) {
  std::string text = std::string(kMaxNesting, '(') + "Qty";
  for (int i = 0; i < kMaxDepth - 3; ++i) text += " + Qty";
  text += " = 0" + std::string(kMaxNesting, ')');
  struct TJob {
    FilterTest* Test;
    std::string Text;
    std::string Result;
  } job{this, text, "not run"};
  pthread_attr_t attr;
  pthread_attr_init(&attr);
  pthread_attr_setstacksize(&attr, 1 << 20);
  pthread_t thread;
  ASSERT_EQ(pthread_create(
                &thread, &attr,
                [](void* p) -> void* {
                  auto* j = static_cast<TJob*>(p);
                  j->Result = j->Test->Accepted(j->Text);
                  j->Test->parser->Parse("Qty = 0");  // frees the deep tree here too
                  return nullptr;
                },
                &job),
            0);
  pthread_join(thread, nullptr);
  pthread_attr_destroy(&attr);
  EXPECT_EQ(job.Result, "J,");  // Qty * 1534 = 0: 0, and -2^31 times an even number wraps to 0
}
#endif

// --- type rules ---------------------------------------------------------------

struct TTypeCase {
  const char* Text;
  bool Accepted;
};

TEST_F(FilterTest, TypeRules) {
  const TTypeCase cases[] = {
      {"Flag = TRUE", true},
      {"Flag <> false", true},
      {"Flag > TRUE", false},
      {"Flag = 1", false},
      {"Qty = Price", true},
      {"Qty = Name", false},
      {"Name = Code", true},
      {"Name = Notes", true},
      {"Name LIKE 'a%'", true},
      {"Notes LIKE Name", true},
      {"Qty LIKE 1", false},
      {"Day = '03/15/2015'", true},
      {"Day = Stamp", true},
      {"At < Stamp", true},
      {"Day = Qty", false},
      {"Day = 'hello'", false},
      {"'03/15/2015' = Day", true},
      {"Name + Code = 'x'", true},
      {"Name - Code = 'x'", false},
      {"Flag + 1 = 1", false},
      {"1 + Day = Day", false},
      {"Qty AND Flag", false},
      {"NOT Qty", false},
      {"Flag OR Qty = 1", true},
      {"SUBSTRING(Name, 1, 2) = 'Jo'", true},
      {"SUBSTRING(Name, Qty, 2) = 'Jo'", false},
      {"SUBSTRING(Name, 1) = 'J'", false},
      {"SUBSTRING(Name, 1, 1.5) = 'J'", false},
      {"UPPER(Qty) = 'A'", false},
      {"UPPER(Name, Name) = 'A'", false},
      {"TRIM() = 'A'", false},
      {"YEAR(Day) = 2015", true},
      {"YEAR(At) = 1", false},
      {"HOUR(Day) = 1", false},
      {"SECOND(Stamp) = 1", true},
      {"GETDATE() > Stamp", true},
      {"GETDATE(1) > Stamp", false},
      {"Qty IN (1, 'a')", false},
      {"Day IN ('03/15/2015', Day)", true},
      {"Flag IN (TRUE, 1)", false},
  };
  for (const TTypeCase& c : cases) {
    const std::string error = ParseError(c.Text);
    EXPECT_EQ(error, c.Accepted ? "" : "Type mismatch in expression") << c.Text;
  }
}

TEST_F(FilterTest, ArithmeticResultTypes) {
  const struct {
    const char* Text;
    TFieldType Type;
  } cases[] = {
      {"Small + Small = 0", ftInteger},
      {"W * Small = 0", ftInteger},
      {"Qty / Qty = 1", ftFloat},
      {"Big + Qty = 0", ftLargeint},
      {"Qty + Big = 0", ftLargeint},
      {"Price + Cost = 0", ftCurrency},
      {"Cost + Price = 0", ftCurrency},
      {"Day - 1 = 0", ftInteger},
      {"Day - Day = 0", ftInteger},
      {"Day + 1 = Day", ftDate},
      {"Stamp - 1 = 0", ftFloat},
      {"Stamp + 1 = Stamp", ftDateTime},
      {"At - At = 0", ftInteger},
      {"At + 1 = At", ftTime},
      {"Stamp - Day = 0", ftFloat},
      {"'03/15/2015' - Day = 0", ftFloat},
      {"Day - '03/15/2015' = 0", ftInteger},
      {"Name + Name = ''", ftString},
  };
  for (const auto& c : cases) {
    parser->Parse(c.Text);
    EXPECT_EQ(parser->Nodes().Root->Left->DataType, c.Type) << c.Text;
  }
}

// --- the engine's own date readers ------------------------------------------------

TEST(FilterDateReaders, MonthDayYearWindowMarkersAndMilliseconds) {
  TFormatSettings fs = TestFormats();
  fs.TwoDigitYearCenturyWindow = 50;
  fs.TimeAMString = "am";
  fs.TimePMString = "pm";
  std::int32_t day = 0, ms = 0;
  const struct {
    const char* Text;
    int Year, Month, Day;  // 0: refused
  } dates[] = {
      {"3/15/2015", 2015, 3, 15}, {" 03/ 15/ 2015", 2015, 3, 15}, {"03 /15/2015", 0, 0, 0},
      {"1/2/15", 2015, 1, 2},     {"1/2/80", 1980, 1, 2},         {"1/2/75", 2075, 1, 2},
      {"1/1/1", 2001, 1, 1},      {"2/30/2015", 0, 0, 0},         {"15/03/2015", 0, 0, 0},
      {"3/15", 0, 0, 0},          {"3/15/2015x", 0, 0, 0},        {"2/29/2024", 2024, 2, 29},
  };
  for (const auto& d : dates) {
    const bool ok = ZvReadDate(d.Text, 2026, fs, day);
    EXPECT_EQ(ok, d.Year != 0) << d.Text;
    if (ok && d.Year) {
      EXPECT_EQ(day, DayNumberFromCivil(d.Year, d.Month, d.Day)) << d.Text;
    }
  }
  const struct {
    const char* Text;
    int MSecs;  // -1: refused
  } times[] = {
      {"10:30", 37800000},
      {"1:30 PM", 48600000},
      {"1:30 pm", 48600000},
      {"PM 2", 50400000},
      {"12 AM", 0},
      {"12:00 pm", 43200000},
      {"13 PM", -1},
      {"0 AM", -1},
      {"10:00:00.5", 36000005},
      {"23:59:59.999", 86399999},
      {"24:00", -1},
      {"10:60", -1},
      {"10:30 x", -1},
  };
  for (const auto& t : times) {
    const bool ok = ZvReadTime(t.Text, fs, ms);
    EXPECT_EQ(ok, t.MSecs >= 0) << t.Text;
    if (ok) {
      EXPECT_EQ(ms, t.MSecs) << t.Text;
    }
  }
  double stamp = 0;
  ASSERT_TRUE(ZvReadDateTime("3/15/2015 10:30 trailing text", 2026, fs, stamp));
  EXPECT_EQ(stamp, DayNumberFromCivil(2015, 3, 15) * 86400000.0 + 37800000);
  ASSERT_TRUE(ZvReadDateTime("10:30", 2026, fs, stamp));
  EXPECT_EQ(stamp, 37800000);
  EXPECT_FALSE(ZvReadDateTime("10:30 x", 2026, fs, stamp));
}

// --- LIKE ----------------------------------------------------------------------

TEST(FilterLike, PercentUnderscoreAndTheEndOfTextRule) {
  const struct {
    const char16_t* Text;
    const char16_t* Pattern;
    bool CaseInsensitive;
    bool Match;
  } cases[] = {
      {u"ab", u"ab%", false, true},
      {u"ab", u"ab%%", false, false},
      {u"abc", u"ab%%", false, true},
      {u"ab", u"a_", false, true},
      {u"ab", u"a__", false, false},
      {u"", u"%", false, true},
      {u"", u"", false, true},
      {u"a", u"", false, false},
      {u"abc", u"%c", false, true},
      {u"abc", u"%b", false, false},
      {u"ABC", u"a%", false, false},
      {u"ABC", u"a%", true, true},
      {u"\u00e9", u"\u00c9", true, false},  // ASCII-only case folding
      {u"a*c", u"a*c", false, true},
      {u"abc", u"a*c", false, false},
      {u"axbxc", u"%x%x%", false, true},
  };
  for (const auto& c : cases)
    EXPECT_EQ(ZvLikeMatch(c.Text, c.Pattern, c.CaseInsensitive), c.Match)
        << std::u16string(c.Text).size() << " " << std::u16string(c.Pattern).size();
  // Many "%" over a long text: finishes (no exponential search, no deep recursion).
  const std::u16string text(200000, u'a');
  EXPECT_FALSE(ZvLikeMatch(text, u"%a%a%a%a%a%a%a%b", false));
  EXPECT_TRUE(ZvLikeMatch(text + u"b", u"%a%a%a%a%a%a%a%b", false));
}

// --- evaluation over the table -----------------------------------------------------

struct TEvalCase {
  const char* Text;
  std::uint32_t Options;  // bit 0 case-insensitive, bit 1 no partial compare
  const char* Names;      // accepted, in key order; or "error: ..."
};

// In this table "^" stands for the byte 0xC1 (an upper-case A with an acute
// accent in code page 1252) in the filters and in the names accepted, so the
// accented record reads "^bc".
TEST_F(FilterTest, EvaluationOverTheRecords) {
  const char* all = "John,Jo,J,abc,^bc,,ABCDEFGHIJ";
  const TEvalCase cases[] = {
      // The "*" partial compare, only for a constant on the right.
      {"Name = 'Jo*'", 0, "John,Jo"},
      {"Name = 'Jo*'", 2, ""},
      {"'Jo*' = Name", 0, ""},
      {"Name = '*'", 0, all},
      // Locale collation, case and accents; linguistic order puts letters
      // first, so ABCDEFGHIJ lies between abc and abd.
      {"Name = 'ABC'", 0, ""},
      {"Name = 'ABC'", 1, "abc"},
      {"Name = 'Abc'", 1, "abc"},
      {"Name = '^BC'", 1, "^bc"},
      {"Name > 'abc' AND Name < 'abd'", 0, "^bc,ABCDEFGHIJ"},
      {"Name = 'ABCDEFGHIJ'", 0, "ABCDEFGHIJ"},
      {"Name = ''", 0, ""},
      {"Name LIKE 'jo%'", 0, ""},
      {"Name LIKE 'jo%'", 1, "John,Jo"},
      {"Name LIKE 'Jo%%'", 0, "John"},
      {"Name LIKE 'J_'", 0, "Jo"},
      {"Name LIKE '^%'", 0, "^bc"},
      {"Notes LIKE '%world'", 0, "John"},
      {"Notes = 'abc'", 0, "J"},
      // Numbers by value: integers exactly, a comparison with a real in
      // floating point (a constant beyond 32 bits is a real, so 2^53 + 1 and
      // 2^53 compare equal there).
      {"Big = 9007199254740993", 0, "John"},
      {"Big > 9007199254740992.0", 0, "J,^bc"},
      {"Big > Big - 1", 0, "John,Jo,J,abc,^bc,ABCDEFGHIJ"},
      {"Big - 1 = Big - 2 + 1", 0, all},
      {"Qty = -5", 0, "abc"},
      {"Qty IN (1, 2, 256)", 0, "John,Jo,ABCDEFGHIJ"},
      {"Qty = Price", 0, "J"},
      {"Price > 1e299", 0, "abc"},
      {"Small = 7", 0, "John"},
      {"W = 65535", 0, all},
      // 32-bit and 64-bit wrapping.
      {"Qty + 1 < Qty", 0, "^bc"},
      {"Qty - 1 > Qty OR Name = 'J'", 0, "J,"},
      {"Big + 1 < Big", 0, "^bc"},
      {"Qty * 2 = 0", 0, "J,"},
      // A numeric field alone: the first byte of its value (256 has a zero
      // first byte, and so has the lowest integer).
      {"Qty", 0, "John,Jo,abc,^bc"},
      {"Flag", 0, "John,abc,"},
      {"NOT Flag", 0, "Jo,J,^bc,ABCDEFGHIJ"},
      {"Flag = TRUE AND Qty > 0", 0, "John"},
      // AND and OR short-circuit: the division by zero is never computed.
      {"Qty <> 0 AND 1 / Qty > 0", 0, "John,Jo,^bc,ABCDEFGHIJ"},
      {"Qty = 0 OR 1 / Qty > 0", 0, "John,Jo,J,^bc,ABCDEFGHIJ"},
      {"1 / Qty > 0", 0, "error: Floating point division by zero"},
      {"Price * Price > 0", 0, "error: Floating point overflow"},
      // Dates: month/day/year constants by the engine's reader, then the
      // locale's reading (dd/mm/yyyy here).
      {"Day = '03/15/2015'", 0, "John,abc,ABCDEFGHIJ"},
      {"Day = '15/03/2015'", 0, "John,abc,ABCDEFGHIJ"},
      {"Day = '16/03/2015'", 0, "J"},
      {"Day = '1/1/1'", 0, ""},
      {"Day = '01/01/0001'", 0, "Jo"},
      {"Day < '3/15/15'", 0, "Jo,^bc"},
      {"Day = '2015-03-15'", 0, "error: Type mismatch in expression"},
      {"Day = '10:30'", 0, "error: '10:30' is not a valid date"},
      {"Day = Stamp", 0, "Jo,J,ABCDEFGHIJ"},
      {"Stamp >= '3/15/2015 11:00 PM'", 0, "J,abc,"},
      {"At = '11:59:59.999 PM'", 0, "Jo"},
      {"At > '12 PM'", 0, "Jo"},
      {"Day - Day = 0", 0, all},
      {"Day + 1 = '3/16/2015'", 0, "John,abc,ABCDEFGHIJ"},
      {"Day - '3/14/2015' = 1", 0, "John,abc,ABCDEFGHIJ"},
      {"Stamp + 1 = '3/16/2015 10:30'", 0, "John"},
      {"Stamp - Stamp = 0", 0, all},
      {"'3/16/2015' - Day = 86400000", 0, "John,abc,ABCDEFGHIJ"},
      {"Day + 1.9 = '3/16/2015'", 0, "John,abc,ABCDEFGHIJ"},
      {"YEAR(Day) = 2015 AND MONTH(Day) = 3 AND DAY(Day) = 14", 0, "^bc"},
      {"YEAR(Day) = 9999", 0, ""},
      {"YEAR(Day) = 1 AND MONTH(Day) = 1 AND DAY(Day) = 1", 0, "Jo"},
      {"HOUR(At) = 23 AND MINUTE(At) = 59 AND SECOND(At) = 59", 0, "Jo"},
      {"HOUR(Stamp) = 10", 0, "John"},
      {"Stamp < GETDATE()", 0, "John,Jo,J,abc,^bc,ABCDEFGHIJ"},
      // Functions: UPPER and LOWER on ASCII letters only, on a copy.
      {"UPPER(Name) = 'ABC' AND Name = 'abc'", 0, "abc"},
      {"LOWER(Name) = 'abcdefghij'", 0, "ABCDEFGHIJ"},
      {"LOWER(Name) LIKE '^%'", 0, "^bc"},
      {"TRIM(Notes) = 'padded'", 0, "ABCDEFGHIJ"},
      {"TRIMLEFT(Notes) = 'padded  '", 0, "ABCDEFGHIJ"},
      {"TRIMRIGHT(Notes) = '  padded'", 0, "ABCDEFGHIJ"},
      {"SUBSTRING(Name, 2, 2) = 'oh'", 0, "John"},
      {"SUBSTRING(Name, 0, 2) = 'Jo'", 0, "John,Jo"},
      {"SUBSTRING(Name, 9, 5) = 'IJ'", 0, "ABCDEFGHIJ"},
      {"SUBSTRING(Name, 11, 5) = ''", 0, all},
      {"SUBSTRING(Name, 1, 0) = ''", 0, all},
      {"Name + Code = 'JC'", 0, "J"},
      // A text field alone: its first character.
      {"Name", 0, "John,Jo,J,abc,^bc,ABCDEFGHIJ"},
  };
  auto ansi = [](std::string s, char from, char to) {
    for (char& c : s)
      if (c == from) c = to;
    return s;
  };
  for (const TEvalCase& c : cases) {
    const std::string got = Accepted(ansi(c.Text, '^', '\xC1'), TFilterOptions::FromBits(c.Options));
    EXPECT_EQ(ansi(got, '\xC1', '^'), c.Names) << c.Text << " / " << c.Options;
  }
}

TEST_F(FilterTest, GetDateIsReadOnceAtTheParse) {
  int calls = 0;
  TFilterParser::Clock() = [&] {
    // Ten days later at every call: a second reading would hide records.
    return EncodeDate(2015, 3, 15) + EncodeTime(10, 0, 0, 0) + 10.0 * calls++;
  };
  EXPECT_EQ(Accepted("Stamp > GETDATE()"), "John,J,abc,");
  EXPECT_EQ(calls, 1);
}

TEST_F(FilterTest, TheNodeListNamesTheFieldsOfTheFilter) {
  parser->Parse("Qty = 1 AND UPPER([Name]) = 'A'");
  std::vector<std::string> fields;
  for (const TExprNode* n = parser->Nodes().Head; n; n = n->Next)
    if (n->Kind == nkField) fields.push_back(n->Name + "@" + std::to_string(n->FieldIndex));
  EXPECT_EQ(fields, (std::vector<std::string>{"Name@1", "Qty@6"}));
  // A failed parse leaves nothing to evaluate.
  EXPECT_NE(ParseError("Qty = 1 Name"), "");
  table->First();
  EXPECT_FALSE(parser->Passes({}));
}

}  // namespace
}  // namespace velmorak
