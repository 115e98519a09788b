// Variants: conversions and comparison of variant values.
#include "platform/classes/Variants.h"

#include <cctype>
#include <cmath>

namespace velmorak {

const char* Variant::TypeName(TVarType Type) {
  switch (Type) {
    case varEmpty:
      return "Empty";
    case varNull:
      return "Null";
    case varBoolean:
      return "Boolean";
    case varInteger:
      return "Integer";
    case varInt64:
      return "Int64";
    case varDouble:
      return "Double";
    case varCurrency:
      return "Currency";
    case varDate:
      return "Date";
    case varString:
      return "String";
    case varArray:
      return "Array";
  }
  return "Unknown";
}

void Variant::CannotConvert(TVarType To) const {
  throw EVariantError(
      Format("Could not convert variant of type (%s) into type (%s)", TypeName(FType), TypeName(To)));
}

const Variant& Variant::operator[](int Index) const {
  if (FType != varArray || Index < 0 || Index >= ArrayCount())
    throw EVariantError("Variant array index out of bounds");
  return FItems[static_cast<std::size_t>(Index)];
}

std::string Variant::AsString() const {
  switch (FType) {
    case varEmpty:
      return {};
    case varBoolean:
      return FInt ? FormatSettings().TrueBoolStr : FormatSettings().FalseBoolStr;
    case varInteger:
    case varInt64:
      return IntToStr(FInt);
    case varDouble:
    case varCurrency:
      return FloatToStr(FDouble);
    case varDate:
      return DateTimeToStr(FDouble);
    case varString:
      return FText;
    default:
      CannotConvert(varString);
  }
}

bool Variant::AsBoolean() const {
  switch (FType) {
    case varEmpty:
      return false;
    case varBoolean:
    case varInteger:
    case varInt64:
      return FInt != 0;
    case varDouble:
    case varCurrency:
      return FDouble != 0;
    case varString: {
      const TFormatSettings& s = FormatSettings();
      auto same = [this](const std::string& w) {
        if (w.size() != FText.size()) return false;
        for (std::size_t i = 0; i < w.size(); ++i)
          if (std::tolower(static_cast<unsigned char>(w[i])) !=
              std::tolower(static_cast<unsigned char>(FText[i])))
            return false;
        return true;
      };
      if (same(s.TrueBoolStr) || same("true")) return true;
      if (same(s.FalseBoolStr) || same("false")) return false;
      throw EConvertError(Format("'%s' is not a valid boolean value", FText.c_str()));
    }
    default:
      CannotConvert(varBoolean);
  }
}

std::int64_t Variant::AsInt64() const {
  switch (FType) {
    case varEmpty:
      return 0;
    case varBoolean:
    case varInteger:
    case varInt64:
      return FInt;
    case varDouble:
    case varCurrency:
    case varDate:
      if (!std::isfinite(FDouble) || std::fabs(FDouble) >= 9.2e18) CannotConvert(varInt64);
      return static_cast<std::int64_t>(std::nearbyint(FDouble));
    case varString: {
      std::int64_t v;
      if (!TryStrToInt64(FText, v))
        throw EConvertError(Format("'%s' is not a valid integer value", FText.c_str()));
      return v;
    }
    default:
      CannotConvert(varInt64);
  }
}

std::int32_t Variant::AsInteger() const {
  const std::int64_t v = AsInt64();
  if (v < INT32_MIN || v > INT32_MAX) CannotConvert(varInteger);
  return static_cast<std::int32_t>(v);
}

double Variant::AsDouble() const {
  switch (FType) {
    case varEmpty:
      return 0;
    case varBoolean:
    case varInteger:
    case varInt64:
      return static_cast<double>(FInt);
    case varDouble:
    case varCurrency:
    case varDate:
      return FDouble;
    case varString: {
      double v;
      if (!TryStrToFloat(FText, v))
        throw EConvertError(Format("'%s' is not a valid floating point value", FText.c_str()));
      return v;
    }
    default:
      CannotConvert(varDouble);
  }
}

TDateTime Variant::AsDateTime() const {
  switch (FType) {
    case varEmpty:
      return 0;
    case varInteger:
    case varInt64:
      return static_cast<double>(FInt);
    case varDouble:
    case varCurrency:
    case varDate:
      return FDouble;
    case varString: {
      TDateTime v;
      if (!TryStrToDateTime(FText, v))
        throw EConvertError(Format("'%s' is not a valid date and time", FText.c_str()));
      return v;
    }
    default:
      CannotConvert(varDate);
  }
}

bool Variant::operator==(const Variant& Other) const {
  if (FType == varArray || Other.FType == varArray) return FType == Other.FType && FItems == Other.FItems;
  if (IsNumeric() && Other.IsNumeric()) {
    if ((FType == varInteger || FType == varInt64) && (Other.FType == varInteger || Other.FType == varInt64))
      return FInt == Other.FInt;
    return AsDouble() == Other.AsDouble();
  }
  if (FType != Other.FType) return false;
  switch (FType) {
    case varEmpty:
    case varNull:
      return true;
    case varBoolean:
      return FInt == Other.FInt;
    case varDate:
      return FDouble == Other.FDouble;
    case varString:
      return FText == Other.FText;
    default:
      return false;
  }
}

}  // namespace velmorak
