// ZvDBDataSet: the two lower levels of the engine's table cursor, on the
// dataset framework (platform/dataset).
//
// TZvDBDataSet binds a dataset to a database object through a session: at
// open it finds (or, for a file path, creates) its database with
// OpenDatabase, registers with it and checks the password; at close it
// unregisters and hands the database back (the last cursor on a temporary
// database frees it).
//
// TZvEDataSet adds the record buffers, field access, record numbers and the
// filter plumbing. A record buffer is laid out as
//
//   offset                               size                what
//   0                                    PhysicalDataSize    stored-field slots, by BufferOffsets
//   PhysicalDataSize                     CalcFieldsSize      per calculated field: null flag, data
//   PhysicalDataSize + CalcFieldsSize    4                   bookmark: the record index
//   ... + 4                              1                   bookmark flag
//
// A stored field's slot holds its value in the framework's native form
// (Fields.h), a blob field's slot the address of the buffer's own lazily
// loading blob stream (TOptimBlobStream, created and freed with the buffer;
// a pointer's size, 8 bytes on a 64-bit build). Sizes are full 32-bit
// counts: records of 64 KiB and more work.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "database/ZvDBDatabase.h"
#include "database/ZvDBSession.h"
#include "platform/dataset/DataSet.h"

namespace velmorak {

class TZvDBDataSet : public TDataSet, public TZvDataSetLink {
 public:
  // With a database as owner the cursor takes its SessionName; with an owner
  // holding a session with AutoSessionName on, that session's.
  explicit TZvDBDataSet(TComponent* AOwner);
  const char* ClassName() const override { return "TZvDBDataSet"; }

  const std::string& DatabaseName() const { return FDatabaseName; }
  virtual void SetDatabaseName(const std::string& Value);
  const std::string& SessionName() const { return FSessionName; }
  void SetSessionName(const std::string& Value);
  // The database while the cursor is open, else null.
  TZvDatabase* Database() const { return FDatabase; }
  // The session SessionName names ("Invalid session name %s" when none).
  TZvSession* DBSession() const;
  // TZvDataSetLink; CloseDataSet closes the cursor (the database's
  // CloseDataSets and disconnection).
  void DatabaseConnectionChanged(bool Connected) override { (void)Connected; }
  void CloseDataSet() override;
  const std::string& LinkSessionName() const override { return FSessionName; }
  void SetLinkSessionName(const std::string& Value) override;

 protected:
  void OpenCursor(bool InfoQuery) override;
  void CloseCursor() override;
  // Raises Message in the cursor's name.
  [[noreturn]] void Error(const std::string& Message) const;

  std::string FDatabaseName;
  std::string FSessionName;
  TZvDatabase* FDatabase = nullptr;
};

class TZvEDataSet : public TZvDBDataSet {
 public:
  explicit TZvEDataSet(TComponent* AOwner);
  ~TZvEDataSet() override;
  const char* ClassName() const override { return "TZvEDataSet"; }

  TZvDBMediumType MediumType() const { return FMediumType; }
  void SetMediumType(TZvDBMediumType Value);
  // Finds or creates and connects the cursor's database (no reference
  // taken) and sets its password there. Works while the cursor is closed;
  // a BeforeOpen handler is the usual place.
  void SetPassword(const std::string& Password);

  // Leaves edit state; a number out of range or the current one does
  // nothing; otherwise BeforeScroll, the move, AfterScroll.
  void SetRecNo(int Value) override;

  int CurrentPos() const { return FCurrentPos; }
  int PhysicalDataSize() const { return FPhysicalDataSize; }
  int RecordBufferSize() const { return FPhysicalDataSize + CalcFieldsSize() + kBookmarkSize + 1; }
  // Offset of field number FieldNo's slot in a record buffer.
  int BufferOffset(int FieldNo) const { return FBufferOffsets.at(static_cast<std::size_t>(FieldNo)); }

  // The record buffer of the current state: browse: the active buffer (none
  // when empty); edit, insert, new value: the active buffer; set-key: the
  // current key buffer; calculated fields: the calculation buffer; filter:
  // the filter buffer; otherwise none.
  virtual TRecordBuffer GetActiveRecBuf();

  // TZvDataSetLink
  TZvDBMediumType LinkMediumType() const override { return FMediumType; }
  void DatabaseMediumTypeChanged(TZvDBMediumType Value) override { FMediumType = Value; }

  bool GetFieldData(TField* Field, void* Buffer) override;
  void SetFieldData(TField* Field, const void* Buffer) override;
  void DataConvert(TField* Field, const void* Source, void* Dest, bool ToNative) override;

  // The blob stream of Field's slot in Buffer (null when Field is not a
  // stored blob field).
  TMemoryStream* SlotStream(TRecordBuffer Buffer, const TField* Field) const;

  static constexpr int kBookmarkSize = 4;

 protected:
  virtual void ActivateFilters() {}
  virtual void DeactivateFilters() {}
  // Fills Buffer's stored-field area from entry Pos of the cursor's list.
  virtual void ReadRecordData(TRecordBuffer Buffer, int Pos) = 0;

  TRecordBuffer AllocRecordBuffer() override;
  void FreeRecordBuffer(TRecordBuffer& Buffer) override;
  int GetRecordSize() override { return FPhysicalDataSize; }
  void InternalInitRecord(TRecordBuffer Buffer) override;
  void ClearCalcFields(TRecordBuffer Buffer) override;
  TBookmarkFlag GetBookmarkFlag(TRecordBuffer Buffer) override;
  void SetBookmarkFlag(TRecordBuffer Buffer, TBookmarkFlag Value) override;
  void GetBookmarkData(TRecordBuffer Buffer, void* Data) override;
  void SetBookmarkData(TRecordBuffer Buffer, const void* Data) override;
  int GetRecNo() override;

  // The layout of the record buffers, from the bound fields.
  void ComputeLayout();
  void ClearLayout();
  std::int32_t BufferRecIndex(TRecordBuffer Buffer) const;
  int BookmarkOffset() const { return FPhysicalDataSize + CalcFieldsSize(); }
  // The cursor's stored fields by field number (1-based; null where the
  // cursor has no field object for that position).
  TField* FieldOfNo(int FieldNo) const {
    return FieldNo > 0 && FieldNo < static_cast<int>(FFieldsByNo.size())
               ? FFieldsByNo[static_cast<std::size_t>(FieldNo)]
               : nullptr;
  }
  int FieldNoCount() const { return static_cast<int>(FFieldsByNo.size()) - 1; }

  TZvDBMediumType FMediumType = mtDisk;
  int FCurrentPos = -1;
  int FPhysicalDataSize = 0;
  std::vector<int> FBufferOffsets;         // by field number; -1 when none
  std::vector<TField*> FFieldsByNo;        // by field number
  std::vector<int> FBlobSlots;             // offsets of the blob slots
  std::vector<TRecordBuffer> FKeyBuffers;  // search and range keys
  int FKeyBufferIndex = 0;
  TRecordBuffer FFilterBuffer = nullptr;
  bool FModifiable = false;
};

}  // namespace velmorak
