// Locale: the user-default locale's treatment of ANSI text — upper- and
// lower-casing and collation (the order in which the locale sorts text). The archive reader's
// masks compare single characters with it and the database engine orders its
// index keys with the whole-string comparisons, so both sort exactly as the
// installed product does on Windows.
//
// Windows asks the system (CompareStringA with
// LOCALE_USER_DEFAULT, CharUpperBuffA). Elsewhere fixed tables stand in for
// a Western European Windows (ANSI 1252, OEM 850); they were read from the
// Windows calls by Locale_tablegen.cc, and a test under Wine checks them
// against those calls for every pair of characters.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace velmorak::os {

// --- Collation --------------------------------------------------------------

// Compares two single ANSI characters as the user-default locale orders them:
// negative, 0 or positive. ignoreCase compares as NORM_IGNORECASE does.
//
// The ranks are built once, on first use: each character's rank is the number
// of characters the locale orders before it. When they form a permutation of
// 0..255 the comparison is a table lookup (ignoring case: the ranks of the
// upper-case forms); otherwise, as for code page 1252 where NUL and the soft
// hyphen compare equal, each comparison asks the locale.
int CompareAnsiChar(unsigned char a, unsigned char b, bool ignoreCase);

// Whole-string comparisons of ANSI text in the user-default locale, with the
// results of CompareStringA(LOCALE_USER_DEFAULT, 0 or NORM_IGNORECASE, ...):
// negative when a sorts before b, 0 when the locale finds them equal,
// positive after. The order is linguistic, not by byte value: letters before
// accents before case ("cote" < "côte" < "Côte" < "coter"), and characters the
// locale ignores (NUL, the soft hyphen) are skipped. The POSIX build compares
// level by level with the fixed 1252 tables: first the letters alone (case and
// accents ignored), then with accents, then (AnsiCompareStr only) with case.
int AnsiCompareStr(std::string_view a, std::string_view b);
int AnsiCompareText(std::string_view a, std::string_view b);

// Upper and lower case of ANSI text in the user-default locale ('é' <-> 'É').
unsigned char AnsiUpperChar(unsigned char c);
unsigned char AnsiLowerChar(unsigned char c);
std::string AnsiUpperCase(std::string_view s);
std::string AnsiLowerCase(std::string_view s);

// --- The fixed Western European tables ----------------------------------------

// The tables the POSIX build uses, on every build so that a Windows test can
// hold them against the real calls.
struct TLocaleTables1252 {
  const std::uint8_t* Rank;        // CompareStringA, flags 0
  const std::uint8_t* RankNoCase;  // NORM_IGNORECASE
  const std::uint8_t* RankBase;    // NORM_IGNORECASE | NORM_IGNORENONSPACE
  const std::uint8_t* Ignorable;   // 1: equal to the empty string
  const std::uint8_t* Upper;       // CharUpperBuffA
  const std::uint8_t* Lower;       // CharLowerBuffA
  const std::uint8_t* Oem850ToAnsi;
  const std::uint8_t* AnsiToOem850;
  const std::uint16_t* AnsiToUnicode;
};
const TLocaleTables1252& LocaleTables1252();

// The table-based comparisons on their own (what AnsiCompareStr/Text do on
// POSIX); ignoreCase selects the AnsiCompareText form.
int CompareAnsi1252(std::string_view a, std::string_view b, bool ignoreCase);

// --- Backend ------------------------------------------------------------------
// Implemented by Locale_win32.cpp and Locale_posix.cpp; the code page
// conversions are public through platform/classes/CodePages.h.
namespace detail {
int SystemCompareChar(unsigned char a, unsigned char b, bool ignoreCase);
int SystemCompareString(std::string_view a, std::string_view b, bool ignoreCase);
unsigned char SystemUpperChar(unsigned char c);
unsigned char SystemLowerChar(unsigned char c);
std::string SystemOemToAnsi(std::string_view oem);
std::string SystemAnsiToOem(std::string_view ansi);
std::string SystemAnsiToUtf8(std::string_view ansi);
std::string SystemUtf8ToAnsi(std::string_view utf8);
}  // namespace detail

}  // namespace velmorak::os
