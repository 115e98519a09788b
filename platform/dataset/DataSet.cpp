// DataSet: the framework's logic around the steps a concrete dataset
// implements — states, navigation over one active buffer, editing with its
// event order, bookmarks, calculated and lookup fields, the generic search,
// and the notifications to data sources.
#include "platform/dataset/DataSet.h"

#include <cmath>
#include <cstring>

#include "platform/dataset/DataSource.h"
#include "platform/os/Locale.h"

namespace velmorak {

std::function<void()> TDataSet::ApplicationHandleException;

namespace {

bool IsDateTimeType(TFieldType t) {
  return t == ftDate || t == ftTime || t == ftDateTime;
}

bool CompatibleTypes(TFieldType field, TFieldType def) {
  if (field == def) return true;
  if (IsTextFieldType(field) && IsTextFieldType(def)) return true;
  if (IsBlobFieldType(field) && IsBlobFieldType(def)) return true;
  return (field == ftInteger && def == ftAutoInc) || (field == ftAutoInc && def == ftInteger);
}

}  // namespace

TDataSet::TDataSet(TComponent* AOwner) : TComponent(AOwner), FFields(this) {}

TDataSet::~TDataSet() {
  // The concrete dataset has closed itself (its steps are gone by now).
  FActive = false;
  FState = dsInactive;
  const std::vector<TDataSource*> sources = FDataSources;
  for (TDataSource* s : sources) s->DataSetGone();
  FDataSources.clear();
  for (TField* f : FFields.FList) f->FDataSet = nullptr;
  FFields.FList.clear();
}

// --- Checks ------------------------------------------------------------------------

void TDataSet::CheckActive() const {
  if (!FActive) DatabaseError(SDataSetClosed, this);
}

void TDataSet::CheckInactive() const {
  if (FActive) DatabaseError(SDataSetOpen, this);
}

void TDataSet::CheckCanModify() {
  if (!GetCanModify()) DatabaseError(SDataSetReadOnly, this);
}

void TDataSet::CheckEditMode() const {
  if (FState != dsEdit && FState != dsInsert) DatabaseError(SNotEditing, this);
}

void TDataSet::CheckFieldWritable(TField* Field) {
  switch (FState) {
    case dsEdit:
    case dsInsert:
      if (Field->ReadOnly && Field->FieldKind() == fkData)
        DatabaseErrorFmt(SFieldReadOnly, Field->DisplayName(), this);
      break;
    case dsSetKey:
    case dsFilter:
    case dsNewValue:
    case dsInternalCalc:
      break;
    case dsCalcFields:
      if (Field->FieldKind() == fkData) DatabaseErrorFmt(SFieldReadOnly, Field->DisplayName(), this);
      break;
    default:
      DatabaseError(SNotEditing, this);
  }
}

// --- States and notifications --------------------------------------------------------

void TDataSet::SetState(TDataSetState Value) {
  if (FState == Value) return;
  FState = Value;
  FModified = false;
  Notify(deUpdateState, nullptr);
}

TDataSetState TDataSet::SetTempState(TDataSetState Value) {
  const TDataSetState old = FState;
  FState = Value;
  return old;
}

void TDataSet::RestoreState(TDataSetState Value) {
  FState = Value;
}

void TDataSet::Notify(TDataEvent Event, TField* Info) {
  if (FDisableCount > 0) {
    if (Event == deUpdateState) FStateChangedWhileDisabled = true;
    return;
  }
  const std::vector<TDataSource*> sources = FDataSources;
  for (TDataSource* s : sources) s->DataEvent(Event, Info);
}

void TDataSet::DataEvent(TDataEvent Event, TField* Info) {
  if (Event == deFieldChange && Info) {
    if (Info->FieldKind() == fkData || Info->FieldKind() == fkInternalCalc) {
      if (FState == dsEdit || FState == dsInsert || FState == dsSetKey) FModified = true;
      if (AutoCalcFields && FCalcFieldsSize > 0 && (FState == dsEdit || FState == dsInsert))
        GetCalcFields(FActiveBuffer);
    }
    Info->Change();
  }
  Notify(Event, Info);
}

void TDataSet::DisableControls() {
  if (FDisableCount++ == 0) FStateChangedWhileDisabled = false;
}

void TDataSet::EnableControls() {
  if (FDisableCount == 0 || --FDisableCount > 0) return;
  if (FStateChangedWhileDisabled) Notify(deUpdateState, nullptr);
  Notify(deDataSetChange, nullptr);
}

bool TDataSet::IsLinkedTo(TDataSource* Source) {
  // Bounded: a chain longer than the number of sources in it would be a loop
  // that an earlier check failed to stop.
  for (int guard = 0; Source && guard < 10000; ++guard) {
    TDataSet* ds = Source->DataSet();
    if (!ds) break;
    if (ds == this) return true;
    Source = ds->GetDataSource();
  }
  return false;
}

// --- Opening and closing -------------------------------------------------------------

TRecordBuffer TDataSet::AllocRecordBuffer() {
  const int size = GetRecordSize();
  return new std::uint8_t[static_cast<std::size_t>(size > 0 ? size : 1)]();
}

void TDataSet::FreeRecordBuffer(TRecordBuffer& Buffer) {
  delete[] Buffer;
  Buffer = nullptr;
}

void TDataSet::FreeBuffers() {
  if (FActiveBuffer) FreeRecordBuffer(FActiveBuffer);
  if (FTempBuffer) FreeRecordBuffer(FTempBuffer);
  FActiveBuffer = FTempBuffer = FCalcBuffer = nullptr;
}

void TDataSet::DoInternalOpen() {
  FDefaultFields = FFields.Count() == 0;
  InternalOpen();
  FActiveBuffer = AllocRecordBuffer();
  FTempBuffer = AllocRecordBuffer();
}

void TDataSet::OpenCursor(bool InfoQuery) {
  if (InfoQuery)
    InternalInitFieldDefs();
  else
    DoInternalOpen();
}

void TDataSet::CloseCursor() {
  FreeBuffers();
  InternalClose();
  BindFields(false);
  if (FDefaultFields) DestroyFields();
}

void TDataSet::DoAfterOpen() {
  Raise(AfterOpen, this);
}

void TDataSet::InternalHandleException() {
  if (ApplicationHandleException) ApplicationHandleException();
}

void TDataSet::SetActive(bool Value) {
  if (Value == FActive) return;
  if (Value) {
    Raise(BeforeOpen, this);
    FState = dsOpening;
    try {
      OpenCursor(false);
      FActive = true;
      InternalFirst();
      FHasRecord = GetRecord(FActiveBuffer, gmNext, true) == grOK;
      FBOF = true;
      FEOF = !FHasRecord;
      FCursorPosValid = true;
      SetState(dsBrowse);
      DoAfterOpen();
      if (!IsEmpty()) Raise(AfterScroll, this);
    } catch (...) {
      const bool linksSawIt = FState != dsOpening;
      FActive = false;
      FState = dsInactive;
      FHasRecord = false;
      FBOF = FEOF = true;
      try {
        CloseCursor();
      } catch (...) {
        InternalHandleException();
      }
      if (linksSawIt) Notify(deUpdateState, nullptr);
      throw;
    }
  } else {
    Raise(BeforeClose, this);
    // Pending changes are dropped with the buffers.
    FActive = false;
    FHasRecord = false;
    FBOF = FEOF = true;
    FFormerRecord.clear();
    SetState(dsInactive);
    CloseCursor();
    Raise(AfterClose, this);
  }
}

// --- Reading the current record --------------------------------------------------------

bool TDataSet::ReadCurrentIntoActive() {
  FCursorPosValid = true;
  if (GetRecord(FActiveBuffer, gmCurrent, false) == grOK || GetRecord(FActiveBuffer, gmNext, false) == grOK ||
      GetRecord(FActiveBuffer, gmPrior, false) == grOK) {
    FHasRecord = true;
    FBOF = FEOF = false;
  } else {
    FHasRecord = false;
    FBOF = FEOF = true;
  }
  return FHasRecord;
}

void TDataSet::Resync() {
  ReadCurrentIntoActive();
  Notify(deDataSetChange, nullptr);
}

void TDataSet::UpdateCursorPos() {
  if (!FCursorPosValid && FHasRecord && FState != dsInsert) InternalSetToRecord(FActiveBuffer);
  FCursorPosValid = true;
}

void TDataSet::InitRecord(TRecordBuffer Buffer) {
  InternalInitRecord(Buffer);
  ClearCalcFields(Buffer);
  SetBookmarkFlag(Buffer, bfInserted);
}

void TDataSet::GetCalcFields(TRecordBuffer Buffer) {
  if (FCalcFieldsSize == 0 && !OnCalcFields) return;
  const TDataSetState old = SetTempState(dsCalcFields);
  const TRecordBuffer oldCalc = FCalcBuffer;
  FCalcBuffer = Buffer;
  try {
    ClearCalcFields(Buffer);
    for (TField* f : FFields)
      if (f->FieldKind() == fkLookup) CalculateLookup(f);
    Raise(OnCalcFields, this);
  } catch (...) {
    FCalcBuffer = oldCalc;
    RestoreState(old);
    throw;
  }
  FCalcBuffer = oldCalc;
  RestoreState(old);
}

void TDataSet::CalculateLookup(TField* Field) {
  TDataSet* lookup = Field->LookupDataSet;
  if (!lookup || !lookup->Active()) return;
  const std::vector<TField*> keys = GetFieldList(Field->KeyFields);
  if (keys.empty()) return;
  std::vector<Variant> values;
  for (TField* k : keys) {
    values.push_back(k->Value());
    if (values.back().IsNull()) return;
  }
  const Variant result =
      lookup->Lookup(Field->LookupKeyFields, values.size() == 1 ? values[0] : Variant::Array(values),
                     Field->LookupResultField);
  if (!result.IsClear()) Field->SetValue(result);
}

// --- Navigation -------------------------------------------------------------------------

bool TDataSet::IsEmpty() const {
  return !FHasRecord && FState != dsInsert;
}

void TDataSet::First() {
  CheckBrowseMode();
  Raise(BeforeScroll, this);
  InternalFirst();
  FHasRecord = GetRecord(FActiveBuffer, gmNext, true) == grOK;
  FBOF = true;
  FEOF = !FHasRecord;
  FCursorPosValid = true;
  Notify(deDataSetChange, nullptr);
  if (FHasRecord) Raise(AfterScroll, this);
}

void TDataSet::Last() {
  CheckBrowseMode();
  Raise(BeforeScroll, this);
  InternalLast();
  FHasRecord = GetRecord(FActiveBuffer, gmPrior, true) == grOK;
  FEOF = true;
  FBOF = !FHasRecord;
  FCursorPosValid = true;
  Notify(deDataSetChange, nullptr);
  if (FHasRecord) Raise(AfterScroll, this);
}

int TDataSet::MoveBy(int Distance) {
  CheckBrowseMode();
  Raise(BeforeScroll, this);
  int moved = 0;
  if (FHasRecord && ((Distance > 0 && !FEOF) || (Distance < 0 && !FBOF))) {
    UpdateCursorPos();
    while (moved != Distance) {
      if (Distance > 0) {
        if (GetRecord(FActiveBuffer, gmNext, true) != grOK) {
          FEOF = true;
          break;
        }
        ++moved;
        FBOF = false;
      } else {
        if (GetRecord(FActiveBuffer, gmPrior, true) != grOK) {
          FBOF = true;
          break;
        }
        --moved;
        FEOF = false;
      }
    }
  }
  if (moved != 0) {
    Notify(deDataSetScroll, nullptr);
    Raise(AfterScroll, this);
  }
  return moved;
}

// --- Editing ----------------------------------------------------------------------------

void TDataSet::UpdateRecord() {
  if (FState != dsEdit && FState != dsInsert && FState != dsSetKey) DatabaseError(SNotEditing, this);
  Notify(deUpdateRecord, nullptr);
}

void TDataSet::CheckBrowseMode() {
  CheckActive();
  Notify(deCheckBrowseMode, nullptr);
  switch (FState) {
    case dsEdit:
    case dsInsert:
      UpdateRecord();
      if (FModified)
        Post();
      else
        Cancel();
      break;
    case dsSetKey:
      Post();
      break;
    default:
      break;
  }
}

void TDataSet::Edit() {
  CheckActive();
  if (FState == dsEdit || FState == dsInsert) return;
  if (IsEmpty()) return Insert();
  CheckBrowseMode();
  CheckCanModify();
  Raise(BeforeEdit, this);
  UpdateCursorPos();
  InternalEdit();
  // Edit what is stored now, not what was read when the dataset got here.
  GetRecord(FActiveBuffer, gmCurrent, true);
  SetState(dsEdit);
  Notify(deRecordChange, nullptr);
  Raise(AfterEdit, this);
}

void TDataSet::BeginInsertAppend(bool Append) {
  CheckBrowseMode();
  CheckCanModify();
  Raise(BeforeInsert, this);
  Raise(BeforeScroll, this);
  UpdateCursorPos();
  FFormerRecord = GetBookmark();
  if (!Append) InternalInsert();
  InitRecord(FActiveBuffer);
  if (Append) {
    SetBookmarkFlag(FActiveBuffer, bfEOF);
    InternalLast();
  }
  FCursorPosValid = true;
}

void TDataSet::FinishInsertAppend() {
  SetState(dsInsert);
  try {
    Raise(OnNewRecord, this);
  } catch (...) {
    SetState(dsBrowse);
    ReturnToFormerRecord();
    throw;
  }
  FModified = false;
  FBOF = FEOF = false;
  Notify(deDataSetChange, nullptr);
  Raise(AfterInsert, this);
  Raise(AfterScroll, this);
}

void TDataSet::Insert() {
  CheckActive();
  BeginInsertAppend(false);
  FinishInsertAppend();
}

void TDataSet::Append() {
  CheckActive();
  BeginInsertAppend(true);
  FinishInsertAppend();
}

void TDataSet::ReturnToFormerRecord() {
  if (!FFormerRecord.empty()) {
    try {
      InternalGotoBookmark(FFormerRecord.data());
    } catch (const EDatabaseError&) {
      // The former record is gone; the nearest one will do.
    }
  } else {
    InternalFirst();
  }
  FFormerRecord.clear();
  Resync();
}

void TDataSet::Post() {
  UpdateRecord();
  if (FState != dsEdit && FState != dsInsert) return;
  Notify(deCheckBrowseMode, nullptr);
  Raise(BeforePost, this);
  if (FState == dsEdit) UpdateCursorPos();
  InternalPost();
  FFormerRecord.clear();
  SetState(dsBrowse);
  Resync();
  Raise(AfterPost, this);
}

void TDataSet::InternalAddRecord(TRecordBuffer Buffer, bool Append) {
  (void)Buffer;
  if (Append) InternalLast();
  InternalPost();
}

void TDataSet::Cancel() {
  if (FState != dsEdit && FState != dsInsert) return;
  Notify(deCheckBrowseMode, nullptr);
  Raise(BeforeCancel, this);
  const bool wasInsert = FState == dsInsert;
  InternalCancel();
  SetState(dsBrowse);
  if (wasInsert)
    ReturnToFormerRecord();
  else
    Resync();
  Raise(AfterCancel, this);
}

void TDataSet::Delete() {
  CheckActive();
  if (FState == dsInsert || FState == dsSetKey) return Cancel();
  if (IsEmpty()) DatabaseError(SDataSetEmpty, this);
  CheckCanModify();
  Notify(deCheckBrowseMode, nullptr);
  Raise(BeforeDelete, this);
  Raise(BeforeScroll, this);
  UpdateCursorPos();
  InternalDelete();
  SetState(dsBrowse);
  Resync();
  Raise(AfterDelete, this);
  Raise(AfterScroll, this);
}

void TDataSet::Refresh() {
  CheckBrowseMode();
  Raise(BeforeRefresh, this);
  UpdateCursorPos();
  const TBookmark bm = GetBookmark();
  InternalRefresh();
  if (!bm.empty()) {
    try {
      InternalGotoBookmark(bm.data());
    } catch (const EDatabaseError&) {
      // Gone: the record now at its place is current.
    }
  }
  Resync();
  Raise(AfterRefresh, this);
}

void TDataSet::SetFields(const std::vector<Variant>& Values) {
  CheckEditMode();
  const int n = std::min<int>(static_cast<int>(Values.size()), FFields.Count());
  for (int i = 0; i < n; ++i)
    if (!Values[static_cast<std::size_t>(i)].IsEmpty())
      FFields[i]->SetValue(Values[static_cast<std::size_t>(i)]);
}

void TDataSet::AppendRecord(const std::vector<Variant>& Values) {
  Append();
  try {
    SetFields(Values);
    Post();
  } catch (...) {
    Cancel();
    throw;
  }
}

void TDataSet::InsertRecord(const std::vector<Variant>& Values) {
  Insert();
  try {
    SetFields(Values);
    Post();
  } catch (...) {
    Cancel();
    throw;
  }
}

// --- Bookmarks --------------------------------------------------------------------------

TBookmark TDataSet::GetBookmark() {
  if (!FActive || !FHasRecord || FBookmarkSize <= 0 || FState == dsInsert) return {};
  if (GetBookmarkFlag(FActiveBuffer) != bfCurrent) return {};
  TBookmark b(static_cast<std::size_t>(FBookmarkSize));
  GetBookmarkData(FActiveBuffer, b.data());
  return b;
}

void TDataSet::GotoBookmark(const TBookmark& Value) {
  if (Value.empty()) return;
  CheckBrowseMode();
  if (static_cast<int>(Value.size()) != FBookmarkSize) DatabaseError(SBookmarkNotFound, this);
  Raise(BeforeScroll, this);
  InternalGotoBookmark(Value.data());
  Resync();
  Raise(AfterScroll, this);
}

bool TDataSet::BookmarkValid(const TBookmark& Value) {
  if (!FActive || Value.empty() || static_cast<int>(Value.size()) != FBookmarkSize) return false;
  bool ok = true;
  try {
    InternalGotoBookmark(Value.data());
  } catch (const EDatabaseError&) {
    ok = false;
  }
  // Back to where the dataset was.
  if (FState == dsInsert) {
    if (GetBookmarkFlag(FActiveBuffer) == bfEOF)
      InternalLast();
    else if (!FFormerRecord.empty())
      InternalGotoBookmark(FFormerRecord.data());
  } else {
    CursorPosChanged();
    UpdateCursorPos();
  }
  return ok;
}

int TDataSet::CompareBookmarks(const TBookmark& A, const TBookmark& B) {
  if (A.empty() || B.empty()) return A.empty() == B.empty() ? 0 : (A.empty() ? -1 : 1);
  const int c = std::memcmp(A.data(), B.data(), std::min(A.size(), B.size()));
  if (c != 0) return c < 0 ? -1 : 1;
  return A.size() == B.size() ? 0 : (A.size() < B.size() ? -1 : 1);
}

// --- Fields -----------------------------------------------------------------------------

TField* TDataSet::FieldByName(const std::string& FieldName) const {
  return FFields.FieldByName(FieldName);
}

std::vector<TField*> TDataSet::GetFieldList(const std::string& FieldNames) const {
  std::vector<TField*> out;
  std::size_t start = 0;
  while (start <= FieldNames.size()) {
    std::size_t end = FieldNames.find(';', start);
    if (end == std::string::npos) end = FieldNames.size();
    std::string name = FieldNames.substr(start, end - start);
    while (!name.empty() && name.front() == ' ') name.erase(0, 1);
    while (!name.empty() && name.back() == ' ') name.pop_back();
    if (!name.empty()) out.push_back(FieldByName(name));
    start = end + 1;
  }
  return out;
}

void TDataSet::CreateFields() {
  for (int i = 0; i < FFieldDefs.Count(); ++i) {
    const TFieldDef& def = FFieldDefs[i];
    TField* f = CreateFieldOfType(def.DataType, this);
    if (!f) DatabaseError(Format("Field '%s' is of an unknown type", def.Name.c_str()), this);
    f->FFieldName = def.Name;
    if (IsTextFieldType(def.DataType)) f->FSize = def.Size;
    f->Required = def.Required;
    f->FDataSet = this;
    FFields.Add(f);
  }
}

void TDataSet::DestroyFields() {
  // Default fields are made with the dataset as owner and freed here;
  // persistent fields stay.
  const std::vector<TField*> fields = FFields.FList;
  for (TField* f : fields)
    if (f->Owner() == this && FDefaultFields) delete f;
}

void TDataSet::BindFields(bool Binding) {
  FCalcFieldsSize = 0;
  for (TField* f : FFields) {
    if (!Binding) {
      f->FFieldNo = f->Calculated() ? -1 : 0;
      f->FOffset = 0;
      continue;
    }
    if (f->FieldKind() == fkData) {
      const int i = FFieldDefs.IndexOf(f->FieldName());
      if (i < 0) DatabaseErrorFmt(SFieldNotFound, f->DisplayName(), this);
      const TFieldDef& def = FFieldDefs[i];
      if (!CompatibleTypes(f->DataType(), def.DataType))
        DatabaseError(Format(SFieldTypeMismatch, f->DisplayName().c_str(), FieldTypeNames(f->DataType()),
                             FieldTypeNames(def.DataType)),
                      this);
      // A text field holds what the data declare, whatever it was made with.
      if (IsTextFieldType(def.DataType)) f->FSize = def.Size;
      f->FFieldNo = def.FieldNo;
    } else {
      f->FFieldNo = -1;
      f->FOffset = FCalcFieldsSize;
      const int size = f->IsBlob() ? static_cast<int>(sizeof(void*)) : f->DataSize();
      FCalcFieldsSize += 1 + size;
    }
  }
}

// --- Field data ---------------------------------------------------------------------------

bool TDataSet::GetFieldValue(TField* Field, void* Buffer, bool NativeFormat) {
  if (NativeFormat || !IsDateTimeType(Field->DataType())) return GetFieldData(Field, Buffer);
  std::uint8_t native[8] = {};
  if (!GetFieldData(Field, native)) return false;
  if (Buffer) DataConvert(Field, native, Buffer, false);
  return true;
}

void TDataSet::SetFieldValue(TField* Field, const void* Buffer, bool NativeFormat) {
  if (NativeFormat || !Buffer || !IsDateTimeType(Field->DataType())) return SetFieldData(Field, Buffer);
  std::uint8_t native[8] = {};
  DataConvert(Field, Buffer, native, true);
  SetFieldData(Field, native);
}

void TDataSet::DataConvert(TField* Field, const void* Source, void* Dest, bool ToNative) {
  const TFieldType type = Field->DataType();
  if (!IsDateTimeType(type)) {
    std::memcpy(Dest, Source, static_cast<std::size_t>(Field->DataSize()));
    return;
  }
  if (ToNative) {
    TDateTime v;
    std::memcpy(&v, Source, sizeof v);
    TTimeStamp st;
    if (!TryDateTimeToTimeStamp(v, st)) {
      const char* msg = type == ftDate ? SInvalidDate : type == ftTime ? SInvalidTime : SInvalidDateTime;
      ConvertError(msg, FloatToStr(v));
    }
    if (type == ftDate) {
      std::memcpy(Dest, &st.Date, 4);
    } else if (type == ftTime) {
      std::memcpy(Dest, &st.Time, 4);
    } else {
      const double ms = TimeStampToMSecs(st);
      std::memcpy(Dest, &ms, 8);
    }
    return;
  }
  TDateTime v = 0;
  if (type == ftDate) {
    TTimeStamp st;
    std::memcpy(&st.Date, Source, 4);
    st.Time = 0;
    v = TimeStampToDateTime(st);
  } else if (type == ftTime) {
    std::int32_t t;
    std::memcpy(&t, Source, 4);
    v = t >= 0 && t < MSecsPerDay ? static_cast<double>(t) / static_cast<double>(MSecsPerDay) : 0;
  } else {
    double ms;
    std::memcpy(&ms, Source, 8);
    TTimeStamp st;
    v = TryMSecsToTimeStamp(ms, st) ? TimeStampToDateTime(st) : 0;
  }
  std::memcpy(Dest, &v, sizeof v);
}

std::unique_ptr<TStream> TDataSet::CreateBlobStream(TField* Field, TBlobStreamMode Mode) {
  (void)Mode;
  DatabaseError(Format("Field '%s' has no blob stream in this dataset", Field->DisplayName().c_str()), this);
}

// --- Filters and search ---------------------------------------------------------------------

void TDataSet::SetFilterText(const std::string& Value) {
  FFilterText = Value;
}

void TDataSet::SetFiltered(bool Value) {
  if (FActive) {
    CheckBrowseMode();
    FFiltered = Value;
    First();
  } else {
    FFiltered = Value;
  }
}

void TDataSet::SetFilterOptions(TFilterOptions Value) {
  FFilterOptions = Value;
}

bool TDataSet::RecordPassesFilter() {
  bool accept = true;
  if (OnFilterRecord) OnFilterRecord(this, accept);
  return accept;
}

bool TDataSet::FindRecord(bool Restart, bool GoForward) {
  CheckBrowseMode();
  Raise(BeforeScroll, this);
  FFound = false;
  UpdateCursorPos();
  const TBookmark bm = GetBookmark();
  const bool bof = FBOF, eof = FEOF;
  if (Restart || !FHasRecord) {
    if (GoForward)
      InternalFirst();
    else
      InternalLast();
  }
  while (GetRecord(FActiveBuffer, GoForward ? gmNext : gmPrior, true) == grOK) {
    FHasRecord = true;
    if (RecordPassesFilter()) {
      FFound = true;
      break;
    }
  }
  if (FFound)
    SettleOnFoundRecord();
  else
    ReturnToRecord(bm, bof, eof);
  return FFound;
}

// A search that found its record makes it current and tells the links and
// the after-scroll handler, as any move does.
void TDataSet::SettleOnFoundRecord() {
  FBOF = FEOF = false;
  FCursorPosValid = true;
  Notify(deDataSetScroll, nullptr);
  Raise(AfterScroll, this);
}

// A search that found nothing (or failed) puts back the record that was
// current before it, with its end-of-data flags.
void TDataSet::ReturnToRecord(const TBookmark& Bookmark, bool Bof, bool Eof) {
  if (!Bookmark.empty()) InternalGotoBookmark(Bookmark.data());
  ReadCurrentIntoActive();
  FBOF = Bof;
  FEOF = Eof;
}

namespace {

bool MatchText(const std::string& value, const std::string& key, TLocateOptions options) {
  std::string v = value;
  if (options.Contains(loPartialKey) && v.size() > key.size()) v.resize(key.size());
  if (options.Contains(loCaseInsensitive)) return os::AnsiCompareText(v, key) == 0;
  return v == key;
}

bool SameStamp(TDateTime a, TDateTime b, TFieldType type) {
  TTimeStamp x, y;
  if (!TryDateTimeToTimeStamp(a, x) || !TryDateTimeToTimeStamp(b, y)) return a == b;
  if (type == ftDate) return x.Date == y.Date;
  if (type == ftTime) return x.Time == y.Time;
  return x.Date == y.Date && x.Time == y.Time;
}

TDateTime KeyAsDateTime(const Variant& key, TFieldType type) {
  if (key.VarType() != varString) return key.AsDateTime();
  TDateTime d = 0;
  const std::string text = key.AsString();
  if (type == ftDate && TryStrToDate(text, d)) return d;
  if (type == ftTime && TryStrToTime(text, d)) return d;
  if (TryStrToDateTime(text, d)) return d;
  const char* msg = type == ftDate ? SInvalidDate : type == ftTime ? SInvalidTime : SInvalidDateTime;
  ConvertError(msg, text);
}

bool MatchValue(TField* field, const Variant& key, TLocateOptions options) {
  if (key.IsClear()) return field->IsNull();
  if (field->IsNull()) return false;
  const TFieldType type = field->DataType();
  if (IsTextFieldType(type) || IsBlobFieldType(type))
    return MatchText(field->AsString(), key.AsString(), options);
  switch (type) {
    case ftBoolean:
      return field->AsBoolean() == key.AsBoolean();
    case ftSmallint:
    case ftWord:
    case ftInteger:
    case ftAutoInc:
    case ftLargeint:
      if (key.VarType() == varDouble || key.VarType() == varCurrency)
        return static_cast<double>(field->AsLargeInt()) == key.AsDouble();
      return field->AsLargeInt() == key.AsInt64();
    case ftDate:
    case ftTime:
    case ftDateTime:
      return SameStamp(field->AsDateTime(), KeyAsDateTime(key, type), type);
    default:
      return field->AsFloat() == key.AsDouble();
  }
}

}  // namespace

bool TDataSet::LocateRecord(const std::vector<TField*>& Keys, const Variant& KeyValues,
                            TLocateOptions Options) {
  if (Keys.empty()) return false;
  if (Keys.size() > 1 && (!KeyValues.IsArray() || KeyValues.ArrayCount() < static_cast<int>(Keys.size())))
    throw EVariantError("Variant array index out of bounds");
  InternalFirst();
  while (GetRecord(FActiveBuffer, gmNext, true) == grOK) {
    FHasRecord = true;
    bool all = true;
    for (std::size_t i = 0; i < Keys.size() && all; ++i) {
      const Variant& key = KeyValues.IsArray() ? KeyValues[static_cast<int>(i)] : KeyValues;
      all = MatchValue(Keys[i], key, Options);
    }
    if (all) return true;
  }
  return false;
}

bool TDataSet::Locate(const std::string& KeyFields, const Variant& KeyValues, TLocateOptions Options) {
  CheckBrowseMode();
  const std::vector<TField*> keys = GetFieldList(KeyFields);
  Raise(BeforeScroll, this);
  UpdateCursorPos();
  const TBookmark bm = GetBookmark();
  const bool bof = FBOF, eof = FEOF, had = FHasRecord;
  bool found = false;
  try {
    found = LocateRecord(keys, KeyValues, Options);
  } catch (...) {
    ReturnToRecord(bm, bof, eof);
    FHasRecord = had && FHasRecord;
    throw;
  }
  if (found)
    SettleOnFoundRecord();
  else
    ReturnToRecord(bm, bof, eof);
  return found;
}

Variant TDataSet::Lookup(const std::string& KeyFields, const Variant& KeyValues,
                         const std::string& ResultFields) {
  CheckBrowseMode();
  const std::vector<TField*> keys = GetFieldList(KeyFields);
  const std::vector<TField*> results = GetFieldList(ResultFields);
  UpdateCursorPos();
  const TBookmark bm = GetBookmark();
  const bool bof = FBOF, eof = FEOF;
  Variant result = Variant::Null();
  auto restore = [&] {
    if (!bm.empty()) InternalGotoBookmark(bm.data());
    ReadCurrentIntoActive();
    FBOF = bof, FEOF = eof;
  };
  try {
    if (LocateRecord(keys, KeyValues, TLocateOptions{})) {
      if (results.size() == 1) {
        result = results[0]->Value();
      } else {
        std::vector<Variant> values;
        for (TField* f : results) values.push_back(f->Value());
        result = Variant::Array(std::move(values));
      }
    }
  } catch (...) {
    restore();
    throw;
  }
  restore();
  return result;
}

}  // namespace velmorak
