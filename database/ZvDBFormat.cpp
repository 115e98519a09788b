// ZvDBFormat: the per-type facts of the record layout (bytes per field, which
// codes are blobs or texts, the ft names the tools print and read).
#include "database/ZvDBFormat.h"

#include <cstdint>
#include <string>

namespace velmorak::zvfmt {

namespace {

struct TypeInfo {
  std::uint8_t Code;
  const char* Name;
  int Bytes;  // -1: FieldSize + 1 (text); 20 for blobs
};

constexpr TypeInfo kTypes[] = {
    {ftString, "ftString", -1},     {ftFixedChar, "ftFixedChar", -1},
    {ftSmallint, "ftSmallint", 2},  {ftWord, "ftWord", 2},
    {ftBoolean, "ftBoolean", 2},    {ftInteger, "ftInteger", 4},
    {ftAutoInc, "ftAutoInc", 4},    {ftDate, "ftDate", 4},
    {ftTime, "ftTime", 4},          {ftFloat, "ftFloat", 8},
    {ftCurrency, "ftCurrency", 8},  {ftDateTime, "ftDateTime", 8},
    {ftLargeint, "ftLargeint", 8},  {ftBlob, "ftBlob", 20},
    {ftMemo, "ftMemo", 20},         {ftGraphic, "ftGraphic", 20},
    {ftFmtMemo, "ftFmtMemo", 20},   {ftParadoxOle, "ftParadoxOle", 20},
    {ftDBaseOle, "ftDBaseOle", 20}, {ftTypedBinary, "ftTypedBinary", 20},
    {ftOraBlob, "ftOraBlob", 20},   {ftOraClob, "ftOraClob", 20},
};

const TypeInfo* Find(std::uint8_t code) {
  for (const TypeInfo& t : kTypes)
    if (t.Code == code) return &t;
  return nullptr;
}

}  // namespace

int FieldByteSize(std::uint8_t FieldType, std::int32_t FieldSize) {
  const TypeInfo* t = Find(FieldType);
  if (!t) return 0;
  if (t->Bytes >= 0) return t->Bytes;
  // A text field's declared size comes from the file: a negative one, or one
  // beyond any sane record, has no storage form either.
  if (FieldSize < 0 || FieldSize > kMaxTextFieldSize) return 0;
  return FieldSize + 1;
}

bool IsBlobType(std::uint8_t t) {
  return (t >= ftBlob && t <= ftTypedBinary) || t == ftOraBlob || t == ftOraClob;
}

bool IsTextType(std::uint8_t t) {
  return t == ftString || t == ftFixedChar || t == ftWideString || t == ftGuid;
}

std::string FieldTypeName(std::uint8_t FieldType) {
  const TypeInfo* t = Find(FieldType);
  return t ? t->Name : "";
}

std::uint8_t FieldTypeByName(const std::string& Name) {
  for (const TypeInfo& t : kTypes)
    if (Name == t.Name) return t.Code;
  return 0;
}

}  // namespace velmorak::zvfmt
