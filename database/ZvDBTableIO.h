// ZvDBTableIO: the storage side of one table. It loads the table's field and
// index definitions and its record tab, keeps the live records as ordered
// lists of (DataOffset, RecIndex) entries — list 0 in record-index order,
// list i + 1 in the order of index i — and appends, changes, deletes and
// reads records in the file format (ZvDBFormat.h). Index ordering, searches,
// chain maintenance and uniqueness are in ZvDBIndex.cpp.
//
// Field values travel in a TFieldBuffers list, one item per stored field in
// field order; blob values in memory streams (TOptimBlobStream loads its
// bytes from the file only when first read).
//
// Life: created per table name by its database; Open loads (first opener),
// Close unloads (last closer). The loaded state is this object's view of the
// table: it follows its own changes, and before every change it is read again
// from the file when another writer (another process, another database object
// on the file, or another storage object of this table on the same file
// object) changed the file since it was read, so a write never works from a
// stale header, record tab or chain (see SyncView in the .cpp).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "database/ZvDBFileIO.h"
#include "database/ZvDBFormat.h"
#include "platform/classes/Classes.h"

namespace velmorak {

struct TZvFieldDef {
  std::string Name;
  std::uint8_t FieldType = 0;
  std::int32_t FieldSize = 0;
  std::uint8_t DataProcessMode = 0;
};

struct TZvIndexDef {
  std::string Name;
  TZvIndexOptions Options = 0;
  TIntegerAry FieldNumbers;
  bool Has(TZvIndexOption o) const { return (Options & IndexOptionBit(o)) != 0; }
};

// A collection of definitions found by name, case-insensitively.
template <typename Def>
class TZvDefCollection {
 public:
  int Count() const { return static_cast<int>(FItems.size()); }
  const Def& Items(int i) const { return FItems.at(static_cast<std::size_t>(i)); }
  Def& Items(int i) { return FItems.at(static_cast<std::size_t>(i)); }
  void Add(Def d) { FItems.push_back(std::move(d)); }
  void Clear() { FItems.clear(); }
  int IndexOfName(const std::string& Name) const;

 private:
  std::vector<Def> FItems;
};
using TZvFieldDefs = TZvDefCollection<TZvFieldDef>;
using TZvIndexDefs = TZvDefCollection<TZvIndexDef>;

struct TRecordEntry {
  std::int32_t DataOffset = 0;
  std::int32_t RecIndex = 0;
};
using TRecordList = std::vector<TRecordEntry>;

class TZvTableIO;

// A record's blob as a memory stream that reads its bytes from the file the
// first time it is read or positioned. Database reaches the file object.
class TOptimBlobStream : public TMemoryStream {
 public:
  explicit TOptimBlobStream(TObject* ADataset = nullptr, TZvCustomDatabase* ADatabase = nullptr)
      : Dataset(ADataset), Database(ADatabase) {}
  const char* ClassName() const override { return "TOptimBlobStream"; }

  // DescriptorOffset 0: nothing to load.
  void Setup(std::int64_t ADescriptorOffset, bool AEncrypt, bool ACompress);
  std::int64_t Read(void* Buffer, std::int64_t Count) override;
  std::int64_t Seek(std::int64_t Offset, TSeekOrigin Origin) override;
  std::int64_t Write(const void* Buffer, std::int64_t Count) override;
  void SetSize(std::int64_t NewSize) override;
  // Loads if needed; the whole content.
  const std::uint8_t* Data();

  TObject* Dataset;
  TZvCustomDatabase* Database;
  // When the stream belongs to no database (storage used on its own).
  TZvDBFileIO* FileIO = nullptr;
  std::int64_t DescriptorOffset = 0;
  bool Encrypt = false;
  bool Compress = false;
  bool Loaded = false;

 private:
  void LoadIfNeeded();
};

struct TFieldBufferItem {
  void* Buffer = nullptr;  // the value; for blob types the TMemoryStream
  std::uint8_t FieldType = 0;
  int DataSize = 0;
  bool Active = true;
};

// An owning list of value carriers, addressed by field position.
class TFieldBuffers {
 public:
  // For blob types Data is the address of a TMemoryStream pointer and the
  // item's Buffer becomes that stream; otherwise Buffer = Data.
  TFieldBufferItem& Add(void* Data, std::uint8_t FieldType, int DataSize);
  // A blob value given as its stream.
  TFieldBufferItem& AddStream(TMemoryStream* Stream, std::uint8_t FieldType);
  // A position the caller has no field for: kept as stored on change.
  TFieldBufferItem& AddInactive(std::uint8_t FieldType);
  void Clear() { FItems.clear(); }
  int Count() const { return static_cast<int>(FItems.size()); }
  TFieldBufferItem& Items(int i) { return *FItems.at(static_cast<std::size_t>(i)); }

  // The value's bytes: the stream's memory for blobs, else Buffer.
  static const void* ValuePointer(TFieldBufferItem& Item);
  // Length of the value at ValuePointer.
  static int ValueSize(TFieldBufferItem& Item);
  // The value as text for messages; empty on any conversion problem.
  static std::string ValueAsText(TFieldBufferItem& Item);

 private:
  std::vector<std::unique_ptr<TFieldBufferItem>> FItems;
};

class TZvTableIO : public TObject {
 public:
  // OnIndexInsert (Table, ListIndex, Position, Entry): -1, -1 first, then
  // once per index before the entry enters that index's list.
  using TIndexInsertEvent =
      std::function<void(TObject* Table, int ListIndex, int Position, const TRecordEntry& Entry)>;
  // OnIndexMove (Table, IndexNo, OldPos, NewPos), positions in the full list.
  using TIndexMoveEvent = std::function<void(TObject* Table, int IndexNo, int OldPos, int NewPos)>;

  explicit TZvTableIO(TZvCustomDatabase* ADatabase);
  // Storage on its own: a file object and no database.
  explicit TZvTableIO(TZvDBFileIO* AFileIO);
  ~TZvTableIO() override;
  const char* ClassName() const override { return "TZvTableIO"; }

  void SetTableName(const std::string& Name) { FTableName = Name; }
  const std::string& TableName() const { return FTableName; }
  void Open();
  void Close();
  void Unload();
  int OpenCount() const { return FOpenCount; }
  int TableIndex() const { return FTableIndex; }

  const TZvFieldDefs& FieldDefs() const { return FFieldDefs; }
  const TZvIndexDefs& IndexDefs() const { return FIndexDefs; }
  int RecordSize() const { return FRecordSize; }
  const TIntegerAry& FieldOffsets() const { return FFieldOffsets; }
  int AutoIncFieldIndex() const { return FAutoIncFieldIndex; }
  const std::uint8_t* Header() const { return FHeader.data(); }
  std::int32_t RecordCount() const;
  std::int32_t AutoIncCounter() const;
  const TRecordTabItems& RecordTab() const { return FRecordTab; }
  const TIntegerAry& RecTabBlockOffsets() const { return FRecTabBlockOffsets; }
  const TIntegerAry& IndexTabBlockOffsets(int j) const {
    return FIndexTabBlockOffsets.at(static_cast<std::size_t>(j));
  }
  // The byte size of field i in a record.
  int FieldByteSize(int i) const;

  // List 0 is physical order; list i + 1 is index i. Null when not built.
  // A list, once built, stays the same object while the table is loaded:
  // reading the view again replaces its contents, not the list.
  TRecordList* GetList(int i);
  void BuildRecordList(int ListIndex, bool RereadRecordTab);

  // Takes the file lock and, when another writer changed the file since this
  // object's view was read, reads the view again: header, record tab, every
  // built list, and forgets the cached keys. Returns true when it did; what
  // others appended, changed and deleted is then in the lists.
  bool RefreshView();
  // Moves on each time the lists are read again from the file (RefreshView,
  // or a write that found the view stale). A copy of a list made at one
  // generation is no longer a copy of it once this differs.
  std::uint64_t ViewGeneration() const { return FViewGeneration; }
  // Moves on with every change of the lists: each append, change or deletion
  // through this object (once it starts writing, so also when it fails
  // half-way) and each reading of the view again. A copy of a list made at
  // one count is still a copy of it while the count is the same.
  std::uint64_t ChangeCount() const { return FChangeCount; }
  // The position in list 0 of the record with that record index, or -1.
  int PhysicalPosOfRecIndex(std::int32_t RecIndex) const;

  // The three writes bring the view up to date first (as RefreshView does)
  // under their own lock. Positions handed to OnIndexInsert and OnIndexMove
  // are positions in the lists as they are after that.
  void AppendRecord(TFieldBuffers& Buffers, bool FlushAfter, const TIndexInsertEvent& OnIndexInsert,
                    TObject* Table);
  // PhysicalPos names the record in list 0 as the list stood when the call
  // began; the record is then found again by its record index. A record
  // another writer deleted meanwhile raises "Record not found" and nothing is
  // written.
  void ModifyRecord(TFieldBuffers& Buffers, int PhysicalPos, const TIndexMoveEvent& OnIndexMove,
                    TObject* Table, bool FlushAfter);
  void DeleteRecord(int PhysicalPos, bool FlushAfter);
  // Blob items must hold TOptimBlobStream objects; they are set up to load
  // on first read, not read here.
  void ReadRecord(TFieldBuffers& Buffers, const TRecordList& List, int Pos);

  bool IsFieldEncrypted(int i) const;
  bool IsFieldCompressed(int i) const;
  // Field i of record RecIndex, decoded, into Dest.
  void ReadKeyField(TMemoryStream* Dest, int RecIndex, int i);

  // --- indexes (ZvDBIndex.cpp) ---
  // -1, 0, 1: key less than, equal to, greater than the stored value.
  static int CompareFieldValues(const void* KeyValue, int KeySize, const void* StoredValue, int StoredSize,
                                std::uint8_t FieldType, bool Partial, bool CaseInsensitive);
  int SearchIndex(TFieldBuffers& Buffers, const TRecordList& List, bool Partial, int KeyCount, int& Cmp,
                  int IndexNo);
  int SearchIndexBound(TFieldBuffers& Buffers, const TRecordList& List, bool Partial, int KeyCount, int& Cmp,
                       bool FirstMatch, int IndexNo);
  int InsertPosition(TFieldBuffers& Buffers, int IndexNo);
  void CheckUniqueForAppend(TFieldBuffers& Buffers);
  void CheckUniqueForModify(TFieldBuffers& Buffers, int PhysicalPos);
  void IndexAppend(TFieldBuffers& Buffers, std::int32_t DataOffset, std::int32_t RecIndex,
                   const TIndexInsertEvent& OnIndexInsert, TObject* Table);
  void IndexModify(TFieldBuffers& Buffers, int PhysicalPos, const TIndexMoveEvent& OnIndexMove,
                   TObject* Table);
  void IndexDelete(int PhysicalPos);
  int FindPrimaryIndex() const;
  int PhysicalPositionOf(const TRecordList& List, int Pos) const;
  int MapPosition(int FromIndex, int Pos, int ToIndex) const;
  int MapPositionToList(int FromIndex, int Pos, const TRecordList& TargetList) const;

  TZvCustomDatabase* Database() const { return FDatabase; }
  TZvDBFileIO& FileIO() const;

 private:
  // Raw header fields, kept current by the write operations.
  std::uint8_t* IndexEntry(int j) {
    return FHeader.data() + zvfmt::kThIndexEntries + j * zvfmt::kIndexEntrySize;
  }
  std::int64_t HeaderOffset() const;
  std::int64_t RecTabItemOffset(std::int32_t k) const;
  std::int64_t IdxTabItemOffset(int j, std::int32_t k) const;
  void Load();
  void DecodeHeader();
  // Under the lock: reads the view again when another writer changed the
  // file since it was read; true when it did.
  bool SyncView();
  void ReloadView();
  // The view is current as of now (after loading it, or after a write).
  void StampView();
  // Under the lock, before a write: the record PhysicalPos named when the
  // call began, at its position in the current list 0.
  int TargetPosition(int PhysicalPos);
  void RebuildAllLists();
  void FillList(int L, TRecordList& Out);
  bool PlainValid();
  std::uint64_t NoteWrite();
  std::uint8_t* PlainSlot(std::int32_t k, bool Create);
  void ForgetPlain(std::int32_t k);
  void KeepPlain(TFieldBuffers& Buffers, std::int32_t k, const std::uint8_t* Stored);
  void DecodeRecord(std::int32_t DataOffset, std::uint8_t* Out);
  const std::uint8_t* PlainRecord(const TRecordEntry& E, std::vector<std::uint8_t>& Scratch);
  void WriteBlob(TFieldBuffers& Buffers, int i, TMemoryStream& Plain, std::int64_t At, std::int32_t& Stored);
  void CheckPosition(int PhysicalPos) const;

  // The decoded key value of field f of record k, cached in memory for
  // fixed-size fields; Size receives its length.
  const std::uint8_t* KeyValue(std::int32_t k, int f, int& Size, TMemoryStream& Scratch);
  void RememberKey(std::int32_t k, int f, const void* Value);
  int CompareKey(TFieldBuffers& Buffers, const TRecordEntry& Entry, int IndexNo, bool Partial, int KeyCount);
  TIndexTabItem ReadIdxItem(int j, std::int32_t k);
  void WriteIdxItem(int j, std::int32_t k, const TIndexTabItem& Item);
  int ListPosByRecIndex(const TRecordList& List, std::int32_t RecIndex) const;
  int CompareStored(int IndexNo, std::int32_t A, std::int32_t B);
  int IndexListPos(int IndexNo, std::int32_t R);

  TZvCustomDatabase* FDatabase = nullptr;
  TZvDBFileIO* FOwnFileIO = nullptr;
  int FOpenCount = 0;
  std::string FTableName;
  int FTableIndex = -1;
  TZvFieldDefs FFieldDefs;
  TZvIndexDefs FIndexDefs;
  int FRecordSize = 0;
  TIntegerAry FFieldOffsets;
  int FAutoIncFieldIndex = -1;
  std::vector<std::uint8_t> FHeader;
  TRecordTabItems FRecordTab;
  TIntegerAry FRecTabBlockOffsets;
  std::vector<TIntegerAry> FIndexTabBlockOffsets;
  std::vector<std::unique_ptr<TRecordList>> FRecordLists;
  // What the view was read against: the file object's count of foreign
  // changes and of writes to this table through it.
  std::uint64_t FViewForeign = 0;
  std::uint64_t FViewWrites = 0;
  std::uint64_t FViewGeneration = 0;
  std::uint64_t FChangeCount = 0;

  // Decoded records by record index (RecordSize bytes each, blob slots with
  // their descriptors), and which are known; what they are current against.
  std::vector<std::uint8_t> FPlain;
  std::vector<std::uint8_t> FPlainKnown;
  std::uint64_t FPlainForeign = ~0ull;
  std::uint64_t FPlainWrites = ~0ull;
  // The records a scan read ahead under its last lock, in list order.
  std::vector<std::int32_t> FAhead;
  std::size_t FAheadNext = 0;
  std::uint64_t FAheadChange = 0;
  const TRecordList* FLastList = nullptr;
  int FLastPos = -2;

  // Key cache: for each field used by an index and of fixed size, the
  // decoded values of every record, FieldByteSize bytes each, with a flag
  // telling which records are known.
  struct KeyColumn {
    int Width = 0;
    std::vector<std::uint8_t> Bytes;
    std::vector<std::uint8_t> Known;
  };
  std::vector<KeyColumn> FKeyCache;  // by field position; Width 0 = not cached
};

// How many tries the blob read-back check makes before it reports the
// medium as faulty.
inline constexpr int kReadBackAttempts = 4;
// The budget of a table's decoded records, and how much a scan reads ahead
// under one lock.
inline constexpr std::size_t kPlainCacheBytes = std::size_t{64} << 20;
inline constexpr int kReadAheadBytes = 64 * 1024;
inline constexpr int kReadAheadRecords = 256;

}  // namespace velmorak
