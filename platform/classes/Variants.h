// Variants: the class library's variant value, which carries one field
// value of any type between a program and a dataset (TField::Value, the key
// values of Locate, the result of Lookup). A variant is empty, null, a
// boolean, a 32- or 64-bit integer, a double, a currency amount (a double
// here), a date-time, a text (bytes, in the ANSI code page when it is text),
// or an array of variants.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "platform/classes/DateTime.h"
#include "platform/classes/SysUtils.h"

namespace velmorak {

enum TVarType : std::uint8_t {
  varEmpty,
  varNull,
  varBoolean,
  varInteger,  // 32-bit
  varInt64,
  varDouble,
  varCurrency,
  varDate,
  varString,
  varArray,
};

// "Could not convert variant of type (%s) into type (%s)", and the other
// variant failures.
class EVariantError : public Exception {
 public:
  using Exception::Exception;
};

class Variant {
 public:
  Variant() = default;  // empty
  Variant(bool Value) : FType(varBoolean), FInt(Value ? 1 : 0) {}
  template <class T, std::enable_if_t<std::is_integral_v<T> && !std::is_same_v<T, bool>, int> = 0>
  Variant(T Value) : FType(FitsInt32(Value) ? varInteger : varInt64), FInt(static_cast<std::int64_t>(Value)) {
    static_assert(sizeof(T) < 8 || std::is_signed_v<T>, "unsigned 64-bit values do not fit a variant");
  }
  Variant(double Value) : FType(varDouble), FDouble(Value) {}
  Variant(const char* Value) : FType(varString), FText(Value ? Value : "") {}
  Variant(std::string Value) : FType(varString), FText(std::move(Value)) {}
  Variant(std::string_view Value) : FType(varString), FText(Value) {}

  static Variant Null() {
    Variant v;
    v.FType = varNull;
    return v;
  }
  static Variant FromDateTime(TDateTime Value) {
    Variant v(Value);
    v.FType = varDate;
    return v;
  }
  static Variant FromCurrency(double Value) {
    Variant v(Value);
    v.FType = varCurrency;
    return v;
  }
  static Variant Array(std::vector<Variant> Items) {
    Variant v;
    v.FType = varArray;
    v.FItems = std::move(Items);
    return v;
  }

  TVarType VarType() const { return FType; }
  bool IsEmpty() const { return FType == varEmpty; }
  bool IsNull() const { return FType == varNull; }
  // Null or empty: "no value".
  bool IsClear() const { return FType == varEmpty || FType == varNull; }
  bool IsArray() const { return FType == varArray; }
  bool IsNumeric() const { return FType >= varInteger && FType <= varCurrency; }

  // Arrays: the element count and the elements (0-based).
  int ArrayCount() const { return static_cast<int>(FItems.size()); }
  const Variant& operator[](int Index) const;
  const std::vector<Variant>& Items() const { return FItems; }

  // Conversions. Text converts with the format settings; what does not
  // convert raises EConvertError (a text that is not a number) or
  // EVariantError (null, an array, a type with no such value). Empty reads
  // as "", 0 or false.
  std::string AsString() const;
  bool AsBoolean() const;
  std::int64_t AsInt64() const;
  std::int32_t AsInteger() const;
  double AsDouble() const;
  TDateTime AsDateTime() const;

  // Same type class and value: numbers compare by value across integer and
  // floating types; texts byte for byte; arrays element by element.
  bool operator==(const Variant& Other) const;
  bool operator!=(const Variant& Other) const { return !(*this == Other); }

  static const char* TypeName(TVarType Type);

 private:
  template <class T>
  static constexpr bool FitsInt32(T v) {
    if constexpr (std::is_signed_v<T>)
      return v >= INT32_MIN && v <= INT32_MAX;
    else
      return v <= static_cast<std::make_unsigned_t<std::int32_t>>(INT32_MAX);
  }
  [[noreturn]] void CannotConvert(TVarType To) const;

  TVarType FType = varEmpty;
  std::int64_t FInt = 0;
  double FDouble = 0;
  std::string FText;
  std::vector<Variant> FItems;
};

}  // namespace velmorak
