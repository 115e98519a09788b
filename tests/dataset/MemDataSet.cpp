// MemDataSet: the test dataset's steps.
#include "MemDataSet.h"

#include "platform/classes/SysUtils.h"

namespace velmorak::test {

namespace {

// A blob stream over a buffer's blob string: it reads a copy and, opened for
// writing, puts the bytes back and tells the dataset when it is freed.
class TMemBlobStream : public TMemoryStream {
 public:
  TMemBlobStream(TDataSet* DataSet, TField* Field, std::string* Target, TBlobStreamMode Mode)
      : FDataSet(DataSet), FField(Field), FTarget(Target), FMode(Mode) {
    if (Mode != bmWrite && !Target->empty()) {
      Write(Target->data(), static_cast<std::int64_t>(Target->size()));
      SetPosition(0);
    }
  }
  ~TMemBlobStream() override {
    if (FMode == bmRead) return;
    FTarget->assign(reinterpret_cast<const char*>(Memory()), static_cast<std::size_t>(Size()));
    try {
      FDataSet->DataEvent(deFieldChange, FField);
    } catch (...) {
      // A destructor cannot pass it on; the tests' handlers do not raise.
    }
  }

 private:
  TDataSet* FDataSet;
  TField* FField;
  std::string* FTarget;
  TBlobStreamMode FMode;
};

}  // namespace

TMemDataSet::TMemDataSet(TComponent* AOwner, std::shared_ptr<TMemTable> ATable)
    : TDataSet(AOwner), Table(std::move(ATable)) {}

TMemDataSet::~TMemDataSet() {
  try {
    Close();
  } catch (...) {
  }
}

int TMemDataSet::ColumnSize(const TMemColumn& c) const {
  switch (c.Type) {
    case ftString:
    case ftFixedChar:
      return c.Size + 1;
    case ftSmallint:
    case ftWord:
    case ftBoolean:
      return 2;
    case ftInteger:
    case ftAutoInc:
    case ftDate:
    case ftTime:
      return 4;
    default:
      return IsBlobFieldType(c.Type) ? static_cast<int>(sizeof(void*)) : 8;
  }
}

void TMemDataSet::InternalInitFieldDefs() {
  FieldDefs().Clear();
  for (const TMemColumn& c : Table->Columns)
    FieldDefs().Add(c.Name, c.Type, IsTextFieldType(c.Type) ? c.Size : 0);
}

void TMemDataSet::InternalOpen() {
  if (FailOpen) DatabaseErrorFmt("Table '%s' not found", "Missing", this);
  InternalInitFieldDefs();
  if (DefaultFields()) CreateFields();
  BindFields(true);
  FOffsets.clear();
  int at = 0;
  for (const TMemColumn& c : Table->Columns) {
    FOffsets.push_back(at);
    at += ColumnSize(c);
  }
  FFlagsOffset = at;
  FValuesSize = at + static_cast<int>(Table->Columns.size());
  FCalcOffset = FValuesSize;
  FBookmarkOffset = FCalcOffset + CalcFieldsSize();
  FRecordSize = FBookmarkOffset + 4 + 1;
  SetBookmarkSize(4);
  FList.clear();
  for (const TMemRow& r : Table->Rows) FList.push_back(r.Id);
  FPos = -1;
  FOpen = true;
}

void TMemDataSet::CloseCursor() {
  ++CloseCursorCalls;
  TDataSet::CloseCursor();
}

void TMemDataSet::InternalClose() {
  BindFields(false);
  if (DefaultFields()) DestroyFields();
  FList.clear();
  FPos = -1;
  FOpen = false;
}

TRecordBuffer TMemDataSet::AllocRecordBuffer() {
  TRecordBuffer b = new std::uint8_t[static_cast<std::size_t>(FRecordSize)]();
  for (std::size_t i = 0; i < Table->Columns.size(); ++i)
    if (IsBlobFieldType(Table->Columns[i].Type)) SetBlobSlot(b, static_cast<int>(i), new std::string);
  return b;
}

void TMemDataSet::FreeRecordBuffer(TRecordBuffer& Buffer) {
  for (std::size_t i = 0; i < Table->Columns.size(); ++i)
    if (IsBlobFieldType(Table->Columns[i].Type)) delete BlobSlot(Buffer, static_cast<int>(i));
  delete[] Buffer;
  Buffer = nullptr;
}

void TMemDataSet::ReadRow(TRecordBuffer Buffer, int Pos) {
  const int row = Table->FindRow(FList[static_cast<std::size_t>(Pos)]);
  if (row < 0) {
    // Deleted behind this dataset's back: an empty record until a refresh.
    InternalInitRecord(Buffer);
    std::memcpy(Buffer + FBookmarkOffset, &FList[static_cast<std::size_t>(Pos)], 4);
    Buffer[FBookmarkOffset + 4] = bfCurrent;
    return;
  }
  const TMemRow& r = Table->Rows[static_cast<std::size_t>(row)];
  for (std::size_t i = 0; i < Table->Columns.size(); ++i) {
    const int size = ColumnSize(Table->Columns[i]);
    if (IsBlobFieldType(Table->Columns[i].Type))
      *BlobSlot(Buffer, static_cast<int>(i)) = r.Blobs[i];
    else
      std::memcpy(Buffer + FOffsets[i], r.Values.data() + FOffsets[i], static_cast<std::size_t>(size));
  }
  std::memcpy(Buffer + FFlagsOffset, r.Values.data() + FFlagsOffset, Table->Columns.size());
  std::memcpy(Buffer + FBookmarkOffset, &r.Id, 4);
  Buffer[FBookmarkOffset + 4] = bfCurrent;
}

void TMemDataSet::WriteRow(TRecordBuffer Buffer, TMemRow& Row) {
  Row.Values.assign(static_cast<std::size_t>(FValuesSize), 0);
  Row.Blobs.assign(Table->Columns.size(), std::string());
  for (std::size_t i = 0; i < Table->Columns.size(); ++i) {
    if (IsBlobFieldType(Table->Columns[i].Type))
      Row.Blobs[i] = *BlobSlot(Buffer, static_cast<int>(i));
    else
      std::memcpy(Row.Values.data() + FOffsets[i], Buffer + FOffsets[i],
                  static_cast<std::size_t>(ColumnSize(Table->Columns[i])));
  }
  std::memcpy(Row.Values.data() + FFlagsOffset, Buffer + FFlagsOffset, Table->Columns.size());
}

TGetResult TMemDataSet::GetRecord(TRecordBuffer Buffer, TGetMode GetMode, bool DoCheck) {
  const int n = static_cast<int>(FList.size());
  if (n <= 0) return grEOF;
  switch (GetMode) {
    case gmCurrent:
      if (FPos < 0 || FPos >= n) {
        if (DoCheck) DatabaseError("No records", this);
        return grError;
      }
      break;
    case gmNext:
      if (FPos >= n - 1) return grEOF;
      ++FPos;
      break;
    case gmPrior:
      if (FPos <= 0) return grBOF;
      --FPos;
      break;
  }
  ReadRow(Buffer, FPos);
  GetCalcFields(Buffer);
  return grOK;
}

void TMemDataSet::ClearCalcFields(TRecordBuffer Buffer) {
  std::memset(Buffer + FCalcOffset, 0, static_cast<std::size_t>(CalcFieldsSize()));
}

void TMemDataSet::InternalInitRecord(TRecordBuffer Buffer) {
  for (std::size_t i = 0; i < Table->Columns.size(); ++i) {
    if (IsBlobFieldType(Table->Columns[i].Type))
      BlobSlot(Buffer, static_cast<int>(i))->clear();
    else
      std::memset(Buffer + FOffsets[i], 0, static_cast<std::size_t>(ColumnSize(Table->Columns[i])));
  }
  std::memset(Buffer + FFlagsOffset, 0, Table->Columns.size());
  std::memset(Buffer + FBookmarkOffset, 0, 4);
}

void TMemDataSet::InternalSetToRecord(TRecordBuffer Buffer) {
  InternalGotoBookmark(Buffer + FBookmarkOffset);
}

void TMemDataSet::InternalGotoBookmark(const void* Bookmark) {
  std::int32_t id;
  std::memcpy(&id, Bookmark, 4);
  for (std::size_t i = 0; i < FList.size(); ++i)
    if (FList[i] == id && Table->FindRow(id) >= 0) {
      FPos = static_cast<int>(i);
      return;
    }
  DatabaseError(SBookmarkNotFound, this);
}

TBookmarkFlag TMemDataSet::GetBookmarkFlag(TRecordBuffer Buffer) {
  return static_cast<TBookmarkFlag>(Buffer[FBookmarkOffset + 4]);
}

void TMemDataSet::SetBookmarkFlag(TRecordBuffer Buffer, TBookmarkFlag Value) {
  Buffer[FBookmarkOffset + 4] = Value;
}

void TMemDataSet::GetBookmarkData(TRecordBuffer Buffer, void* Data) {
  std::memcpy(Data, Buffer + FBookmarkOffset, 4);
}

void TMemDataSet::SetBookmarkData(TRecordBuffer Buffer, const void* Data) {
  std::memcpy(Buffer + FBookmarkOffset, Data, 4);
}

int TMemDataSet::GetRecNo() {
  UpdateCursorPos();
  if (FPos == -1 && !FList.empty()) return 1;
  return FPos + 1;
}

void TMemDataSet::SetRecNo(int Value) {
  CheckBrowseMode();
  if (Value < 1 || Value > static_cast<int>(FList.size()) || Value == GetRecNo()) return;
  if (BeforeScroll) BeforeScroll(this);
  FPos = Value - 1;
  Resync();
  if (AfterScroll) AfterScroll(this);
}

TRecordBuffer TMemDataSet::ActiveRecBuf() {
  switch (State()) {
    case dsBrowse:
      return IsEmpty() ? nullptr : ActiveBuffer();
    case dsEdit:
    case dsInsert:
      return ActiveBuffer();
    case dsCalcFields:
      return CalcBuffer();
    default:
      return nullptr;
  }
}

bool TMemDataSet::GetFieldData(TField* Field, void* Buffer) {
  TRecordBuffer rb = ActiveRecBuf();
  if (!rb) return false;
  if (Field->Calculated()) {
    const std::uint8_t* p = rb + FCalcOffset + Field->Offset();
    if (!p[0]) return false;
    if (Buffer) std::memcpy(Buffer, p + 1, static_cast<std::size_t>(Field->DataSize()));
    return true;
  }
  const int i = Field->FieldNo() - 1;
  if (IsBlobFieldType(Field->DataType())) DatabaseError("General error", this);
  if (!rb[FFlagsOffset + i]) return false;
  if (Buffer)
    std::memcpy(Buffer, rb + FOffsets[static_cast<std::size_t>(i)],
                static_cast<std::size_t>(Field->DataSize()));
  return true;
}

void TMemDataSet::SetFieldData(TField* Field, const void* Buffer) {
  TRecordBuffer rb = ActiveRecBuf();
  if (!rb) return;
  if (Field->Calculated()) {
    std::uint8_t* p = rb + FCalcOffset + Field->Offset();
    p[0] = Buffer ? 1 : 0;
    if (Buffer) std::memcpy(p + 1, Buffer, static_cast<std::size_t>(Field->DataSize()));
  } else {
    const int i = Field->FieldNo() - 1;
    if (IsBlobFieldType(Field->DataType())) DatabaseError("General error", this);
    rb[FFlagsOffset + i] = Buffer ? 1 : 0;
    std::uint8_t* slot = rb + FOffsets[static_cast<std::size_t>(i)];
    if (Buffer)
      std::memcpy(slot, Buffer, static_cast<std::size_t>(Field->DataSize()));
    else
      std::memset(slot, 0, static_cast<std::size_t>(Field->DataSize()));
  }
  if (State() != dsCalcFields && State() != dsFilter) DataEvent(deFieldChange, Field);
}

std::unique_ptr<TStream> TMemDataSet::CreateBlobStream(TField* Field, TBlobStreamMode Mode) {
  TRecordBuffer rb = ActiveRecBuf();
  if (Mode != bmRead && State() != dsEdit && State() != dsInsert) DatabaseError(SNotEditing, this);
  if (Field->Calculated()) DatabaseError("General error", this);
  // No record: an empty value to read.
  if (!rb) return std::make_unique<TMemoryStream>();
  return std::make_unique<TMemBlobStream>(this, Field, BlobSlot(rb, Field->FieldNo() - 1), Mode);
}

void TMemDataSet::InternalPost() {
  TMemTable& t = *Table;
  if (t.UniqueColumn >= 0) {
    const std::size_t c = static_cast<std::size_t>(t.UniqueColumn);
    const char* mine = reinterpret_cast<const char*>(ActiveBuffer() + FOffsets[c]);
    std::int32_t myId = 0;
    if (State() == dsEdit) std::memcpy(&myId, ActiveBuffer() + FBookmarkOffset, 4);
    for (const TMemRow& r : t.Rows)
      if (r.Id != myId &&
          std::strcmp(reinterpret_cast<const char*>(StoredSlot(r, t.UniqueColumn)), mine) == 0)
        throw EDatabaseError(Format("Invalid unique field value '%s'", mine));
  }
  if (State() == dsEdit) {
    std::int32_t id;
    std::memcpy(&id, ActiveBuffer() + FBookmarkOffset, 4);
    const int row = t.FindRow(id);
    if (row < 0) DatabaseError("Record not found", this);
    WriteRow(ActiveBuffer(), t.Rows[static_cast<std::size_t>(row)]);
    return;
  }
  TMemRow r;
  r.Id = t.NextId++;
  WriteRow(ActiveBuffer(), r);
  t.Rows.push_back(r);
  // Append (after InternalLast) adds at the end; Insert before the current record.
  const int n = static_cast<int>(FList.size());
  const int at = FPos >= n ? n : (FPos < 0 ? 0 : FPos);
  FList.insert(FList.begin() + at, r.Id);
  FPos = at;
}

void TMemDataSet::InternalDelete() {
  std::int32_t id = FList[static_cast<std::size_t>(FPos)];
  const int row = Table->FindRow(id);
  if (row >= 0) Table->Rows.erase(Table->Rows.begin() + row);
  FList.erase(FList.begin() + FPos);
  if (FPos >= static_cast<int>(FList.size())) FPos = static_cast<int>(FList.size()) - 1;
}

void TMemDataSet::InternalRefresh() {
  FList.clear();
  for (const TMemRow& r : Table->Rows) FList.push_back(r.Id);
  if (FPos >= static_cast<int>(FList.size())) FPos = static_cast<int>(FList.size()) - 1;
}

}  // namespace velmorak::test
