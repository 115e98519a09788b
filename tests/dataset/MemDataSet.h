// MemDataSet: a small dataset over records kept in memory, written for the
// framework's tests. A TMemTable holds the rows (shared, so a test can change
// them behind a dataset's back, as another program would); a TMemDataSet keeps
// its own list of row ids, copied at open and at Refresh, and a position in
// it, as a table cursor does. Fields may be null; one text column may be
// declared unique, so a post can fail in storage.
//
// Record buffer: for each column a value slot (the native form; a blob column
// holds a pointer to a std::string the buffer owns), one has-value byte per
// column, the calculated-field area, the row id (the bookmark) and the
// bookmark flag.
#pragma once

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "platform/dataset/DataSet.h"
#include "platform/dataset/DataSource.h"

namespace velmorak::test {

struct TMemColumn {
  std::string Name;
  TFieldType Type;
  int Size = 0;
};

struct TMemRow {
  std::int32_t Id = 0;
  std::vector<std::uint8_t> Values;  // the value slots and has-value bytes, blobs excluded
  std::vector<std::string> Blobs;    // by column; empty for other columns
};

struct TMemTable {
  std::vector<TMemColumn> Columns;
  std::vector<TMemRow> Rows;
  std::int32_t NextId = 1;
  int UniqueColumn = -1;  // a text column whose values must differ
  int FindRow(std::int32_t Id) const {
    for (std::size_t i = 0; i < Rows.size(); ++i)
      if (Rows[i].Id == Id) return static_cast<int>(i);
    return -1;
  }
};

class TMemDataSet : public TDataSet {
 public:
  TMemDataSet(TComponent* AOwner, std::shared_ptr<TMemTable> Table);
  ~TMemDataSet() override;

  std::shared_ptr<TMemTable> Table;
  bool ReadOnly = false;
  // Set to make the next open fail inside InternalOpen.
  bool FailOpen = false;
  int CloseCursorCalls = 0;
  int CurrentPos() const { return FPos; }

  // Master/detail: the detail follows the master source; OnMasterChange
  // and OnMasterDisable are recorded by the tests through the link.
  TMasterDataLink MasterLink{this};
  TDataSource* GetDataSource() override { return MasterLink.DataSource(); }
  void SetMasterSource(TDataSource* Source) { MasterLink.SetDataSource(Source); }

  bool GetFieldData(TField* Field, void* Buffer) override;
  void SetFieldData(TField* Field, const void* Buffer) override;
  std::unique_ptr<TStream> CreateBlobStream(TField* Field, TBlobStreamMode Mode) override;
  void SetRecNo(int Value) override;

  // The value slot of column i in a row, for checks on what was stored.
  const std::uint8_t* StoredSlot(const TMemRow& Row, int Column) const {
    return Row.Values.data() + FOffsets[Column];
  }

 protected:
  TRecordBuffer AllocRecordBuffer() override;
  void FreeRecordBuffer(TRecordBuffer& Buffer) override;
  int GetRecordSize() override { return FRecordSize; }
  TGetResult GetRecord(TRecordBuffer Buffer, TGetMode GetMode, bool DoCheck) override;
  void ClearCalcFields(TRecordBuffer Buffer) override;
  void CloseCursor() override;
  void InternalOpen() override;
  void InternalClose() override;
  void InternalInitFieldDefs() override;
  bool IsCursorOpen() const override { return FOpen; }
  void InternalFirst() override { FPos = -1; }
  void InternalLast() override { FPos = static_cast<int>(FList.size()); }
  void InternalSetToRecord(TRecordBuffer Buffer) override;
  void InternalGotoBookmark(const void* Bookmark) override;
  TBookmarkFlag GetBookmarkFlag(TRecordBuffer Buffer) override;
  void SetBookmarkFlag(TRecordBuffer Buffer, TBookmarkFlag Value) override;
  void GetBookmarkData(TRecordBuffer Buffer, void* Data) override;
  void SetBookmarkData(TRecordBuffer Buffer, const void* Data) override;
  int GetRecordCount() override { return FOpen ? static_cast<int>(FList.size()) : 0; }
  int GetRecNo() override;
  void InternalInitRecord(TRecordBuffer Buffer) override;
  void InternalPost() override;
  void InternalDelete() override;
  void InternalRefresh() override;
  bool GetCanModify() override { return !ReadOnly; }

 private:
  TRecordBuffer ActiveRecBuf();
  int ColumnSize(const TMemColumn& c) const;
  void ReadRow(TRecordBuffer Buffer, int Pos);
  void WriteRow(TRecordBuffer Buffer, TMemRow& Row);
  // Blob slots are not aligned: the pointer goes in and out by copy.
  std::string* BlobSlot(TRecordBuffer Buffer, int Column) const {
    std::string* p;
    std::memcpy(&p, Buffer + FOffsets[static_cast<std::size_t>(Column)], sizeof p);
    return p;
  }
  void SetBlobSlot(TRecordBuffer Buffer, int Column, std::string* p) const {
    std::memcpy(Buffer + FOffsets[static_cast<std::size_t>(Column)], &p, sizeof p);
  }

  bool FOpen = false;
  std::vector<std::int32_t> FList;  // row ids in the dataset's order
  int FPos = -1;
  std::vector<int> FOffsets;  // value slot per column
  int FFlagsOffset = 0;       // has-value bytes
  int FValuesSize = 0;        // slots + flags
  int FCalcOffset = 0;
  int FBookmarkOffset = 0;
  int FRecordSize = 0;
};

}  // namespace velmorak::test
