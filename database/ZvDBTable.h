// ZvDBTable: TZvTable, the engine's table cursor. It opens one table of a
// database, presents its records one at a time in the order of an index (or
// in physical order), and reads, changes, adds and deletes them through the
// table's storage object (ZvDBTableIO.h).
//
// CursorList is the cursor's own list of (DataOffset, RecIndex) entries,
// copied from storage's list for IndexNo + 1 when the index is selected (at
// open, on IndexName, on Refresh). CurrentPos indexes it: -1 before the
// first record, RecordCount after the last. A bookmark is the record index.
//
// Where a write places its record. Storage reports the new place of an
// appended or moved record as a position in its own list. While CursorList
// is still a copy of that list (no other cursor of the table, nor a re-read
// of the file, changed storage's list since the copy) the cursor uses the
// position as it is; otherwise it finds the place by a binary search on the
// record's key in its own list, and it always finds its own entry by record
// index, so a write never moves another record's entry. Writes reach storage
// through the record's index as well: a record that another cursor or
// process deleted raises "Record not found" and nothing is written.
//
// What others wrote appears at the next Open or Refresh.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "database/ZvDBDataSet.h"
#include "database/ZvDBTableIO.h"

namespace velmorak {

class TZvTable;

// The stream a cursor hands out for a blob field of its current record.
// Reading gives the record's value (loaded on first use); writing, in edit
// or insert state, replaces the record buffer's value and raises the field's
// change notification. Cancel discards what was written.
class TZvBlobStream : public TMemoryStream {
 public:
  TZvBlobStream(TField* AField, TZvEDataSet* ATable, TBlobStreamMode AMode);
  const char* ClassName() const override { return "TZvBlobStream"; }
  std::int64_t Write(const void* Buffer, std::int64_t Count) override;
  void SetSize(std::int64_t NewSize) override;

  TField* Field;
  TZvEDataSet* Table;
  int FieldNo;
  TBlobStreamMode Mode;
  bool Opened = false;
  bool Modified = false;

 private:
  void PublishToRecord();
};

class TZvTable : public TZvEDataSet {
 public:
  explicit TZvTable(TComponent* AOwner);
  ~TZvTable() override;
  const char* ClassName() const override { return "TZvTable"; }

  // Setting DatabaseName, even to the same value, clears TableName and
  // IndexName: set DatabaseName first.
  void SetDatabaseName(const std::string& Value) override;
  const std::string& TableName() const { return FTableName; }
  void SetTableName(const std::string& Value);
  const std::string& IndexName() const { return FIndexName; }
  void SetIndexName(const std::string& Value);
  bool ReadOnly() const { return FReadOnly; }
  void SetReadOnly(bool Value) { FReadOnly = Value; }

  int IndexNo() const { return FIndexNo; }
  const TRecordList& CursorList() const { return FCursorList; }
  TZvTableIO* TableIO() const { return FTableIO; }

  std::unique_ptr<TStream> CreateBlobStream(TField* Field, TBlobStreamMode Mode) override;
  bool BookmarkValid(const TBookmark& Value) override;
  int CompareBookmarks(const TBookmark& A, const TBookmark& B) override;

 protected:
  void InternalOpen() override;
  void InternalClose() override;
  void InternalInitFieldDefs() override;
  bool IsCursorOpen() const override { return FCursorOpen; }
  TGetResult GetRecord(TRecordBuffer Buffer, TGetMode GetMode, bool DoCheck) override;
  void InternalFirst() override { FCurrentPos = -1; }
  void InternalLast() override { FCurrentPos = static_cast<int>(FCursorList.size()); }
  void InternalSetToRecord(TRecordBuffer Buffer) override;
  void InternalGotoBookmark(const void* Bookmark) override;
  int GetRecordCount() override { return FCursorOpen ? static_cast<int>(FCursorList.size()) : 0; }
  bool GetCanModify() override;
  void InternalPost() override;
  void InternalAddRecord(TRecordBuffer Buffer, bool Append) override;
  void InternalDelete() override;
  void InternalRefresh() override;
  void ReadRecordData(TRecordBuffer Buffer, int Pos) override;

 private:
  // IndexNo from IndexName (else the primary index), and CursorList copied
  // from storage.
  void SelectIndex();
  void CopyList();
  bool ListIsCopy() const;
  void MarkSynced(bool WasCopy);
  // One value carrier per stored field of the table, pointing into Buffer;
  // positions without a field object are inactive.
  TFieldBuffers& BuildBuffers(TRecordBuffer Buffer);
  // Where an entry with Buffer's key goes in CursorList (after equal keys).
  int SearchPlace(TFieldBuffers& Buffers) const;
  int FindEntry(std::int32_t RecIndex) const;
  void AppendFrom(TRecordBuffer Buffer);
  void ModifyFrom(TRecordBuffer Buffer);
  // The position in storage's list 0 of the current entry's record;
  // "Record not found" when it is no longer live.
  int CurrentPhysicalPos() const;

  std::string FTableName;
  std::string FIndexName;
  bool FReadOnly = false;
  int FIndexNo = -1;
  bool FCursorOpen = false;
  TRecordList FCursorList;
  TZvTableIO* FTableIO = nullptr;
  TFieldBuffers FBuffers;
  TRecordBuffer FBuffersFor = nullptr;
  // What CursorList was copied against (see ListIsCopy).
  std::uint64_t FSyncedWrites = 0;
  std::uint64_t FSyncedGeneration = 0;
};

}  // namespace velmorak
