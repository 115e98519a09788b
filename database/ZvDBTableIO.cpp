// ZvDBTableIO: loading a table, the record lists, and appending, changing,
// deleting and reading records and their blobs.
#include "database/ZvDBTableIO.h"

#include <algorithm>
#include <cstring>

#include "crypto/HashBase.h"
#include "crypto/Hash_CheckSum.h"

namespace velmorak {

using namespace zvfmt;

template <typename Def>
int TZvDefCollection<Def>::IndexOfName(const std::string& Name) const {
  for (std::size_t i = 0; i < FItems.size(); ++i) {
    const std::string& n = FItems[i].Name;
    if (n.size() != Name.size()) continue;
    bool same = true;
    for (std::size_t k = 0; k < n.size() && same; ++k)
      same =
          std::tolower(static_cast<unsigned char>(n[k])) == std::tolower(static_cast<unsigned char>(Name[k]));
    if (same) return static_cast<int>(i);
  }
  return -1;
}
template class TZvDefCollection<TZvFieldDef>;
template class TZvDefCollection<TZvIndexDef>;

namespace {

// Lock for the length of a scope; Unlock also on error.
class FileLock {
 public:
  explicit FileLock(TZvDBFileIO& io, bool take = true) : FIo(io), FTaken(take) {
    if (FTaken) FIo.Lock();
  }
  ~FileLock() noexcept(false) {
    if (!FTaken) return;
    if (std::uncaught_exceptions() > 0) {
      try {
        FIo.Unlock();
      } catch (...) {
      }
    } else {
      FIo.Unlock();
    }
  }

 private:
  TZvDBFileIO& FIo;
  bool FTaken;
};

std::uint32_t Crc32(const void* data, std::int64_t size) {
  std::uint8_t out[4] = {};
  THash::HashBuffer(&THash_CRC32::ClassInfo, data, static_cast<int>(size), out);
  return static_cast<std::uint32_t>(out[0]) | out[1] << 8 | out[2] << 16 |
         static_cast<std::uint32_t>(out[3]) << 24;
}

}  // namespace

TZvTableIO::TZvTableIO(TZvCustomDatabase* ADatabase) : FDatabase(ADatabase) {}

TZvTableIO::TZvTableIO(TZvDBFileIO* AFileIO) : FOwnFileIO(AFileIO) {}

TZvTableIO::~TZvTableIO() = default;

TZvDBFileIO& TZvTableIO::FileIO() const {
  TZvDBFileIO* io = FDatabase ? FDatabase->GetFileIO() : FOwnFileIO;
  if (!io || !io->IsOpen()) DatabaseError(SDatabaseClosed);
  return *io;
}

std::int32_t TZvTableIO::RecordCount() const {
  return FHeader.empty() ? 0 : GetI32(FHeader.data() + kThRecordCount);
}

std::int32_t TZvTableIO::AutoIncCounter() const {
  return FHeader.empty() ? 0 : GetI32(FHeader.data() + kThAutoIncCounter);
}

int TZvTableIO::FieldByteSize(int i) const {
  const TZvFieldDef& f = FFieldDefs.Items(i);
  return zvfmt::FieldByteSize(f.FieldType, f.FieldSize);
}

std::int64_t TZvTableIO::HeaderOffset() const {
  return FileIO().TableHeaderOffset(FTableIndex);
}

std::int64_t TZvTableIO::RecTabItemOffset(std::int32_t k) const {
  const std::size_t b = static_cast<std::size_t>(k / kItemsPerBlock);
  if (k < 0 || b >= FRecTabBlockOffsets.size())
    FileIO().Damaged(Format("record %d has no record-tab block", k));
  return static_cast<std::int64_t>(FRecTabBlockOffsets[b]) + 4 + (k % kItemsPerBlock) * kRecTabItemSize;
}

std::int64_t TZvTableIO::IdxTabItemOffset(int j, std::int32_t k) const {
  const TIntegerAry& blocks = FIndexTabBlockOffsets.at(static_cast<std::size_t>(j));
  const std::size_t b = static_cast<std::size_t>(k / kItemsPerBlock);
  if (k < 0 || b >= blocks.size())
    FileIO().Damaged(
        Format("record %d has no index-tab block in index '%s'", k, FIndexDefs.Items(j).Name.c_str()));
  return static_cast<std::int64_t>(blocks[b]) + 4 + (k % kItemsPerBlock) * kIdxTabItemSize;
}

// ---------------------------------------------------------------------------
// Open, load, unload

void TZvTableIO::Open() {
  if (FOpenCount == 0) Load();
  ++FOpenCount;
}

void TZvTableIO::Close() {
  if (FOpenCount == 0) return;
  if (--FOpenCount == 0) Unload();
}

void TZvTableIO::Unload() {
  FPlain.clear();
  FPlainKnown.clear();
  FAhead.clear();
  FLastList = nullptr;
  FFieldDefs.Clear();
  FIndexDefs.Clear();
  FRecordLists.clear();
  FKeyCache.clear();
  FRecordTab.clear();
  FRecTabBlockOffsets.clear();
  FIndexTabBlockOffsets.clear();
  FHeader.clear();
}

void TZvTableIO::DecodeHeader() {
  TZvDBFileIO& io = FileIO();
  const std::uint8_t* h = FHeader.data();
  const std::int32_t fieldCount = GetI32(h + kThFieldCount);
  const std::int32_t indexCount = GetI32(h + kThIndexCount);
  if (fieldCount < 0 || fieldCount > kMaxFields)
    io.Damaged(Format("table '%s' claims %d fields", FTableName.c_str(), fieldCount));
  if (indexCount < 0 || indexCount > kMaxIndexes)
    io.Damaged(Format("table '%s' claims %d indexes", FTableName.c_str(), indexCount));
  FFieldDefs.Clear();
  for (int i = 0; i < fieldCount; ++i) {
    const std::uint8_t* e = h + kThFieldEntries + i * kFieldEntrySize;
    FFieldDefs.Add({GetText(e + kFeName, kNameSize), e[kFeType], GetI32(e + kFeSize), e[kFeProcessMode]});
  }
  FIndexDefs.Clear();
  for (int j = 0; j < indexCount; ++j) {
    const std::uint8_t* e = h + kThIndexEntries + j * kIndexEntrySize;
    TZvIndexDef d{GetText(e + kIeName, kNameSize), e[kIeOptions], {}};
    for (int s = 0; s < kMaxKeyFields; ++s) {
      const std::int32_t f = GetI32(e + kIeFieldNumbers + 4 * s);
      if (f == -1) break;
      if (f < 0 || f >= fieldCount)
        io.Damaged(Format("index '%s' names field %d of %d", d.Name.c_str(), f, fieldCount));
      d.FieldNumbers.push_back(f);
    }
    if (d.FieldNumbers.empty()) io.Damaged(Format("index '%s' has no key field", d.Name.c_str()));
    FIndexDefs.Add(std::move(d));
  }
  // Record layout: fields follow one another without gaps.
  FFieldOffsets.assign(static_cast<std::size_t>(fieldCount), 0);
  FRecordSize = 0;
  FAutoIncFieldIndex = -1;
  for (int i = 0; i < fieldCount; ++i) {
    FFieldOffsets[static_cast<std::size_t>(i)] = FRecordSize;
    const int bytes = FieldByteSize(i);
    if (bytes == 0) DatabaseError(SGeneralError);
    FRecordSize += bytes;
    if (FAutoIncFieldIndex < 0 && FFieldDefs.Items(i).FieldType == ftAutoInc) FAutoIncFieldIndex = i;
  }
}

void TZvTableIO::Load() {
  TZvDBFileIO& io = FileIO();
  FileLock lock(io);
  TStringList names;
  io.GetTableNames(names);
  FTableIndex = names.IndexOf(FTableName);
  if (FTableIndex < 0) DatabaseErrorFmt("Table '%s' not found", FTableName);
  FHeader.assign(kTableHeaderSize, 0);
  try {
    io.ReadTableHeader(FTableIndex, FHeader.data());
    DecodeHeader();
    FIndexTabBlockOffsets.assign(static_cast<std::size_t>(FIndexDefs.Count()), {});
    io.ReadRecordTab(FHeader.data(), FRecordTab, FRecTabBlockOffsets);
    FKeyCache.assign(static_cast<std::size_t>(FFieldDefs.Count()), {});
    for (int j = 0; j < FIndexDefs.Count(); ++j)
      for (int f : FIndexDefs.Items(j).FieldNumbers) {
        KeyColumn& c = FKeyCache[static_cast<std::size_t>(f)];
        if (IsBlobType(FFieldDefs.Items(f).FieldType)) continue;
        c.Width = FieldByteSize(f);
      }
    RebuildAllLists();
    StampView();
  } catch (...) {
    Unload();
    FTableIndex = -1;
    throw;
  }
}

void TZvTableIO::StampView() {
  TZvDBFileIO& io = FileIO();
  FViewForeign = io.ForeignChanges();
  FViewWrites = io.TableWrites(FTableIndex);
}

void TZvTableIO::RebuildAllLists() {
  FRecordLists.clear();
  FRecordLists.resize(static_cast<std::size_t>(FIndexDefs.Count() + 1));
  for (int i = 0; i <= FIndexDefs.Count(); ++i) BuildRecordList(i, false);
}

TRecordList* TZvTableIO::GetList(int i) {
  if (i < 0 || i >= static_cast<int>(FRecordLists.size())) return nullptr;
  return FRecordLists[static_cast<std::size_t>(i)].get();
}

void TZvTableIO::BuildRecordList(int L, bool Reread) {
  if (L < 0 || L >= static_cast<int>(FRecordLists.size()) || FRecordLists[static_cast<std::size_t>(L)])
    return;
  TZvDBFileIO& io = FileIO();
  if (Reread) {
    FileLock lock(io);
    io.ReadRecordTab(FHeader.data(), FRecordTab, FRecTabBlockOffsets);
  }
  auto list = std::make_unique<TRecordList>();
  FillList(L, *list);
  FRecordLists[static_cast<std::size_t>(L)] = std::move(list);
}

// List L from the record tab and, for an index, its chain in the file.
void TZvTableIO::FillList(int L, TRecordList& Out) {
  TZvDBFileIO& io = FileIO();
  Out.clear();
  const std::int32_t n = RecordCount();
  if (L == 0) {
    Out.reserve(static_cast<std::size_t>(n));
    for (std::int32_t k = 0; k < n; ++k)
      if (FRecordTab[static_cast<std::size_t>(k)].DeleteFlag == 0)
        Out.push_back({FRecordTab[static_cast<std::size_t>(k)].DataOffset, k});
    return;
  }
  const int j = L - 1;
  const std::uint8_t* e = IndexEntry(j);
  TIntegerAry& blocks = FIndexTabBlockOffsets[static_cast<std::size_t>(j)];
  blocks.clear();
  if (GetI32(e + kIeIndexTabOffset) == 0) return;
  TIndexTabItems items;
  io.ReadIndexTab(FHeader.data(), j, blocks, items);
  std::vector<std::uint8_t> seen(static_cast<std::size_t>(n), 0);
  Out.reserve(static_cast<std::size_t>(n));
  std::int32_t k = GetI32(e + kIeHead);
  for (std::int32_t steps = 0; steps < n && k != -1; ++steps) {
    if (k < 0 || k >= n)
      io.Damaged(Format("index '%s' links to record %d of %d", FIndexDefs.Items(j).Name.c_str(), k, n));
    if (seen[static_cast<std::size_t>(k)]++)
      io.Damaged(Format("index '%s' chain visits record %d twice", FIndexDefs.Items(j).Name.c_str(), k));
    if (FRecordTab[static_cast<std::size_t>(k)].DeleteFlag == 0)
      Out.push_back({FRecordTab[static_cast<std::size_t>(k)].DataOffset, k});
    k = items[static_cast<std::size_t>(k)].Next;
  }
}

// The view against the file. Within this process, writes through this object
// are followed as they happen; the file object tells of everything else: a
// foreign change (another process or file object wrote since our last hold),
// or a write to this table by another storage object sharing the file
// object. Either way the whole view is read again: the header (counts, heads,
// autoinc counter), the record tab with its delete flags, every built list
// from its chain, and the key cache starts empty, since keys may have
// changed in place. Must run under the lock.
bool TZvTableIO::SyncView() {
  TZvDBFileIO& io = FileIO();
  if (FViewForeign == io.ForeignChanges() && FViewWrites == io.TableWrites(FTableIndex)) return false;
  ReloadView();
  return true;
}

void TZvTableIO::ReloadView() {
  TZvDBFileIO& io = FileIO();
  std::vector<std::uint8_t> h(kTableHeaderSize);
  io.ReadTableHeader(FTableIndex, h.data());
  if (GetI32(h.data() + kThRecordCount) < RecordCount())
    io.Damaged(Format("table '%s' lost records", FTableName.c_str()));
  // The definitions never change: a header that says otherwise is not this table's.
  if (std::memcmp(h.data() + kThFieldCount, FHeader.data() + kThFieldCount,
                  kThIndexEntries - kThFieldCount) != 0)
    io.Damaged(Format("the definitions of table '%s' changed", FTableName.c_str()));
  FHeader.swap(h);
  io.ReadRecordTab(FHeader.data(), FRecordTab, FRecTabBlockOffsets);
  for (KeyColumn& c : FKeyCache)
    if (c.Width) c.Known.assign(static_cast<std::size_t>(RecordCount()), 0);
  for (std::size_t L = 0; L < FRecordLists.size(); ++L)
    if (FRecordLists[L]) FillList(static_cast<int>(L), *FRecordLists[L]);
  StampView();
  PlainValid();
  ++FViewGeneration;
  ++FChangeCount;
}

bool TZvTableIO::RefreshView() {
  TZvDBFileIO& io = FileIO();
  FileLock lock(io);
  return SyncView();
}

int TZvTableIO::PhysicalPosOfRecIndex(std::int32_t RecIndex) const {
  if (FRecordLists.empty() || !FRecordLists[0]) return -1;
  const TRecordList& l0 = *FRecordLists[0];
  auto it = std::lower_bound(l0.begin(), l0.end(), RecIndex,
                             [](const TRecordEntry& e, std::int32_t v) { return e.RecIndex < v; });
  return it != l0.end() && it->RecIndex == RecIndex ? static_cast<int>(it - l0.begin()) : -1;
}

int TZvTableIO::TargetPosition(int PhysicalPos) {
  CheckPosition(PhysicalPos);
  const std::int32_t r = (*FRecordLists[0])[static_cast<std::size_t>(PhysicalPos)].RecIndex;
  if (!SyncView()) return PhysicalPos;
  const int now = PhysicalPosOfRecIndex(r);
  if (now < 0) DatabaseError("Record not found");
  return now;
}

void TZvTableIO::CheckPosition(int PhysicalPos) const {
  const TRecordList* l = FRecordLists.empty() ? nullptr : FRecordLists[0].get();
  if (!l || PhysicalPos < 0 || PhysicalPos >= static_cast<int>(l->size()))
    DatabaseError(Format("Record position %d outside the table '%s'", PhysicalPos, FTableName.c_str()));
}

// ---------------------------------------------------------------------------
// Flags

bool TZvTableIO::IsFieldEncrypted(int i) const {
  return FileIO().EncryptEnabled() && FFieldDefs.Items(i).DataProcessMode == 0;
}

bool TZvTableIO::IsFieldCompressed(int i) const {
  const TZvFieldDef& f = FFieldDefs.Items(i);
  return FileIO().CompressEnabled() && IsBlobType(f.FieldType) && f.DataProcessMode == 0;
}

void TZvTableIO::ReadKeyField(TMemoryStream* Dest, int RecIndex, int i) {
  const bool blob = IsBlobType(FFieldDefs.Items(i).FieldType);
  FileIO().ReadFieldValue(Dest, RecTabItemOffset(RecIndex), IsFieldCompressed(i), IsFieldEncrypted(i), blob,
                          blob ? kBlobDescriptorSize : FieldByteSize(i),
                          FFieldOffsets[static_cast<std::size_t>(i)]);
}

const std::uint8_t* TZvTableIO::KeyValue(std::int32_t k, int f, int& Size, TMemoryStream& Scratch) {
  KeyColumn& c = FKeyCache[static_cast<std::size_t>(f)];
  if (c.Width > 0 && k >= 0 && k < static_cast<std::int32_t>(c.Known.size()) &&
      c.Known[static_cast<std::size_t>(k)]) {
    Size = c.Width;
    return c.Bytes.data() + static_cast<std::size_t>(k) * static_cast<std::size_t>(c.Width);
  }
  ReadKeyField(&Scratch, k, f);
  if (c.Width > 0 && Scratch.Size() == c.Width) {
    RememberKey(k, f, Scratch.Memory());
    Size = c.Width;
    return c.Bytes.data() + static_cast<std::size_t>(k) * static_cast<std::size_t>(c.Width);
  }
  Size = static_cast<int>(Scratch.Size());
  return Scratch.Memory();
}

void TZvTableIO::RememberKey(std::int32_t k, int f, const void* Value) {
  KeyColumn& c = FKeyCache[static_cast<std::size_t>(f)];
  if (c.Width == 0 || k < 0) return;
  const auto need = static_cast<std::size_t>(k) + 1;
  if (c.Known.size() < need) c.Known.resize(std::max(need, static_cast<std::size_t>(RecordCount())), 0);
  if (c.Bytes.size() < c.Known.size() * static_cast<std::size_t>(c.Width)) {
    std::size_t want = c.Bytes.size() ? c.Bytes.size() : 1024;
    while (want < c.Known.size() * static_cast<std::size_t>(c.Width)) want *= 2;
    c.Bytes.resize(want, 0);
  }
  std::memcpy(c.Bytes.data() + static_cast<std::size_t>(k) * static_cast<std::size_t>(c.Width), Value,
              static_cast<std::size_t>(c.Width));
  c.Known[static_cast<std::size_t>(k)] = 1;
}

// ---------------------------------------------------------------------------
// Blobs

// Writes the encoded form of Plain at At, then checks it by reading it back
// when the database asks for that; Stored receives the stored size.
void TZvTableIO::WriteBlob(TFieldBuffers& Buffers, int i, TMemoryStream& Plain, std::int64_t At,
                           std::int32_t& Stored) {
  TZvDBFileIO& io = FileIO();
  const bool enc = IsFieldEncrypted(i), comp = IsFieldCompressed(i);
  TMemoryStream work;
  io.EncodeBlob(&Plain, &work, enc, comp);
  Stored = static_cast<std::int32_t>(work.Size());
  if (!io.CrcCheckEnabled()) {
    io.WriteBuffer(At, work.Memory(), Stored);
  } else {
    const std::uint32_t c0 = Crc32(Plain.Memory(), Plain.Size());
    bool ok = false;
    for (int attempt = 0; attempt < kReadBackAttempts && !ok; ++attempt) {
      if (attempt > 0) {
        io.EncodeBlob(&Plain, &work, enc, comp);
        Stored = static_cast<std::int32_t>(work.Size());
      }
      io.WriteBuffer(At, work.Memory(), Stored);
      TMemoryStream back, decoded;
      back.SetSize(Stored);
      io.ReadBuffer(At, back.Memory(), Stored);
      try {
        io.DecodeBlob(&back, &decoded, enc, comp);
      } catch (const Exception&) {
        // What was decoded so far is compared; a mismatch repeats the write.
      }
      ok = Crc32(decoded.Memory(), decoded.Size()) == c0;
    }
    if (!ok)
      DatabaseError(Format("Blob of field '%s' in table '%s' does not read back as written",
                           FFieldDefs.Items(i).Name.c_str(), FTableName.c_str()));
  }
  (void)Buffers;
  const std::int32_t filler = kBlobAreaStep - Stored % kBlobAreaStep;
  static const std::uint8_t zeros[kBlobAreaStep] = {};
  io.WriteBuffer(At + Stored, zeros, filler);
}

namespace {

// The caller's blob value as a memory stream with its bytes loaded; an
// absent stream is the empty value.
TMemoryStream& PlainBlob(TFieldBufferItem& item, TMemoryStream& empty) {
  auto* s = item.Active ? static_cast<TMemoryStream*>(item.Buffer) : nullptr;
  if (!s) return empty;
  s->Seek(0, TSeekOrigin::soBeginning);  // a lazy blob stream loads here
  return *s;
}

}  // namespace

// ---------------------------------------------------------------------------
// Append, modify, delete, read

// After an append: the new record's decoded form is what the caller gave,
// when every value filled its field (a shorter one was enciphered short).
void TZvTableIO::KeepPlain(TFieldBuffers& Buffers, std::int32_t k, const std::uint8_t* Stored) {
  if (!PlainValid()) return;
  std::uint8_t* slot = PlainSlot(k, true);
  if (!slot) return;
  std::memset(slot, 0, static_cast<std::size_t>(FRecordSize));
  for (int i = 0; i < FFieldDefs.Count(); ++i) {
    TFieldBufferItem& item = Buffers.Items(i);
    const int off = FFieldOffsets[static_cast<std::size_t>(i)], size = FieldByteSize(i);
    if (IsBlobType(FFieldDefs.Items(i).FieldType)) {
      std::memcpy(slot + off, Stored + off, static_cast<std::size_t>(size));
    } else if (item.Active && item.Buffer) {
      if (item.DataSize < size && IsFieldEncrypted(i)) return;
      std::memcpy(slot + off, item.Buffer, static_cast<std::size_t>(std::min(size, item.DataSize)));
    }
  }
  FPlainKnown[static_cast<std::size_t>(k)] = 1;
}

void TZvTableIO::AppendRecord(TFieldBuffers& Buffers, bool FlushAfter, const TIndexInsertEvent& OnIndexInsert,
                              TObject* Table) {
  TZvDBFileIO& io = FileIO();
  FileLock lock(io);
  SyncView();
  const int fieldCount = FFieldDefs.Count();
  if (Buffers.Count() < fieldCount) DatabaseError(SGeneralError);
  CheckUniqueForAppend(Buffers);
  // From here on the file changes; a failure half-way leaves a view that
  // the next operation reads again.
  const std::uint64_t stamp = NoteWrite();

  std::uint8_t* h = FHeader.data();
  if (FAutoIncFieldIndex >= 0) {
    TFieldBufferItem& item = Buffers.Items(FAutoIncFieldIndex);
    std::int32_t v = 0;
    if (item.Active && item.Buffer) std::memcpy(&v, item.Buffer, 4);
    std::int32_t counter = GetI32(h + kThAutoIncCounter);
    if (v == 0) {
      v = ++counter;
      if (item.Active && item.Buffer) std::memcpy(item.Buffer, &v, 4);
    } else if (v > counter) {
      counter = v;
    }
    PutI32(h + kThAutoIncCounter, counter);
  }

  const std::int32_t n = RecordCount();
  const std::int64_t E = io.FileSize();
  std::int32_t dataOffset;
  if (n % kItemsPerBlock != 0) {
    dataOffset = static_cast<std::int32_t>(E);
    std::uint8_t item[kRecTabItemSize] = {};
    PutI32(item, dataOffset);
    io.WriteBuffer(RecTabItemOffset(n), item, kRecTabItemSize);
  } else {
    std::vector<std::uint8_t> block(kRecTabBlockSize, 0);
    dataOffset = static_cast<std::int32_t>(E + kRecTabBlockSize);
    PutI32(block.data() + 4, dataOffset);
    if (n == 0) {
      PutI32(h + kThRecTabOffset, static_cast<std::int32_t>(E));
    } else {
      std::uint8_t next[4];
      PutI32(next, static_cast<std::int32_t>(E));
      io.WriteBuffer(FRecTabBlockOffsets.back(), next, 4);
    }
    FRecTabBlockOffsets.push_back(static_cast<std::int32_t>(E));
    io.WriteBuffer(E, block.data(), kRecTabBlockSize);
  }
  FRecordTab.push_back({dataOffset, 0});
  PutI32(h + kThRecordCount, n + 1);
  io.WriteBuffer(HeaderOffset() + kThRecTabOffset, h + kThRecTabOffset, FAutoIncFieldIndex >= 0 ? 12 : 8);

  // Texts: nothing after the terminating NUL, and a NUL there is one.
  for (int i = 0; i < fieldCount; ++i) {
    TFieldBufferItem& item = Buffers.Items(i);
    if (!item.Active || !item.Buffer || !IsTextType(item.FieldType) || item.DataSize <= 0) continue;
    auto* c = static_cast<char*>(item.Buffer);
    const std::size_t len = strnlen(c, static_cast<std::size_t>(item.DataSize));
    if (len == static_cast<std::size_t>(item.DataSize))
      c[item.DataSize - 1] = 0;
    else
      std::memset(c + len, 0, static_cast<std::size_t>(item.DataSize) - len);
  }

  std::vector<std::uint8_t> rec(static_cast<std::size_t>(FRecordSize), 0);
  io.WriteBuffer(dataOffset, rec.data(), FRecordSize);  // reserves the record's place
  std::int64_t P = static_cast<std::int64_t>(dataOffset) + FRecordSize;
  TMemoryStream empty;
  for (int i = 0; i < fieldCount; ++i) {
    TFieldBufferItem& item = Buffers.Items(i);
    std::uint8_t* slot = rec.data() + FFieldOffsets[static_cast<std::size_t>(i)];
    if (IsBlobType(FFieldDefs.Items(i).FieldType)) {
      std::int32_t stored = 0;
      WriteBlob(Buffers, i, PlainBlob(item, empty), P, stored);
      PutI32(slot + kBdDataOffset, static_cast<std::int32_t>(P));
      PutI32(slot + kBdDataSize, stored);
      PutI32(slot + kBdAreaSize, BlobAreaFor(stored));
      P += BlobAreaFor(stored);
    } else if (item.Active && item.Buffer) {
      io.EncodeField(item.Buffer, slot, IsFieldEncrypted(i), std::min(item.DataSize, FieldByteSize(i)));
    } else if (IsFieldEncrypted(i)) {
      io.EncodeField(slot, slot, true, FieldByteSize(i));  // the zero value, enciphered like any other
    }
  }
  io.WriteBuffer(dataOffset, rec.data(), FRecordSize);
  KeepPlain(Buffers, n, rec.data());

  for (int i = 0; i < fieldCount; ++i) {
    if (FKeyCache[static_cast<std::size_t>(i)].Width == 0) continue;
    TFieldBufferItem& item = Buffers.Items(i);
    std::vector<std::uint8_t> v(static_cast<std::size_t>(FieldByteSize(i)), 0);
    if (item.Active && item.Buffer)
      std::memcpy(v.data(), item.Buffer,
                  std::min<std::size_t>(v.size(), static_cast<std::size_t>(item.DataSize)));
    RememberKey(n, i, v.data());
  }

  FRecordLists[0]->push_back({dataOffset, n});
  IndexAppend(Buffers, dataOffset, n, OnIndexInsert, Table);
  FViewWrites = stamp;
  if (FlushAfter) io.Flush();
}

void TZvTableIO::ModifyRecord(TFieldBuffers& Buffers, int PhysicalPos, const TIndexMoveEvent& OnIndexMove,
                              TObject* Table, bool FlushAfter) {
  TZvDBFileIO& io = FileIO();
  FileLock lock(io);
  PhysicalPos = TargetPosition(PhysicalPos);
  const int fieldCount = FFieldDefs.Count();
  if (Buffers.Count() < fieldCount) DatabaseError(SGeneralError);
  const TRecordEntry entry = (*FRecordLists[0])[static_cast<std::size_t>(PhysicalPos)];

  // Key fields the caller does not carry keep their stored values, and so
  // does an autoinc field given as 0; the index searches below need those
  // values in the buffers. The caller's items get their own back at the end.
  std::vector<std::vector<std::uint8_t>> kept(static_cast<std::size_t>(fieldCount));
  struct Restore {
    TFieldBuffers& Buffers;
    std::vector<std::pair<int, std::pair<void*, int>>> Saved;
    ~Restore() {
      for (const auto& [i, was] : Saved) {
        Buffers.Items(i).Buffer = was.first;
        Buffers.Items(i).DataSize = was.second;
      }
    }
  } restore{Buffers, {}};
  TMemoryStream scratch;
  for (int i = 0; i < fieldCount; ++i) {
    TFieldBufferItem& item = Buffers.Items(i);
    const bool storedAutoInc = item.Active && i == FAutoIncFieldIndex &&
                               (!item.Buffer || GetI32(static_cast<const std::uint8_t*>(item.Buffer)) == 0);
    if ((item.Active && !storedAutoInc) || FKeyCache[static_cast<std::size_t>(i)].Width == 0) continue;
    int size = 0;
    const std::uint8_t* v = KeyValue(entry.RecIndex, i, size, scratch);
    kept[static_cast<std::size_t>(i)].assign(v, v + size);
    restore.Saved.push_back({i, {item.Buffer, item.DataSize}});
    item.Buffer = kept[static_cast<std::size_t>(i)].data();
    item.DataSize = size;
  }
  CheckUniqueForModify(Buffers, PhysicalPos);
  // The old key must be known before the record is rewritten (see below).
  for (int i = 0; i < fieldCount; ++i) {
    if (FKeyCache[static_cast<std::size_t>(i)].Width == 0) continue;
    int size = 0;
    KeyValue(entry.RecIndex, i, size, scratch);
  }

  std::vector<std::uint8_t> rec(static_cast<std::size_t>(FRecordSize));
  io.ReadBuffer(entry.DataOffset, rec.data(), FRecordSize);
  const std::uint64_t stamp = NoteWrite();
  std::uint8_t* h = FHeader.data();
  TMemoryStream empty;
  for (int i = 0; i < fieldCount; ++i) {
    TFieldBufferItem& item = Buffers.Items(i);
    if (!item.Active) continue;
    std::uint8_t* slot = rec.data() + FFieldOffsets[static_cast<std::size_t>(i)];
    const std::uint8_t type = FFieldDefs.Items(i).FieldType;
    if (IsBlobType(type)) {
      TMemoryStream& plain = PlainBlob(item, empty);
      const std::int32_t D = GetI32(slot + kBdDataOffset), area = GetI32(slot + kBdAreaSize);
      const std::int64_t E = io.FileSize();
      // Where the new value goes. It stays in its area while it leaves room
      // for its filler there, grows in place when the area ends the file,
      // and moves to the end of the file otherwise.
      TMemoryStream probe;
      io.EncodeBlob(&plain, &probe, IsFieldEncrypted(i), IsFieldCompressed(i));
      const auto S = static_cast<std::int32_t>(probe.Size());
      const bool areaValid = D >= kDataAreaOffset && area >= 0 && static_cast<std::int64_t>(D) + area <= E;
      std::int64_t at;
      std::int32_t newArea;
      if (areaValid && BlobAreaFor(S) <= area) {
        at = D, newArea = area;
      } else if (areaValid && static_cast<std::int64_t>(D) + area == E) {
        at = D, newArea = BlobAreaFor(S);
      } else {
        at = E, newArea = BlobAreaFor(S);
      }
      std::int32_t stored = 0;
      WriteBlob(Buffers, i, plain, at, stored);
      PutI32(slot + kBdDataOffset, static_cast<std::int32_t>(at));
      PutI32(slot + kBdDataSize, stored);
      PutI32(slot + kBdAreaSize, std::max(newArea, BlobAreaFor(stored)));
    } else if (type == ftAutoInc) {
      std::int32_t v = 0;
      if (item.Buffer) std::memcpy(&v, item.Buffer, 4);
      if (v == 0) continue;
      io.EncodeField(&v, slot, IsFieldEncrypted(i), 4);
      if (v > GetI32(h + kThAutoIncCounter)) {
        PutI32(h + kThAutoIncCounter, v);
        io.WriteBuffer(HeaderOffset() + kThAutoIncCounter, h + kThAutoIncCounter, 4);
      }
    } else if (item.Buffer) {
      io.EncodeField(item.Buffer, slot, IsFieldEncrypted(i), std::min(item.DataSize, FieldByteSize(i)));
    }
  }
  io.WriteBuffer(entry.DataOffset, rec.data(), FRecordSize);
  ForgetPlain(entry.RecIndex);

  // The index lists are searched by the stored keys: the record's old key
  // finds its old places, then the cache learns the new one.
  IndexModify(Buffers, PhysicalPos, OnIndexMove, Table);
  for (int i = 0; i < fieldCount; ++i) {
    TFieldBufferItem& item = Buffers.Items(i);
    if (!item.Active || !item.Buffer || FKeyCache[static_cast<std::size_t>(i)].Width == 0) continue;
    if (FFieldDefs.Items(i).FieldType == ftAutoInc && GetI32(static_cast<std::uint8_t*>(item.Buffer)) == 0)
      continue;
    std::vector<std::uint8_t> v(static_cast<std::size_t>(FieldByteSize(i)), 0);
    std::memcpy(v.data(), item.Buffer,
                std::min<std::size_t>(v.size(), static_cast<std::size_t>(item.DataSize)));
    RememberKey(entry.RecIndex, i, v.data());
  }
  FViewWrites = stamp;
  if (FlushAfter) io.Flush();
}

void TZvTableIO::DeleteRecord(int PhysicalPos, bool FlushAfter) {
  TZvDBFileIO& io = FileIO();
  FileLock lock(io);
  PhysicalPos = TargetPosition(PhysicalPos);
  const TRecordEntry entry = (*FRecordLists[0])[static_cast<std::size_t>(PhysicalPos)];
  const std::uint64_t stamp = NoteWrite();
  ForgetPlain(entry.RecIndex);
  io.MarkRecordDeleted(RecTabItemOffset(entry.RecIndex));
  FRecordTab[static_cast<std::size_t>(entry.RecIndex)].DeleteFlag = 1;
  IndexDelete(PhysicalPos);
  FRecordLists[0]->erase(FRecordLists[0]->begin() + PhysicalPos);
  FViewWrites = stamp;
  if (FlushAfter) io.Flush();
}

// ---------------------------------------------------------------------------
// Decoded records and reading ahead

// The decoded copy of every record read or written through this object, by
// record index, while it fits the budget. It is as current as the view: a
// foreign change or a write to the table through another storage object
// empties it, a change through this object forgets the record changed.
bool TZvTableIO::PlainValid() {
  TZvDBFileIO& io = FileIO();
  const std::uint64_t foreign = io.ForeignChanges(), writes = io.TableWrites(FTableIndex);
  if (foreign == FPlainForeign && writes == FPlainWrites) return true;
  std::fill(FPlainKnown.begin(), FPlainKnown.end(), 0);
  FPlainForeign = foreign;
  FPlainWrites = writes;
  FAhead.clear();
  return false;
}

std::uint8_t* TZvTableIO::PlainSlot(std::int32_t k, bool Create) {
  if (k < 0 || FRecordSize <= 0) return nullptr;
  const auto need = (static_cast<std::size_t>(k) + 1) * static_cast<std::size_t>(FRecordSize);
  if (need > kPlainCacheBytes) return nullptr;
  if (FPlainKnown.size() <= static_cast<std::size_t>(k)) {
    if (!Create) return nullptr;
    std::size_t want = std::max<std::size_t>(FPlainKnown.size() * 2, 1024);
    want = std::max(want, static_cast<std::size_t>(k) + 1);
    want = std::min(want, kPlainCacheBytes / static_cast<std::size_t>(FRecordSize));
    FPlainKnown.resize(want, 0);
    FPlain.resize(want * static_cast<std::size_t>(FRecordSize));
  }
  return FPlain.data() + static_cast<std::size_t>(k) * static_cast<std::size_t>(FRecordSize);
}

// Before the first write of an operation: the lists are about to change, and
// the decoded copy, when it was current, stays so through this write.
std::uint64_t TZvTableIO::NoteWrite() {
  TZvDBFileIO& io = FileIO();
  const bool plainCurrent =
      FPlainForeign == io.ForeignChanges() && FPlainWrites == io.TableWrites(FTableIndex);
  const std::uint64_t stamp = io.NoteTableWrite(FTableIndex);
  if (plainCurrent) FPlainWrites = stamp;
  ++FChangeCount;
  return stamp;
}

void TZvTableIO::ForgetPlain(std::int32_t k) {
  if (k >= 0 && static_cast<std::size_t>(k) < FPlainKnown.size())
    FPlainKnown[static_cast<std::size_t>(k)] = 0;
  FAhead.clear();
}

// Reads record k at DataOffset and decodes every field, each as the unit it
// was enciphered as, into Out; blob slots keep their descriptors.
void TZvTableIO::DecodeRecord(std::int32_t DataOffset, std::uint8_t* Out) {
  TZvDBFileIO& io = FileIO();
  io.ReadBuffer(DataOffset, Out, FRecordSize);
  for (int i = 0; i < FFieldDefs.Count(); ++i) {
    if (IsBlobType(FFieldDefs.Items(i).FieldType) || !IsFieldEncrypted(i)) continue;
    std::uint8_t* slot = Out + FFieldOffsets[static_cast<std::size_t>(i)];
    io.DecodeField(slot, slot, true, FieldByteSize(i));
  }
}

// The decoded record of entry E: from the copy when known, else read now.
const std::uint8_t* TZvTableIO::PlainRecord(const TRecordEntry& E, std::vector<std::uint8_t>& Scratch) {
  std::uint8_t* slot = PlainSlot(E.RecIndex, true);
  if (slot && FPlainKnown[static_cast<std::size_t>(E.RecIndex)]) return slot;
  std::uint8_t* out = slot;
  if (!out) {
    Scratch.resize(static_cast<std::size_t>(FRecordSize));
    out = Scratch.data();
  }
  DecodeRecord(E.DataOffset, out);
  if (slot) FPlainKnown[static_cast<std::size_t>(E.RecIndex)] = 1;
  return out;
}

void TZvTableIO::ReadRecord(TFieldBuffers& Buffers, const TRecordList& List, int Pos) {
  TZvDBFileIO& io = FileIO();
  if (Pos < 0 || Pos >= static_cast<int>(List.size()))
    DatabaseError(Format("Record position %d outside the table '%s'", Pos, FTableName.c_str()));
  const TRecordEntry entry = List[static_cast<std::size_t>(Pos)];
  const bool sequential = &List == FLastList && Pos == FLastPos + 1;
  FLastList = &List;
  FLastPos = Pos;
  // A scan reads its records several at a time under one lock; the next ones
  // are delivered from that reading while nothing of this process changed
  // the table meanwhile.
  const bool needsLock = io.MediumType() == mtDisk && !io.Exclusive();
  const bool ahead = needsLock && FAheadNext < FAhead.size() && FAhead[FAheadNext] == entry.RecIndex &&
                     FAheadChange == FChangeCount && io.TableWrites(FTableIndex) == FPlainWrites &&
                     FPlainKnown[static_cast<std::size_t>(entry.RecIndex)];
  std::vector<std::uint8_t> scratch;
  const std::uint8_t* rec = nullptr;
  if (ahead) {
    ++FAheadNext;
    rec = FPlain.data() + static_cast<std::size_t>(entry.RecIndex) * static_cast<std::size_t>(FRecordSize);
  } else {
    FileLock lock(io, !io.Exclusive());
    PlainValid();
    rec = PlainRecord(entry, scratch);
    FAhead.clear();
    FAheadNext = 0;
    if (needsLock && sequential && PlainSlot(entry.RecIndex, false)) {
      const int window = std::clamp(kReadAheadBytes / std::max(FRecordSize, 1), 1, kReadAheadRecords);
      const int last = std::min(static_cast<int>(List.size()), Pos + 1 + window);
      for (int p = Pos + 1; p < last; ++p) {
        const TRecordEntry& e = List[static_cast<std::size_t>(p)];
        if (!PlainSlot(e.RecIndex, true)) break;
        PlainRecord(e, scratch);
        FAhead.push_back(e.RecIndex);
      }
      FAheadChange = FChangeCount;
      // The slot of this record may have moved while the copy grew.
      rec = PlainSlot(entry.RecIndex, false);
    }
  }
  const int n = std::min(Buffers.Count(), FFieldDefs.Count());
  for (int i = 0; i < n; ++i) {
    TFieldBufferItem& item = Buffers.Items(i);
    if (!item.Active) continue;
    const int off = FFieldOffsets[static_cast<std::size_t>(i)];
    if (IsBlobType(FFieldDefs.Items(i).FieldType)) {
      auto* s =
          dynamic_cast<TOptimBlobStream*>(static_cast<TStream*>(static_cast<TMemoryStream*>(item.Buffer)));
      if (!s) throw EInvalidCast("Invalid class typecast");
      if (!s->Database) {
        s->Database = FDatabase;
        s->FileIO = &io;
      }
      s->Setup(static_cast<std::int64_t>(entry.DataOffset) + off, IsFieldEncrypted(i), IsFieldCompressed(i));
    } else if (item.Buffer && item.DataSize > 0) {
      std::memcpy(item.Buffer, rec + off,
                  static_cast<std::size_t>(std::min(item.DataSize, FieldByteSize(i))));
    }
  }
}

}  // namespace velmorak
