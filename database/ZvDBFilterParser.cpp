// ZvDBFilterParser: the grammar of the filter language, the type rules that
// are checked as each node is built, and the engine's own date readers that
// turn a date-like string constant into the other side's type.
//
// Grammar, loosest first, each level left-associative:
//   expr        := and-term { OR and-term }
//   and-term    := not-term { AND not-term }
//   not-term    := [ NOT ] comparison
//   comparison  := sum [ (= <> > < >= <= LIKE) sum ] | sum IN "(" expr { "," expr } [","] ")"
//   sum         := product { (+ | -) product }
//   product     := factor { (* | /) factor }
//   factor      := function "(" [ expr { "," expr } ] ")" | TRUE | FALSE | field | number
//                | string | "(" expr ")"
#include "database/ZvDBFilter.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "database/ZvDBDataSet.h"
#include "platform/classes/DateUtils.h"
#include "platform/classes/FormatSettings.h"
#include "platform/classes/SysUtils.h"
#include "platform/dataset/Fields.h"

namespace velmorak {

using namespace zvfilter;

namespace {

constexpr const char* SLParenExpected = "'(' expected but %s found";
constexpr const char* SRParenExpected = "')' expected but %s found";
constexpr const char* SRParenOrCommaExpected = "')' or ',' expected but %s found";
constexpr const char* SEmptyInList = "IN predicate list may not be empty";
constexpr const char* SExprExpected = "Expression expected but %s found";
constexpr const char* STypeMismatch = "Type mismatch in expression";
constexpr const char* SIncorrectlyTerminated = "Filter expression incorrectly terminated";
constexpr const char* SNoStoredSlot = "Field '%s' has no stored value to filter on";

[[noreturn]] void TypeMismatch() {
  FilterError(STypeMismatch);
}

bool SameText(const std::string& a, const char* b) {
  std::size_t i = 0;
  for (; i < a.size() && b[i]; ++i) {
    char x = a[i];
    if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 32);
    if (x != b[i]) return false;
  }
  return i == a.size() && !b[i];
}

struct TFunctionInfo {
  const char* Name;
  int Id;
};
constexpr TFunctionInfo kFunctions[] = {
    {"UPPER", fnUpper},       {"LOWER", fnLower},         {"SUBSTRING", fnSubstring}, {"TRIM", fnTrim},
    {"TRIMLEFT", fnTrimLeft}, {"TRIMRIGHT", fnTrimRight}, {"YEAR", fnYear},           {"MONTH", fnMonth},
    {"DAY", fnDay},           {"HOUR", fnHour},           {"MINUTE", fnMinute},       {"SECOND", fnSecond},
    {"GETDATE", fnGetDate},
};

int FunctionIdOf(const std::string& Name) {
  for (const TFunctionInfo& f : kFunctions)
    if (SameText(Name, f.Name)) return f.Id;
  return fnNone;
}

int YearOf(TDateTime Value) {
  int y, m, d;
  DecodeDate(Value, y, m, d);
  return y;
}

// --- the engine's own date readers ----------------------------------------------

class TDateScanner {
 public:
  TDateScanner(std::string_view Text, const TFormatSettings& Settings) : T(Text), S(Settings) {}
  void SkipSpaces() {
    while (P < T.size() && T[P] == ' ') ++P;
  }
  // Spaces, then up to four digits: reading stops once the value reaches 1000.
  bool Number(int& Value, int& Digits) {
    SkipSpaces();
    Value = 0;
    Digits = 0;
    while (P < T.size() && T[P] >= '0' && T[P] <= '9' && Value < 1000) {
      Value = Value * 10 + (T[P] - '0');
      ++P;
      ++Digits;
    }
    return Digits > 0;
  }
  bool Char(char c) {
    if (P < T.size() && T[P] == c) return ++P, true;
    return false;
  }
  // An AM or PM marker (the locale's texts, or "AM"/"PM"), any case: 0 none,
  // 1 AM, 2 PM.
  int Marker() {
    SkipSpaces();
    const std::string_view rest = T.substr(P);
    auto starts = [&](const std::string& m) {
      if (m.empty() || rest.size() < m.size()) return false;
      for (std::size_t i = 0; i < m.size(); ++i) {
        unsigned char a = static_cast<unsigned char>(rest[i]), b = static_cast<unsigned char>(m[i]);
        if (a >= 'a' && a <= 'z') a = static_cast<unsigned char>(a - 32);
        if (b >= 'a' && b <= 'z') b = static_cast<unsigned char>(b - 32);
        if (a != b) return false;
      }
      return true;
    };
    for (const std::string& m : {S.TimeAMString, std::string("AM")})
      if (starts(m)) return P += m.size(), 1;
    for (const std::string& m : {S.TimePMString, std::string("PM")})
      if (starts(m)) return P += m.size(), 2;
    return 0;
  }
  bool AtEnd() {
    SkipSpaces();
    return P >= T.size();
  }

  bool Date(int CurrentYear, std::int32_t& Day) {
    const std::size_t start = P;
    int month, day, year, digits, unused;
    if (!Number(month, unused) || !Char('/') || !Number(day, unused) || !Char('/') || !Number(year, digits))
      return P = start, false;
    if (digits <= 2) {
      // The two-digit-year window: the century that puts the year within
      // the window before the current year.
      const int w = S.TwoDigitYearCenturyWindow;
      year += (CurrentYear - w) / 100 * 100;
      if (w > 0 && year < CurrentYear - w) year += 100;
    }
    TDateTime unusedValue;
    if (!TryEncodeDate(year, month, day, unusedValue)) return P = start, false;
    Day = static_cast<std::int32_t>(DayNumberFromCivil(year, month, day));
    return true;
  }

  bool Time(std::int32_t& MSecs) {
    const std::size_t start = P;
    int marker = Marker();
    int hour, minute = 0, second = 0, msec = 0, digits;
    if (!Number(hour, digits)) return P = start, false;
    if (Char(':')) {
      if (!Number(minute, digits)) return P = start, false;
      if (Char(':')) {
        if (!Number(second, digits)) return P = start, false;
        // Milliseconds as written: ".5" is 5 ms.
        if (Char(S.DecimalSeparator) && !Number(msec, digits)) return P = start, false;
      }
    }
    if (marker == 0) marker = Marker();
    if (marker != 0) {
      if (hour < 1 || hour > 12) return P = start, false;
      if (hour == 12) hour = 0;
      if (marker == 2) hour += 12;
    }
    if (hour > 23 || minute > 59 || second > 59 || msec > 999) return P = start, false;
    MSecs = ((hour * 60 + minute) * 60 + second) * 1000 + msec;
    return true;
  }

  std::size_t P = 0;

 private:
  std::string_view T;
  const TFormatSettings& S;
};

}  // namespace

bool ZvReadDate(std::string_view Text, int CurrentYear, const TFormatSettings& Settings, std::int32_t& Day) {
  TDateScanner s(Text, Settings);
  return s.Date(CurrentYear, Day) && s.AtEnd();
}

bool ZvReadTime(std::string_view Text, const TFormatSettings& Settings, std::int32_t& MSecs) {
  TDateScanner s(Text, Settings);
  return s.Time(MSecs) && s.AtEnd();
}

bool ZvReadDateTime(std::string_view Text, int CurrentYear, const TFormatSettings& Settings, double& MSecs) {
  TDateScanner s(Text, Settings);
  std::int32_t day = 0, ms = 0;
  if (s.Date(CurrentYear, day)) {
    MSecs = static_cast<double>(day) * static_cast<double>(MSecsPerDay);
    if (s.AtEnd()) return true;
    // A date then a time; whatever follows that time is ignored.
    if (!s.Time(ms)) return false;
    MSecs += day < 0 ? -ms : ms;
    return true;
  }
  if (!s.Time(ms) || !s.AtEnd()) return false;
  MSecs = ms;
  return true;
}

// --- nodes --------------------------------------------------------------------

TExprNode::TExprNode(TExprNodes* AOwner) : Owner(AOwner) {}

std::uint8_t* TExprNode::Alloc(int Size) {
  if (Size < 1) Size = 1;
  if (static_cast<int>(Own.size()) != Size) Own.assign(static_cast<std::size_t>(Size), 0);
  Data = Own.data();
  DataSize = Size;
  return Own.data();
}

void TExprNode::SetText(std::string_view Text) {
  std::uint8_t* p = Alloc(static_cast<int>(Text.size()) + 1);
  if (!Text.empty()) std::memcpy(p, Text.data(), Text.size());
  p[Text.size()] = 0;
}

TExprNode* TExprNodes::NewNode(TExprNodeKind Kind) {
  auto* n = new TExprNode(this);
  n->Kind = Kind;
  n->Next = Head;
  Head = n;
  return n;
}

void TExprNodes::Clear() {
  while (Head) {
    TExprNode* next = Head->Next;
    delete Head;
    Head = next;
  }
  Root = nullptr;
}

// --- the parser bases ------------------------------------------------------------

TExprParserBase::TExprParserBase() : FNodes(std::make_unique<TExprNodes>(this)) {}

TExprParserBase::~TExprParserBase() = default;

void TExprParserBase::CheckEnd() {
  if (Token != etEnd) FilterError(SIncorrectlyTerminated);
}

void TExprParserBase::Parse(const std::string& Text) {
  FNodes->Clear();
  // The text ends at its first NUL, as a C string would.
  ExprText = Text.substr(0, Text.find('\0'));
  Position = 0;
  TokenStart = 0;
  Token = etEnd;
  PrevToken = etEnd;
  TokenValue.clear();
  NextToken();
  TExprNode* root = ParseExpr();
  CheckEnd();
  FNodes->Root = root;
}

Variant TExprParserBase::Evaluate(TFilterOptions Options) {
  EvalOptions = Options;
  TExprNode* root = FNodes->Root;
  if (!root) return Variant(false);
  Calculate(root);
  return Variant(root->Data != nullptr && root->DataSize > 0 && root->Data[0] != 0);
}

// --- the filter parser ---------------------------------------------------------------

TFilterParser::TFilterParser(TZvEDataSet* ADataSet) : DataSet(ADataSet) {}

std::function<TDateTime()>& TFilterParser::Clock() {
  static std::function<TDateTime()> clock = [] { return Now(); };
  return clock;
}

void TFilterParser::Parse(const std::string& Text) {
  FNesting = 0;
  FParseTime = Clock() ? Clock()() : Now();
  TExprParserBase::Parse(Text);
  try {
    ResolveFields();
  } catch (...) {
    Nodes().Root = nullptr;  // never evaluate a tree with unresolved fields
    throw;
  }
}

Variant TFilterParser::Evaluate(TFilterOptions Options) {
  if (!DataSet || !DataSet->GetActiveRecBuf()) return Variant(false);
  return TExprParserBase::Evaluate(Options);
}

TFieldType TFilterParser::FieldType(const std::string& Name) {
  return DataSet->FieldByName(Name)->DataType();
}

Variant TFilterParser::FieldValue(const std::string& Name) {
  return DataSet->FieldByName(Name)->Value();
}

TFieldType TFilterParser::FunctionType(const std::string& Name) {
  switch (FunctionIdOf(Name)) {
    case fnUpper:
    case fnLower:
    case fnSubstring:
    case fnTrim:
    case fnTrimLeft:
    case fnTrimRight:
      return ftString;
    case fnGetDate:
      return ftDateTime;
    case fnNone:
      return ftUnknown;
    default:
      return ftInteger;
  }
}

bool TFilterParser::IsFunctionName(const std::string& Name) {
  return FunctionIdOf(Name) != fnNone;
}

void TFilterParser::ResolveFields() {
  const int recordSize = DataSet->PhysicalDataSize();
  for (TExprNode* n = Nodes().Head; n; n = n->Next) {
    if (n->Kind != nkField || n->IsBlob) continue;
    const int no = n->Field->FieldNo();
    int offset = -1;
    if (no > 0 && no <= static_cast<int>(DataSet->FieldDefs().Count())) offset = DataSet->BufferOffset(no);
    const int size = n->Field->DataSize();
    if (offset < 0 || size <= 0 || offset > recordSize - size) FilterErrorFmt(SNoStoredSlot, n->Name);
    n->SlotOffset = offset;
    n->SlotSize = size;
  }
}

TExprNode* TFilterParser::NewOperator(TExprOperator Op, TExprNode* L, TExprNode* R) {
  TExprNode* n = Nodes().NewNode(nkOperator);
  n->Operator = Op;
  n->Left = L;
  n->Right = R;
  n->Depth = 1 + std::max(L ? L->Depth : 0, R ? R->Depth : 0);
  if (n->Depth > kMaxDepth) FilterError(SExprTooComplex);
  return n;
}

TExprNode* TFilterParser::ParseExpr() {
  TExprNode* left = ParseAndTerm();
  while (Token == etSymbol && SameText(TokenValue, "OR")) {
    NextToken();
    TExprNode* right = ParseAndTerm();
    if (left->DataType != ftBoolean || right->DataType != ftBoolean) TypeMismatch();
    left = NewOperator(opOR, left, right);
    left->DataType = ftBoolean;
  }
  return left;
}

TExprNode* TFilterParser::ParseAndTerm() {
  TExprNode* left = ParseNotTerm();
  while (Token == etSymbol && SameText(TokenValue, "AND")) {
    NextToken();
    TExprNode* right = ParseNotTerm();
    if (left->DataType != ftBoolean || right->DataType != ftBoolean) TypeMismatch();
    left = NewOperator(opAND, left, right);
    left->DataType = ftBoolean;
  }
  return left;
}

TExprNode* TFilterParser::ParseNotTerm() {
  if (Token == etSymbol && SameText(TokenValue, "NOT")) {
    NextToken();
    TExprNode* operand = ParseComparison();
    if (operand->DataType != ftBoolean) TypeMismatch();
    TExprNode* n = NewOperator(opNOT, operand, nullptr);
    n->DataType = ftBoolean;
    return n;
  }
  return ParseComparison();
}

namespace {

bool IsDateLike(const TExprNode* n, int CurrentYear) {
  if (n->Kind != nkConst || n->DataType != ftString) return false;
  const std::string_view text(
      reinterpret_cast<const char*>(n->Data),
      strnlen(reinterpret_cast<const char*>(n->Data), static_cast<std::size_t>(n->DataSize)));
  double ms;
  TDateTime value;
  return ZvReadDateTime(text, CurrentYear, FormatSettings(), ms) ||
         TryStrToDateTime(text, value, FormatSettings());
}

// Converts a date-like string constant to Target (ftDate, ftTime or
// ftDateTime): the engine's reader first, then the class library's.
void ConvertConstant(TExprNode* n, TFieldType Target, int CurrentYear) {
  const std::string text(
      reinterpret_cast<const char*>(n->Data),
      strnlen(reinterpret_cast<const char*>(n->Data), static_cast<std::size_t>(n->DataSize)));
  const TFormatSettings& fs = FormatSettings();
  TDateTime value;
  TTimeStamp stamp;
  if (Target == ftDate) {
    std::int32_t day;
    if (!ZvReadDate(text, CurrentYear, fs, day)) {
      if (!TryStrToDate(text, value, fs) || !TryDateTimeToTimeStamp(value, stamp))
        ConvertError(SInvalidDate, text);
      day = stamp.Date;
    }
    n->SetValue(day);
  } else if (Target == ftTime) {
    std::int32_t ms;
    if (!ZvReadTime(text, fs, ms)) {
      if (!TryStrToTime(text, value, fs) || !TryDateTimeToTimeStamp(value, stamp))
        ConvertError(SInvalidTime, text);
      ms = stamp.Time;
    }
    n->SetValue(ms);
  } else {
    double ms;
    if (!ZvReadDateTime(text, CurrentYear, fs, ms)) {
      if (!TryStrToDateTime(text, value, fs) || !TryDateTimeToTimeStamp(value, stamp))
        ConvertError(SInvalidDateTime, text);
      ms = TimeStampToMSecs(stamp);
    }
    n->SetValue(ms);
  }
  n->DataType = Target;
  n->PartialLength = -1;
}

}  // namespace

// The comparison rules (= <> > < >= <=, and each IN item against its left
// side); converts a date-like string constant on the way.
static void CheckComparable(TExprOperator Op, TExprNode* L, TExprNode* R, int CurrentYear) {
  const TFieldType lt = L->DataType, rt = R->DataType;
  if (IsNumeric(lt)) {
    if (!IsNumeric(rt)) TypeMismatch();
  } else if (IsDateClass(lt)) {
    if (IsDateLike(R, CurrentYear))
      ConvertConstant(R, lt, CurrentYear);
    else if (!IsDateClass(rt))
      TypeMismatch();
  } else if (IsText(lt)) {
    if (IsDateClass(rt) && IsDateLike(L, CurrentYear))
      ConvertConstant(L, rt, CurrentYear);
    else if (!IsText(rt))
      TypeMismatch();
  } else if (lt == ftBoolean) {
    if (rt != ftBoolean || (Op != opEQ && Op != opNE)) TypeMismatch();
  } else {
    TypeMismatch();
  }
}

void TFilterParser::CheckInItem(TExprNode* L, TExprNode* Item) {
  const int year = YearOf(FParseTime);
  const TFieldType lt = L->DataType, it = Item->DataType;
  if (IsNumeric(lt)) {
    if (!IsNumeric(it)) TypeMismatch();
  } else if (IsText(lt)) {
    if (!IsText(it)) TypeMismatch();
  } else if (lt == ftBoolean) {
    if (it != ftBoolean) TypeMismatch();
  } else if (IsDateClass(lt)) {
    if (IsDateLike(Item, year))
      ConvertConstant(Item, lt, year);
    else if (!IsDateClass(it))
      TypeMismatch();
  }
}

TExprNode* TFilterParser::ParseComparison() {
  TExprNode* left = ParseSum();
  TExprOperator op = opNone;
  switch (Token) {
    case etEQ:
      op = opEQ;
      break;
    case etNE:
      op = opNE;
      break;
    case etGT:
      op = opGT;
      break;
    case etLT:
      op = opLT;
      break;
    case etGE:
      op = opGE;
      break;
    case etLE:
      op = opLE;
      break;
    case etLIKE:
      op = opLIKE;
      break;
    case etIN:
      op = opIN;
      break;
    default:
      return left;
  }
  NextToken();
  if (op == opIN) {
    if (Token != etLParen) FilterErrorFmt(SLParenExpected, TokenText());
    TExprNode* n = NewOperator(opIN, left, nullptr);
    n->DataType = ftBoolean;
    ParseList(n->Args, true);
    for (TExprNode* item : n->Args) {
      CheckInItem(left, item);
      n->Depth = std::max(n->Depth, item->Depth + 1);
    }
    if (n->Depth > kMaxDepth) FilterError(SExprTooComplex);
    return n;
  }
  TExprNode* right = ParseSum();
  if (op == opLIKE) {
    if (!IsText(left->DataType) || !IsText(right->DataType)) TypeMismatch();
  } else {
    CheckComparable(op, left, right, YearOf(FParseTime));
  }
  TExprNode* n = NewOperator(op, left, right);
  n->DataType = ftBoolean;
  return n;
}

TFieldType TFilterParser::BinaryType(TExprOperator Op, TExprNode* L, TExprNode* R) {
  const int year = YearOf(FParseTime);
  const TFieldType lt = L->DataType, rt = R->DataType;
  if (IsNumeric(lt) && IsNumeric(rt)) {
    if (Op == opDIV) return ftFloat;
    const TFieldType t = Rank(rt) > Rank(lt) ? rt : lt;
    return t == ftSmallint || t == ftWord ? ftInteger : t;
  }
  if (Op == opADD && IsText(lt) && IsText(rt)) return ftString;
  if (Op == opSUB && IsDateClass(rt) && IsDateLike(L, year)) {
    ConvertConstant(L, ftDateTime, year);
    return ftFloat;
  }
  if (IsDateClass(lt)) {
    if (Op == opSUB) {
      if (IsDateLike(R, year)) ConvertConstant(R, lt, year);
      const TFieldType r = R->DataType;
      if (IsDateClass(r) || IsNumeric(r)) {
        if (lt == ftDate && (r == ftDate || IsNumeric(r))) return ftInteger;
        if (lt == ftTime && (r == ftTime || IsNumeric(r))) return ftInteger;
        return ftFloat;
      }
    } else if (Op == opADD && IsNumeric(rt)) {
      return lt;
    }
  }
  TypeMismatch();
}

TExprNode* TFilterParser::ParseSum() {
  TExprNode* left = ParseProduct();
  while (Token == etAdd || Token == etSub) {
    const TExprOperator op = Token == etAdd ? opADD : opSUB;
    NextToken();
    TExprNode* right = ParseProduct();
    const TFieldType type = BinaryType(op, left, right);
    left = NewOperator(op, left, right);
    left->DataType = type;
  }
  return left;
}

TExprNode* TFilterParser::ParseProduct() {
  TExprNode* left = ParseFactor();
  while (Token == etMul || Token == etDiv) {
    const TExprOperator op = Token == etMul ? opMUL : opDIV;
    NextToken();
    TExprNode* right = ParseFactor();
    const TFieldType type = BinaryType(op, left, right);
    left = NewOperator(op, left, right);
    left->DataType = type;
  }
  return left;
}

void TFilterParser::ParseList(std::vector<TExprNode*>& Args, bool IsIn) {
  // REQUIRES: Token is "(".
  if (++FNesting > kMaxNesting) FilterError(SExprTooComplex);
  NextToken();
  if (Token == etRParen) {
    if (IsIn) FilterError(SEmptyInList);
  } else {
    for (;;) {
      Args.push_back(ParseExpr());
      if (Token == etRParen) break;
      if (Token != etComma) FilterErrorFmt(SRParenOrCommaExpected, TokenText());
      NextToken();
      if (Token == etEnd) FilterErrorFmt(SRParenExpected, TokenText());
      if (Token == etRParen) break;  // a trailing comma ends the list
    }
  }
  NextToken();
  --FNesting;
}

TExprNode* TFilterParser::ParseFunction(int FunctionId, const std::string& Name) {
  TExprNode* n = Nodes().NewNode(nkFunc);
  n->FunctionId = FunctionId;
  n->Name = Name;
  ParseList(n->Args, false);
  for (TExprNode* a : n->Args) n->Depth = std::max(n->Depth, a->Depth + 1);
  if (n->Depth > kMaxDepth) FilterError(SExprTooComplex);
  const std::size_t argc = n->Args.size();
  auto arg = [&](std::size_t i) { return n->Args[i]->DataType; };
  switch (FunctionId) {
    case fnUpper:
    case fnLower:
    case fnTrim:
    case fnTrimLeft:
    case fnTrimRight:
      if (argc != 1 || !IsText(arg(0))) TypeMismatch();
      break;
    case fnSubstring:
      if (argc != 3 || !IsText(arg(0))) TypeMismatch();
      for (std::size_t i = 1; i < 3; ++i)
        if (n->Args[i]->Kind != nkConst || !IsInteger(arg(i))) TypeMismatch();
      break;
    case fnYear:
    case fnMonth:
    case fnDay:
      if (argc != 1 || (arg(0) != ftDate && arg(0) != ftDateTime)) TypeMismatch();
      break;
    case fnHour:
    case fnMinute:
    case fnSecond:
      if (argc != 1 || (arg(0) != ftTime && arg(0) != ftDateTime)) TypeMismatch();
      break;
    case fnGetDate: {
      if (argc != 0) TypeMismatch();
      // Read once, at the parse: every record of a pass sees the same time.
      TTimeStamp stamp;
      if (!TryDateTimeToTimeStamp(FParseTime, stamp)) stamp = TTimeStamp{};
      n->Kind = nkConst;
      n->DataType = ftDateTime;
      n->SetValue(TimeStampToMSecs(stamp));
      return n;
    }
    default:
      TypeMismatch();
  }
  n->DataType = FunctionType(Name);
  return n;
}

TExprNode* TFilterParser::ParseFactor() {
  switch (Token) {
    case etSymbol: {
      if (IsFunctionName(TokenValue)) {
        int p = Position;
        while (At(p) >= 1 && At(p) <= 32) ++p;
        if (At(p) == '(') {
          const std::string name = TokenValue;
          NextToken();
          return ParseFunction(FunctionIdOf(name), name);
        }
      }
      if (SameText(TokenValue, "TRUE") || SameText(TokenValue, "FALSE")) {
        TExprNode* n = Nodes().NewNode(nkConst);
        n->DataType = ftBoolean;
        n->SetValue(static_cast<std::uint8_t>(SameText(TokenValue, "TRUE") ? 1 : 0));
        NextToken();
        return n;
      }
      [[fallthrough]];
    }
    case etName: {
      TField* field = DataSet->FieldByName(TokenValue);
      TExprNode* n = Nodes().NewNode(nkField);
      n->Name = TokenValue;
      n->Field = field;
      n->DataType = field->DataType();
      n->IsBlob = field->IsBlob();
      n->FieldIndex = DataSet->Fields().IndexOf(field);
      if (field->FieldKind() != fkData || field->FieldNo() <= 0)
        FilterErrorFmt(SNoStoredSlot, field->FieldName());
      NextToken();
      return n;
    }
    case etNumber: {
      TExprNode* n = Nodes().NewNode(nkConst);
      std::int64_t i;
      double d;
      if (TryStrToInt64(TokenValue, i) && i >= INT32_MIN && i <= INT32_MAX) {
        n->DataType = ftInteger;
        n->SetValue(static_cast<std::int32_t>(i));
      } else if (TryStrToFloat(TokenValue, d, FormatSettings()) && std::isfinite(d)) {
        n->DataType = ftFloat;
        n->SetValue(d);
      } else {
        ConvertError(SInvalidFloatValue, TokenValue);
      }
      NextToken();
      return n;
    }
    case etString: {
      TExprNode* n = Nodes().NewNode(nkConst);
      n->DataType = ftString;
      n->SetText(TokenValue);
      const std::size_t star = TokenValue.find('*');
      n->PartialLength = star == std::string::npos ? -1 : static_cast<int>(star);
      NextToken();
      return n;
    }
    case etLParen: {
      if (++FNesting > kMaxNesting) FilterError(SExprTooComplex);
      NextToken();
      TExprNode* inner = ParseExpr();
      if (Token != etRParen) FilterErrorFmt(SRParenExpected, TokenText());
      NextToken();
      --FNesting;
      return inner;
    }
    default:
      FilterErrorFmt(SExprExpected, TokenText());
  }
}

}  // namespace velmorak
