// ZvDBTable: the table cursor's steps — opening a table, its record list and
// index, reading records, appending, changing and deleting them — and the
// cursor's blob stream.
#include "database/ZvDBTable.h"

#include <algorithm>
#include <cstring>

namespace velmorak {

using namespace zvfmt;

namespace {

constexpr const char* SRecordNotFound = "Record not found";
constexpr const char* SNoRecords = "No records";

std::string JoinFieldNames(const TZvTableIO& t, const TIntegerAry& numbers) {
  std::string out;
  for (std::int32_t f : numbers) {
    if (!out.empty()) out += ',';
    out += t.FieldDefs().Items(f).Name;
  }
  return out;
}

}  // namespace

// ---------------------------------------------------------------------------
// TZvBlobStream

TZvBlobStream::TZvBlobStream(TField* AField, TZvEDataSet* ATable, TBlobStreamMode AMode)
    : Field(AField), Table(ATable), FieldNo(AField->FieldNo()), Mode(AMode) {
  TMemoryStream* slot = Table->SlotStream(Table->GetActiveRecBuf(), Field);
  if (Mode == bmWrite) {
    if (slot) slot->SetSize(0);
    Modified = true;
    Table->DataEvent(deFieldChange, Field);
  } else if (slot) {
    auto* lazy = dynamic_cast<TOptimBlobStream*>(slot);
    const std::uint8_t* bytes = lazy ? lazy->Data() : slot->Memory();
    if (slot->Size() > 0) TMemoryStream::Write(bytes, slot->Size());
    TMemoryStream::Seek(0, TSeekOrigin::soBeginning);
  }
  Opened = true;
}

void TZvBlobStream::PublishToRecord() {
  Modified = true;
  if (TMemoryStream* slot = Table->SlotStream(Table->GetActiveRecBuf(), Field)) {
    slot->SetSize(0);
    if (Size() > 0) slot->WriteBuffer(Memory(), Size());
  }
  Table->DataEvent(deFieldChange, Field);
}

std::int64_t TZvBlobStream::Write(const void* Buffer, std::int64_t Count) {
  const std::int64_t n = TMemoryStream::Write(Buffer, Count);
  if (Mode != bmRead) PublishToRecord();
  return n;
}

void TZvBlobStream::SetSize(std::int64_t NewSize) {
  TMemoryStream::SetSize(NewSize);
  if (Mode != bmRead && Opened) PublishToRecord();
}

// ---------------------------------------------------------------------------
// TZvTable: properties

TZvTable::TZvTable(TComponent* AOwner) : TZvEDataSet(AOwner) {}

TZvTable::~TZvTable() {
  try {
    Close();
  } catch (...) {
    InternalHandleException();
  }
}

void TZvTable::SetDatabaseName(const std::string& Value) {
  TZvEDataSet::SetDatabaseName(Value);
  FTableName.clear();
  FIndexName.clear();
}

void TZvTable::SetTableName(const std::string& Value) {
  if (Value == FTableName) return;
  CheckInactive();
  FTableName = Value;
}

void TZvTable::SetIndexName(const std::string& Value) {
  FIndexName = Value;
  if (Value.empty()) FIndexNo = -1;
  if (Active()) {
    CheckBrowseMode();
    SelectIndex();
    First();
  }
}

// ---------------------------------------------------------------------------
// Opening and closing

void TZvTable::InternalInitFieldDefs() {
  FieldDefs().Clear();
  if (!FTableIO) return;
  const TZvFieldDefs& defs = FTableIO->FieldDefs();
  for (int i = 0; i < defs.Count(); ++i) {
    const TZvFieldDef& d = defs.Items(i);
    const bool sized = IsTextType(d.FieldType);
    FieldDefs().Add(d.Name, static_cast<TFieldType>(d.FieldType), sized ? d.FieldSize : 0, false);
  }
}

void TZvTable::InternalOpen() {
  if (!FDatabase) Error(SDatabaseClosed);
  TZvTableIO* table = FDatabase->FindTableIO(FTableName);
  if (!table) DatabaseErrorFmt("Table '%s' not found", FTableName, this);
  table->Open();
  FTableIO = table;
  FCursorList.clear();
  FCurrentPos = -1;
  SetBookmarkSize(kBookmarkSize);
  FModifiable = true;
  FCursorOpen = true;
  InternalInitFieldDefs();
  if (Fields().Count() == 0) CreateFields();
  BindFields(true);
  IndexDefs().Clear();
  const TZvIndexDefs& indexes = FTableIO->IndexDefs();
  for (int j = 0; j < indexes.Count(); ++j) {
    const TZvIndexDef& d = indexes.Items(j);
    TIndexOptions options;
    if (d.Has(tiPrimary)) options.Include(ixPrimary);
    if (d.Has(tiUnique)) options.Include(ixUnique);
    if (d.Has(tiDescending)) options.Include(ixDescending);
    if (d.Has(tiCaseInsensitive)) options.Include(ixCaseInsensitive);
    IndexDefs().Add(d.Name, JoinFieldNames(*FTableIO, d.FieldNumbers), options);
  }
  ComputeLayout();
  SelectIndex();
  FKeyBuffers.clear();
  for (int k = 0; k < 4; ++k) {
    FKeyBuffers.push_back(AllocRecordBuffer());
    InternalInitRecord(FKeyBuffers.back());
  }
}

void TZvTable::InternalClose() {
  for (TRecordBuffer& b : FKeyBuffers) FreeRecordBuffer(b);
  FKeyBuffers.clear();
  FCursorList.clear();
  FCursorList.shrink_to_fit();
  FBuffers.Clear();
  FBuffersFor = nullptr;
  FCursorOpen = false;
  if (FTableIO) FTableIO->Close();
  FTableIO = nullptr;
  FCurrentPos = -1;
  FModifiable = false;
}

void TZvTable::SelectIndex() {
  FIndexNo = FIndexName.empty() ? -1 : FTableIO->IndexDefs().IndexOfName(FIndexName);
  if (FIndexNo < 0) FIndexNo = FTableIO->FindPrimaryIndex();
  CopyList();
}

void TZvTable::CopyList() {
  // What other cursors, database objects and processes wrote is taken in here.
  FTableIO->RefreshView();
  const int list = FIndexNo + 1;
  if (!FTableIO->GetList(list)) FTableIO->BuildRecordList(list, true);
  const TRecordList* source = FTableIO->GetList(list);
  FCursorList = source ? *source : TRecordList{};
  FCurrentPos = -1;
  FSyncedWrites = FDatabase->CursorWriteCount(FTableIO);
  FSyncedGeneration = FTableIO->ViewGeneration();
}

bool TZvTable::ListIsCopy() const {
  return FSyncedWrites == FDatabase->CursorWriteCount(FTableIO) &&
         FSyncedGeneration == FTableIO->ViewGeneration() && !Filtered();
}

void TZvTable::MarkSynced(bool WasCopy) {
  std::uint64_t& writes = FDatabase->CursorWriteCount(FTableIO);
  ++writes;
  if (WasCopy && FSyncedGeneration == FTableIO->ViewGeneration()) FSyncedWrites = writes;
}

// ---------------------------------------------------------------------------
// Reading

TFieldBuffers& TZvTable::BuildBuffers(TRecordBuffer Buffer) {
  const TZvFieldDefs& defs = FTableIO->FieldDefs();
  if (FBuffersFor != Buffer || FBuffers.Count() != defs.Count()) {
    FBuffers.Clear();
    for (int i = 0; i < defs.Count(); ++i) {
      const std::uint8_t type = defs.Items(i).FieldType;
      TField* f = FieldOfNo(i + 1);
      if (!f)
        FBuffers.AddInactive(type);
      else if (IsBlobType(type))
        FBuffers.AddStream(SlotStream(Buffer, f), type);
      else
        FBuffers.Add(Buffer + BufferOffset(i + 1), type, f->DataSize());
    }
    FBuffersFor = Buffer;
  } else {
    // The same address may be a new buffer with streams of its own.
    for (int i = 0; i < defs.Count(); ++i)
      if (TField* f = FieldOfNo(i + 1); f && IsBlobType(defs.Items(i).FieldType))
        FBuffers.Items(i).Buffer = SlotStream(Buffer, f);
  }
  return FBuffers;
}

void TZvTable::ReadRecordData(TRecordBuffer Buffer, int Pos) {
  if (Pos < 0 || Pos >= static_cast<int>(FCursorList.size())) return;
  FTableIO->ReadRecord(BuildBuffers(Buffer), FCursorList, Pos);
}

TGetResult TZvTable::GetRecord(TRecordBuffer Buffer, TGetMode GetMode, bool DoCheck) {
  const int n = static_cast<int>(FCursorList.size());
  if (n <= 0) return grEOF;
  const int old = FCurrentPos;
  if (FCurrentPos > n) FCurrentPos = n;
  switch (GetMode) {
    case gmCurrent:
      if (FCurrentPos < 0 || FCurrentPos >= n) {
        if (DoCheck) Error(SNoRecords);
        return grError;
      }
      break;
    case gmNext:
      if (FCurrentPos >= n - 1) return grEOF;
      ++FCurrentPos;
      break;
    case gmPrior:
      if (FCurrentPos <= 0) return grBOF;
      --FCurrentPos;
      break;
  }
  try {
    ReadRecordData(Buffer, FCurrentPos);
  } catch (...) {
    FCurrentPos = old;
    throw;
  }
  SetBookmarkFlag(Buffer, bfCurrent);
  const std::int32_t rec = FCursorList[static_cast<std::size_t>(FCurrentPos)].RecIndex;
  SetBookmarkData(Buffer, &rec);
  GetCalcFields(Buffer);
  return grOK;
}

// ---------------------------------------------------------------------------
// Bookmarks

int TZvTable::FindEntry(std::int32_t RecIndex) const {
  if (FCurrentPos >= 0 && FCurrentPos < static_cast<int>(FCursorList.size()) &&
      FCursorList[static_cast<std::size_t>(FCurrentPos)].RecIndex == RecIndex)
    return FCurrentPos;
  for (std::size_t i = 0; i < FCursorList.size(); ++i)
    if (FCursorList[i].RecIndex == RecIndex) return static_cast<int>(i);
  return -1;
}

void TZvTable::InternalGotoBookmark(const void* Bookmark) {
  std::int32_t rec;
  std::memcpy(&rec, Bookmark, sizeof rec);
  const int pos = FindEntry(rec);
  if (pos < 0) Error(SBookmarkNotFound);
  FCurrentPos = pos;
}

void TZvTable::InternalSetToRecord(TRecordBuffer Buffer) {
  InternalGotoBookmark(Buffer + BookmarkOffset());
}

bool TZvTable::BookmarkValid(const TBookmark& Value) {
  if (!FCursorOpen || Value.size() != kBookmarkSize) return false;
  std::int32_t rec;
  std::memcpy(&rec, Value.data(), sizeof rec);
  return FindEntry(rec) >= 0;
}

int TZvTable::CompareBookmarks(const TBookmark& A, const TBookmark& B) {
  if (A.empty() || B.empty()) return static_cast<int>(!A.empty()) - static_cast<int>(!B.empty());
  std::int32_t a = 0, b = 0;
  std::memcpy(&a, A.data(), std::min<std::size_t>(A.size(), 4));
  std::memcpy(&b, B.data(), std::min<std::size_t>(B.size(), 4));
  return a < b ? -1 : (a > b ? 1 : 0);
}

// ---------------------------------------------------------------------------
// Writing

bool TZvTable::GetCanModify() {
  if (!FModifiable || FReadOnly || !FDatabase || FDatabase->ReadOnly()) return false;
  const TZvDBFileIO* io = FDatabase->GetFileIO();
  return io && !io->FileIsReadOnly() && !io->ReadOnly();
}

int TZvTable::SearchPlace(TFieldBuffers& Buffers) const {
  if (FIndexNo < 0) return static_cast<int>(FCursorList.size());
  int cmp = 0;
  const int r = FTableIO->SearchIndexBound(Buffers, FCursorList, false, 0, cmp, false, FIndexNo);
  if (cmp == -2) return 0;
  return cmp >= 0 ? r + 1 : r;
}

int TZvTable::CurrentPhysicalPos() const {
  if (FCurrentPos < 0 || FCurrentPos >= static_cast<int>(FCursorList.size())) Error(SNoRecords);
  const std::int32_t rec = FCursorList[static_cast<std::size_t>(FCurrentPos)].RecIndex;
  // Another cursor of this table may have deleted it.
  const int pos = FTableIO->PhysicalPosOfRecIndex(rec);
  if (pos < 0) Error(SRecordNotFound);
  return pos;
}

void TZvTable::AppendFrom(TRecordBuffer Buffer) {
  TFieldBuffers& buffers = BuildBuffers(Buffer);
  const bool wasCopy = ListIsCopy();
  bool placed = false;
  std::int32_t newRec = -1;
  auto onInsert = [&](TObject*, int ListIndex, int Position, const TRecordEntry& Entry) {
    newRec = Entry.RecIndex;
    if (ListIndex != FIndexNo) return;
    placed = true;
    if (FIndexNo < 0) {
      // Physical order: the new record goes to the end; CurrentPos stays.
      FCursorList.push_back(Entry);
      return;
    }
    const bool copy = wasCopy && FSyncedGeneration == FTableIO->ViewGeneration();
    int at = copy && Position >= 0 && Position <= static_cast<int>(FCursorList.size()) ? Position
                                                                                       : SearchPlace(buffers);
    FCursorList.insert(FCursorList.begin() + at, Entry);
    FCurrentPos = at;
  };
  FTableIO->AppendRecord(buffers, false, onInsert, this);
  if (!placed && newRec >= 0) {
    const TRecordList* list0 = FTableIO->GetList(0);
    if (list0 && !list0->empty()) FCursorList.push_back(list0->back());
  }
  if (newRec >= 0) SetBookmarkData(Buffer, &newRec);
  MarkSynced(wasCopy);
}

void TZvTable::ModifyFrom(TRecordBuffer Buffer) {
  const int phys = CurrentPhysicalPos();
  const std::int32_t rec = FCursorList[static_cast<std::size_t>(FCurrentPos)].RecIndex;
  TFieldBuffers& buffers = BuildBuffers(Buffer);
  const bool wasCopy = ListIsCopy();
  auto onMove = [&](TObject*, int IndexNo, int From, int To) {
    if (IndexNo != FIndexNo) return;
    const int size = static_cast<int>(FCursorList.size());
    const bool copy = wasCopy && FSyncedGeneration == FTableIO->ViewGeneration() && From >= 0 &&
                      From < size && FCursorList[static_cast<std::size_t>(From)].RecIndex == rec;
    const int mine = copy ? From : FindEntry(rec);
    if (mine < 0) return;
    const TRecordEntry entry = FCursorList[static_cast<std::size_t>(mine)];
    FCursorList.erase(FCursorList.begin() + mine);
    int at = copy ? (From < To ? To - 1 : To) : SearchPlace(buffers);
    at = std::clamp(at, 0, static_cast<int>(FCursorList.size()));
    FCursorList.insert(FCursorList.begin() + at, entry);
    FCurrentPos = at;
  };
  FTableIO->ModifyRecord(buffers, phys, onMove, this, false);
  MarkSynced(wasCopy);
}

void TZvTable::InternalPost() {
  if (State() == dsEdit) {
    ModifyFrom(ActiveBuffer());
    return;
  }
  // A record appended (rather than inserted) goes after the last one.
  if (GetBookmarkFlag(ActiveBuffer()) == bfEOF) InternalLast();
  AppendFrom(ActiveBuffer());
}

void TZvTable::InternalAddRecord(TRecordBuffer Buffer, bool Append) {
  if (Append) InternalLast();
  AppendFrom(Buffer);
}

void TZvTable::InternalDelete() {
  const int phys = CurrentPhysicalPos();
  const bool wasCopy = ListIsCopy();
  FTableIO->DeleteRecord(phys, false);
  FCursorList.erase(FCursorList.begin() + FCurrentPos);
  if (FCurrentPos >= static_cast<int>(FCursorList.size())) --FCurrentPos;
  MarkSynced(wasCopy);
}

void TZvTable::InternalRefresh() {
  SelectIndex();
}

std::unique_ptr<TStream> TZvTable::CreateBlobStream(TField* Field, TBlobStreamMode Mode) {
  if (Mode != bmRead && State() != dsEdit && State() != dsInsert && State() != dsSetKey) Error(SNotEditing);
  return std::make_unique<TZvBlobStream>(Field, this, Mode);
}

}  // namespace velmorak
