// Fields: the field classes' conversions between texts, variants and the
// native forms, and the field and index definition lists.
#include "platform/dataset/Fields.h"

#include <cmath>
#include <cstring>

#include "platform/classes/FormatSettings.h"
#include "platform/dataset/DataSet.h"
#include "platform/os/Locale.h"

namespace velmorak {

namespace {

bool SameWordNoCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size() || a.empty()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  return true;
}

}  // namespace

bool SameFieldName(const std::string& A, const std::string& B) {
  if (A.size() != B.size()) return false;
  for (std::size_t i = 0; i < A.size(); ++i) {
    const unsigned char a = static_cast<unsigned char>(A[i]), b = static_cast<unsigned char>(B[i]);
    if (a != b && os::AnsiUpperChar(a) != os::AnsiUpperChar(b)) return false;
  }
  return true;
}

// --- TField ----------------------------------------------------------------------

TField::TField(TComponent* AOwner, TFieldType DataType) : TComponent(AOwner), FDataType(DataType) {}

TField::~TField() {
  if (FDataSet) FDataSet->FFields.Remove(this);
}

void TField::CheckDataSet() const {
  if (!FDataSet) DatabaseErrorFmt(SDataSetMissing, DisplayName(), this);
}

void TField::SetDataSet(TDataSet* Value) {
  if (Value == FDataSet) return;
  if (FDataSet && FDataSet->Active()) DatabaseError(SDataSetOpen, FDataSet);
  if (Value && Value->Active()) DatabaseError(SDataSetOpen, Value);
  if (Value && !FFieldName.empty() && Value->FindField(FFieldName))
    DatabaseErrorFmt(SDuplicateFieldName, FFieldName, Value);
  if (FDataSet) FDataSet->FFields.Remove(this);
  FDataSet = Value;
  FFieldNo = Calculated() ? -1 : 0;
  if (FDataSet) FDataSet->FFields.Add(this);
}

void TField::SetFieldName(const std::string& Value) {
  if (FDataSet && FDataSet->Active()) DatabaseError(SDataSetOpen, FDataSet);
  if (FDataSet && !SameFieldName(Value, FFieldName) && FDataSet->FindField(Value))
    DatabaseErrorFmt(SDuplicateFieldName, Value, FDataSet);
  FFieldName = Value;
}

void TField::SetSize(int Value) {
  if (FDataSet && FDataSet->Active()) DatabaseError(SDataSetOpen, FDataSet);
  FSize = Value < 0 ? 0 : Value;
}

void TField::SetFieldKind(TFieldKind Value) {
  if (FDataSet && FDataSet->Active()) DatabaseError(SDataSetOpen, FDataSet);
  FFieldKind = Value;
  FFieldNo = Calculated() ? -1 : 0;
}

void TField::VarCastError() {
  DatabaseErrorFmt(SInvalidVarCast, DisplayName(), FDataSet);
}

bool TField::GetData(void* Buffer, bool NativeFormat) {
  CheckDataSet();
  return FDataSet->GetFieldValue(this, Buffer, NativeFormat);
}

void TField::SetData(const void* Buffer, bool NativeFormat) {
  CheckDataSet();
  FDataSet->CheckFieldWritable(this);
  FDataSet->SetFieldValue(this, Buffer, NativeFormat);
}

Variant TField::Value() {
  return GetAsVariant();
}

void TField::SetValue(const Variant& Value) {
  if (Value.IsClear())
    Clear();
  else
    SetVarValue(Value);
}

std::string TField::AsString() {
  return GetAsVariant().AsString();
}
void TField::SetAsString(const std::string& Value) {
  SetVarValue(Variant(Value));
}

std::int32_t TField::AsInteger() {
  const Variant v = GetAsVariant();
  return v.IsNull() ? 0 : v.AsInteger();
}
void TField::SetAsInteger(std::int32_t Value) {
  SetVarValue(Variant(Value));
}

std::int64_t TField::AsLargeInt() {
  const Variant v = GetAsVariant();
  return v.IsNull() ? 0 : v.AsInt64();
}
void TField::SetAsLargeInt(std::int64_t Value) {
  SetVarValue(Variant(Value));
}

double TField::AsFloat() {
  const Variant v = GetAsVariant();
  return v.IsNull() ? 0 : v.AsDouble();
}
void TField::SetAsFloat(double Value) {
  SetVarValue(Variant(Value));
}

bool TField::AsBoolean() {
  const Variant v = GetAsVariant();
  return v.IsNull() ? false : v.AsBoolean();
}
void TField::SetAsBoolean(bool Value) {
  SetVarValue(Variant(Value));
}

TDateTime TField::AsDateTime() {
  const Variant v = GetAsVariant();
  return v.IsNull() ? 0 : v.AsDateTime();
}
void TField::SetAsDateTime(TDateTime Value) {
  SetVarValue(Variant::FromDateTime(Value));
}

bool TField::IsNull() {
  return !GetData(nullptr);
}
void TField::Clear() {
  SetData(nullptr);
}

// --- TStringField ------------------------------------------------------------------

TStringField::TStringField(TComponent* AOwner, TFieldType DataType) : TField(AOwner, DataType) {
  SetSize(20);
}

std::string TStringField::AsString() {
  char small[256];
  std::vector<char> large;
  char* p = small;
  const std::size_t n = static_cast<std::size_t>(DataSize());
  if (n > sizeof small) {
    large.resize(n);
    p = large.data();
  }
  p[0] = '\0';
  if (!GetData(p)) return {};
  return std::string(p, strnlen(p, n - 1));
}

void TStringField::SetAsString(const std::string& Value) {
  // Stored text is single-byte ANSI, so Size bytes are Size characters.
  const std::size_t n = static_cast<std::size_t>(Size());
  std::vector<char> buf(n + 1, '\0');
  std::memcpy(buf.data(), Value.data(), std::min(n, Value.size()));
  SetData(buf.data());
}

Variant TStringField::GetAsVariant() {
  if (IsNull()) return Variant::Null();
  return Variant(AsString());
}

void TStringField::SetVarValue(const Variant& Value) {
  if (Value.IsArray()) VarCastError();
  SetAsString(Value.AsString());
}

// --- TIntegerField -----------------------------------------------------------------

TIntegerField::TIntegerField(TComponent* AOwner, TFieldType DataType) : TField(AOwner, DataType) {
  switch (DataType) {
    case ftSmallint:
      FMin = INT16_MIN, FMax = INT16_MAX;
      break;
    case ftWord:
      FMin = 0, FMax = UINT16_MAX;
      break;
    case ftLargeint:
      FMin = INT64_MIN, FMax = INT64_MAX;
      break;
    default:
      FMin = INT32_MIN, FMax = INT32_MAX;
      break;
  }
}

int TIntegerField::DataSize() const {
  switch (DataType()) {
    case ftSmallint:
    case ftWord:
      return 2;
    case ftLargeint:
      return 8;
    default:
      return 4;
  }
}

std::int64_t TIntegerField::AsLargeInt() {
  std::uint8_t buf[8] = {};
  if (!GetData(buf)) return 0;
  switch (DataType()) {
    case ftSmallint: {
      std::int16_t v;
      std::memcpy(&v, buf, 2);
      return v;
    }
    case ftWord: {
      std::uint16_t v;
      std::memcpy(&v, buf, 2);
      return v;
    }
    case ftLargeint: {
      std::int64_t v;
      std::memcpy(&v, buf, 8);
      return v;
    }
    default: {
      std::int32_t v;
      std::memcpy(&v, buf, 4);
      return v;
    }
  }
}

std::int32_t TIntegerField::AsInteger() {
  const std::int64_t v = AsLargeInt();
  if (v < INT32_MIN || v > INT32_MAX) FieldRangeError(IntToStr(v), DisplayName(), INT32_MIN, INT32_MAX);
  return static_cast<std::int32_t>(v);
}

void TIntegerField::CheckRange(std::int64_t Value, const std::string& Text) {
  if (Value < FMin || Value > FMax) FieldRangeError(Text, DisplayName(), FMin, FMax);
}

void TIntegerField::SetAsLargeInt(std::int64_t Value) {
  CheckRange(Value, IntToStr(Value));
  std::uint8_t buf[8] = {};
  switch (DataType()) {
    case ftSmallint: {
      const std::int16_t v = static_cast<std::int16_t>(Value);
      std::memcpy(buf, &v, 2);
      break;
    }
    case ftWord: {
      const std::uint16_t v = static_cast<std::uint16_t>(Value);
      std::memcpy(buf, &v, 2);
      break;
    }
    case ftLargeint:
      std::memcpy(buf, &Value, 8);
      break;
    default: {
      const std::int32_t v = static_cast<std::int32_t>(Value);
      std::memcpy(buf, &v, 4);
      break;
    }
  }
  SetData(buf);
}

std::string TIntegerField::AsString() {
  if (IsNull()) return {};
  return IntToStr(AsLargeInt());
}

void TIntegerField::SetAsString(const std::string& Value) {
  if (Value.empty()) return Clear();
  std::int64_t v;
  if (!TryStrToInt64(Value, v)) ConvertError(SInvalidIntegerValue, Value);
  CheckRange(v, Value);
  SetAsLargeInt(v);
}

Variant TIntegerField::GetAsVariant() {
  if (IsNull()) return Variant::Null();
  const std::int64_t v = AsLargeInt();
  return DataType() == ftLargeint ? Variant(v) : Variant(static_cast<std::int32_t>(v));
}

void TIntegerField::SetVarValue(const Variant& Value) {
  switch (Value.VarType()) {
    case varString:
      return SetAsString(Value.AsString());
    case varBoolean:
    case varInteger:
    case varInt64:
      return SetAsLargeInt(Value.AsInt64());
    case varDouble:
    case varCurrency:
    case varDate: {
      // Only whole numbers: a fraction would be lost without a word.
      const double d = Value.AsDouble();
      if (!std::isfinite(d) || d != std::trunc(d) || std::fabs(d) >= 9.2e18)
        ConvertError(SInvalidIntegerValue, FloatToStr(d));
      return SetAsLargeInt(static_cast<std::int64_t>(d));
    }
    default:
      VarCastError();
  }
}

// --- TFloatField -------------------------------------------------------------------

TFloatField::TFloatField(TComponent* AOwner, TFieldType DataType) : TField(AOwner, DataType) {}

double TFloatField::AsFloat() {
  double d = 0;
  return GetData(&d) ? d : 0;
}

void TFloatField::SetAsFloat(double Value) {
  if (!std::isfinite(Value)) ConvertError(SInvalidFloatValue, FloatToStr(Value));
  SetData(&Value);
}

std::string TFloatField::AsString() {
  double d = 0;
  if (!GetData(&d)) return {};
  return FloatToStr(d);
}

void TFloatField::SetAsString(const std::string& Value) {
  if (Value.empty()) return Clear();
  double d;
  if (!TryStrToFloat(Value, d)) ConvertError(SInvalidFloatValue, Value);
  SetData(&d);
}

Variant TFloatField::GetAsVariant() {
  double d = 0;
  if (!GetData(&d)) return Variant::Null();
  return DataType() == ftCurrency ? Variant::FromCurrency(d) : Variant(d);
}

void TFloatField::SetVarValue(const Variant& Value) {
  switch (Value.VarType()) {
    case varString:
      return SetAsString(Value.AsString());
    case varBoolean:
    case varInteger:
    case varInt64:
    case varDouble:
    case varCurrency:
    case varDate:
      return SetAsFloat(Value.AsDouble());
    default:
      VarCastError();
  }
}

// --- TBooleanField -----------------------------------------------------------------

TBooleanField::TBooleanField(TComponent* AOwner) : TField(AOwner, ftBoolean) {}

bool TBooleanField::AsBoolean() {
  std::int16_t v = 0;
  return GetData(&v) && v != 0;
}

void TBooleanField::SetAsBoolean(bool Value) {
  const std::int16_t v = Value ? 1 : 0;
  SetData(&v);
}

std::string TBooleanField::AsString() {
  std::int16_t v = 0;
  if (!GetData(&v)) return {};
  return v ? FormatSettings().TrueBoolStr : FormatSettings().FalseBoolStr;
}

void TBooleanField::SetAsString(const std::string& Value) {
  if (Value.empty()) return Clear();
  const TFormatSettings& s = FormatSettings();
  if (SameWordNoCase(Value, s.TrueBoolStr) || SameWordNoCase(Value, "true")) return SetAsBoolean(true);
  if (SameWordNoCase(Value, s.FalseBoolStr) || SameWordNoCase(Value, "false")) return SetAsBoolean(false);
  ConvertError(SInvalidBoolValue, Value);
}

Variant TBooleanField::GetAsVariant() {
  std::int16_t v = 0;
  if (!GetData(&v)) return Variant::Null();
  return Variant(v != 0);
}

void TBooleanField::SetVarValue(const Variant& Value) {
  switch (Value.VarType()) {
    case varString:
      return SetAsString(Value.AsString());
    case varBoolean:
    case varInteger:
    case varInt64:
    case varDouble:
    case varCurrency:
      return SetAsBoolean(Value.AsBoolean());
    default:
      VarCastError();
  }
}

// --- TDateTimeField ----------------------------------------------------------------

TDateTimeField::TDateTimeField(TComponent* AOwner, TFieldType DataType) : TField(AOwner, DataType) {}

TDateTime TDateTimeField::AsDateTime() {
  TDateTime d = 0;
  return GetData(&d, false) ? d : 0;
}

void TDateTimeField::SetAsDateTime(TDateTime Value) {
  SetData(&Value, false);
}

std::string TDateTimeField::AsString() {
  TDateTime d = 0;
  if (!GetData(&d, false)) return {};
  switch (DataType()) {
    case ftDate:
      return DateToStr(d);
    case ftTime:
      return TimeToStr(d);
    default:
      return DateTimeToStr(d);
  }
}

void TDateTimeField::SetAsString(const std::string& Value) {
  if (Value.empty()) return Clear();
  TDateTime d = 0;
  switch (DataType()) {
    case ftDate:
      if (!TryStrToDate(Value, d) && !TryStrToDateTime(Value, d)) ConvertError(SInvalidDate, Value);
      break;
    case ftTime:
      if (!TryStrToTime(Value, d) && !TryStrToDateTime(Value, d)) ConvertError(SInvalidTime, Value);
      break;
    default:
      if (!TryStrToDateTime(Value, d)) ConvertError(SInvalidDateTime, Value);
  }
  SetAsDateTime(d);
}

Variant TDateTimeField::GetAsVariant() {
  TDateTime d = 0;
  if (!GetData(&d, false)) return Variant::Null();
  return Variant::FromDateTime(d);
}

void TDateTimeField::SetVarValue(const Variant& Value) {
  switch (Value.VarType()) {
    case varString:
      return SetAsString(Value.AsString());
    case varInteger:
    case varInt64:
    case varDouble:
    case varCurrency:
    case varDate:
      return SetAsDateTime(Value.AsDouble());
    default:
      VarCastError();
  }
}

// --- TBlobField --------------------------------------------------------------------

TBlobField::TBlobField(TComponent* AOwner, TFieldType DataType) : TField(AOwner, DataType) {}

std::int64_t TBlobField::BlobSize() {
  CheckDataSet();
  return DataSet()->CreateBlobStream(this, bmRead)->Size();
}

std::string TBlobField::AsString() {
  CheckDataSet();
  std::unique_ptr<TStream> s = DataSet()->CreateBlobStream(this, bmRead);
  std::string out(static_cast<std::size_t>(s->Size()), '\0');
  s->SetPosition(0);
  if (!out.empty()) s->ReadBuffer(out.data(), static_cast<std::int64_t>(out.size()));
  return out;
}

void TBlobField::SetAsString(const std::string& Value) {
  CheckDataSet();
  DataSet()->CheckFieldWritable(this);
  std::unique_ptr<TStream> s = DataSet()->CreateBlobStream(this, bmWrite);
  if (!Value.empty()) s->WriteBuffer(Value.data(), static_cast<std::int64_t>(Value.size()));
}

bool TBlobField::IsNull() {
  CheckDataSet();
  // A stored blob is never read through the plain field-data path.
  if (Calculated() && !DataSet()->GetFieldValue(this, nullptr, true)) return true;
  return BlobSize() == 0;
}

void TBlobField::Clear() {
  SetAsString(std::string());
}

void TBlobField::LoadFromStream(TStream& Stream) {
  CheckDataSet();
  DataSet()->CheckFieldWritable(this);
  std::unique_ptr<TStream> s = DataSet()->CreateBlobStream(this, bmWrite);
  const std::int64_t rest = Stream.Size() - Stream.Position();
  if (rest > 0) s->CopyFrom(Stream, rest);
}

void TBlobField::SaveToStream(TStream& Stream) {
  CheckDataSet();
  std::unique_ptr<TStream> s = DataSet()->CreateBlobStream(this, bmRead);
  if (s->Size() > 0) Stream.CopyFrom(*s, 0);
}

void TBlobField::LoadFromFile(const std::string& FileName) {
  TFileStream f(FileName, os::fmOpenRead | os::fmShareDenyWrite);
  LoadFromStream(f);
}

void TBlobField::SaveToFile(const std::string& FileName) {
  TFileStream f(FileName, TFileStream::fmCreate);
  SaveToStream(f);
}

Variant TBlobField::GetAsVariant() {
  if (IsNull()) return Variant::Null();
  return Variant(AsString());
}

void TBlobField::SetVarValue(const Variant& Value) {
  if (Value.IsArray()) VarCastError();
  SetAsString(Value.AsString());
}

// --- Factory -----------------------------------------------------------------------

TField* CreateFieldOfType(TFieldType DataType, TComponent* AOwner) {
  switch (DataType) {
    case ftString:
    case ftWideString:
    case ftGuid:
      return new TStringField(AOwner, DataType);
    case ftFixedChar:
      return new TFixedCharField(AOwner);
    case ftSmallint:
      return new TSmallintField(AOwner);
    case ftWord:
      return new TWordField(AOwner);
    case ftInteger:
      return new TIntegerField(AOwner);
    case ftAutoInc:
      return new TAutoIncField(AOwner);
    case ftLargeint:
      return new TLargeintField(AOwner);
    case ftBoolean:
      return new TBooleanField(AOwner);
    case ftFloat:
      return new TFloatField(AOwner);
    case ftCurrency:
      return new TCurrencyField(AOwner);
    case ftDate:
      return new TDateField(AOwner);
    case ftTime:
      return new TTimeField(AOwner);
    case ftDateTime:
      return new TDateTimeField(AOwner);
    case ftMemo:
    case ftFmtMemo:
    case ftOraClob:
      return new TMemoField(AOwner, DataType);
    case ftGraphic:
      return new TGraphicField(AOwner);
    case ftBlob:
    case ftParadoxOle:
    case ftDBaseOle:
    case ftTypedBinary:
    case ftOraBlob:
      return new TBlobField(AOwner, DataType);
    default:
      return nullptr;
  }
}

// --- TFields -----------------------------------------------------------------------

int TFields::IndexOf(const TField* Field) const {
  for (std::size_t i = 0; i < FList.size(); ++i)
    if (FList[i] == Field) return static_cast<int>(i);
  return -1;
}

TField* TFields::FindField(const std::string& FieldName) const {
  // Exact spelling first: the usual case, and the cheapest.
  for (TField* f : FList)
    if (f->FieldName() == FieldName) return f;
  for (TField* f : FList)
    if (SameFieldName(f->FieldName(), FieldName)) return f;
  return nullptr;
}

TField* TFields::FieldByName(const std::string& FieldName) const {
  TField* f = FindField(FieldName);
  if (!f) DatabaseErrorFmt(SFieldNotFound, FieldName, FDataSet);
  return f;
}

void TFields::Add(TField* Field) {
  FList.push_back(Field);
}

void TFields::Remove(TField* Field) {
  const int i = IndexOf(Field);
  if (i >= 0) FList.erase(FList.begin() + i);
}

// --- Definitions -------------------------------------------------------------------

TFieldDef& TFieldDefs::Add(const std::string& Name, TFieldType DataType, int Size, bool Required) {
  auto def = std::make_unique<TFieldDef>();
  def->Name = Name;
  def->DataType = DataType;
  def->Size = Size;
  def->Required = Required;
  def->FieldNo = Count() + 1;
  FItems.push_back(std::move(def));
  return *FItems.back();
}

int TFieldDefs::IndexOf(const std::string& Name) const {
  for (std::size_t i = 0; i < FItems.size(); ++i)
    if (SameFieldName(FItems[i]->Name, Name)) return static_cast<int>(i);
  return -1;
}

const TFieldDef& TFieldDefs::Find(const std::string& Name) const {
  const int i = IndexOf(Name);
  if (i < 0) DatabaseErrorFmt(SFieldNotFound, Name);
  return Items(i);
}

TIndexDef& TIndexDefs::Add(const std::string& Name, const std::string& Fields, TIndexOptions Options) {
  auto def = std::make_unique<TIndexDef>();
  def->Name = Name;
  def->Fields = Fields;
  def->Options = Options;
  FItems.push_back(std::move(def));
  return *FItems.back();
}

int TIndexDefs::IndexOf(const std::string& Name) const {
  for (std::size_t i = 0; i < FItems.size(); ++i)
    if (SameFieldName(FItems[i]->Name, Name)) return static_cast<int>(i);
  return -1;
}

const TIndexDef& TIndexDefs::Find(const std::string& Name) const {
  const int i = IndexOf(Name);
  if (i < 0) DatabaseErrorFmt("Index '%s' not found", Name);
  return Items(i);
}

}  // namespace velmorak
