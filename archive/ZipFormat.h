// ZipFormat: the ZIP records the reader decodes, as offset/size tables with
// a named constant per field, and little-endian accessors. Internal to the
// archive folder.
#pragma once

#include <cstdint>
#include <cstring>

namespace velmorak::zipfmt {

inline std::uint16_t Get16(const std::uint8_t* p) {
  return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}
inline std::uint32_t Get32(const std::uint8_t* p) {
  return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16) |
         (std::uint32_t(p[3]) << 24);
}
inline std::uint64_t Get64(const std::uint8_t* p) {
  return std::uint64_t(Get32(p)) | (std::uint64_t(Get32(p + 4)) << 32);
}
inline void Put16(std::uint8_t* p, std::uint16_t v) {
  p[0] = std::uint8_t(v), p[1] = std::uint8_t(v >> 8);
}
inline void Put32(std::uint8_t* p, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = std::uint8_t(v >> (8 * i));
}

// Local file header: 30 bytes, then the name and the extra field.
//   0  4  signature 0x04034b50      14  4  CRC-32
//   4  2  version needed            18  4  compressed size
//   6  2  general purpose flags     22  4  uncompressed size
//   8  2  compression method        26  2  file name length
//  10  2  last mod time             28  2  extra field length
//  12  2  last mod date
constexpr std::uint32_t kLocalSig = 0x04034b50;
constexpr std::uint32_t kLocalSigOther = 0x05045c61;  // the component family's other layout
constexpr int kLocalSize = 30;
constexpr int kLocVersion = 4, kLocFlags = 6, kLocMethod = 8, kLocTime = 10, kLocDate = 12, kLocCrc = 14,
              kLocCompSize = 18, kLocUncompSize = 22, kLocNameLen = 26, kLocExtraLen = 28;

// Central directory file header: 46 bytes, then name, extra field, comment.
//   0  4  signature 0x02014b50      24  4  uncompressed size
//   4  2  version made by           28  2  file name length
//   6  2  version needed            30  2  extra field length
//   8  2  general purpose flags     32  2  file comment length
//  10  2  compression method        34  2  disk number start
//  12  2  last mod time             36  2  internal attributes
//  14  2  last mod date             38  4  external attributes
//  16  4  CRC-32                    42  4  relative offset of local header
//  20  4  compressed size
constexpr std::uint32_t kCentralSig = 0x02014b50;
constexpr int kCentralSize = 46;
constexpr int kCenMadeBy = 4, kCenVersion = 6, kCenFlags = 8, kCenMethod = 10, kCenTime = 12, kCenDate = 14,
              kCenCrc = 16, kCenCompSize = 20, kCenUncompSize = 24, kCenNameLen = 28, kCenExtraLen = 30,
              kCenCommentLen = 32, kCenDiskStart = 34, kCenIntAttr = 36, kCenExtAttr = 38, kCenOffset = 42;

// End of central directory record: 22 bytes, then the comment.
//   0  4  signature 0x06054b50      12  4  central directory size
//   4  2  number of this disk       16  4  central directory offset
//   6  2  disk where the directory starts   20  2  comment length
//   8  2  entries on this disk
//  10  2  total entries
constexpr std::uint32_t kEndSig = 0x06054b50;
constexpr int kEndSize = 22;
constexpr int kEndDisk = 4, kEndDirDisk = 6, kEndDiskEntries = 8, kEndTotalEntries = 10, kEndDirSize = 12,
              kEndDirOffset = 16, kEndCommentLen = 20;
// The end record is searched for in this many bytes at the end of the file
// (the longest comment plus the record, with room to spare).
constexpr int kEndSearchSize = 65600;

// ZIP64 end of central directory locator: 20 bytes, just before the end record.
//   0  4  signature 0x07064b50   8  8  offset of the ZIP64 end record
//   4  4  disk of the ZIP64 end record   16  4  total number of disks
constexpr std::uint32_t kZip64LocatorSig = 0x07064b50;
constexpr int kZip64LocatorSize = 20;
constexpr int kLocatorDisk = 4, kLocatorOffset = 8, kLocatorDisks = 16;

// ZIP64 end of central directory record, first 56 bytes.
//   0  4  signature 0x06064b50   20  4  disk where the directory starts
//   4  8  size of the record     24  8  entries on this disk
//  12  2  version made by        32  8  total entries
//  14  2  version needed         40  8  central directory size
//  16  4  number of this disk    48  8  central directory offset
constexpr std::uint32_t kZip64EndSig = 0x06064b50;
constexpr int kZip64EndSize = 56;
constexpr int kZ64DirDisk = 20, kZ64TotalEntries = 32, kZ64DirSize = 40, kZ64DirOffset = 48;

// Extra field block: 2-byte header id, 2-byte data size, data. The ZIP64
// extended information block (id 0x0001) holds, in this order and only for
// the fields whose central value is saturated: uncompressed size (8),
// compressed size (8), local header offset (8), disk start (4).
constexpr std::uint16_t kZip64ExtraId = 0x0001;
constexpr int kExtraHeaderSize = 4;

// Data descriptor: signature 0x08074b50, CRC-32, compressed size,
// uncompressed size (16 bytes).
constexpr std::uint32_t kDescriptorSig = 0x08074b50;
constexpr int kDescriptorSize = 16;

// General purpose flags.
constexpr std::uint16_t kFlagEncrypted = 0x0001;
constexpr std::uint16_t kFlagDescriptor = 0x0008;

// Traditional encryption header.
constexpr int kEncryptionHeaderSize = 12;

constexpr std::uint32_t kSaturated32 = 0xFFFFFFFFu;
constexpr std::uint16_t kSaturated16 = 0xFFFFu;

}  // namespace velmorak::zipfmt
