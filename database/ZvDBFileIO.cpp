// ZvDBFileIO: opening and checking a database file, the page cache, the
// byte-1 lock, the tab walks and the stored-data processing entry points.
#include "database/ZvDBFileIO.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <mutex>
#include <set>
#include <unordered_map>

#include "crypto/HashBase.h"
#include "crypto/Hash_SHA.h"
#include "database/Compress_Zlib.h"
#include "database/ZvDBCiphers.h"
#include "platform/os/FileSystem.h"

namespace velmorak {

using namespace zvfmt;

std::int64_t TZvDBFileStream::Write(const void* Buffer, std::int64_t Count) {
  Flushed = false;
  return TFileStream::Write(Buffer, Count);
}

// ---------------------------------------------------------------------------
// Memory database handles

namespace {

std::mutex& MemoryLock() {
  static std::mutex m;
  return m;
}
std::unordered_map<std::uint32_t, TStream*>& MemoryStreams() {
  static std::unordered_map<std::uint32_t, TStream*> m;
  return m;
}

TStream* FindMemoryStream(std::uint32_t h) {
  std::lock_guard<std::mutex> g(MemoryLock());
  auto it = MemoryStreams().find(h);
  return it == MemoryStreams().end() ? nullptr : it->second;
}

}  // namespace

std::uint32_t RegisterMemoryDatabase(TStream* Stream) {
  static std::uint32_t next = 0;
  std::lock_guard<std::mutex> g(MemoryLock());
  const std::uint32_t h = ++next;
  MemoryStreams()[h] = Stream;
  return h;
}

void UnregisterMemoryDatabase(std::uint32_t Handle) {
  std::lock_guard<std::mutex> g(MemoryLock());
  MemoryStreams().erase(Handle);
}

std::string MemoryDatabaseName(std::uint32_t Handle) {
  return Format(":%X", Handle);
}

// ---------------------------------------------------------------------------

TZvDBFileIO::TZvDBFileIO(TZvCustomDatabase* ADatabase)
    : FDatabase(ADatabase),
      FCompressMgr(std::make_unique<TCompressMgr>(this)),
      FEncryptMgr(std::make_unique<TEncryptMgr>(this)) {
  RegisterZlibModule();
  RegisterCipherModules();
  if (FDatabase) {
    FMediumType = FDatabase->GetMediumType();
    FExclusive = FDatabase->GetExclusive();
  }
}

TZvDBFileIO::~TZvDBFileIO() {
  try {
    Close();
  } catch (...) {
    // A destructor cannot report; Close already forgot the stream.
  }
}

void TZvDBFileIO::Damaged(const std::string& What) const {
  throw EDatabaseError(Format("Database file '%s' is damaged (%s)", FFileName.c_str(), What.c_str()));
}

void TZvDBFileIO::CheckHeader(TStream& s) {
  std::uint8_t h[kFileHeaderSize] = {};
  s.SetPosition(0);
  const std::int64_t n = s.Read(h, kFileHeaderSize);
  if (n < kFileHeaderSize || GetText(h, kSignatureSize) != kSignature)
    DatabaseErrorFmt("Database file '%s' is a invalid ZvDB", FFileName);
  const std::string version = GetText(h + kVersionOffset, kVersionSize);
  if (version == kRefusedVersion) DatabaseError("Version 1.00 is not compatible");
  if (version > std::string(kHighestVersion)) DatabaseError("Version of database file is too High");
}

void TZvDBFileIO::Open(const std::string& AFileName, TZvDBMediumType AMediumType, bool AReadOnly,
                       bool AExclusive) {
  if (FStream) return;
  FMediumType = AMediumType;
  FExclusive = AExclusive;
  FReadOnly = AReadOnly;
  // Messages of the checks below name the file being opened.
  FFileName = AFileName;
  if (FMediumType == mtDisk) {
    if (!os::FileExists(AFileName)) DatabaseErrorFmt("Cannot open file %s", AFileName);
    {
      // Signature and version are checked on a handle of their own that
      // denies nobody, before the real open asks for its sharing.
      TFileStream probe(AFileName, os::fmOpenRead | os::fmShareDenyNone);
      CheckHeader(probe);
    }
    const std::uint32_t attr = os::FileGetAttr(AFileName);
    FFileIsReadOnly = attr != os::InvalidAttributes && (attr & os::faReadOnly) != 0;
    const unsigned access = (FFileIsReadOnly || FReadOnly) ? os::fmOpenRead : os::fmOpenReadWrite;
    const unsigned share = FExclusive ? os::fmShareExclusive : os::fmShareDenyNone;
    FOwnedStream = std::make_unique<TZvDBFileStream>(AFileName, access | share);
    FStream = FOwnedStream.get();
  } else {
    bool valid = AFileName.size() > 1 && AFileName[0] == ':' && AFileName.size() <= 9;
    for (std::size_t i = 1; valid && i < AFileName.size(); ++i)
      valid = std::isxdigit(static_cast<unsigned char>(AFileName[i])) != 0;
    TStream* s =
        valid ? FindMemoryStream(static_cast<std::uint32_t>(std::stoul(AFileName.substr(1), nullptr, 16)))
              : nullptr;
    if (!s) DatabaseErrorFmt("Invalid database name '%s'", AFileName);
    CheckHeader(*s);
    FFileIsReadOnly = false;
    FStream = s;
  }
  FPages.clear();
  FDirtyPages.clear();
  FDirty = false;
  FInOp = FBumped = FCounterKnown = false;
  FHandlePos = -1;
  FSize = FRealSize = StreamSize();
  ReadBuffer(kOptionsOffset, FOptions, kOptionsSize);
  ApplyOptions();
  ReadBuffer(kDirectoryOffset, FDirectory, kDirectorySize);
  const std::int32_t count = GetI32(FDirectory + kDirTableCount);
  if (count < 0 || count > kMaxTables) Damaged(Format("table count %d outside 0..%d", count, kMaxTables));
  FTableWrites.assign(static_cast<std::size_t>(count), 0);
}

void TZvDBFileIO::Close() {
  if (!FStream) return;
  struct Forget {
    TZvDBFileIO* self;
    ~Forget() {
      if (self->FLocked && self->FMediumType == mtDisk)
        os::FileUnlockRange(static_cast<THandleStream*>(self->FStream)->Handle(), kLockByteOffset, 1);
      self->FLocked = false;
      self->FInOp = false;
      self->FPages.clear();
      self->FDirtyPages.clear();
      self->FDirty = false;
      self->FStream = nullptr;
      self->FOwnedStream.reset();
    }
  } forget{this};
  WriteBack();
}

bool TZvDBFileIO::IsFlushed() const {
  if (auto* fs = dynamic_cast<TZvDBFileStream*>(FStream)) return fs->Flushed && !FDirty;
  return true;
}

void TZvDBFileIO::Flush() {
  auto* fs = dynamic_cast<TZvDBFileStream*>(FStream);
  if (!fs) return;
  WriteBack();
  os::FileFlush(fs->Handle());
  fs->Flushed = true;
}

// ---------------------------------------------------------------------------
// The lock

void TZvDBFileIO::Lock() {
  if (!FStream) return;
  if (FMediumType == mtDisk) {
    const int retries = FDatabase ? FDatabase->GetLockRetryCount() : std::max(0, LockRetryCount);
    const int wait = FDatabase ? FDatabase->GetLockWaitTime() : std::max(0, LockWaitTime);
    const os::THandle h = static_cast<THandleStream*>(FStream)->Handle();
    int tries = 0;
    while (!os::FileLockRange(h, kLockByteOffset, 1)) {
      ++tries;
      if (retries != 0 && tries > retries) DatabaseError("Wait for unlock time out");
      os::Sleep(static_cast<unsigned>(wait));
    }
    FLocked = true;
  }
  FInOp = true;
  FBumped = false;
  if (!WatchesOthers()) return;
  try {
    CheckForeignChanges();
  } catch (...) {
    Unlock();
    throw;
  }
}

// Under the lock: has anyone else written since this object last let go?
void TZvDBFileIO::CheckForeignChanges() {
  const std::int64_t size = StreamSize();
  std::uint8_t b[kChangeCounterSize] = {};
  if (size >= kChangeCounterOffset + kChangeCounterSize) RawRead(kChangeCounterOffset, b, kChangeCounterSize);
  const auto counter = static_cast<std::uint32_t>(GetI32(b));
  if (FCounterKnown && counter == FCounter && size == FSizeLeft) return;
  FCounter = counter;
  FCounterKnown = true;
  // Nothing is dirty outside a hold, so only clean copies are dropped here.
  FPages.clear();
  FDirtyPages.clear();
  FDirty = false;
  FSize = FRealSize = size;
  ++FForeignChanges;
}

// Before the first write of a hold: the counter moves, and since its page is
// the file's first, a write-back sends it ahead of everything else of the
// hold, so a writer that stops half-way still leaves the change visible.
void TZvDBFileIO::BumpChangeCounter() {
  FBumped = true;
  ++FCounter;
  std::uint8_t b[kChangeCounterSize];
  PutI32(b, static_cast<std::int32_t>(FCounter));
  WriteBuffer(kChangeCounterOffset, b, kChangeCounterSize);
}

void TZvDBFileIO::Unlock() {
  if (!FStream) return;
  FInOp = false;
  if (FMediumType != mtDisk) {
    FSizeLeft = StreamSize();
    return;
  }
  struct Release {
    TZvDBFileIO* self;
    ~Release() {
      if (!self->FLocked) return;
      os::FileUnlockRange(static_cast<THandleStream*>(self->FStream)->Handle(), kLockByteOffset, 1);
      self->FLocked = false;
    }
  } release{this};
  WriteBack();
  FSizeLeft = FRealSize;
}

std::uint64_t TZvDBFileIO::TableWrites(int t) const {
  return t >= 0 && t < static_cast<int>(FTableWrites.size()) ? FTableWrites[static_cast<std::size_t>(t)] : 0;
}

std::uint64_t TZvDBFileIO::NoteTableWrite(int t) {
  if (t < 0 || t >= static_cast<int>(FTableWrites.size())) return 0;
  return ++FTableWrites[static_cast<std::size_t>(t)];
}

// ---------------------------------------------------------------------------
// Positioned I/O and the page cache

bool TZvDBFileIO::CacheActive() const {
  return FMediumType == mtDisk && (FExclusive || FLocked);
}

// The disk stream's handle is this object's alone, so where it stands is
// known and a read or write that continues from there needs no seek.
void TZvDBFileIO::SeekTo(std::int64_t Offset) {
  if (FOwnedStream && FHandlePos == Offset) return;
  FHandlePos = -1;
  FStream->SetPosition(Offset);
  if (FOwnedStream) FHandlePos = Offset;
}

std::int64_t TZvDBFileIO::StreamSize() {
  if (!FOwnedStream) return FStream->Size();
  const std::int64_t n = os::FileSize(FOwnedStream->Handle());
  return n >= 0 ? n : FStream->Size();
}

void TZvDBFileIO::RawRead(std::int64_t Offset, void* Buffer, std::int64_t Count) {
  SeekTo(Offset);
  auto* p = static_cast<std::uint8_t*>(Buffer);
  std::int64_t done = 0;
  while (done < Count) {
    const std::int64_t n = FStream->Read(p + done, Count - done);
    if (n <= 0) break;
    done += n;
  }
  if (FHandlePos >= 0) FHandlePos = done < Count ? -1 : Offset + Count;
  if (done < Count) std::memset(p + done, 0, static_cast<std::size_t>(Count - done));
}

void TZvDBFileIO::RawWrite(std::int64_t Offset, const void* Buffer, std::int64_t Count) {
  SeekTo(Offset);
  const std::int64_t pos = FHandlePos;
  FHandlePos = -1;  // unknown should the write fail
  FStream->WriteBuffer(Buffer, Count);
  if (pos >= 0) FHandlePos = Offset + Count;
  FRealSize = std::max(FRealSize, Offset + Count);
}

TZvDBFileIO::Page& TZvDBFileIO::LoadPage(std::int64_t PageNo, bool ForWrite) {
  auto it = FPages.find(PageNo);
  if (it != FPages.end()) return it->second;
  if (FPages.size() >= kMaxCachedPages) {
    WriteBack();
    FPages.clear();
  }
  Page& pg = FPages[PageNo];
  pg.Data.assign(static_cast<std::size_t>(kPageSize), 0);
  // A page past the file's real end has nothing to read yet.
  const std::int64_t start = PageNo * kPageSize;
  if (start < FRealSize) RawRead(start, pg.Data.data(), std::min(kPageSize, FRealSize - start));
  (void)ForWrite;
  return pg;
}

void TZvDBFileIO::WriteBack() {
  if (!FDirty) return;
  FDirty = false;
  // Runs of neighbouring dirty pages go to the file in one write each.
  std::sort(FDirtyPages.begin(), FDirtyPages.end());
  std::vector<std::uint8_t> run;
  std::int64_t runStart = -1;
  auto emit = [&] {
    if (runStart < 0) return;
    const std::int64_t len = std::min<std::int64_t>(static_cast<std::int64_t>(run.size()), FSize - runStart);
    if (len > 0) RawWrite(runStart, run.data(), len);
    run.clear();
    runStart = -1;
  };
  std::int64_t last = -2;
  for (const std::int64_t no : FDirtyPages) {
    if (no == last) continue;
    auto it = FPages.find(no);
    if (it == FPages.end() || !it->second.Dirty) continue;
    if (no != last + 1) emit();
    if (runStart < 0) runStart = no * kPageSize;
    run.insert(run.end(), it->second.Data.begin(), it->second.Data.end());
    it->second.Dirty = false;
    last = no;
  }
  FDirtyPages.clear();
  emit();
}

void TZvDBFileIO::DropCache() {
  WriteBack();
  FPages.clear();
}

std::int64_t TZvDBFileIO::FileSize() {
  if (!FStream) DatabaseError(SDatabaseClosed);
  if (!CacheActive()) FSize = FRealSize = StreamSize();
  return FSize;
}

void TZvDBFileIO::ReadBuffer(std::int64_t Offset, void* Buffer, std::int64_t Count) {
  if (Count <= 0) return;
  if (!FStream) DatabaseError(SDatabaseClosed);
  // The file only grows: a read inside the size last seen needs no new look.
  if (Offset < 0 || Offset + Count > FSize) {
    if (Offset < 0 || Offset + Count > FileSize())
      Damaged(Format("%lld bytes at offset %lld lie beyond the end of the file (%lld bytes)",
                     static_cast<long long>(Count), static_cast<long long>(Offset),
                     static_cast<long long>(FSize)));
  }
  auto* out = static_cast<std::uint8_t*>(Buffer);
  if (!CacheActive()) {
    // Without the lock (blob loads, key reads of searches) a shared open
    // reads the pages it kept as it saw them under its last lock — the state
    // the records it read then belong to — and the rest from the file.
    std::int64_t runAt = -1;
    std::uint8_t* runOut = nullptr;
    auto flush = [&](std::int64_t end) {
      if (runAt >= 0) RawRead(runAt, runOut, end - runAt);
      runAt = -1;
    };
    while (Count > 0) {
      const std::int64_t no = Offset / kPageSize, in = Offset % kPageSize;
      const std::int64_t n = std::min(Count, kPageSize - in);
      auto it = FPages.empty() ? FPages.end() : FPages.find(no);
      if (it != FPages.end()) {
        flush(Offset);
        std::memcpy(out, it->second.Data.data() + in, static_cast<std::size_t>(n));
      } else if (runAt < 0) {
        runAt = Offset;
        runOut = out;
      }
      out += n, Offset += n, Count -= n;
    }
    flush(Offset);
    return;
  }
  while (Count > 0) {
    const std::int64_t no = Offset / kPageSize, in = Offset % kPageSize;
    const std::int64_t n = std::min(Count, kPageSize - in);
    Page& pg = LoadPage(no, false);
    std::memcpy(out, pg.Data.data() + in, static_cast<std::size_t>(n));
    out += n, Offset += n, Count -= n;
  }
}

void TZvDBFileIO::WriteBuffer(std::int64_t Offset, const void* Buffer, std::int64_t Count) {
  if (!FStream) DatabaseError(SDatabaseClosed);
  if (Count <= 0) return;
  if (FMediumType == mtDisk && (FReadOnly || FFileIsReadOnly)) throw EWriteError("Stream write error");
  if (Offset < 0 || Offset + Count > 0x7FFFFFFF) Damaged("the file would grow beyond 2 GiB");
  if (FInOp && !FBumped && WatchesOthers()) BumpChangeCounter();
  if (!CacheActive()) {
    RawWrite(Offset, Buffer, Count);
    FSize = std::max(FSize, Offset + Count);
    // Pages kept from the last hold must not hide this write at the next.
    if (!FPages.empty())
      for (std::int64_t no = Offset / kPageSize; no <= (Offset + Count - 1) / kPageSize; ++no)
        FPages.erase(no);
    return;
  }
  const auto* in = static_cast<const std::uint8_t*>(Buffer);
  const std::int64_t end = Offset + Count;
  while (Count > 0) {
    const std::int64_t no = Offset / kPageSize, at = Offset % kPageSize;
    const std::int64_t n = std::min(Count, kPageSize - at);
    Page& pg = LoadPage(no, true);
    std::memcpy(pg.Data.data() + at, in, static_cast<std::size_t>(n));
    if (!pg.Dirty) FDirtyPages.push_back(no);
    pg.Dirty = true;
    in += n, Offset += n, Count -= n;
  }
  FDirty = true;
  FSize = std::max(FSize, end);
  if (auto* fs = dynamic_cast<TZvDBFileStream*>(FStream)) fs->Flushed = false;
}

// ---------------------------------------------------------------------------
// Tables and tabs

int TZvDBFileIO::TableCount() const {
  return GetI32(FDirectory + kDirTableCount);
}

std::int32_t TZvDBFileIO::TableHeaderOffset(int t) const {
  return GetI32(FDirectory + kDirHeaderOffsets + 4 * t);
}

void TZvDBFileIO::ReadTableHeader(int t, std::uint8_t* Buffer) {
  if (t < 0 || t >= TableCount()) Damaged(Format("table %d is not in the directory", t));
  const std::int32_t at = TableHeaderOffset(t);
  if (at < kDataAreaOffset) Damaged(Format("header of table %d at offset %d inside the fixed part", t, at));
  ReadBuffer(at, Buffer, kTableHeaderSize);
}

void TZvDBFileIO::WriteTableHeader(int t, const std::uint8_t* Buffer) {
  if (t < 0 || t >= TableCount()) Damaged(Format("table %d is not in the directory", t));
  WriteBuffer(TableHeaderOffset(t), Buffer, kTableHeaderSize);
}

void TZvDBFileIO::GetTableNames(TStrings& List) {
  List.BeginUpdate();
  struct End {
    TStrings& l;
    ~End() { l.EndUpdate(); }
  } end{List};
  List.Clear();
  std::vector<std::uint8_t> h(kTableHeaderSize);
  for (int t = 0; t < TableCount(); ++t) {
    ReadTableHeader(t, h.data());
    List.Add(GetText(h.data() + kThTableName, kNameSize));
  }
}

namespace {

// Walks a chain of tab blocks, checking every block against the file.
template <typename Item, typename Decode>
void WalkTab(TZvDBFileIO& io, std::int32_t start, std::int32_t n, int itemSize, int blockSize,
             const char* what, TIntegerAry& BlockOffsets, std::vector<Item>& Items, Decode decode) {
  BlockOffsets.clear();
  Items.clear();
  if (n < 0) io.Damaged(Format("negative record count %d", n));
  if (n == 0) return;
  const std::int64_t size = io.FileSize();
  // Each block of 1024 items takes blockSize bytes: a count the file cannot
  // hold is refused before anything is allocated for it.
  const std::int64_t blocks = (static_cast<std::int64_t>(n) + kItemsPerBlock - 1) / kItemsPerBlock;
  if (blocks * static_cast<std::int64_t>(blockSize) > size)
    io.Damaged(Format("%d records need more %s blocks than the file holds", n, what));
  BlockOffsets.reserve(static_cast<std::size_t>(blocks));
  Items.resize(static_cast<std::size_t>(n));
  std::set<std::int32_t> seen;
  std::vector<std::uint8_t> buf(static_cast<std::size_t>(blockSize));
  std::int32_t at = start, done = 0;
  while (done < n) {
    if (at < kDataAreaOffset) io.Damaged(Format("%s block at offset %d outside the data area", what, at));
    // A chain that comes back to a block it has visited would repeat items.
    if (!seen.insert(at).second) io.Damaged(Format("%s chain loops at offset %d", what, at));
    const std::int32_t c = std::min<std::int32_t>(n - done, kItemsPerBlock);
    io.ReadBuffer(at, buf.data(), 4 + static_cast<std::int64_t>(c) * itemSize);
    BlockOffsets.push_back(at);
    for (std::int32_t i = 0; i < c; ++i)
      Items[static_cast<std::size_t>(done + i)] = decode(buf.data() + 4 + i * itemSize);
    at = GetI32(buf.data());
    done += c;
  }
}

}  // namespace

void TZvDBFileIO::ReadRecordTab(const std::uint8_t* TableHeader, TRecordTabItems& Items,
                                TIntegerAry& BlockOffsets) {
  WalkTab<TRecordTabItem>(*this, GetI32(TableHeader + kThRecTabOffset), GetI32(TableHeader + kThRecordCount),
                          kRecTabItemSize, kRecTabBlockSize, "record-tab", BlockOffsets, Items,
                          [](const std::uint8_t* p) {
                            return TRecordTabItem{GetI32(p), p[4]};
                          });
}

void TZvDBFileIO::ReadIndexTab(const std::uint8_t* TableHeader, int j, TIntegerAry& BlockOffsets,
                               TIndexTabItems& Items) {
  const std::uint8_t* e = TableHeader + kThIndexEntries + j * kIndexEntrySize;
  WalkTab<TIndexTabItem>(*this, GetI32(e + kIeIndexTabOffset), GetI32(TableHeader + kThRecordCount),
                         kIdxTabItemSize, kIdxTabBlockSize, "index-tab", BlockOffsets, Items,
                         [](const std::uint8_t* p) {
                           return TIndexTabItem{GetI32(p), GetI32(p + 4)};
                         });
}

void TZvDBFileIO::MarkRecordDeleted(std::int64_t ItemOffset) {
  std::uint8_t item[kRecTabItemSize];
  ReadBuffer(ItemOffset, item, kRecTabItemSize);
  item[4] = 1;
  WriteBuffer(ItemOffset, item, kRecTabItemSize);
}

void TZvDBFileIO::ReadFieldValue(TMemoryStream* Dest, std::int64_t ItemOffset, bool Compress, bool Encrypt,
                                 bool IsBlob, int Size, int FieldOffset) {
  std::uint8_t item[kRecTabItemSize];
  ReadBuffer(ItemOffset, item, kRecTabItemSize);
  ReadFieldData(Dest, static_cast<std::int64_t>(GetI32(item)) + FieldOffset, Compress, Encrypt, IsBlob, Size);
}

void TZvDBFileIO::ReadFieldData(TMemoryStream* Dest, std::int64_t Offset, bool Compress, bool Encrypt,
                                bool IsBlob, int Size) {
  TMemoryStream raw;
  if (IsBlob) {
    std::uint8_t d[kBlobDescriptorSize];
    ReadBuffer(Offset, d, kBlobDescriptorSize);
    const std::int32_t at = GetI32(d + kBdDataOffset), n = GetI32(d + kBdDataSize);
    if (n < 0) Damaged(Format("blob of negative size %d", n));
    // Checked before anything is allocated for it.
    // (The file only grows: inside the size last seen needs no new look.)
    if (at < 0 ||
        (static_cast<std::int64_t>(at) + n > FSize && static_cast<std::int64_t>(at) + n > FileSize()))
      Damaged(Format("blob of %d bytes at offset %d lies beyond the end of the file", n, at));
    raw.SetSize(n);
    if (n > 0) ReadBuffer(at, raw.Memory(), n);
  } else {
    raw.SetSize(Size);
    ReadBuffer(Offset, raw.Memory(), Size);
  }
  DecodeBlob(&raw, Dest, Encrypt, Compress);
}

// ---------------------------------------------------------------------------
// Stored-data processing

void TZvDBFileIO::ApplyOptions() {
  if (CompressEnabled()) FCompressMgr->SetAlgoName(GetText(FOptions + kOptCompressName, kAlgoNameSize));
  if (EncryptEnabled()) {
    FEncryptMgr->SetAlgoName(GetText(FOptions + kOptEncryptName, kAlgoNameSize));
    FEncryptMgr->SetMode(FOptions[kOptCipherMode]);
  }
}

bool TZvDBFileIO::SetPassword(const std::string& Password) {
  if (!IsOpen()) return false;
  if (!EncryptEnabled()) return true;
  const std::string digest = THash::HashText(&THash_SHA::ClassInfo, Password);
  if (digest != GetText(FOptions + kOptPasswordDigest, kPasswordDigestSize)) return false;
  FEncryptMgr->InitKey(Password);
  return true;
}

void TZvDBFileIO::EncodeBlob(TMemoryStream* Source, TMemoryStream* Dest, bool Encrypt, bool Compress) {
  std::lock_guard<std::recursive_mutex> g(FGuard);
  Source->SetPosition(0);
  if (Dest != Source) Dest->Clear();
  if (!Encrypt && !Compress) {
    if (Dest != Source) Dest->CopyFrom(*Source, 0);
    return;
  }
  if (Compress) FCompressMgr->EncodeStream(Source, Dest, Source->Size());
  if (Encrypt) {
    std::unique_ptr<TMemoryStream> copy;
    TMemoryStream* input = Source;
    if (Compress) {
      copy = std::make_unique<TMemoryStream>();
      copy->CopyFrom(*Dest, 0);
      Dest->Clear();
      input = copy.get();
    }
    input->SetPosition(0);
    Dest->SetPosition(0);
    FEncryptMgr->EncodeStream(input, Dest, input->Size());
  }
}

void TZvDBFileIO::DecodeBlob(TMemoryStream* Source, TMemoryStream* Dest, bool Encrypt, bool Compress) {
  std::lock_guard<std::recursive_mutex> g(FGuard);
  Source->SetPosition(0);
  if (Dest != Source) Dest->Clear();
  if (!Encrypt && !Compress) {
    if (Dest != Source) Dest->CopyFrom(*Source, 0);
    Dest->SetPosition(0);
    return;
  }
  if (Encrypt) {
    Dest->SetPosition(0);
    FEncryptMgr->DecodeStream(Source, Dest, Source->Size());
  }
  if (Compress) {
    std::unique_ptr<TMemoryStream> copy;
    TMemoryStream* input = Source;
    if (Encrypt) {
      copy = std::make_unique<TMemoryStream>();
      copy->CopyFrom(*Dest, 0);
      Dest->Clear();
      input = copy.get();
    }
    input->SetPosition(0);
    FCompressMgr->DecodeStream(input, Dest, input->Size());
  }
  Dest->SetPosition(0);
}

void TZvDBFileIO::EncodeField(const void* Source, void* Dest, bool Encrypt, int Size) {
  std::lock_guard<std::recursive_mutex> g(FGuard);
  if (Encrypt)
    FEncryptMgr->EncryptBuffer(Source, Dest, Size);
  else if (Size > 0 && Source != Dest)
    std::memmove(Dest, Source, static_cast<std::size_t>(Size));
}

void TZvDBFileIO::DecodeField(const void* Source, void* Dest, bool Encrypt, int Size) {
  std::lock_guard<std::recursive_mutex> g(FGuard);
  if (Encrypt)
    FEncryptMgr->DecryptBuffer(Source, Dest, Size);
  else if (Size > 0 && Source != Dest)
    std::memmove(Dest, Source, static_cast<std::size_t>(Size));
}

}  // namespace velmorak
