// Code pages and collation. Natively: the fixed Western European tables on
// known characters. Under Windows (Wine): the same tables held against the
// system's own calls — every pair of single characters, the casing, the OEM
// 850 conversion and a set of whole strings — so the POSIX build sorts and
// converts exactly as Windows does.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/classes/CodePages.h"
#include "platform/os/Locale.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace velmorak::test {

namespace {

// Words that meet at every level: letters, accents, case, digits, the
// punctuation the locale weighs specially, and ignorable characters.
const std::vector<std::string> kWords = {
    "",
    "a",
    "A",
    "\xE0",
    "\xC0",
    "ab",
    "Ab",
    "aB",
    "abc",
    "b",
    "cote",
    "c\xF4te",
    "C\xF4te",
    "cot\xE9",
    "coter",
    "Cote",
    "co-op",
    "coop",
    "co op",
    "co'op",
    "1",
    "10",
    "2",
    "a1",
    "a-1",
    "\xE6",
    "ae",
    "\xDF",
    "ss",
    "\xFF",
    "y",
    "z",
    "Z",
    "_a",
    "a_",
    "\x01a",
    "a\xAD"
    "b",
    "ab\xAD",
    "\x9C",
    "oe",
    "\xE9t\xE9",
    "ete",
    "\xC9T\xC9",
    "etat",
    "\xE9tat",
    "zz",
    "a.b",
    "a,b",
    "a b",
    "~",
    "a-bc",
    "ab-c",
    "abc-",
    "-abc",
    "a'bc",
    "a-b-c",
    "ab--c",
    "a'-bc",
    "\xC6",
    "AE",
    "Ae",
    "\xE6z",
    "aez",
    "\x8C",
    "OE",
    "s\xDF",
    "sss",
    "st",
};
}  // namespace

TEST(CodePagesTest, TablesOnKnownCharacters) {
  EXPECT_EQ(Oem850ToAnsi1252("caf\x82"), "caf\xE9");
  EXPECT_EQ(Oem850ToAnsi1252("\x80\x87\x9C\xE1"), "\xC7\xE7\xA3\xDF");    // Ç ç £ ß
  EXPECT_EQ(Oem850ToAnsi1252("\xC4"), "-");                               // a box-drawing line's best fit
  EXPECT_EQ(Ansi1252ToUtf8("caf\xE9 \x80"), "caf\xC3\xA9 \xE2\x82\xAC");  // café €
  EXPECT_EQ(Utf8ToAnsi1252("caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80"), "caf\xE9 \x80 ?");
  for (int c = 0; c < 256; ++c) {
    const std::string one(1, static_cast<char>(c));
    EXPECT_EQ(Utf8ToAnsi1252(Ansi1252ToUtf8(one)), one) << c;
  }
}

TEST(LocaleTest, SingleCharactersAndCase) {
  EXPECT_EQ(os::CompareAnsiChar('a', 'A', true), 0);
  EXPECT_EQ(os::CompareAnsiChar(0xE9, 0xC9, true), 0);  // é É
  EXPECT_LT(os::CompareAnsiChar('a', 'A', false), 0);   // lower case first
  EXPECT_LT(os::CompareAnsiChar('a', 'b', false), 0);
  EXPECT_LT(os::CompareAnsiChar('A', 'b', false), 0);  // letters before case
  EXPECT_LT(os::CompareAnsiChar('9', 'a', false), 0);
  EXPECT_EQ(os::AnsiUpperCase("\xE9t\xE9 ab"), "\xC9T\xC9 AB");
  EXPECT_EQ(os::AnsiLowerCase("\xC9T\xC9 AB"), "\xE9t\xE9 ab");
}

TEST(LocaleTest, WholeStringsLevelByLevel) {
  // Letters, then accents, then case.
  EXPECT_LT(os::CompareAnsi1252("cote", "c\xF4te", false), 0);
  EXPECT_LT(os::CompareAnsi1252("c\xF4te", "C\xF4te", false), 0);
  EXPECT_LT(os::CompareAnsi1252("C\xF4te", "coter", false), 0);
  EXPECT_LT(os::CompareAnsi1252("Ab", "ac", false), 0);
  EXPECT_EQ(os::CompareAnsi1252("C\xF4TE", "c\xF4te", true), 0);
  EXPECT_NE(os::CompareAnsi1252("cote", "c\xF4te", true), 0);
  EXPECT_EQ(os::CompareAnsi1252("a\xAD"
                                "b",
                                "ab", false),
            0);  // the soft hyphen is ignored
  // The public comparisons are an order: antisymmetric over the word list.
  for (const std::string& a : kWords)
    for (const std::string& b : kWords) {
      EXPECT_EQ(os::AnsiCompareStr(a, b), -os::AnsiCompareStr(b, a)) << a << " / " << b;
      EXPECT_EQ(os::AnsiCompareText(a, b), -os::AnsiCompareText(b, a)) << a << " / " << b;
    }
}

#ifdef _WIN32
int Sign(int v) {
  return (v > 0) - (v < 0);
}

class WindowsLocaleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (GetACP() != 1252) GTEST_SKIP() << "the tables describe code page 1252; this system uses " << GetACP();
  }
  static int Compare(const std::string& a, const std::string& b, DWORD flags) {
    return CompareStringA(LOCALE_USER_DEFAULT, flags, a.data(), int(a.size()), b.data(), int(b.size())) -
           CSTR_EQUAL;
  }
};

TEST_F(WindowsLocaleTest, TablesOrderEveryPairOfCharactersAsCompareStringA) {
  const auto& t = os::LocaleTables1252();
  int mismatches = 0;
  for (int a = 0; a < 256; ++a)
    for (int b = 0; b < 256; ++b) {
      const std::string x(1, char(a)), y(1, char(b));
      if (Sign(Compare(x, y, 0)) != Sign(int(t.Rank[a]) - int(t.Rank[b]))) ++mismatches;
      if (Sign(Compare(x, y, NORM_IGNORECASE)) != Sign(int(t.RankNoCase[a]) - int(t.RankNoCase[b])))
        ++mismatches;
      if (Sign(Compare(x, y, NORM_IGNORECASE | NORM_IGNORENONSPACE)) !=
          Sign(int(t.RankBase[a]) - int(t.RankBase[b])))
        ++mismatches;
      EXPECT_EQ(Sign(os::CompareAnsiChar(std::uint8_t(a), std::uint8_t(b), false)), Sign(Compare(x, y, 0)));
    }
  EXPECT_EQ(mismatches, 0);
  for (int c = 0; c < 256; ++c) {
    char up = char(c), low = char(c);
    CharUpperBuffA(&up, 1);
    CharLowerBuffA(&low, 1);
    EXPECT_EQ(t.Upper[c], std::uint8_t(up)) << c;
    EXPECT_EQ(t.Lower[c], std::uint8_t(low)) << c;
    EXPECT_EQ(t.Ignorable[c] != 0, Compare(std::string(1, char(c)), "", 0) == 0) << c;
  }
}

TEST_F(WindowsLocaleTest, CodePageTablesMatchTheSystemConversion) {
  const auto& t = os::LocaleTables1252();
  for (int c = 0; c < 256; ++c) {
    const char in = char(c);
    WCHAR w = 0;
    ASSERT_EQ(MultiByteToWideChar(850, 0, &in, 1, &w, 1), 1);
    char out = 0;
    WideCharToMultiByte(1252, 0, &w, 1, &out, 1, nullptr, nullptr);
    EXPECT_EQ(t.Oem850ToAnsi[c], std::uint8_t(out)) << c;
    ASSERT_EQ(MultiByteToWideChar(1252, 0, &in, 1, &w, 1), 1);
    EXPECT_EQ(t.AnsiToUnicode[c], w) << c;
  }
}

TEST_F(WindowsLocaleTest, WholeStringsAgreeWithCompareStringA) {
  for (const std::string& a : kWords)
    for (const std::string& b : kWords) {
      EXPECT_EQ(os::CompareAnsi1252(a, b, false), Sign(Compare(a, b, 0)))
          << '"' << a << "\" / \"" << b << '"';
      EXPECT_EQ(os::CompareAnsi1252(a, b, true), Sign(Compare(a, b, NORM_IGNORECASE)))
          << '"' << a << "\" / \"" << b << '"';
    }
}
#endif

}  // namespace velmorak::test
