// ZvDBFileIO: the single owner of a connected database's bytes. It opens a
// disk file (or adopts a caller-owned memory stream), checks signature and
// version, reads the options header and the table directory, selects the
// compression and encryption modules, and offers table storage positioned
// reads and writes, the inter-process lock on byte 1 and the flush.
//
// Lock state, per file object:
//
//   UNLOCKED --Lock [byte 1 taken, retried every LockWaitTime ms]--> LOCKED
//   LOCKED   --Unlock [buffered writes reach the file, byte 1 freed]--> UNLOCKED
//   UNLOCKED --Lock [RetryCount failures]--> "Wait for unlock time out"
//
// The lock is not counted: callers never nest Lock.
//
// Buffering. Reads and writes go through a page cache. Writes are kept in it
// only while the lock is held and reach the file at Unlock, Flush and Close,
// so another process that takes the lock next sees all of them. While
// unlocked, a shared open writes the file directly (dropping the pages it
// overlaps) and reads the pages it kept as they were at its last lock, the
// others from the file.
//
// Other writers. A shared open learns at every Lock whether anyone else wrote
// since its own last look: each lock holder that writes adds one to the
// change counter (ZvDBFormat.h) before its first write, and a counter or file
// size that differs from what this object left means another writer (another
// process, or another file object in this one) worked meanwhile. Then the
// cached pages are dropped and ForeignChanges() moves on, which tells every
// table storage object that its view of its table must be read again. When
// nothing changed, the pages stay valid across locks. An exclusive open has
// no other writer and keeps everything.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "database/ZvDBFormat.h"
#include "database/ZvDBProcess.h"
#include "platform/classes/Classes.h"
#include "platform/classes/StringList.h"

namespace velmorak {

class TZvDBFileIO;

// What storage needs of the database object that owns it: the file object,
// the session's lock settings and the progress events. The database and
// session layer derives its database component from this.
class TZvCustomDatabase : public TComponent {
 public:
  using TComponent::TComponent;
  const char* ClassName() const override { return "TZvCustomDatabase"; }

  // The connected file object, or null while disconnected.
  virtual TZvDBFileIO* GetFileIO() const = 0;
  // Read at every lock; both answer the session's values (defaults 20, 100).
  virtual int GetLockRetryCount() const { return 20; }
  virtual int GetLockWaitTime() const { return 100; }
  virtual TZvDBMediumType GetMediumType() const { return mtDisk; }
  virtual bool GetExclusive() const { return false; }

  TOnProgressEvent OnCompressProgress;
  TOnProgressEvent OnUncompressProgress;
  TOnProgressEvent OnEncryptProgress;
  TOnProgressEvent OnDecryptProgress;
};

// The disk stream: a file stream that remembers whether it was written since
// it was created or last flushed.
class TZvDBFileStream : public TFileStream {
 public:
  TZvDBFileStream(const std::string& AFileName, unsigned Mode) : TFileStream(AFileName, Mode) {}
  const char* ClassName() const override { return "TZvDBFileStream"; }
  std::int64_t Write(const void* Buffer, std::int64_t Count) override;

  bool Flushed = true;
};

struct TRecordTabItem {
  std::int32_t DataOffset = 0;
  std::uint8_t DeleteFlag = 0;
};
struct TIndexTabItem {
  std::int32_t RecIndex = 0;
  std::int32_t Next = -1;
};
using TRecordTabItems = std::vector<TRecordTabItem>;
using TIndexTabItems = std::vector<TIndexTabItem>;
using TIntegerAry = std::vector<std::int32_t>;

// Memory databases are named ":" and a hexadecimal handle. The caller
// registers its stream here, keeps it alive while a database uses it and
// unregisters it afterwards; the engine never frees it.
std::uint32_t RegisterMemoryDatabase(TStream* Stream);
void UnregisterMemoryDatabase(std::uint32_t Handle);
// The name for a registered handle (":" + upper-case hexadecimal).
std::string MemoryDatabaseName(std::uint32_t Handle);

class TZvDBFileIO : public TObject {
 public:
  // Copies MediumType and Exclusive from Database when one is given.
  explicit TZvDBFileIO(TZvCustomDatabase* ADatabase);
  ~TZvDBFileIO() override;
  const char* ClassName() const override { return "TZvDBFileIO"; }

  // Does nothing when already open. Errors leave the object half open; the
  // caller closes and frees it.
  void Open(const std::string& AFileName, TZvDBMediumType AMediumType, bool AReadOnly, bool AExclusive);
  void Close();
  bool IsOpen() const { return FStream != nullptr; }
  bool IsFlushed() const;
  void Flush();

  void Lock();
  void Unlock();
  bool Locked() const { return FLocked; }
  // Moves on each time a Lock finds that another writer changed the file
  // since this object last held the lock (never for this object's writes).
  std::uint64_t ForeignChanges() const { return FForeignChanges; }
  // Writes to table t through this object: table storage objects sharing
  // this file object tell each other's changes of one table by it.
  std::uint64_t TableWrites(int t) const;
  std::uint64_t NoteTableWrite(int t);

  // Positioned I/O. Every read must deliver all Count bytes: a short read
  // means a truncated or damaged file and raises a database error that names
  // the file.
  void ReadBuffer(std::int64_t Offset, void* Buffer, std::int64_t Count);
  void WriteBuffer(std::int64_t Offset, const void* Buffer, std::int64_t Count);
  // Size of the file including writes not yet passed to it.
  std::int64_t FileSize();

  void ReadTableHeader(int t, std::uint8_t* Buffer);
  void WriteTableHeader(int t, const std::uint8_t* Buffer);
  void GetTableNames(TStrings& List);
  int TableCount() const;
  std::int32_t TableHeaderOffset(int t) const;

  // Walk the record-tab chain, or index j's index-tab chain, of a table.
  void ReadRecordTab(const std::uint8_t* TableHeader, TRecordTabItems& Items, TIntegerAry& BlockOffsets);
  void ReadIndexTab(const std::uint8_t* TableHeader, int j, TIntegerAry& BlockOffsets, TIndexTabItems& Items);
  void MarkRecordDeleted(std::int64_t ItemOffset);
  void ReadFieldValue(TMemoryStream* Dest, std::int64_t ItemOffset, bool Compress, bool Encrypt, bool IsBlob,
                      int Size, int FieldOffset);
  void ReadFieldData(TMemoryStream* Dest, std::int64_t Offset, bool Compress, bool Encrypt, bool IsBlob,
                     int Size);

  // Stored-data processing; the four Encode/Decode operations hold Guard.
  void ApplyOptions();
  bool SetPassword(const std::string& Password);
  void EncodeBlob(TMemoryStream* Source, TMemoryStream* Dest, bool Encrypt, bool Compress);
  void DecodeBlob(TMemoryStream* Source, TMemoryStream* Dest, bool Encrypt, bool Compress);
  void EncodeField(const void* Source, void* Dest, bool Encrypt, int Size);
  void DecodeField(const void* Source, void* Dest, bool Encrypt, int Size);

  bool CompressEnabled() const { return FOptions[zvfmt::kOptCompressEnabled] != 0; }
  bool EncryptEnabled() const { return FOptions[zvfmt::kOptEncryptEnabled] != 0; }
  bool CrcCheckEnabled() const { return FOptions[zvfmt::kOptCrcCheckEnabled] != 0; }
  const std::uint8_t* Options() const { return FOptions; }

  TZvCustomDatabase* Database() const { return FDatabase; }
  const std::string& FileName() const { return FFileName; }
  TZvDBMediumType MediumType() const { return FMediumType; }
  bool Exclusive() const { return FExclusive; }
  bool ReadOnly() const { return FReadOnly; }
  bool FileIsReadOnly() const { return FFileIsReadOnly; }
  TStream* Stream() const { return FStream; }
  TCompressMgr& CompressMgr() { return *FCompressMgr; }
  TEncryptMgr& EncryptMgr() { return *FEncryptMgr; }

  // Lock settings used when there is no database (storage on its own).
  int LockRetryCount = 20;
  int LockWaitTime = 100;

  // "Database file '%s' is damaged (%s)": the one error for a file whose
  // structure contradicts itself or the bytes that exist.
  [[noreturn]] void Damaged(const std::string& What) const;

 private:
  struct Page {
    std::vector<std::uint8_t> Data;
    bool Dirty = false;
  };
  static constexpr std::int64_t kPageSize = 4096;
  static constexpr std::size_t kMaxCachedPages = 16384;  // 64 MiB

  void CheckHeader(TStream& s);
  bool CacheActive() const;
  Page& LoadPage(std::int64_t PageNo, bool ForWrite);
  void SeekTo(std::int64_t Offset);
  std::int64_t StreamSize();
  void RawRead(std::int64_t Offset, void* Buffer, std::int64_t Count);
  void RawWrite(std::int64_t Offset, const void* Buffer, std::int64_t Count);
  void WriteBack();
  void DropCache();
  // Shared opens and memory media: another writer may exist.
  bool WatchesOthers() const { return FMediumType != mtDisk || !FExclusive; }
  void CheckForeignChanges();
  void BumpChangeCounter();

  TZvCustomDatabase* FDatabase;
  std::string FFileName;
  TZvDBMediumType FMediumType = mtDisk;
  bool FExclusive = false;
  bool FReadOnly = false;
  bool FFileIsReadOnly = false;
  bool FLocked = false;
  TStream* FStream = nullptr;
  std::unique_ptr<TZvDBFileStream> FOwnedStream;
  std::unique_ptr<TCompressMgr> FCompressMgr;
  std::unique_ptr<TEncryptMgr> FEncryptMgr;
  std::uint8_t FOptions[zvfmt::kOptionsSize] = {};
  std::uint8_t FDirectory[zvfmt::kDirectorySize] = {};
  std::recursive_mutex FGuard;

  std::unordered_map<std::int64_t, Page> FPages;
  std::vector<std::int64_t> FDirtyPages;  // numbers of the pages written since the last write-back
  std::int64_t FSize = 0;                 // logical size: the file plus pending writes
  std::int64_t FRealSize = 0;             // what the operating system holds
  bool FDirty = false;

  std::int64_t FHandlePos = -1;  // where the owned disk handle stands; -1 unknown
  bool FInOp = false;            // between Lock and Unlock, any medium
  bool FBumped = false;          // the change counter moved in this hold
  bool FCounterKnown = false;    // FCounter was read under a lock
  std::uint32_t FCounter = 0;    // the value this object last read or wrote
  std::int64_t FSizeLeft = 0;    // the file's size when this object last let go
  std::uint64_t FForeignChanges = 0;
  std::vector<std::uint64_t> FTableWrites;
};

}  // namespace velmorak
