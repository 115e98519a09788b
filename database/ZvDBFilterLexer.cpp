// ZvDBFilterLexer: the filter language's tokens. The text is scanned as
// bytes in the ANSI code page, like stored text; the number rules follow the
// process-wide format settings' decimal separator, so a filter reads numbers
// the way the user writes them.
#include "database/ZvDBFilter.h"

#include <string>

#include "platform/classes/FormatSettings.h"
#include "platform/classes/SysUtils.h"

namespace velmorak {

namespace {

constexpr const char* SInvalidChar = "Invalid filter expression character: '%s'";
constexpr const char* SUnterminatedString = "Unterminated string constant";
constexpr const char* SUnterminatedName = "Unterminated field name";
// A string constant keeps this many characters; the rest is read and dropped.
constexpr std::size_t kMaxStringChars = 256;

bool IsBlank(unsigned char c) {
  return c >= 1 && c <= 32;
}
bool IsDigit(unsigned char c) {
  return c >= '0' && c <= '9';
}
bool IsLetter(unsigned char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}
bool StartsSymbol(unsigned char c) {
  return IsLetter(c) || c == '_' || (c >= 0x81 && c <= 0xFE);
}
bool ContinuesSymbol(unsigned char c) {
  return IsLetter(c) || IsDigit(c) || c == '_' || c == '.' || c == '[' || c == ']';
}

bool SameText(const std::string& a, const char* b) {
  std::size_t i = 0;
  for (; i < a.size() && b[i]; ++i) {
    char x = a[i], y = b[i];
    if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 32);
    if (x != y) return false;
  }
  return i == a.size() && !b[i];
}

[[noreturn]] void InvalidChar(unsigned char c) {
  FilterErrorFmt(SInvalidChar, c ? std::string(1, static_cast<char>(c)) : std::string());
}

}  // namespace

void FilterError(const std::string& Message) {
  DatabaseError(Message);
}

void FilterErrorFmt(const char* Message, const std::string& Arg) {
  DatabaseErrorFmt(Message, Arg);
}

void TSyntaxParserBase::SkipBlanks() {
  while (IsBlank(At(Position))) ++Position;
  if (At(Position) == '/' && At(Position + 1) == '*') {
    // A comment ends at its first "*", which must be followed by "/".
    int p = Position + 2;
    while (At(p) != 0 && At(p) != '*') ++p;
    if (At(p) == 0 || At(p + 1) != '/') InvalidChar(At(p));
    Position = p + 2;
    while (IsBlank(At(Position))) ++Position;
  }
}

void TSyntaxParserBase::NextToken() {
  PrevToken = Token;
  TokenValue.clear();
  SkipBlanks();
  TokenStart = Position;
  Position = Tokenize(Position);
}

std::string TSyntaxParserBase::TokenText() const {
  if (Token == etEnd) return "nothing";
  std::string out(1, '\'');
  out.append(ExprText, static_cast<std::size_t>(TokenStart), static_cast<std::size_t>(Position - TokenStart));
  out.push_back('\'');
  return out;
}

int TFilterParser::Tokenize(int Start) {
  int p = Start;
  const unsigned char c = At(p);
  if (c == 0) {
    Token = etEnd;
    return p;
  }
  if (c == '\'') {
    ++p;
    for (;;) {
      if (At(p) == 0) FilterError(SUnterminatedString);
      if (At(p) == '\'') {
        if (At(p + 1) != '\'') break;
        ++p;  // "''" stands for one quote
      }
      if (TokenValue.size() < kMaxStringChars) TokenValue.push_back(static_cast<char>(At(p)));
      ++p;
    }
    Token = etString;
    return p + 1;
  }
  if (c == '[') {
    ++p;
    while (At(p) != 0 && At(p) != ']') ++p;
    if (At(p) == 0) FilterError(SUnterminatedName);
    TokenValue =
        ExprText.substr(static_cast<std::size_t>(Start + 1), static_cast<std::size_t>(p - Start - 1));
    Token = etName;
    return p + 1;
  }
  if (StartsSymbol(c)) {
    ++p;
    while (ContinuesSymbol(At(p))) ++p;
    TokenValue = ExprText.substr(static_cast<std::size_t>(Start), static_cast<std::size_t>(p - Start));
    Token = SameText(TokenValue, "LIKE") ? etLIKE : SameText(TokenValue, "IN") ? etIN : etSymbol;
    return p;
  }
  const bool minusOperator = PrevToken == etSymbol || PrevToken == etName || PrevToken == etNumber ||
                             PrevToken == etString || PrevToken == etRParen;
  if (IsDigit(c) || (c == '-' && !minusOperator)) {
    const unsigned char sep = static_cast<unsigned char>(FormatSettings().DecimalSeparator);
    ++p;
    for (;;) {
      const unsigned char d = At(p);
      const unsigned char before = At(p - 1);
      if (IsDigit(d) || d == 'E' || d == 'e' || d == sep) {
        ++p;
      } else if ((d == '+' || d == '-') && (before == 'E' || before == 'e') && p - 1 > Start) {
        ++p;
      } else {
        break;
      }
    }
    // "IN (1, 2)" under a comma separator: a trailing "," before a blank is
    // the list's comma, not part of the number.
    if (sep == ',' && p - 1 > Start && At(p - 1) == ',' && IsBlank(At(p))) --p;
    TokenValue = ExprText.substr(static_cast<std::size_t>(Start), static_cast<std::size_t>(p - Start));
    Token = etNumber;
    return p;
  }
  switch (c) {
    case '(':
      Token = etLParen;
      return p + 1;
    case ')':
      Token = etRParen;
      return p + 1;
    case ',':
      Token = etComma;
      return p + 1;
    case '+':
      Token = etAdd;
      return p + 1;
    case '-':
      Token = etSub;
      return p + 1;
    case '*':
      Token = etMul;
      return p + 1;
    case '/':
      Token = etDiv;
      return p + 1;
    case '=':
      Token = etEQ;
      return p + 1;
    case '<':
      if (At(p + 1) == '=') {
        Token = etLE;
        return p + 2;
      }
      if (At(p + 1) == '>') {
        Token = etNE;
        return p + 2;
      }
      Token = etLT;
      return p + 1;
    case '>':
      if (At(p + 1) == '=') {
        Token = etGE;
        return p + 2;
      }
      Token = etGT;
      return p + 1;
    default:
      InvalidChar(c);
  }
}

}  // namespace velmorak
