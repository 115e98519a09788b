// ZvDBFormat: the byte layout of a database file, written down once where the
// engine decodes it. Every record is kept as raw little-endian bytes and read
// through the offset constants below, so what is on disk is exactly what the
// tables say; nothing depends on the compiler's struct packing.
//
// Overall layout (absolute offsets, i32 little-endian unless noted):
//
//   offset  size   record
//   0       12     FileHeader      Signature char[7] "ZvDB\0", Version char[5]
//   12      2305   (not read by the format; the engine keeps a change counter
//                   in its first 4 bytes, see kChangeCounterOffset)
//   2317    472    OptionsHeader   see kOpt*
//   2789    1032   TableDirectory  TableCount i32, (4 not read), offsets i32[256]
//   3821    ...    table headers, record tabs, index tabs, records, blob areas
//
// TableHeader (4821 bytes):           FieldEntry (43 bytes):
//   0    33   TableName char[33]        0   33  FieldName char[33]
//   33   4    RecTabOffset              33  1   FieldType u8
//   37   4    RecordCount               34  4   FieldSize i32
//   41   4    AutoIncCounter            38  1   DataProcessMode u8
//   45   4    FieldCount (0..96)        39  4   (not read)
//   49   4128 FieldEntry[96]
//   4177 4    IndexCount (0..8)       IndexEntry (78 bytes):
//   4181 624  IndexEntry[8]             0   33  IndexName char[33]
//   4805 16   (not read)                33  1   Options u8 (bit set)
//                                       34  32  FieldNumbers i32[8], -1 unused
// RecordTabBlock (5124 bytes):          66  4   IndexTabOffset
//   0  4     NextBlockOffset            70  4   Head
//   4  5120  RecordTabItem[1024]        74  4   (not read)
//            (DataOffset i32, DeleteFlag u8)
// IndexTabBlock (8196 bytes):         BlobDescriptor (20 bytes, in a record):
//   0  4     NextBlockOffset            0   4   DataOffset
//   4  8192  IndexTabItem[1024]         4   4   DataSize (stored bytes)
//            (RecIndex i32, Next i32)   8   4   AreaSize (multiple of 64)
//                                       12  8   kept as is, not interpreted
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>

// Field-type codes: the dataset framework's TFieldType, whose ordinals the
// file stores.
#include "platform/dataset/DBTypes.h"

namespace velmorak {

enum TZvDBMediumType : std::uint8_t { mtDisk = 0, mtMemory = 1 };

enum TZvIndexOption : std::uint8_t { tiPrimary = 0, tiUnique = 1, tiDescending = 2, tiCaseInsensitive = 3 };
// A set of TZvIndexOption, one bit per value, as stored in IndexEntry.Options.
using TZvIndexOptions = std::uint8_t;
constexpr TZvIndexOptions IndexOptionBit(TZvIndexOption o) {
  return static_cast<TZvIndexOptions>(1u << o);
}

namespace zvfmt {

// FileHeader
inline constexpr int kFileHeaderOffset = 0;
inline constexpr int kFileHeaderSize = 12;
inline constexpr int kSignatureSize = 7;
inline constexpr int kVersionOffset = 7;
inline constexpr int kVersionSize = 5;
inline constexpr const char* kSignature = "ZvDB";
inline constexpr const char* kHighestVersion = "2.0";
inline constexpr const char* kRefusedVersion = "1.00";
// The byte writers lock while they work (inside the signature).
inline constexpr int kLockByteOffset = 1;
// The change counter: a u32 in the area after the file header that the
// format leaves unread. Every lock holder that writes adds one before its
// first write reaches the file, so another writer that finds a different
// value at its next lock knows its cached pages and table views are stale.
// Files from the creator hold 0 there; any value is valid, only a change
// of it means something.
inline constexpr int kChangeCounterOffset = kFileHeaderSize;
inline constexpr int kChangeCounterSize = 4;

// OptionsHeader, offsets inside the 472-byte header
inline constexpr int kOptionsOffset = 2317;
inline constexpr int kOptionsSize = 472;
inline constexpr int kOptCompressEnabled = 0;
inline constexpr int kOptCompressName = 2;
inline constexpr int kOptEncryptEnabled = 35;
inline constexpr int kOptCipherMode = 36;
inline constexpr int kOptEncryptName = 37;
inline constexpr int kOptCrcCheckEnabled = 70;
inline constexpr int kOptPasswordDigest = 327;
inline constexpr int kAlgoNameSize = 33;
inline constexpr int kPasswordDigestSize = 129;

// TableDirectory
inline constexpr int kDirectoryOffset = 2789;
inline constexpr int kDirectorySize = 1032;
inline constexpr int kDirTableCount = 0;
inline constexpr int kDirHeaderOffsets = 8;
inline constexpr int kMaxTables = 256;
// First byte after the fixed part; every table header lies at or after it.
inline constexpr int kDataAreaOffset = kDirectoryOffset + kDirectorySize;  // 3821

// TableHeader
inline constexpr int kTableHeaderSize = 4821;
inline constexpr int kNameSize = 33;
inline constexpr int kThTableName = 0;
inline constexpr int kThRecTabOffset = 33;
inline constexpr int kThRecordCount = 37;
inline constexpr int kThAutoIncCounter = 41;
inline constexpr int kThFieldCount = 45;
inline constexpr int kThFieldEntries = 49;
inline constexpr int kThIndexCount = 4177;
inline constexpr int kThIndexEntries = 4181;
inline constexpr int kMaxFields = 96;
inline constexpr int kMaxIndexes = 8;

// FieldEntry
inline constexpr int kFieldEntrySize = 43;
inline constexpr int kFeName = 0;
inline constexpr int kFeType = 33;
inline constexpr int kFeSize = 34;
inline constexpr int kFeProcessMode = 38;

// IndexEntry
inline constexpr int kIndexEntrySize = 78;
inline constexpr int kIeName = 0;
inline constexpr int kIeOptions = 33;
inline constexpr int kIeFieldNumbers = 34;
inline constexpr int kIeIndexTabOffset = 66;
inline constexpr int kIeHead = 70;
inline constexpr int kMaxKeyFields = 8;
// Largest declared size of a text field we accept from a file (the record
// of such a table would still fit comfortably in memory).
inline constexpr int kMaxTextFieldSize = 1 << 20;

// Record and index tabs
inline constexpr int kItemsPerBlock = 1024;
inline constexpr int kRecTabItemSize = 5;
inline constexpr int kRecTabBlockSize = 4 + kItemsPerBlock * kRecTabItemSize;  // 5124
inline constexpr int kIdxTabItemSize = 8;
inline constexpr int kIdxTabBlockSize = 4 + kItemsPerBlock * kIdxTabItemSize;  // 8196

// BlobDescriptor
inline constexpr int kBlobDescriptorSize = 20;
inline constexpr int kBdDataOffset = 0;
inline constexpr int kBdDataSize = 4;
inline constexpr int kBdAreaSize = 8;
inline constexpr int kBlobAreaStep = 64;

// Bytes reserved for a stored blob of S bytes: the next multiple of 64
// strictly above S (an empty blob still gets 64).
constexpr std::int32_t BlobAreaFor(std::int32_t S) {
  return S - (S % kBlobAreaStep) + kBlobAreaStep;
}

inline std::int32_t GetI32(const std::uint8_t* p) {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
                                   static_cast<std::uint32_t>(p[2]) << 16 |
                                   static_cast<std::uint32_t>(p[3]) << 24);
}
inline void PutI32(std::uint8_t* p, std::int32_t v) {
  const auto u = static_cast<std::uint32_t>(v);
  p[0] = static_cast<std::uint8_t>(u);
  p[1] = static_cast<std::uint8_t>(u >> 8);
  p[2] = static_cast<std::uint8_t>(u >> 16);
  p[3] = static_cast<std::uint8_t>(u >> 24);
}
// A char[n] field: the text up to the first NUL, or all n bytes.
inline std::string GetText(const std::uint8_t* p, int n) {
  const void* nul = std::memchr(p, 0, static_cast<std::size_t>(n));
  const std::size_t len =
      nul ? static_cast<std::size_t>(static_cast<const std::uint8_t*>(nul) - p) : static_cast<std::size_t>(n);
  return std::string(reinterpret_cast<const char*>(p), len);
}
// Writes Text into a char[n] field, truncated to n - 1 bytes and NUL-filled.
inline void PutText(std::uint8_t* p, int n, const std::string& Text) {
  std::memset(p, 0, static_cast<std::size_t>(n));
  std::memcpy(p, Text.data(), std::min<std::size_t>(Text.size(), static_cast<std::size_t>(n - 1)));
}

// Bytes a field of this type occupies in a record; 0 for a type that has no
// storage form (a table holding one cannot be loaded).
int FieldByteSize(std::uint8_t FieldType, std::int32_t FieldSize);
bool IsBlobType(std::uint8_t FieldType);
bool IsTextType(std::uint8_t FieldType);
// The ft name of a storable code ("ftString"), or empty; and back (0 if none).
std::string FieldTypeName(std::uint8_t FieldType);
std::uint8_t FieldTypeByName(const std::string& Name);

}  // namespace zvfmt
}  // namespace velmorak
