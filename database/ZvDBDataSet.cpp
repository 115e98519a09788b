// ZvDBDataSet: the cursor's database binding, its record buffers and its
// field access.
#include "database/ZvDBDataSet.h"

#include <cstring>

#include "platform/classes/DateTime.h"

namespace velmorak {

namespace {

// The native forms of the zero date-time value, 30 December 1899 at
// midnight, which a cleared or new date or date-time field holds.
constexpr std::int32_t kZeroDate = DateDelta;
constexpr double kZeroDateTime = static_cast<double>(DateDelta) * static_cast<double>(MSecsPerDay);

TZvSession* AutoSessionOf(TComponent* Owner) {
  if (!Owner) return nullptr;
  for (int i = 0; i < Owner->ComponentCount(); ++i) {
    auto* s = dynamic_cast<TZvSession*>(Owner->Components(i));
    if (s && s->AutoSessionName()) return s;
  }
  return nullptr;
}

}  // namespace

// ---------------------------------------------------------------------------
// TZvDBDataSet

TZvDBDataSet::TZvDBDataSet(TComponent* AOwner) : TDataSet(AOwner) {
  if (auto* db = dynamic_cast<TZvDatabase*>(AOwner))
    FSessionName = db->SessionName();
  else if (TZvSession* s = AutoSessionOf(AOwner))
    FSessionName = s->SessionName();
}

void TZvDBDataSet::Error(const std::string& Message) const {
  DatabaseError(Message, this);
}

TZvSession* TZvDBDataSet::DBSession() const {
  return Sessions().SessionByName(FSessionName);
}

void TZvDBDataSet::SetDatabaseName(const std::string& Value) {
  if (Value == FDatabaseName) return;
  if (Active()) Error(SDataSetOpen);
  if (FDatabase) Error(SDatabaseOpen);
  FDatabaseName = Value;
  DataEvent(dePropertyChange);
}

void TZvDBDataSet::SetSessionName(const std::string& Value) {
  CheckInactive();
  FSessionName = Value;
  DataEvent(dePropertyChange);
}

void TZvDBDataSet::SetLinkSessionName(const std::string& Value) {
  if (!Active()) FSessionName = Value;
}

void TZvDBDataSet::CloseDataSet() {
  Close();
}

void TZvDBDataSet::OpenCursor(bool InfoQuery) {
  TZvSession* session = DBSession();
  // A database the program placed in the default session but meant for this
  // cursor's named session moves there.
  if (session != DefaultSession() && !session->FindDatabase(FDatabaseName))
    if (TZvDatabase* db = DefaultSession()->FindDatabase(FDatabaseName))
      if (!db->Temporary() && !db->Connected()) db->SetSessionName(session->SessionName());
  // The framework calls CloseCursor after a failure from here on, which
  // hands the database back.
  FDatabase = session->OpenDatabase(FDatabaseName, this, true);
  FDatabase->RegisterDataSet(this);
  FDatabase->CheckCanAccess();
  TDataSet::OpenCursor(InfoQuery);
}

void TZvDBDataSet::CloseCursor() {
  TDataSet::CloseCursor();
  if (TZvDatabase* db = FDatabase) {
    FDatabase = nullptr;
    db->UnregisterDataSet(this);
    if (TZvSession* s = db->Session()) s->CloseDatabase(db);
  }
}

// ---------------------------------------------------------------------------
// TZvEDataSet

TZvEDataSet::TZvEDataSet(TComponent* AOwner) : TZvDBDataSet(AOwner) {}

TZvEDataSet::~TZvEDataSet() = default;

void TZvEDataSet::SetMediumType(TZvDBMediumType Value) {
  if (Value == FMediumType) return;
  CheckInactive();
  FMediumType = Value;
  if (TZvSession* s = Sessions().FindSession(FSessionName))
    if (TZvDatabase* db = s->FindDatabase(FDatabaseName)) db->SetMediumType(Value);
}

void TZvEDataSet::SetPassword(const std::string& Password) {
  TZvDatabase* db = DBSession()->OpenDatabase(FDatabaseName, this, false);
  db->SetPassword(Password);
}

TRecordBuffer TZvEDataSet::GetActiveRecBuf() {
  switch (State()) {
    case dsBrowse:
    case dsBlockRead:
      return IsEmpty() ? nullptr : ActiveBuffer();
    case dsEdit:
    case dsInsert:
    case dsNewValue:
      return ActiveBuffer();
    case dsSetKey:
      return FKeyBuffers.empty() ? nullptr : FKeyBuffers[static_cast<std::size_t>(FKeyBufferIndex)];
    case dsCalcFields:
      return CalcBuffer();
    case dsFilter:
      return FFilterBuffer;
    default:
      return nullptr;
  }
}

// --- layout -------------------------------------------------------------------

void TZvEDataSet::ComputeLayout() {
  FPhysicalDataSize = 0;
  FBufferOffsets.assign(static_cast<std::size_t>(FieldDefs().Count()) + 1, -1);
  FFieldsByNo.assign(static_cast<std::size_t>(FieldDefs().Count()) + 1, nullptr);
  FBlobSlots.clear();
  for (TField* f : Fields()) {
    const int no = f->FieldNo();
    if (f->FieldKind() != fkData || no <= 0 || no > FieldDefs().Count()) continue;
    FBufferOffsets[static_cast<std::size_t>(no)] = FPhysicalDataSize;
    FFieldsByNo[static_cast<std::size_t>(no)] = f;
    if (f->IsBlob()) FBlobSlots.push_back(FPhysicalDataSize);
    FPhysicalDataSize += f->IsBlob() ? static_cast<int>(sizeof(TMemoryStream*)) : f->DataSize();
  }
}

void TZvEDataSet::ClearLayout() {
  FPhysicalDataSize = 0;
  FBufferOffsets.clear();
  FFieldsByNo.clear();
  FBlobSlots.clear();
}

TMemoryStream* TZvEDataSet::SlotStream(TRecordBuffer Buffer, const TField* Field) const {
  if (!Buffer || !Field || !Field->IsBlob() || Field->FieldKind() != fkData) return nullptr;
  const int no = Field->FieldNo();
  if (no <= 0 || no >= static_cast<int>(FBufferOffsets.size()) ||
      FBufferOffsets[static_cast<std::size_t>(no)] < 0)
    return nullptr;
  TMemoryStream* s;
  std::memcpy(&s, Buffer + FBufferOffsets[static_cast<std::size_t>(no)], sizeof s);
  return s;
}

TRecordBuffer TZvEDataSet::AllocRecordBuffer() {
  const auto size = static_cast<std::size_t>(RecordBufferSize());
  auto* buffer = new std::uint8_t[size]();
  for (int off : FBlobSlots) {
    TMemoryStream* s = new TOptimBlobStream(this, FDatabase);
    std::memcpy(buffer + off, &s, sizeof s);
  }
  return buffer;
}

void TZvEDataSet::FreeRecordBuffer(TRecordBuffer& Buffer) {
  if (!Buffer) return;
  for (int off : FBlobSlots) {
    TMemoryStream* s;
    std::memcpy(&s, Buffer + off, sizeof s);
    delete s;
  }
  delete[] Buffer;
  Buffer = nullptr;
}

void TZvEDataSet::ClearCalcFields(TRecordBuffer Buffer) {
  if (Buffer && CalcFieldsSize() > 0)
    std::memset(Buffer + FPhysicalDataSize, 0, static_cast<std::size_t>(CalcFieldsSize()));
}

void TZvEDataSet::InternalInitRecord(TRecordBuffer Buffer) {
  if (!Buffer) return;
  ClearCalcFields(Buffer);
  TDateTime now = Now();
  TTimeStamp stamp;
  if (!TryDateTimeToTimeStamp(now, stamp)) stamp = TTimeStamp{};
  for (TField* f : FFieldsByNo) {
    if (!f) continue;
    std::uint8_t* slot = Buffer + FBufferOffsets[static_cast<std::size_t>(f->FieldNo())];
    if (f->IsBlob()) {
      TMemoryStream* s = SlotStream(Buffer, f);
      if (auto* o = dynamic_cast<TOptimBlobStream*>(s)) o->Setup(0, false, false);
      s->SetSize(0);
      continue;
    }
    std::memset(slot, 0, static_cast<std::size_t>(f->DataSize()));
    switch (f->DataType()) {
      case ftDate:
        std::memcpy(slot, &stamp.Date, 4);
        break;
      case ftTime:
        std::memcpy(slot, &stamp.Time, 4);
        break;
      case ftDateTime:
        std::memcpy(slot, &kZeroDateTime, 8);
        break;
      default:
        break;
    }
  }
}

std::int32_t TZvEDataSet::BufferRecIndex(TRecordBuffer Buffer) const {
  std::int32_t v;
  std::memcpy(&v, Buffer + FPhysicalDataSize + CalcFieldsSize(), 4);
  return v;
}

TBookmarkFlag TZvEDataSet::GetBookmarkFlag(TRecordBuffer Buffer) {
  return static_cast<TBookmarkFlag>(Buffer[BookmarkOffset() + kBookmarkSize]);
}

void TZvEDataSet::SetBookmarkFlag(TRecordBuffer Buffer, TBookmarkFlag Value) {
  Buffer[BookmarkOffset() + kBookmarkSize] = static_cast<std::uint8_t>(Value);
}

void TZvEDataSet::GetBookmarkData(TRecordBuffer Buffer, void* Data) {
  std::memcpy(Data, Buffer + BookmarkOffset(), kBookmarkSize);
}

void TZvEDataSet::SetBookmarkData(TRecordBuffer Buffer, const void* Data) {
  std::memcpy(Buffer + BookmarkOffset(), Data, kBookmarkSize);
}

// --- field access ---------------------------------------------------------------

bool TZvEDataSet::GetFieldData(TField* Field, void* Buffer) {
  TRecordBuffer rec = GetActiveRecBuf();
  if (!rec) return false;
  if (Field->FieldKind() != fkData) {
    const std::uint8_t* p = rec + FPhysicalDataSize + Field->Offset();
    const bool notNull = p[0] != 0;
    if (notNull && Buffer) std::memcpy(Buffer, p + 1, static_cast<std::size_t>(Field->DataSize()));
    return notNull;
  }
  if (Field->IsBlob()) Error(SGeneralError);
  const int no = Field->FieldNo();
  if (no <= 0 || no >= static_cast<int>(FBufferOffsets.size()) ||
      FBufferOffsets[static_cast<std::size_t>(no)] < 0)
    return false;
  if (Buffer)
    std::memcpy(Buffer, rec + FBufferOffsets[static_cast<std::size_t>(no)],
                static_cast<std::size_t>(Field->DataSize()));
  return true;
}

void TZvEDataSet::SetFieldData(TField* Field, const void* Buffer) {
  TRecordBuffer rec = GetActiveRecBuf();
  if (!rec) return;
  const auto size = static_cast<std::size_t>(Field->DataSize());
  if (Field->FieldKind() != fkData) {
    std::uint8_t* p = rec + FPhysicalDataSize + Field->Offset();
    p[0] = Buffer ? 1 : 0;
    if (Buffer)
      std::memcpy(p + 1, Buffer, size);
    else
      std::memset(p + 1, 0, size);
  } else {
    if (Field->IsBlob()) Error(SGeneralError);
    const int no = Field->FieldNo();
    if (no <= 0 || no >= static_cast<int>(FBufferOffsets.size()) ||
        FBufferOffsets[static_cast<std::size_t>(no)] < 0)
      return;
    std::uint8_t* slot = rec + FBufferOffsets[static_cast<std::size_t>(no)];
    if (Buffer) {
      std::memcpy(slot, Buffer, size);
    } else {
      // A stored field has no null: clearing it stores its type's zero value
      // (empty text, 0, false, 30 December 1899 at midnight).
      std::memset(slot, 0, size);
      if (Field->DataType() == ftDate) std::memcpy(slot, &kZeroDate, 4);
      if (Field->DataType() == ftDateTime) std::memcpy(slot, &kZeroDateTime, 8);
    }
  }
  if (State() != dsCalcFields && State() != dsFilter) DataEvent(deFieldChange, Field);
}

void TZvEDataSet::DataConvert(TField* Field, const void* Source, void* Dest, bool ToNative) {
  const TFieldType type = Field->DataType();
  if (type != ftDate && type != ftTime && type != ftDateTime) {
    TDataSet::DataConvert(Field, Source, Dest, ToNative);
    return;
  }
  if (ToNative) {
    TDateTime value;
    std::memcpy(&value, Source, sizeof value);
    TTimeStamp stamp;
    if (!TryDateTimeToTimeStamp(value, stamp))
      throw EConvertError(Format("'%s' is not a valid date and time", Format("%.17g", value).c_str()));
    if (type == ftDate) {
      std::memcpy(Dest, &stamp.Date, 4);
    } else if (type == ftTime) {
      std::memcpy(Dest, &stamp.Time, 4);
    } else {
      const double ms = TimeStampToMSecs(stamp);
      std::memcpy(Dest, &ms, 8);
    }
    return;
  }
  TTimeStamp stamp;
  bool ok = true;
  if (type == ftDate) {
    std::memcpy(&stamp.Date, Source, 4);
    stamp.Time = 0;
  } else if (type == ftTime) {
    std::memcpy(&stamp.Time, Source, 4);
    stamp.Date = DateDelta;
  } else {
    double ms;
    std::memcpy(&ms, Source, 8);
    ok = TryMSecsToTimeStamp(ms, stamp);
  }
  // A stored value outside the calendar reads as 0.
  const TDateTime value = ok ? TimeStampToDateTime(stamp) : 0.0;
  std::memcpy(Dest, &value, sizeof value);
}

// --- record numbers -----------------------------------------------------------------

int TZvEDataSet::GetRecNo() {
  UpdateCursorPos();
  if (FCurrentPos == -1 && GetRecordCount() > 0) return 1;
  return FCurrentPos + 1;
}

void TZvEDataSet::SetRecNo(int Value) {
  CheckBrowseMode();
  if (Value < 0 || Value > GetRecordCount() || Value == GetRecNo()) return;
  if (BeforeScroll) BeforeScroll(this);
  FCurrentPos = Value - 1;
  Resync();
  if (AfterScroll) AfterScroll(this);
}

}  // namespace velmorak
