// ZvDBFilterEval: computes a parsed filter over the record under test. Each
// node's value lands in the node's own buffer in the stored forms (text
// zero-terminated, integers little-endian, reals and date-times as doubles,
// dates as day numbers, times as milliseconds); field nodes read their slot
// of the record buffer in place, and a text value ends at its first NUL or at
// the end of its slot, whichever comes first, so a damaged record cannot make
// a comparison read past the slot.
//
// Integer arithmetic wraps at 32 or 64 bits, computed on unsigned values so
// that it never overflows a signed type. A division by zero, and a real that
// is NaN, infinite or too large for the integer it must become, raise the
// class library's floating-point errors.
#include "database/ZvDBFilter.h"

#include <cmath>
#include <cstring>
#include <string>
#include <string_view>

#include "database/ZvDBCollation.h"
#include "database/ZvDBDataSet.h"
#include "platform/classes/DateUtils.h"
#include "platform/classes/SysUtils.h"
#include "platform/dataset/Fields.h"
#include "platform/os/Locale.h"

namespace velmorak {

using namespace zvfilter;

namespace {

constexpr double kMSecsPerDay = static_cast<double>(MSecsPerDay);

template <class T>
T Raw(const TExprNode* n) {
  T v{};
  if (n->Data && n->DataSize >= static_cast<int>(sizeof(T))) std::memcpy(&v, n->Data, sizeof(T));
  return v;
}

std::string_view TextOf(const TExprNode* n) {
  if (!n->Data || n->DataSize <= 0) return {};
  const char* p = reinterpret_cast<const char*>(n->Data);
  return {p, strnlen(p, static_cast<std::size_t>(n->DataSize))};
}

bool BoolOf(const TExprNode* n) {
  return n->Data && n->DataSize > 0 && n->Data[0] != 0;
}

std::int64_t IntOf(const TExprNode* n) {
  switch (n->DataType) {
    case ftSmallint:
      return Raw<std::int16_t>(n);
    case ftWord:
      return Raw<std::uint16_t>(n);
    case ftInteger:
    case ftAutoInc:
    case ftDate:
    case ftTime:
      return Raw<std::int32_t>(n);
    case ftLargeint:
      return Raw<std::int64_t>(n);
    default:
      return 0;
  }
}

double RealOf(const TExprNode* n) {
  if (n->DataType == ftFloat || n->DataType == ftCurrency || n->DataType == ftDateTime) return Raw<double>(n);
  return static_cast<double>(IntOf(n));
}

// A date, time or date-time as a count of milliseconds from the start of day
// 0: a date is its midnight.
double MSecsOf(const TExprNode* n) {
  if (n->DataType == ftDate) return static_cast<double>(Raw<std::int32_t>(n)) * kMSecsPerDay;
  if (n->DataType == ftTime) return Raw<std::int32_t>(n);
  return Raw<double>(n);
}

double CheckReal(double v) {
  if (std::isnan(v)) throw EInvalidOp();
  if (std::isinf(v)) throw EOverflow();
  return v;
}

// A real that must become a 64-bit integer: truncated toward zero.
std::int64_t RealToInt64(double v) {
  if (!std::isfinite(v) || v >= 9223372036854775808.0 || v < -9223372036854775808.0) throw EInvalidOp();
  return static_cast<std::int64_t>(v);
}

// A numeric as the 32-bit integer of date arithmetic: a fraction truncated
// toward zero, a 64-bit value taken modulo 2^32.
std::uint32_t ToUInt32(const TExprNode* n) {
  const std::int64_t v = IsExact(n->DataType) ? IntOf(n) : RealToInt64(RealOf(n));
  return static_cast<std::uint32_t>(static_cast<std::uint64_t>(v));
}

std::int32_t Wrap32(std::uint32_t v) {
  std::int32_t r;
  std::memcpy(&r, &v, sizeof r);
  return r;
}

std::int64_t Wrap64(std::uint64_t v) {
  std::int64_t r;
  std::memcpy(&r, &v, sizeof r);
  return r;
}

// The day number of a date or date-time.
std::int64_t DayOf(const TExprNode* n) {
  if (n->DataType == ftDate) return Raw<std::int32_t>(n);
  const double ms = Raw<double>(n);
  const std::int64_t day = RealToInt64(std::floor(ms / kMSecsPerDay));
  // The calendar works on 32-bit day numbers.
  if (day < INT32_MIN || day > INT32_MAX) throw EInvalidOp();
  return day;
}

// The milliseconds of the time of day of a time or date-time.
std::int64_t TimeOfDayOf(const TExprNode* n) {
  if (n->DataType == ftTime) {
    const std::int64_t ms = Raw<std::int32_t>(n);
    return ((ms % MSecsPerDay) + MSecsPerDay) % MSecsPerDay;
  }
  const double ms = Raw<double>(n);
  const double day = std::floor(ms / kMSecsPerDay);
  std::int64_t t = RealToInt64(ms - day * kMSecsPerDay);
  if (t < 0 || t >= MSecsPerDay) t = ((t % MSecsPerDay) + MSecsPerDay) % MSecsPerDay;
  return t;
}

struct TOrder {
  int Cmp = 0;
  bool Unordered = false;
};

template <class T>
TOrder Order(T a, T b) {
  TOrder o;
  if (a != a || b != b) {  // NaN
    o.Unordered = true;
    return o;
  }
  o.Cmp = a < b ? -1 : (b < a ? 1 : 0);
  return o;
}

TOrder Compare(const TExprNode* L, const TExprNode* R, TFilterOptions Options) {
  const TFieldType lt = L->DataType, rt = R->DataType;
  if (IsText(lt) && IsText(rt)) {
    std::string_view a = TextOf(L), b = TextOf(R);
    // The partial compare: a string constant on the right with a "*" takes
    // part only with the characters before it, on both sides.
    if (!Options.Contains(foNoPartialCompare) && R->Kind == nkConst && R->DataType == ftString &&
        R->PartialLength >= 0) {
      const std::size_t n = static_cast<std::size_t>(R->PartialLength);
      a = a.substr(0, std::min(n, a.size()));
      b = b.substr(0, std::min(n, b.size()));
    }
    TOrder o;
    const int c = ZvCompareText(a.data(), a.size(), b.data(), b.size(), Options.Contains(foCaseInsensitive));
    o.Cmp = c < 0 ? -1 : (c > 0 ? 1 : 0);
    return o;
  }
  if (IsNumeric(lt) && IsNumeric(rt)) {
    if (IsExact(lt) && IsExact(rt)) return Order(IntOf(L), IntOf(R));
    return Order(RealOf(L), RealOf(R));
  }
  if (lt == ftBoolean && rt == ftBoolean) return Order<int>(BoolOf(L) ? 1 : 0, BoolOf(R) ? 1 : 0);
  // Dates, times and date-times by their millisecond counts (a date as its
  // midnight; a time as milliseconds from the start of day 0).
  if (IsDateClass(lt) && IsDateClass(rt)) return Order(MSecsOf(L), MSecsOf(R));
  TOrder o;
  o.Unordered = true;
  return o;
}

bool Holds(TExprOperator Op, TOrder o) {
  const bool eq = !o.Unordered && o.Cmp == 0;
  const bool lt = !o.Unordered && o.Cmp < 0;
  const bool gt = !o.Unordered && o.Cmp > 0;
  switch (Op) {
    case opEQ:
      return eq;
    case opNE:
      return !eq;
    case opLT:
      return lt;
    case opGE:
      return !lt;
    case opGT:
      return gt;
    case opLE:
      return !gt;
    default:
      return false;
  }
}

std::u16string ToUtf16(std::string_view s) {
  const std::uint16_t* map = os::LocaleTables1252().AnsiToUnicode;
  std::u16string out;
  out.reserve(s.size());
  for (char c : s) out.push_back(static_cast<char16_t>(map[static_cast<unsigned char>(c)]));
  return out;
}

void SetBool(TExprNode* n, bool v) {
  n->SetValue(static_cast<std::uint8_t>(v ? 1 : 0));
}

void EvalArithmetic(TExprNode* n) {
  const TExprNode* L = n->Left;
  const TExprNode* R = n->Right;
  const TFieldType lt = L->DataType, rt = R->DataType;
  const TExprOperator op = n->Operator;
  if (op == opADD && IsText(lt) && IsText(rt)) {
    std::string joined(TextOf(L));
    joined += TextOf(R);
    n->SetText(joined);
    return;
  }
  if (IsDateClass(lt) || IsDateClass(rt)) {
    if (IsNumeric(rt)) {
      if (lt == ftDateTime) {
        // That many days moved, the time of day kept.
        const double days = static_cast<double>(Wrap32(ToUInt32(R))) * kMSecsPerDay;
        n->SetValue(CheckReal(op == opADD ? Raw<double>(L) + days : Raw<double>(L) - days));
        return;
      }
      const std::uint32_t a = static_cast<std::uint32_t>(Raw<std::int32_t>(L));
      const std::uint32_t b = ToUInt32(R);
      n->SetValue(Wrap32(op == opADD ? a + b : a - b));
      return;
    }
    if ((lt == ftDate && rt == ftDate) || (lt == ftTime && rt == ftTime)) {
      const std::uint32_t a = static_cast<std::uint32_t>(Raw<std::int32_t>(L));
      const std::uint32_t b = static_cast<std::uint32_t>(Raw<std::int32_t>(R));
      n->SetValue(Wrap32(a - b));
      return;
    }
    // Every other difference: of the two millisecond counts.
    n->SetValue(CheckReal(MSecsOf(L) - MSecsOf(R)));
    return;
  }
  // Numeric with numeric.
  if (op == opDIV) {
    const double a = RealOf(L), b = RealOf(R);
    if (b == 0) {
      if (a == 0 || std::isnan(a)) throw EInvalidOp();
      throw EZeroDivide();
    }
    n->SetValue(CheckReal(a / b));
    return;
  }
  switch (n->DataType) {
    case ftInteger:
    case ftAutoInc: {
      const auto a = static_cast<std::uint32_t>(static_cast<std::uint64_t>(IntOf(L)));
      const auto b = static_cast<std::uint32_t>(static_cast<std::uint64_t>(IntOf(R)));
      n->SetValue(Wrap32(op == opADD ? a + b : op == opSUB ? a - b : a * b));
      return;
    }
    case ftLargeint: {
      const auto a = static_cast<std::uint64_t>(IntOf(L));
      const auto b = static_cast<std::uint64_t>(IntOf(R));
      n->SetValue(Wrap64(op == opADD ? a + b : op == opSUB ? a - b : a * b));
      return;
    }
    default: {
      const double a = RealOf(L), b = RealOf(R);
      n->SetValue(CheckReal(op == opADD ? a + b : op == opSUB ? a - b : a * b));
      return;
    }
  }
}

bool IsTrimmed(unsigned char c) {
  return c <= ' ';
}

void EvalFunction(TExprNode* n) {
  const TExprNode* a = n->Args.empty() ? nullptr : n->Args[0];
  switch (n->FunctionId) {
    case fnUpper:
    case fnLower: {
      // A copy: the argument's own value (a field's slot) stays as it is.
      std::string s(TextOf(a));
      for (char& c : s) {
        if (n->FunctionId == fnUpper && c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
        if (n->FunctionId == fnLower && c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
      }
      n->SetText(s);
      return;
    }
    case fnTrim:
    case fnTrimLeft:
    case fnTrimRight: {
      std::string_view s = TextOf(a);
      if (n->FunctionId != fnTrimRight)
        while (!s.empty() && IsTrimmed(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
      if (n->FunctionId != fnTrimLeft)
        while (!s.empty() && IsTrimmed(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
      n->SetText(s);
      return;
    }
    case fnSubstring: {
      // A start below 1 counts from the first character; a start past the
      // end or a length below 1 gives the empty text.
      const std::string_view s = TextOf(a);
      std::int64_t start = IntOf(n->Args[1]);
      const std::int64_t length = IntOf(n->Args[2]);
      if (start < 1) start = 1;
      const auto size = static_cast<std::int64_t>(s.size());
      if (length < 1 || start > size) {
        n->SetText({});
        return;
      }
      const std::int64_t count = std::min(length, size - start + 1);
      n->SetText(s.substr(static_cast<std::size_t>(start - 1), static_cast<std::size_t>(count)));
      return;
    }
    case fnYear:
    case fnMonth:
    case fnDay: {
      int y, m, d;
      CivilFromDayNumber(DayOf(a), y, m, d);
      n->SetValue(static_cast<std::int32_t>(n->FunctionId == fnYear ? y : n->FunctionId == fnMonth ? m : d));
      return;
    }
    case fnHour:
    case fnMinute:
    case fnSecond: {
      const std::int64_t t = TimeOfDayOf(a);
      const std::int64_t v = n->FunctionId == fnHour     ? t / 3600000
                             : n->FunctionId == fnMinute ? t / 60000 % 60
                                                         : t / 1000 % 60;
      n->SetValue(static_cast<std::int32_t>(v));
      return;
    }
    default:
      return;
  }
}

}  // namespace

bool ZvLikeMatch(const std::u16string& Text, const std::u16string& Pattern, bool CaseInsensitive) {
  // M(i, j): does Text from i match Pattern from j? By the rules:
  //   Pattern[j] is "%" and the last pattern character  -> true
  //   i at the end of Text                              -> j at the end of Pattern
  //   Pattern[j] is "%"                                 -> M(i, j+1) or M(i+1, j)
  //   otherwise                                         -> Text[i] agrees with Pattern[j] and M(i+1, j+1)
  // Computed row by row from the end of the text, keeping two rows.
  const std::size_t n = Text.size(), m = Pattern.size();
  auto fold = [&](char16_t c) -> char16_t {
    return CaseInsensitive && c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - 32) : c;
  };
  std::vector<std::uint8_t> rows(2 * (m + 1), 0);
  std::uint8_t* next = rows.data();
  std::uint8_t* cur = next + (m + 1);
  const char16_t* pat = Pattern.data();
  for (std::size_t i = n + 1; i-- > 0;) {
    cur[m] = i == n ? 1 : 0;
    if (m > 0 && pat[m - 1] == u'%') cur[m - 1] = 1;
    const std::size_t last = m > 0 && pat[m - 1] == u'%' ? m - 1 : m;
    if (i == n) {
      for (std::size_t j = 0; j < last; ++j) cur[j] = 0;
    } else {
      const char16_t t = fold(Text[i]);
      for (std::size_t j = last; j-- > 0;) {
        const char16_t p = pat[j];
        cur[j] = p == u'%' ? static_cast<std::uint8_t>(cur[j + 1] | next[j])
                           : static_cast<std::uint8_t>((p == u'_' || fold(p) == t) && next[j + 1]);
      }
    }
    std::swap(next, cur);
  }
  return next[0] != 0;
}

void TExprParserBase::Calculate(TExprNode* Node) {
  switch (Node->Kind) {
    case nkField:
      LoadField(Node);
      return;
    case nkConst:
      return;
    case nkFunc:
      for (TExprNode* a : Node->Args) Calculate(a);
      EvalFunction(Node);
      return;
    case nkOperator:
      break;
  }
  switch (Node->Operator) {
    case opAND:
      Calculate(Node->Left);
      if (BoolOf(Node->Left)) Calculate(Node->Right);
      SetBool(Node, BoolOf(Node->Left) && BoolOf(Node->Right));
      return;
    case opOR:
      Calculate(Node->Left);
      if (!BoolOf(Node->Left)) Calculate(Node->Right);
      SetBool(Node, BoolOf(Node->Left) || BoolOf(Node->Right));
      return;
    case opNOT:
      Calculate(Node->Left);
      SetBool(Node, !BoolOf(Node->Left));
      return;
    case opIN: {
      Calculate(Node->Left);
      bool found = false;
      for (TExprNode* item : Node->Args) {
        Calculate(item);
        if (Holds(opEQ, Compare(Node->Left, item, EvalOptions))) {
          found = true;
          break;
        }
      }
      SetBool(Node, found);
      return;
    }
    default:
      break;
  }
  Calculate(Node->Left);
  Calculate(Node->Right);
  switch (Node->Operator) {
    case opLIKE:
      SetBool(Node, ZvLikeMatch(ToUtf16(TextOf(Node->Left)), ToUtf16(TextOf(Node->Right)),
                                EvalOptions.Contains(foCaseInsensitive)));
      return;
    case opADD:
    case opSUB:
    case opMUL:
    case opDIV:
      EvalArithmetic(Node);
      return;
    default:
      SetBool(Node, Holds(Node->Operator, Compare(Node->Left, Node->Right, EvalOptions)));
      return;
  }
}

void TFilterParser::LoadField(TExprNode* Node) {
  if (Node->IsBlob) {
    // Read as text at every evaluation: the blob stream belongs to the buffer.
    Node->BlobText = Node->Field->AsString();
    Node->Data = reinterpret_cast<const std::uint8_t*>(Node->BlobText.c_str());
    Node->DataSize = static_cast<int>(Node->BlobText.size()) + 1;
    return;
  }
  Node->Data = DataSet->GetActiveRecBuf() + Node->SlotOffset;
  Node->DataSize = Node->SlotSize;
}

}  // namespace velmorak
