// DataSet: the dataset framework's TDataSet — a set of records seen one at
// a time through a record buffer, with its states, navigation, editing,
// bookmarks, calculated fields, events and notifications to data sources.
//
// TDataSet owns the logic; a concrete dataset supplies the storage by
// overriding the steps below (the "Internal..." operations, the record
// buffers, field data and bookmarks). The framework keeps one active record
// buffer, one temporary buffer (Locate, Lookup, key edits) and points
// CalcBuffer at whichever buffer is having its calculated fields computed;
// no larger ring is needed, as nothing shows several records at once.
//
// States and the operations that move between them:
//
//   dsInactive --Open--> dsBrowse --Close--> dsInactive
//   dsBrowse --Edit--> dsEdit        (Edit on an empty dataset: Insert)
//   dsBrowse --Insert/Append--> dsInsert
//   dsEdit, dsInsert --Post (InternalPost)--> dsBrowse
//   dsEdit, dsInsert --Cancel (InternalCancel)--> dsBrowse
//   dsEdit, dsInsert --scrolling, Refresh, CheckBrowseMode--> dsBrowse
//                       (Post when Modified, else Cancel)
//   dsCalcFields, dsFilter, dsSetKey ...: temporary states (SetTempState)
//
// Events, in the order they are raised:
//   Open     BeforeOpen, OpenCursor (InternalOpen), browse on the first
//            record, DoAfterOpen (AfterOpen), AfterScroll when not empty.
//            A failure after BeforeOpen calls CloseCursor once, so the
//            dataset undoes what the open did, and passes on.
//   Close    BeforeClose, pending changes discarded, CloseCursor, AfterClose.
//   Scroll   (First, Last, Next, Prior, MoveBy, GotoBookmark; RecNo in the
//            dataset) leave edit state, BeforeScroll, move, AfterScroll;
//            no AfterScroll when nothing could move.
//   Edit     the modifiability check, BeforeEdit, the record re-read, dsEdit,
//            AfterEdit.
//   Insert   BeforeInsert, BeforeScroll, InternalInitRecord, dsInsert,
//   Append   OnNewRecord, AfterInsert, AfterScroll.
//   Post     BeforePost, InternalPost, dsBrowse, AfterPost. A failing post
//            stays in dsEdit or dsInsert and raises no AfterPost.
//   Cancel   BeforeCancel, InternalCancel, the former record current again
//            (an edit's values read back), AfterCancel.
//   Delete   the check, BeforeDelete, BeforeScroll, InternalDelete,
//            AfterDelete, AfterScroll.
//   Refresh  BeforeRefresh, InternalRefresh, the same record current when it
//            is still there, AfterRefresh.
//
// The contract with a concrete dataset:
// - GetRecord (Buffer, Mode, DoCheck) fills Buffer with the current, next or
//   prior record and moves the dataset's own cursor there; it leaves Buffer
//   and the cursor unchanged unless it returns grOK. After InternalFirst,
//   gmNext gives the first record; after InternalLast, gmPrior the last.
//   It computes the buffer's calculated fields (GetCalcFields).
// - SetFieldData stores a field's value in the buffer of the current state
//   and, unless the state is dsCalcFields or dsFilter, raises
//   DataEvent(deFieldChange, Field). That notification sets Modified, runs
//   the field's OnChange and tells the data links; the framework does not
//   raise it a second time.
// - A blob stream opened for writing raises DataEvent(deFieldChange, Field)
//   when it is written, as SetFieldData does.
// - The framework calls CloseCursor once after any failure of OpenCursor or
//   of what follows it in Open, so CloseCursor copes with a partly opened
//   dataset.
// - A concrete dataset closes itself in its own destructor (Close()): the
//   base destructor can no longer reach the overridden steps.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/classes/Classes.h"
#include "platform/classes/Variants.h"
#include "platform/dataset/DBTypes.h"
#include "platform/dataset/Fields.h"

namespace velmorak {

class TDataSource;
class TDataSet;

using TDataSetNotifyEvent = std::function<void(TDataSet* DataSet)>;
using TFilterRecordEvent = std::function<void(TDataSet* DataSet, bool& Accept)>;

class TDataSet : public TComponent {
 public:
  explicit TDataSet(TComponent* AOwner);
  ~TDataSet() override;
  const char* ClassName() const override { return "TDataSet"; }

  // --- Opening and closing -----------------------------------------------------
  void Open() { SetActive(true); }
  void Close() { SetActive(false); }
  bool Active() const { return FActive; }
  void SetActive(bool Value);
  TDataSetState State() const { return FState; }

  // --- Navigation ----------------------------------------------------------------
  // After First the dataset is on its first record with Bof true; after Last
  // on its last with Eof true. Next on the last record sets Eof and stays;
  // Prior on the first sets Bof and stays. MoveBy returns how far it moved.
  void First();
  void Last();
  void Next() { MoveBy(1); }
  void Prior() { MoveBy(-1); }
  int MoveBy(int Distance);
  bool Bof() const { return FBOF; }
  bool Eof() const { return FEOF; }
  // No record to be on (browse state), and not inserting one.
  bool IsEmpty() const;
  int RecordCount() { return GetRecordCount(); }
  int RecNo() { return GetRecNo(); }
  // The dataset's setter (leaving edit state, the scroll events); the
  // framework's version does nothing.
  virtual void SetRecNo(int Value) { (void)Value; }
  int RecordSize() { return GetRecordSize(); }

  // --- Editing -------------------------------------------------------------------
  void Edit();
  void Insert();
  void Append();
  // The framework's Post (events and states); a dataset may wrap it.
  virtual void Post();
  void Cancel();
  void Delete();
  void Refresh();
  // Leaves edit and insert state: Post when Modified, else Cancel. Raises
  // on a closed dataset.
  void CheckBrowseMode();
  // Append or Insert, the values given to the fields in field order (an
  // empty variant leaves a field as the new record has it), Post.
  void AppendRecord(const std::vector<Variant>& Values);
  void InsertRecord(const std::vector<Variant>& Values);
  void SetFields(const std::vector<Variant>& Values);
  bool Modified() const { return FModified; }
  bool CanModify() { return GetCanModify(); }
  // Tells the data links to write pending control edits into the record;
  // raises SNotEditing outside dsEdit, dsInsert and dsSetKey.
  void UpdateRecord();

  // --- Bookmarks -----------------------------------------------------------------
  // The current record's bookmark; empty when there is none.
  TBookmark Bookmark() { return GetBookmark(); }
  void SetBookmark(const TBookmark& Value) { GotoBookmark(Value); }
  TBookmark GetBookmark();
  // Makes the record current; "Bookmark not found" for a record that is no
  // longer in the dataset. An empty bookmark does nothing.
  void GotoBookmark(const TBookmark& Value);
  void FreeBookmark(TBookmark& Value) { Value.clear(); }
  // True when Value names a record the dataset can go to. The framework's
  // version tries InternalGotoBookmark and puts the cursor back.
  virtual bool BookmarkValid(const TBookmark& Value);
  // Negative, 0 or positive. Empty bookmarks come first; the framework's
  // version compares the bytes.
  virtual int CompareBookmarks(const TBookmark& A, const TBookmark& B);
  int BookmarkSize() const { return FBookmarkSize; }

  // --- Fields --------------------------------------------------------------------
  TFields& Fields() { return FFields; }
  TFieldDefs& FieldDefs() { return FFieldDefs; }
  TIndexDefs& IndexDefs() { return FIndexDefs; }
  int FieldCount() const { return FFields.Count(); }
  // Case-insensitive; FieldByName raises "Field '%s' not found" in the
  // dataset's name.
  TField* FindField(const std::string& FieldName) const { return FFields.FindField(FieldName); }
  TField* FieldByName(const std::string& FieldName) const;
  // The fields named in a semicolon-separated list, in list order; raises
  // for a name that is not a field.
  std::vector<TField*> GetFieldList(const std::string& FieldNames) const;
  // True when the dataset made its fields from FieldDefs at open (no
  // persistent fields); they are freed at close.
  bool DefaultFields() const { return FDefaultFields; }
  // Recompute calculated fields after every field change in dsEdit/dsInsert.
  bool AutoCalcFields = true;

  // --- Blobs ---------------------------------------------------------------------
  // A stream over Field's value in the current record; the caller owns it.
  // Writing needs dsEdit or dsInsert.
  virtual std::unique_ptr<TStream> CreateBlobStream(TField* Field, TBlobStreamMode Mode);

  // --- Search and filters ----------------------------------------------------------
  // The Filter text is the dataset's to interpret; the framework only keeps
  // it. Setting Filtered on an open dataset leaves edit state and goes to the
  // first record; overriding setters apply or lift the filter.
  const std::string& Filter() const { return FFilterText; }
  bool Filtered() const { return FFiltered; }
  TFilterOptions FilterOptions() const { return FFilterOptions; }
  virtual void SetFilterText(const std::string& Value);
  virtual void SetFiltered(bool Value);
  virtual void SetFilterOptions(TFilterOptions Value);
  TFilterRecordEvent OnFilterRecord;

  // Searches from the start or the current record, forwards or backwards,
  // for a record that passes the filter (Filter and OnFilterRecord), and
  // makes it current. Found tells the outcome of the last search.
  bool FindFirst() { return FindRecord(true, true); }
  bool FindLast() { return FindRecord(true, false); }
  bool FindNext() { return FindRecord(false, true); }
  bool FindPrior() { return FindRecord(false, false); }
  bool Found() const { return FFound; }
  // The framework's version walks the records and asks OnFilterRecord; a
  // dataset that can evaluate Filter overrides it.
  virtual bool FindRecord(bool Restart, bool GoForward);

  // KeyFields: "A;B". KeyValues: one value, or an array with one value per
  // key field (with one key field an array gives its first element). Texts
  // compare with the options (case-insensitive, or the key a prefix of the
  // field's text); other types by value. Locate makes the first matching
  // record current (BeforeScroll, move, AfterScroll) and returns true; when
  // none matches it stays where it was. Lookup returns the ResultFields'
  // values of the first match (one value, or an array for several), or null,
  // and does not move. The framework's versions scan from the first record;
  // a dataset with indexes overrides them.
  virtual bool Locate(const std::string& KeyFields, const Variant& KeyValues, TLocateOptions Options);
  virtual Variant Lookup(const std::string& KeyFields, const Variant& KeyValues,
                         const std::string& ResultFields);

  // --- Data sources and notifications ----------------------------------------------
  // While controls are disabled no notification reaches the data sources;
  // the last EnableControls sends one deDataSetChange (or deUpdateState when
  // the state changed meanwhile).
  void DisableControls();
  void EnableControls();
  bool ControlsDisabled() const { return FDisableCount > 0; }
  // Handles an event for the dataset (deFieldChange: Modified, calculated
  // fields, the field's OnChange) and passes it to every data source.
  virtual void DataEvent(TDataEvent Event, TField* Info = nullptr);
  // The data source this dataset follows as a detail (its master); none here.
  virtual TDataSource* GetDataSource() { return nullptr; }
  // True when following masters from Source leads back to this dataset.
  bool IsLinkedTo(TDataSource* Source);

  // --- Events --------------------------------------------------------------------
  TDataSetNotifyEvent BeforeOpen, AfterOpen, BeforeClose, AfterClose;
  TDataSetNotifyEvent BeforeInsert, AfterInsert, BeforeEdit, AfterEdit;
  TDataSetNotifyEvent BeforePost, AfterPost, BeforeCancel, AfterCancel;
  TDataSetNotifyEvent BeforeDelete, AfterDelete, BeforeScroll, AfterScroll;
  TDataSetNotifyEvent BeforeRefresh, AfterRefresh;
  TDataSetNotifyEvent OnNewRecord, OnCalcFields;

  // Where exceptions go that cannot propagate (a close from a destructor):
  // the program sets it to its application's error handler. Called inside
  // the catch block. None: the error is dropped.
  static std::function<void()> ApplicationHandleException;

 protected:
  // --- Steps a concrete dataset implements ---------------------------------------
  // Record buffers. The framework's versions allocate and free
  // GetRecordSize() zeroed bytes.
  virtual TRecordBuffer AllocRecordBuffer();
  virtual void FreeRecordBuffer(TRecordBuffer& Buffer);
  virtual int GetRecordSize() { return 0; }
  virtual TGetResult GetRecord(TRecordBuffer Buffer, TGetMode GetMode, bool DoCheck) = 0;
  // Clears the calculated-field area of a buffer (null, zero).
  virtual void ClearCalcFields(TRecordBuffer Buffer) { (void)Buffer; }
  virtual void InitRecord(TRecordBuffer Buffer);

  // Opening and closing. The framework's OpenCursor calls InternalOpen (or,
  // with InfoQuery, InternalInitFieldDefs) and allocates the buffers;
  // CloseCursor frees them, calls InternalClose and frees default fields.
  virtual void OpenCursor(bool InfoQuery);
  virtual void CloseCursor();
  virtual void InternalOpen() = 0;
  virtual void InternalClose() = 0;
  virtual void InternalInitFieldDefs() = 0;
  virtual bool IsCursorOpen() const = 0;
  virtual void DoAfterOpen();
  // Called in a catch block for an error that cannot propagate.
  virtual void InternalHandleException();

  // Positioning.
  virtual void InternalFirst() = 0;
  virtual void InternalLast() = 0;
  virtual void InternalSetToRecord(TRecordBuffer Buffer) = 0;
  virtual void InternalGotoBookmark(const void* Bookmark) = 0;
  virtual TBookmarkFlag GetBookmarkFlag(TRecordBuffer Buffer) = 0;
  virtual void SetBookmarkFlag(TRecordBuffer Buffer, TBookmarkFlag Value) = 0;
  virtual void GetBookmarkData(TRecordBuffer Buffer, void* Data) = 0;
  virtual void SetBookmarkData(TRecordBuffer Buffer, const void* Data) = 0;
  virtual int GetRecordCount() { return -1; }
  virtual int GetRecNo() { return -1; }

  // Editing.
  virtual void InternalInitRecord(TRecordBuffer Buffer) = 0;
  virtual void InternalEdit() {}
  virtual void InternalInsert() {}
  virtual void InternalPost() = 0;
  virtual void InternalCancel() {}
  virtual void InternalDelete() = 0;
  virtual void InternalRefresh() {}
  // Adds the record in Buffer in one step (Append: at the end); the
  // framework's version goes to the end when Append and calls InternalPost.
  virtual void InternalAddRecord(TRecordBuffer Buffer, bool Append);
  virtual bool GetCanModify() { return true; }

 public:
  // Field data in the framework's native form (see Fields.h). GetFieldData
  // returns false for a null value or when there is no record buffer for
  // the state; Buffer may be null to ask only that. SetFieldData with a null
  // Buffer clears the value.
  virtual bool GetFieldData(TField* Field, void* Buffer) = 0;
  virtual void SetFieldData(TField* Field, const void* Buffer) = 0;
  // Between the native form and the value form of date and time fields
  // (ToNative: value -> native). The value form is a TDateTime for ftDate,
  // ftTime and ftDateTime; other types have one form and are copied. A
  // native value that does not convert gives 0; a value that does not
  // convert raises EConvertError.
  virtual void DataConvert(TField* Field, const void* Source, void* Dest, bool ToNative);
  // GetFieldData / SetFieldData with the value form when NativeFormat is
  // false (through DataConvert). Used by the field objects.
  bool GetFieldValue(TField* Field, void* Buffer, bool NativeFormat);
  void SetFieldValue(TField* Field, const void* Buffer, bool NativeFormat);
  // Refuses an assignment to Field outside a writing state ("Dataset not in
  // edit or insert mode"), to a data field while calculating and to a
  // read-only field while editing ("Field '%s' cannot be modified").
  void CheckFieldWritable(TField* Field);

 protected:
  // --- The framework's parts a dataset uses -------------------------------------
  TRecordBuffer ActiveBuffer() const { return FActiveBuffer; }
  TRecordBuffer TempBuffer() const { return FTempBuffer; }
  TRecordBuffer CalcBuffer() const { return FCalcBuffer; }
  int CalcFieldsSize() const { return FCalcFieldsSize; }
  void SetBookmarkSize(int Value) { FBookmarkSize = Value; }
  void SetFound(bool Value) { FFound = Value; }
  void SetState(TDataSetState Value);
  // A state without notifications, and back.
  TDataSetState SetTempState(TDataSetState Value);
  void RestoreState(TDataSetState Value);
  void SetModified(bool Value) { FModified = Value; }

  void CheckActive() const;
  void CheckInactive() const;
  void CheckCanModify();
  void CheckEditMode() const;
  // Computes Buffer's calculated and lookup fields in dsCalcFields.
  void GetCalcFields(TRecordBuffer Buffer);
  // Reads the current record again into the active buffer (the record the
  // dataset's cursor is on, else the next, else the prior, else none) and
  // tells the data sources the records changed.
  void Resync();
  // Marks the dataset's cursor as possibly away from the active record;
  // UpdateCursorPos brings it back (InternalSetToRecord) when needed.
  void CursorPosChanged() { FCursorPosValid = false; }
  void UpdateCursorPos();
  // The default fields from FieldDefs, and their binding to the defs.
  void CreateFields();
  void DestroyFields();
  // Binding: data fields get their FieldNo from FieldDefs ("Field '%s' not
  // found" for a persistent field the data lack); calculated and lookup
  // fields get their offsets in the calculated-field area.
  void BindFields(bool Binding);
  bool HasRecord() const { return FHasRecord; }

  // The dataset's own hook for filters in the framework's FindRecord:
  // whether the current record passes. The framework asks OnFilterRecord.
  virtual bool RecordPassesFilter();

 private:
  friend class TField;
  friend class TDataSource;
  friend class TFields;

  void DoInternalOpen();
  void FreeBuffers();
  void BeginInsertAppend(bool Append);
  void FinishInsertAppend();
  void ReturnToFormerRecord();
  bool ReadCurrentIntoActive();
  void SettleOnFoundRecord();
  void ReturnToRecord(const TBookmark& Bookmark, bool Bof, bool Eof);
  void Notify(TDataEvent Event, TField* Info);
  void CalculateLookup(TField* Field);
  static void Raise(const TDataSetNotifyEvent& Event, TDataSet* Self) {
    if (Event) Event(Self);
  }
  // Generic locate: the first record whose key fields match, made current
  // in the active buffer; the cursor moves.
  bool LocateRecord(const std::vector<TField*>& Keys, const Variant& KeyValues, TLocateOptions Options);

  bool FActive = false;
  TDataSetState FState = dsInactive;
  bool FBOF = true, FEOF = true;
  bool FHasRecord = false;
  bool FModified = false;
  bool FFound = false;
  bool FCursorPosValid = true;
  bool FDefaultFields = false;
  int FBookmarkSize = 0;
  int FCalcFieldsSize = 0;
  int FDisableCount = 0;
  bool FStateChangedWhileDisabled = false;
  TRecordBuffer FActiveBuffer = nullptr;
  TRecordBuffer FTempBuffer = nullptr;
  TRecordBuffer FCalcBuffer = nullptr;
  TBookmark FFormerRecord;  // the record current before Insert/Append
  TFields FFields;
  TFieldDefs FFieldDefs;
  TIndexDefs FIndexDefs;
  std::string FFilterText;
  bool FFiltered = false;
  TFilterOptions FFilterOptions;
  std::vector<TDataSource*> FDataSources;
};

}  // namespace velmorak
