// ZvDBIndex: key comparison, the binary searches over a record list, the
// uniqueness checks, and keeping every index list and its chain in the file
// in order as records are appended, changed and deleted.
//
// Stored key values come decoded from the key cache of the table (filled
// from the file on first use and updated by this object's own writes), so a
// search probe costs no file access once a record's key is known.
#include <algorithm>
#include <cstring>

#include "database/ZvDBCollation.h"
#include "database/ZvDBTableIO.h"

namespace velmorak {

using namespace zvfmt;

namespace {

template <typename T>
T LoadValue(const void* p, int size) {
  T v{};
  if (p && size > 0) std::memcpy(&v, p, std::min<std::size_t>(sizeof v, static_cast<std::size_t>(size)));
  return v;
}

template <typename T>
int Order(T a, T b) {
  if (a == b) return 0;
  return a < b ? -1 : 1;
}

std::size_t TextLength(const void* p, int size) {
  return p && size > 0 ? strnlen(static_cast<const char*>(p), static_cast<std::size_t>(size)) : 0;
}

}  // namespace

int TZvTableIO::CompareFieldValues(const void* KeyValue, int KeySize, const void* StoredValue, int StoredSize,
                                   std::uint8_t FieldType, bool Partial, bool CaseInsensitive) {
  switch (FieldType) {
    case ftString:
    case ftFixedChar:
    case ftBlob:
    case ftMemo:
    case ftGraphic:
    case ftFmtMemo: {
      const std::size_t la = TextLength(KeyValue, KeySize);
      std::size_t lb = TextLength(StoredValue, StoredSize);
      if (Partial) lb = std::min(lb, la);
      const int c = ZvCompareText(static_cast<const char*>(KeyValue), la,
                                  static_cast<const char*>(StoredValue), lb, CaseInsensitive);
      return c == 0 ? 0 : (c < 0 ? -1 : 1);
    }
    case ftSmallint:
      return Order(LoadValue<std::int16_t>(KeyValue, KeySize),
                   LoadValue<std::int16_t>(StoredValue, StoredSize));
    case ftWord:
      return Order(LoadValue<std::uint16_t>(KeyValue, KeySize),
                   LoadValue<std::uint16_t>(StoredValue, StoredSize));
    case ftInteger:
    case ftAutoInc:
    case ftDate:
    case ftTime:
      return Order(LoadValue<std::int32_t>(KeyValue, KeySize),
                   LoadValue<std::int32_t>(StoredValue, StoredSize));
    case ftLargeint:
      return Order(LoadValue<std::int64_t>(KeyValue, KeySize),
                   LoadValue<std::int64_t>(StoredValue, StoredSize));
    case ftBoolean:
      return Order(LoadValue<std::uint8_t>(KeyValue, KeySize),
                   LoadValue<std::uint8_t>(StoredValue, StoredSize));
    case ftFloat:
    case ftCurrency:
    case ftDateTime: {
      const double a = LoadValue<double>(KeyValue, KeySize), b = LoadValue<double>(StoredValue, StoredSize);
      if (a == b) return 0;
      return a < b ? -1 : 1;
    }
    default: {
      // Not used as keys by the system; byte order keeps it deterministic.
      const int n = std::min(KeySize, StoredSize);
      const int c = n > 0 ? std::memcmp(KeyValue, StoredValue, static_cast<std::size_t>(n)) : 0;
      if (c != 0) return c < 0 ? -1 : 1;
      return Order(KeySize, StoredSize);
    }
  }
}

int TZvTableIO::CompareKey(TFieldBuffers& Buffers, const TRecordEntry& Entry, int IndexNo, bool Partial,
                           int KeyCount) {
  const TZvIndexDef& def = FIndexDefs.Items(IndexNo);
  const int fields = KeyCount <= 0 ? static_cast<int>(def.FieldNumbers.size())
                                   : std::min(KeyCount, static_cast<int>(def.FieldNumbers.size()));
  const bool ci = def.Has(tiCaseInsensitive);
  TMemoryStream scratch;
  int result = 0;
  for (int m = 0; m < fields && result == 0; ++m) {
    const int f = def.FieldNumbers[static_cast<std::size_t>(m)];
    if (f >= Buffers.Count()) DatabaseError(SGeneralError);
    TFieldBufferItem& item = Buffers.Items(f);
    int storedSize = 0;
    const std::uint8_t* stored = KeyValue(Entry.RecIndex, f, storedSize, scratch);
    result = CompareFieldValues(TFieldBuffers::ValuePointer(item), TFieldBuffers::ValueSize(item), stored,
                                storedSize, item.FieldType, Partial, ci);
  }
  return def.Has(tiDescending) ? -result : result;
}

int TZvTableIO::SearchIndex(TFieldBuffers& Buffers, const TRecordList& List, bool Partial, int KeyCount,
                            int& Cmp, int IndexNo) {
  int lo = 0, hi = static_cast<int>(List.size()) - 1, result = -1;
  Cmp = -2;
  while (lo <= hi) {
    const int mid = (lo + hi) / 2;
    result = mid;
    const int c = CompareKey(Buffers, List[static_cast<std::size_t>(mid)], IndexNo, Partial, KeyCount);
    if (c == 0) {
      Cmp = 0;
      break;
    }
    if (c < 0) {
      Cmp = -1;
      hi = mid - 1;
    } else {
      Cmp = 1;
      lo = mid + 1;
    }
  }
  return result;
}

int TZvTableIO::SearchIndexBound(TFieldBuffers& Buffers, const TRecordList& List, bool Partial, int KeyCount,
                                 int& Cmp, bool FirstMatch, int IndexNo) {
  int lo = 0, hi = static_cast<int>(List.size()) - 1, result = -1;
  Cmp = -2;
  while (lo <= hi) {
    const int mid = (lo + hi) / 2;
    const int c = CompareKey(Buffers, List[static_cast<std::size_t>(mid)], IndexNo, Partial, KeyCount);
    if (c == 0) {
      result = mid;
      Cmp = 0;
      if (FirstMatch)
        hi = mid - 1;
      else
        lo = mid + 1;
      continue;
    }
    if (Cmp != 0) {
      result = mid;
      Cmp = c < 0 ? -1 : 1;
    }
    if (c < 0)
      hi = mid - 1;
    else
      lo = mid + 1;
  }
  return result;
}

int TZvTableIO::InsertPosition(TFieldBuffers& Buffers, int IndexNo) {
  int cmp = 0;
  const int r = SearchIndex(Buffers, *GetList(IndexNo + 1), false, 0, cmp, IndexNo);
  if (cmp == -2) return 0;
  return cmp == -1 ? r : r + 1;
}

namespace {

[[noreturn]] void UniqueViolation(TFieldBuffers& Buffers, const TZvIndexDef& def) {
  std::string text;
  for (std::size_t m = 0; m < def.FieldNumbers.size(); ++m) {
    if (m) text += ",";
    text += TFieldBuffers::ValueAsText(Buffers.Items(def.FieldNumbers[m]));
  }
  DatabaseErrorFmt("Invalid unique field value '%s'", text);
}

}  // namespace

void TZvTableIO::CheckUniqueForAppend(TFieldBuffers& Buffers) {
  for (int j = 0; j < FIndexDefs.Count(); ++j) {
    const TZvIndexDef& def = FIndexDefs.Items(j);
    if (!def.Has(tiPrimary) && !def.Has(tiUnique)) continue;
    int cmp = 0;
    SearchIndex(Buffers, *GetList(j + 1), false, 0, cmp, j);
    if (cmp == 0) UniqueViolation(Buffers, def);
  }
}

void TZvTableIO::CheckUniqueForModify(TFieldBuffers& Buffers, int PhysicalPos) {
  for (int j = 0; j < FIndexDefs.Count(); ++j) {
    const TZvIndexDef& def = FIndexDefs.Items(j);
    if (!def.Has(tiPrimary) && !def.Has(tiUnique)) continue;
    int cmp = 0;
    const TRecordList& list = *GetList(j + 1);
    const int pos = SearchIndex(Buffers, list, false, 0, cmp, j);
    if (cmp == 0 && PhysicalPositionOf(list, pos) != PhysicalPos) UniqueViolation(Buffers, def);
  }
}

TIndexTabItem TZvTableIO::ReadIdxItem(int j, std::int32_t k) {
  std::uint8_t b[kIdxTabItemSize];
  FileIO().ReadBuffer(IdxTabItemOffset(j, k), b, kIdxTabItemSize);
  return {GetI32(b), GetI32(b + 4)};
}

void TZvTableIO::WriteIdxItem(int j, std::int32_t k, const TIndexTabItem& Item) {
  std::uint8_t b[kIdxTabItemSize];
  PutI32(b, Item.RecIndex);
  PutI32(b + 4, Item.Next);
  FileIO().WriteBuffer(IdxTabItemOffset(j, k), b, kIdxTabItemSize);
}

void TZvTableIO::IndexAppend(TFieldBuffers& Buffers, std::int32_t DataOffset, std::int32_t n,
                             const TIndexInsertEvent& OnIndexInsert, TObject* Table) {
  TZvDBFileIO& io = FileIO();
  const TRecordEntry entry{DataOffset, n};
  if (OnIndexInsert) OnIndexInsert(Table, -1, -1, entry);
  for (int j = 0; j < FIndexDefs.Count(); ++j) {
    TRecordList& list = *GetList(j + 1);
    const int pos = InsertPosition(Buffers, j);
    if (OnIndexInsert) OnIndexInsert(Table, j, pos, entry);
    list.insert(list.begin() + pos, entry);
    std::uint8_t* e = IndexEntry(j);
    TIntegerAry& blocks = FIndexTabBlockOffsets[static_cast<std::size_t>(j)];
    if (n % kItemsPerBlock == 0) {
      const std::int64_t E = io.FileSize();
      static const std::vector<std::uint8_t> zeros(kIdxTabBlockSize, 0);
      io.WriteBuffer(E, zeros.data(), kIdxTabBlockSize);
      if (!blocks.empty()) {
        std::uint8_t next[4];
        PutI32(next, static_cast<std::int32_t>(E));
        io.WriteBuffer(blocks.back(), next, 4);
      }
      if (n == 0) {
        PutI32(e + kIeIndexTabOffset, static_cast<std::int32_t>(E));
        io.WriteTableHeader(FTableIndex, FHeader.data());
      }
      blocks.push_back(static_cast<std::int32_t>(E));
    }
    if (n == 0) {
      WriteIdxItem(j, 0, {0, -1});
    } else if (pos == 0) {
      WriteIdxItem(j, n, {n, GetI32(e + kIeHead)});
      PutI32(e + kIeHead, n);
      io.WriteTableHeader(FTableIndex, FHeader.data());
    } else {
      const std::int32_t p = list[static_cast<std::size_t>(pos - 1)].RecIndex;
      TIndexTabItem pred = ReadIdxItem(j, p);
      WriteIdxItem(j, n, {n, pred.Next});
      pred.Next = n;
      WriteIdxItem(j, p, pred);
    }
  }
}

int TZvTableIO::ListPosByRecIndex(const TRecordList& List, std::int32_t RecIndex) const {
  for (std::size_t i = 0; i < List.size(); ++i)
    if (List[i].RecIndex == RecIndex) return static_cast<int>(i);
  return -1;
}

int TZvTableIO::CompareStored(int IndexNo, std::int32_t A, std::int32_t B) {
  const TZvIndexDef& def = FIndexDefs.Items(IndexNo);
  TMemoryStream sa, sb;
  int result = 0;
  for (std::size_t m = 0; m < def.FieldNumbers.size() && result == 0; ++m) {
    const int f = def.FieldNumbers[m];
    int na = 0, nb = 0;
    const std::uint8_t* va = KeyValue(A, f, na, sa);
    std::vector<std::uint8_t> copy(va, va + na);  // the second read may reuse the scratch
    const std::uint8_t* vb = KeyValue(B, f, nb, sb);
    result = CompareFieldValues(copy.data(), na, vb, nb, FFieldDefs.Items(f).FieldType, false,
                                def.Has(tiCaseInsensitive));
  }
  return def.Has(tiDescending) ? -result : result;
}

// The position of record R in index j's list: a binary search on R's stored
// key finds the run of equal keys, which is then scanned. A list out of key
// order (a damaged chain) falls back to the plain scan.
int TZvTableIO::IndexListPos(int j, std::int32_t R) {
  const TRecordList& list = *GetList(j + 1);
  int lo = 0, hi = static_cast<int>(list.size());
  while (lo < hi) {
    const int mid = (lo + hi) / 2;
    if (CompareStored(j, list[static_cast<std::size_t>(mid)].RecIndex, R) < 0)
      lo = mid + 1;
    else
      hi = mid;
  }
  for (int i = lo; i < static_cast<int>(list.size()); ++i) {
    if (list[static_cast<std::size_t>(i)].RecIndex == R) return i;
    if (CompareStored(j, list[static_cast<std::size_t>(i)].RecIndex, R) != 0) break;
  }
  return ListPosByRecIndex(list, R);
}

void TZvTableIO::IndexModify(TFieldBuffers& Buffers, int PhysicalPos, const TIndexMoveEvent& OnIndexMove,
                             TObject* Table) {
  TZvDBFileIO& io = FileIO();
  const TRecordEntry entry = (*GetList(0))[static_cast<std::size_t>(PhysicalPos)];
  const std::int32_t R = entry.RecIndex;
  std::vector<int> oldPos(static_cast<std::size_t>(FIndexDefs.Count()));
  for (int j = 0; j < FIndexDefs.Count(); ++j) oldPos[static_cast<std::size_t>(j)] = IndexListPos(j, R);
  for (int j = 0; j < FIndexDefs.Count(); ++j) {
    TRecordList& list = *GetList(j + 1);
    const int old = oldPos[static_cast<std::size_t>(j)];
    if (old < 0) continue;  // not in this index (it has no chain yet)
    const TRecordEntry me = list[static_cast<std::size_t>(old)];
    list.erase(list.begin() + old);
    const int newPos = InsertPosition(Buffers, j);
    list.insert(list.begin() + old, me);
    const int target = old < newPos ? newPos + 1 : newPos;
    if (target == old) continue;
    if (OnIndexMove) OnIndexMove(Table, j, old, target);
    std::uint8_t* e = IndexEntry(j);
    TIndexTabItem O = ReadIdxItem(j, R);
    // Unlink R from behind its predecessor (or from the head).
    if (old == 0) {
      PutI32(e + kIeHead, O.Next);
      io.WriteTableHeader(FTableIndex, FHeader.data());
    } else {
      const std::int32_t p = list[static_cast<std::size_t>(old - 1)].RecIndex;
      TIndexTabItem P = ReadIdxItem(j, p);
      P.Next = O.Next;
      WriteIdxItem(j, p, P);
    }
    // Link it at its new place.
    if (target == 0) {
      O.Next = GetI32(e + kIeHead);
      PutI32(e + kIeHead, R);
      WriteIdxItem(j, R, O);
      io.WriteTableHeader(FTableIndex, FHeader.data());
    } else {
      const std::int32_t q = list[static_cast<std::size_t>(target - 1)].RecIndex;
      TIndexTabItem Q = ReadIdxItem(j, q);
      O.Next = Q.Next;
      Q.Next = R;
      WriteIdxItem(j, q, Q);
      WriteIdxItem(j, R, O);
    }
    list.erase(list.begin() + old);
    list.insert(list.begin() + newPos, me);
  }
}

void TZvTableIO::IndexDelete(int PhysicalPos) {
  const std::int32_t R = (*GetList(0))[static_cast<std::size_t>(PhysicalPos)].RecIndex;
  std::vector<int> pos(static_cast<std::size_t>(FIndexDefs.Count()));
  for (int j = 0; j < FIndexDefs.Count(); ++j) pos[static_cast<std::size_t>(j)] = IndexListPos(j, R);
  for (int j = 0; j < FIndexDefs.Count(); ++j) {
    const int p = pos[static_cast<std::size_t>(j)];
    if (p >= 0) GetList(j + 1)->erase(GetList(j + 1)->begin() + p);
  }
}

int TZvTableIO::FindPrimaryIndex() const {
  for (int j = 0; j < FIndexDefs.Count(); ++j)
    if (FIndexDefs.Items(j).Has(tiPrimary)) return j;
  return -1;
}

int TZvTableIO::PhysicalPositionOf(const TRecordList& List, int Pos) const {
  if (Pos < 0 || Pos >= static_cast<int>(List.size()) || FRecordLists.empty() || !FRecordLists[0]) return -1;
  const TRecordList& l0 = *FRecordLists[0];
  const std::int32_t r = List[static_cast<std::size_t>(Pos)].RecIndex;
  auto it = std::lower_bound(l0.begin(), l0.end(), r,
                             [](const TRecordEntry& e, std::int32_t v) { return e.RecIndex < v; });
  return it != l0.end() && it->RecIndex == r ? static_cast<int>(it - l0.begin()) : -1;
}

int TZvTableIO::MapPosition(int FromIndex, int Pos, int ToIndex) const {
  const auto listOf = [this](int idx) -> const TRecordList* {
    const std::size_t l = static_cast<std::size_t>(idx + 1);
    return l < FRecordLists.size() ? FRecordLists[l].get() : nullptr;
  };
  const TRecordList* from = listOf(FromIndex);
  if (!from || Pos < 0 || Pos >= static_cast<int>(from->size())) return -1;
  if (FromIndex == ToIndex) return Pos;
  if (ToIndex == -1) return PhysicalPositionOf(*from, Pos);
  const TRecordList* to = listOf(ToIndex);
  return to ? ListPosByRecIndex(*to, (*from)[static_cast<std::size_t>(Pos)].RecIndex) : -1;
}

int TZvTableIO::MapPositionToList(int FromIndex, int Pos, const TRecordList& TargetList) const {
  const std::size_t l = static_cast<std::size_t>(FromIndex + 1);
  const TRecordList* from = l < FRecordLists.size() ? FRecordLists[l].get() : nullptr;
  if (!from || Pos < 0 || Pos >= static_cast<int>(from->size())) return -1;
  if (from == &TargetList) return Pos;
  return ListPosByRecIndex(TargetList, (*from)[static_cast<std::size_t>(Pos)].RecIndex);
}

}  // namespace velmorak
