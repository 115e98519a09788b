// Fields: the field objects of the dataset framework and the definitions a
// dataset describes its records with.
//
// A TField is one column of a dataset's current record. It reads and writes
// the record buffer of the dataset's current state through the dataset
// (GetFieldData / SetFieldData) in the framework's native form:
//
//   type                          native form            bytes (DataSize)
//   ftString, ftFixedChar         ANSI text, then NUL    Size + 1
//   ftSmallint / ftWord           int16 / uint16         2
//   ftBoolean                     int16, 0 = false       2
//   ftInteger, ftAutoInc          int32                  4
//   ftLargeint                    int64                  8
//   ftFloat, ftCurrency           double                 8
//   ftDate                        int32 day number       4   (1 = 0001-01-01)
//   ftTime                        int32 ms since midnight 4
//   ftDateTime                    double: day number * 86400000 + ms   8
//   blob types                    none: through CreateBlobStream       0
//
// The field's value form (Value, the As... accessors) is a TDateTime for
// the date and time types and the native form for the others; the dataset's
// DataConvert converts.
//
// Assigning a value needs the dataset in a writing state (dsEdit, dsInsert,
// dsSetKey, dsFilter, or dsCalcFields for calculated fields): otherwise
// "Dataset not in edit or insert mode". A text that does not convert raises
// EConvertError at the assignment and leaves the record as it was. An empty
// text given to a non-text field clears it.
//
// Ownership: a field is a component. Default fields (made from FieldDefs at
// open) belong to the dataset and are freed at close; persistent fields
// belong to whoever created them and stay in the dataset's Fields until
// freed or moved with SetDataSet.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/classes/Classes.h"
#include "platform/classes/DateTime.h"
#include "platform/classes/Variants.h"
#include "platform/dataset/DBTypes.h"

namespace velmorak {

class TDataSet;
class TField;

using TFieldNotifyEvent = std::function<void(TField* Sender)>;

class TField : public TComponent {
 public:
  TField(TComponent* AOwner, TFieldType DataType);
  ~TField() override;
  const char* ClassName() const override { return "TField"; }

  // The dataset the field belongs to. Refused while that dataset (or the
  // new one) is open: "Cannot perform this operation on an open dataset".
  TDataSet* DataSet() const { return FDataSet; }
  void SetDataSet(TDataSet* Value);

  const std::string& FieldName() const { return FFieldName; }
  void SetFieldName(const std::string& Value);
  // 1-based position of the field's definition in FieldDefs for a data
  // field bound to an open dataset; 0 otherwise, -1 for calculated fields.
  int FieldNo() const { return FFieldNo; }
  TFieldType DataType() const { return FDataType; }
  // The declared size: characters for the text types, 0 for the others.
  int Size() const { return FSize; }
  void SetSize(int Value);
  TFieldKind FieldKind() const { return FFieldKind; }
  void SetFieldKind(TFieldKind Value);
  bool Calculated() const { return FFieldKind != fkData; }
  bool IsBlob() const { return IsBlobFieldType(FDataType); }
  // Bytes of the native form (table above).
  virtual int DataSize() const = 0;
  // Offset of a calculated field's null flag in the calculated-field area;
  // its data follows the flag. Set when the dataset binds its fields.
  int Offset() const { return FOffset; }
  bool ReadOnly = false;
  bool Required = false;
  std::string DisplayLabel;
  const std::string& DisplayName() const { return DisplayLabel.empty() ? FFieldName : DisplayLabel; }

  // Lookup fields: KeyFields of this dataset matched against
  // LookupKeyFields of LookupDataSet give LookupResultField.
  TDataSet* LookupDataSet = nullptr;
  std::string KeyFields, LookupKeyFields, LookupResultField;

  // --- Values ----------------------------------------------------------------------
  // Null: an empty variant of type varNull.
  Variant Value();
  void SetValue(const Variant& Value);
  virtual std::string AsString();
  virtual void SetAsString(const std::string& Value);
  virtual std::int32_t AsInteger();
  virtual void SetAsInteger(std::int32_t Value);
  virtual std::int64_t AsLargeInt();
  virtual void SetAsLargeInt(std::int64_t Value);
  virtual double AsFloat();
  virtual void SetAsFloat(double Value);
  double AsCurrency() { return AsFloat(); }
  void SetAsCurrency(double Value) { SetAsFloat(Value); }
  virtual bool AsBoolean();
  virtual void SetAsBoolean(bool Value);
  virtual TDateTime AsDateTime();
  virtual void SetAsDateTime(TDateTime Value);
  std::string Text() { return AsString(); }
  void SetText(const std::string& Value) { SetAsString(Value); }

  virtual bool IsNull();
  virtual void Clear();

  // The raw native (or, NativeFormat false, value-form) bytes of the current
  // record; false when null or there is no record.
  bool GetData(void* Buffer, bool NativeFormat = true);
  void SetData(const void* Buffer, bool NativeFormat = true);

  // Raised after every change of the field's value in the record.
  TFieldNotifyEvent OnChange;
  void Change() {
    if (OnChange) OnChange(this);
  }

 protected:
  // The value as a variant (null when null) and the type's own conversion
  // of a variant into the field.
  virtual Variant GetAsVariant() = 0;
  virtual void SetVarValue(const Variant& Value) = 0;
  // Raises EDatabaseError "Invalid variant type conversion for field '%s'".
  [[noreturn]] void VarCastError();
  void CheckDataSet() const;

 private:
  friend class TDataSet;
  friend class TFields;
  TDataSet* FDataSet = nullptr;
  std::string FFieldName;
  TFieldType FDataType;
  int FSize = 0;
  int FFieldNo = 0;
  int FOffset = 0;
  TFieldKind FFieldKind = fkData;
};

class TStringField : public TField {
 public:
  explicit TStringField(TComponent* AOwner, TFieldType DataType = ftString);
  const char* ClassName() const override { return "TStringField"; }
  int DataSize() const override { return Size() + 1; }
  // The text is ANSI bytes; an assigned text is cut to Size characters.
  std::string AsString() override;
  void SetAsString(const std::string& Value) override;

 protected:
  Variant GetAsVariant() override;
  void SetVarValue(const Variant& Value) override;
};

class TFixedCharField : public TStringField {
 public:
  explicit TFixedCharField(TComponent* AOwner) : TStringField(AOwner, ftFixedChar) {}
  const char* ClassName() const override { return "TFixedCharField"; }
};

// The integer types, each with its range: an assignment outside it raises
// "Value %s is out of range for field '%s' (%d to %d)".
class TIntegerField : public TField {
 public:
  explicit TIntegerField(TComponent* AOwner, TFieldType DataType = ftInteger);
  const char* ClassName() const override { return "TIntegerField"; }
  int DataSize() const override;
  std::int64_t MinValue() const { return FMin; }
  std::int64_t MaxValue() const { return FMax; }
  std::string AsString() override;
  void SetAsString(const std::string& Value) override;
  std::int32_t AsInteger() override;
  std::int64_t AsLargeInt() override;
  void SetAsLargeInt(std::int64_t Value) override;
  void SetAsInteger(std::int32_t Value) override { SetAsLargeInt(Value); }

 protected:
  Variant GetAsVariant() override;
  void SetVarValue(const Variant& Value) override;
  void CheckRange(std::int64_t Value, const std::string& Text);
  std::int64_t FMin, FMax;
};

class TSmallintField : public TIntegerField {
 public:
  explicit TSmallintField(TComponent* AOwner) : TIntegerField(AOwner, ftSmallint) {}
  const char* ClassName() const override { return "TSmallintField"; }
};

class TWordField : public TIntegerField {
 public:
  explicit TWordField(TComponent* AOwner) : TIntegerField(AOwner, ftWord) {}
  const char* ClassName() const override { return "TWordField"; }
};

class TAutoIncField : public TIntegerField {
 public:
  explicit TAutoIncField(TComponent* AOwner) : TIntegerField(AOwner, ftAutoInc) {}
  const char* ClassName() const override { return "TAutoIncField"; }
};

class TLargeintField : public TIntegerField {
 public:
  explicit TLargeintField(TComponent* AOwner) : TIntegerField(AOwner, ftLargeint) {}
  const char* ClassName() const override { return "TLargeintField"; }
};

class TFloatField : public TField {
 public:
  explicit TFloatField(TComponent* AOwner, TFieldType DataType = ftFloat);
  const char* ClassName() const override { return "TFloatField"; }
  int DataSize() const override { return 8; }
  double AsFloat() override;
  void SetAsFloat(double Value) override;
  std::string AsString() override;
  void SetAsString(const std::string& Value) override;

 protected:
  Variant GetAsVariant() override;
  void SetVarValue(const Variant& Value) override;
};

class TCurrencyField : public TFloatField {
 public:
  explicit TCurrencyField(TComponent* AOwner) : TFloatField(AOwner, ftCurrency) {}
  const char* ClassName() const override { return "TCurrencyField"; }
};

class TBooleanField : public TField {
 public:
  explicit TBooleanField(TComponent* AOwner);
  const char* ClassName() const override { return "TBooleanField"; }
  int DataSize() const override { return 2; }
  bool AsBoolean() override;
  void SetAsBoolean(bool Value) override;
  // FormatSettings' TrueBoolStr / FalseBoolStr; reading also takes "true"
  // and "false", in any case.
  std::string AsString() override;
  void SetAsString(const std::string& Value) override;

 protected:
  Variant GetAsVariant() override;
  void SetVarValue(const Variant& Value) override;
};

// ftDateTime, and the base of the date and time fields. A date-time value
// assigned to a date field keeps its date, to a time field its time of day.
class TDateTimeField : public TField {
 public:
  explicit TDateTimeField(TComponent* AOwner, TFieldType DataType = ftDateTime);
  const char* ClassName() const override { return "TDateTimeField"; }
  int DataSize() const override { return DataType() == ftDateTime ? 8 : 4; }
  TDateTime AsDateTime() override;
  void SetAsDateTime(TDateTime Value) override;
  double AsFloat() override { return AsDateTime(); }
  void SetAsFloat(double Value) override { SetAsDateTime(Value); }
  std::string AsString() override;
  void SetAsString(const std::string& Value) override;

 protected:
  Variant GetAsVariant() override;
  void SetVarValue(const Variant& Value) override;
};

class TDateField : public TDateTimeField {
 public:
  explicit TDateField(TComponent* AOwner) : TDateTimeField(AOwner, ftDate) {}
  const char* ClassName() const override { return "TDateField"; }
};

class TTimeField : public TDateTimeField {
 public:
  explicit TTimeField(TComponent* AOwner) : TDateTimeField(AOwner, ftTime) {}
  const char* ClassName() const override { return "TTimeField"; }
};

// The blob types: the value is bytes, read and written through the
// dataset's blob stream. IsNull is true for an empty value.
class TBlobField : public TField {
 public:
  explicit TBlobField(TComponent* AOwner, TFieldType DataType = ftBlob);
  const char* ClassName() const override { return "TBlobField"; }
  int DataSize() const override { return 0; }
  std::int64_t BlobSize();
  // The whole value as bytes.
  std::string AsString() override;
  void SetAsString(const std::string& Value) override;
  bool IsNull() override;
  void Clear() override;
  void LoadFromStream(TStream& Stream);  // from Stream's position to its end
  void SaveToStream(TStream& Stream);
  void LoadFromFile(const std::string& FileName);
  void SaveToFile(const std::string& FileName);

 protected:
  Variant GetAsVariant() override;
  void SetVarValue(const Variant& Value) override;
};

// Memo types: the blob's bytes are ANSI text.
class TMemoField : public TBlobField {
 public:
  explicit TMemoField(TComponent* AOwner, TFieldType DataType = ftMemo) : TBlobField(AOwner, DataType) {}
  const char* ClassName() const override { return "TMemoField"; }
};

class TGraphicField : public TBlobField {
 public:
  explicit TGraphicField(TComponent* AOwner) : TBlobField(AOwner, ftGraphic) {}
  const char* ClassName() const override { return "TGraphicField"; }
};

// A new field of the class that holds DataType (TStringField for ftString,
// TMemoField for ftMemo, ...); null for a type with no field class.
TField* CreateFieldOfType(TFieldType DataType, TComponent* AOwner);

// The fields of a dataset, in order. The list does not own them.
class TFields {
 public:
  explicit TFields(TDataSet* DataSet) : FDataSet(DataSet) {}
  int Count() const { return static_cast<int>(FList.size()); }
  TField* Fields(int Index) const { return FList.at(static_cast<std::size_t>(Index)); }
  TField* operator[](int Index) const { return Fields(Index); }
  int IndexOf(const TField* Field) const;
  // Case-insensitive in the ANSI code page.
  TField* FindField(const std::string& FieldName) const;
  // As FindField; "Field '%s' not found" in the dataset's name.
  TField* FieldByName(const std::string& FieldName) const;
  std::vector<TField*>::const_iterator begin() const { return FList.begin(); }
  std::vector<TField*>::const_iterator end() const { return FList.end(); }

 private:
  friend class TField;
  friend class TDataSet;
  void Add(TField* Field);
  void Remove(TField* Field);
  TDataSet* FDataSet;
  std::vector<TField*> FList;
};

// True when two names are equal ignoring case (ANSI).
bool SameFieldName(const std::string& A, const std::string& B);

class TFieldDef {
 public:
  std::string Name;
  TFieldType DataType = ftUnknown;
  int Size = 0;
  bool Required = false;
  int FieldNo = 0;  // 1-based position in the list
};

class TFieldDefs {
 public:
  TFieldDef& Add(const std::string& Name, TFieldType DataType, int Size = 0, bool Required = false);
  void Clear() { FItems.clear(); }
  int Count() const { return static_cast<int>(FItems.size()); }
  const TFieldDef& Items(int Index) const { return *FItems.at(static_cast<std::size_t>(Index)); }
  const TFieldDef& operator[](int Index) const { return Items(Index); }
  int IndexOf(const std::string& Name) const;  // case-insensitive, -1 if none
  // "Field '%s' not found" when there is none.
  const TFieldDef& Find(const std::string& Name) const;

 private:
  std::vector<std::unique_ptr<TFieldDef>> FItems;
};

class TIndexDef {
 public:
  std::string Name;
  std::string Fields;  // the key's field names, as the dataset lists them
  TIndexOptions Options;
};

class TIndexDefs {
 public:
  TIndexDef& Add(const std::string& Name, const std::string& Fields, TIndexOptions Options);
  void Clear() { FItems.clear(); }
  int Count() const { return static_cast<int>(FItems.size()); }
  const TIndexDef& Items(int Index) const { return *FItems.at(static_cast<std::size_t>(Index)); }
  const TIndexDef& operator[](int Index) const { return Items(Index); }
  int IndexOf(const std::string& Name) const;  // case-insensitive, -1 if none
  // "Index '%s' not found" when there is none.
  const TIndexDef& Find(const std::string& Name) const;

 private:
  std::vector<std::unique_ptr<TIndexDef>> FItems;
};

}  // namespace velmorak
