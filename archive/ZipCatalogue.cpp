// ZipCatalogue: loading the catalogue of an open archive — the end record
// searched for from the end of the file, the ZIP64 locator and record, the
// central directory read entry by entry, the rebuild from local headers when
// the end record cannot be found, and the search for data prepended to the
// archive (a stub) with the repair of offsets that ignore it.
//
// Every count, length and offset read here comes from the file and is
// checked against the bytes that exist before it is used: the central
// directory cannot extend past the record that ends it, an extra block
// cannot extend past its extra field, and a search never reads past the end
// of the file.
#include <algorithm>
#include <cstring>

#include "archive/ZipArchiver.h"
#include "platform/classes/CodePages.h"

namespace velmorak {

using namespace zipfmt;

namespace {

// The longest name kept: a stored name passes through a 1000-character buffer.
constexpr std::size_t kMaxNameLength = 999;

[[noreturn]] void ReadError() {
  throw EReadError("Stream read error");
}

// Reads a region of the archive stream through a buffer, refusing to read
// past the region's end (for the central directory: the record after it).
class TRegionReader {
 public:
  TRegionReader(TStream& stream, std::int64_t start, std::int64_t end)
      : FStream(stream), FPos(start), FEnd(end), FBufStart(start) {}

  std::int64_t Position() const { return FPos; }

  void Read(void* dst, std::int64_t count) {
    if (count < 0 || FPos < 0 || count > FEnd - FPos) ReadError();
    auto* out = static_cast<std::uint8_t*>(dst);
    while (count > 0) {
      if (FPos < FBufStart || FPos >= FBufStart + FBufLen) Fill();
      const std::int64_t n = std::min<std::int64_t>(count, FBufStart + FBufLen - FPos);
      std::memcpy(out, FBuf.data() + (FPos - FBufStart), static_cast<std::size_t>(n));
      out += n, FPos += n, count -= n;
    }
  }

  void Skip(std::int64_t count) {
    if (count < 0 || count > FEnd - FPos) ReadError();
    FPos += count;
  }

 private:
  void Fill() {
    const std::int64_t n = std::min<std::int64_t>(static_cast<std::int64_t>(FBuf.size()), FEnd - FPos);
    FStream.SetPosition(FPos);
    FStream.ReadBuffer(FBuf.data(), n);
    FBufStart = FPos, FBufLen = n;
  }

  TStream& FStream;
  std::int64_t FPos, FEnd;
  std::int64_t FBufStart, FBufLen = 0;
  std::vector<std::uint8_t> FBuf = std::vector<std::uint8_t>(65536);
};

// Reads count bytes at pos; false when fewer exist.
bool ReadAt(TStream& stream, std::int64_t pos, void* dst, std::int64_t count) {
  if (pos < 0) return false;
  if (stream.Seek(pos, TSeekOrigin::soBeginning) != pos) return false;
  return stream.Read(dst, count) == count;
}

// Finds the four-byte signature sig at or after from, reading chunk bytes at
// a time with an overlap of 3 so that a signature across two chunks is seen.
// Returns its position, or -1.
std::int64_t FindSignature(TStream& stream, std::int64_t from, std::int64_t fileLength, std::uint32_t sig,
                           std::int64_t chunk) {
  std::uint8_t pattern[4];
  Put32(pattern, sig);
  std::vector<std::uint8_t> buf(static_cast<std::size_t>(chunk));
  std::int64_t pos = std::max<std::int64_t>(from, 0);
  while (pos + 4 <= fileLength) {
    const std::int64_t n = std::min<std::int64_t>(chunk, fileLength - pos);
    if (!ReadAt(stream, pos, buf.data(), n)) return -1;
    const auto* hit = std::search(buf.data(), buf.data() + n, pattern, pattern + 4);
    if (hit != buf.data() + n) return pos + (hit - buf.data());
    if (pos + n >= fileLength) break;
    pos += n - 3;
  }
  return -1;
}

std::string CutName(const std::uint8_t* data, std::size_t length) {
  std::size_t n = std::min(length, kMaxNameLength);
  if (n == 0) return {};  // an empty name has no buffer behind it
  const void* zero = std::memchr(data, 0, n);
  if (zero) n = static_cast<std::size_t>(static_cast<const std::uint8_t*>(zero) - data);
  return std::string(reinterpret_cast<const char*>(data), n);
}

}  // namespace

// --- The item array -------------------------------------------------------------------

void TZADirArray::SetCount(int Value) {
  if (Value <= 0) {
    FItems.clear();
    FItems.shrink_to_fit();
    FCapacity = 0;
    return;
  }
  if (Value > FCapacity) {
    FCapacity = std::max(FCapacity + FGrowStep, Value);
    FGrowStep = std::min(FGrowStep * 2, 10000);
    FItems.reserve(static_cast<std::size_t>(FCapacity));
  }
  FItems.resize(static_cast<std::size_t>(Value));
}

TDirItem& TZADirArray::Add() {
  SetCount(Count() + 1);
  return FItems.back();
}

TDirItem& TZADirArray::Items(int Index) {
  if (Index < 0 || Index >= Count()) throw EZAException(ZA_ERR_INDEX_OUT_OF_BOUNDS, nullptr);
  return FItems[static_cast<std::size_t>(Index)];
}

const TDirItem& TZADirArray::Items(int Index) const {
  if (Index < 0 || Index >= Count()) throw EZAException(ZA_ERR_INDEX_OUT_OF_BOUNDS, nullptr);
  return FItems[static_cast<std::size_t>(Index)];
}

void TZADirManager::Reset() {
  Items.SetCount(0);
  std::memset(EndRecord, 0, sizeof EndRecord);
  Put32(EndRecord, kEndSig);
  std::memset(Zip64Locator, 0, sizeof Zip64Locator);
  std::memset(Zip64EndRecord, 0, sizeof Zip64EndRecord);
  IsZip64 = false;
  CommentText.clear();
  StubOffset = 0;
  DirectoryStart = 0;
}

// --- End record --------------------------------------------------------------------------

bool TZABaseArchiver::FindEndRecord(std::int64_t& EndPos) {
  TStream& s = *FStream;
  const std::int64_t length = s.Size();
  const std::int64_t tailSize = std::min<std::int64_t>(length, kEndSearchSize);
  if (tailSize < kEndSize) return false;
  const std::int64_t tailStart = length - tailSize;
  std::vector<std::uint8_t> tail(static_cast<std::size_t>(tailSize));
  s.SetPosition(tailStart);
  s.ReadBuffer(tail.data(), tailSize);
  // Backwards from the last byte: the candidate nearest the end wins, and it
  // counts only when its comment ends exactly at the end of the file.
  for (std::int64_t i = tailSize - kEndSize; i >= 0; --i) {
    const std::uint8_t* p = tail.data() + i;
    if (p[3] != 0x06 || p[2] != 0x05 || p[1] != 0x4B || p[0] != 0x50) continue;
    const std::int64_t after = tailSize - i - kEndSize;
    if (Get16(p + kEndCommentLen) != after) continue;
    std::memcpy(FDir->EndRecord, p, kEndSize);
    FDir->CommentText.assign(reinterpret_cast<const char*>(p + kEndSize), static_cast<std::size_t>(after));
    EndPos = tailStart + i;
    return true;
  }
  return false;
}

// --- Central directory ----------------------------------------------------------------------

void TZABaseArchiver::LoadCatalogue() {
  TZADirManager& dir = *FDir;
  TStream& s = *FStream;
  dir.Reset();

  std::int64_t endPos = 0;
  if (!FindEndRecord(endPos)) {
    if (FSpanningMode != smNone) throw EZAException(ZA_ERR_OPEN_ABORTED, nullptr);
    RebuildCatalogue();
    dir.DirectoryStart = s.Size();
    return;
  }

  // ZIP64: the locator lies just before the end record, the ZIP64 end record
  // just before the locator.
  if (endPos > kZip64LocatorSize &&
      ReadAt(s, endPos - kZip64LocatorSize, dir.Zip64Locator, kZip64LocatorSize) &&
      Get32(dir.Zip64Locator) == kZip64LocatorSig)
    dir.IsZip64 = true;
  else
    std::memset(dir.Zip64Locator, 0, sizeof dir.Zip64Locator);
  std::int64_t dirEnd = endPos;  // the central directory ends where the next record starts
  if (dir.IsZip64) {
    const std::uint64_t recordOffset = Get64(dir.Zip64Locator + kLocatorOffset);
    const bool read = recordOffset < static_cast<std::uint64_t>(INT64_MAX) &&
                      ReadAt(s, static_cast<std::int64_t>(recordOffset), dir.Zip64EndRecord, kZip64EndSize);
    if (!read || endPos <= kZip64LocatorSize + kZip64EndSize || Get32(dir.Zip64EndRecord) != kZip64EndSig)
      throw EZAException(ZA_ERR_NO_ZIP64_END, nullptr);
    dirEnd = endPos - kZip64LocatorSize - kZip64EndSize;
  }

  // Volumes: a single file has the directory and every item on volume 0.
  std::uint32_t firstVolume, lastVolume;
  if (dir.IsZip64) {
    firstVolume = Get32(dir.Zip64EndRecord + kZ64DirDisk);
    lastVolume = Get32(dir.Zip64Locator + kLocatorDisks) - 1;
  } else {
    std::uint16_t disk = Get16(dir.EndRecord + kEndDisk), dirDisk = Get16(dir.EndRecord + kEndDirDisk);
    if (disk == kSaturated16) disk = 0;
    if (dirDisk == kSaturated16) dirDisk = 0;
    firstVolume = dirDisk;
    lastVolume = disk;
  }
  // Multi-volume archives need the volume requests of the writing side's
  // family; this reader opens single files only.
  if (dir.IsZip64 && lastVolume == 0xFFFFFFFFu) lastVolume = 0;  // a locator that counts no disk
  if (firstVolume != 0 || lastVolume != 0) throw EZAException(ZA_ERR_OPEN_ABORTED, nullptr);

  std::int64_t dirPos;
  std::uint32_t entries;
  if (dir.IsZip64) {
    const std::uint64_t size = Get64(dir.Zip64EndRecord + kZ64DirSize);
    dirPos = size > static_cast<std::uint64_t>(dirEnd) ? -1 : dirEnd - static_cast<std::int64_t>(size);
    entries = static_cast<std::uint32_t>(Get64(dir.Zip64EndRecord + kZ64TotalEntries));
  } else {
    // The 32-bit size is taken as a signed value, as the format's writers do.
    dirPos = endPos - static_cast<std::int32_t>(Get32(dir.EndRecord + kEndDirSize));
    entries = Get16(dir.EndRecord + kEndTotalEntries);
  }
  dir.DirectoryStart = dirPos;

  // Entry by entry; a directory that claims more than it holds runs into the
  // record after it and fails as a short read.
  TRegionReader reader(s, dirPos, dirEnd);
  std::vector<std::uint8_t> buf;
  for (std::uint32_t e = 0; e < entries; ++e) {
    TDirItem& item = dir.Items.Add();
    reader.Read(item.Header, kCentralSize);
    const std::uint16_t nameLen = Get16(item.Header + kCenNameLen);
    const std::uint16_t extraLen = Get16(item.Header + kCenExtraLen);
    const std::uint16_t commentLen = Get16(item.Header + kCenCommentLen);

    buf.resize(nameLen);
    reader.Read(buf.data(), nameLen);
    std::string name = CutName(buf.data(), nameLen);
    if (FOptions.OEMFileNames) name = OemToAnsi(name);
    std::replace(name.begin(), name.end(), '\\', '/');
    item.Name = std::move(name);

    // Extra field: consecutive blocks; a block that claims more data than the
    // field holds is cut to it, and bytes too few for a block header end it.
    std::int64_t left = extraLen;
    while (left >= kExtraHeaderSize) {
      std::uint8_t head[kExtraHeaderSize];
      reader.Read(head, kExtraHeaderSize);
      left -= kExtraHeaderSize;
      TZAExtraBlock& block = item.ExtraBlocks.emplace_back();
      block.HeaderId = Get16(head);
      block.DataSize = static_cast<std::uint16_t>(std::min<std::int64_t>(Get16(head + 2), left));
      block.Data.resize(block.DataSize);
      reader.Read(block.Data.data(), block.DataSize);
      left -= block.DataSize;
      if (block.HeaderId == kZip64ExtraId) {
        std::size_t cursor = 0;
        const std::size_t size = block.DataSize;
        const std::uint8_t* d = block.Data.data();
        auto take64 = [&](std::uint64_t& field) {
          if (cursor + 8 > size) return;
          field = Get64(d + cursor);
          cursor += 8;
        };
        if (cursor < size && item.UncompressedSize32() == kSaturated32) take64(item.Zip64UncompressedSize);
        if (cursor < size && item.CompressedSize32() == kSaturated32) take64(item.Zip64CompressedSize);
        if (cursor < size && item.LocalHeaderOffset32() == kSaturated32) take64(item.Zip64HeaderOffset);
        if (cursor < size && item.DiskStart16() == kSaturated16 && cursor + 4 <= size) {
          item.Zip64DiskStart = Get32(d + cursor);
          cursor += 4;
        }
        item.HasZip64Info = 1;
      }
    }
    reader.Skip(left);

    buf.resize(commentLen);
    reader.Read(buf.data(), commentLen);
    item.Comment.assign(reinterpret_cast<const char*>(buf.data()), commentLen);
  }

  FindStubAndFixOffsets(endPos);
}

// --- Stub search and offset repair ---------------------------------------------------------------

void TZABaseArchiver::FindStubAndFixOffsets(std::int64_t EndPos) {
  TZADirManager& dir = *FDir;
  TStream& s = *FStream;
  if (dir.Items.Count() == 0) {
    dir.StubOffset = EndPos;
    return;
  }
  const TDirItem& first = dir.Items.Items(0);
  const std::int64_t length = s.Size();
  const std::uint64_t start = first.LocalHeaderOffset();
  std::int64_t from = start < static_cast<std::uint64_t>(length) ? static_cast<std::int64_t>(start) : length;
  // Look for the first item's local header: the signature, then the fields
  // that the local and central headers share.
  std::uint8_t local[kLocalSize];
  while (true) {
    const std::int64_t hit = FindSignature(s, from, length, kLocalSig, 10000);
    if (hit < 0) break;
    if (ReadAt(s, hit, local, kLocalSize) && hit + kLocalSize + Get16(local + kLocNameLen) <= length) {
      const std::uint32_t sig = Get32(local);
      const bool same =
          (sig == kLocalSig || sig == kLocalSigOther) && Get32(local + kLocCrc) == first.Crc() &&
          Get16(local + kLocVersion) == first.VersionNeeded() &&
          Get16(local + kLocMethod) == first.Method() && Get16(local + kLocTime) == first.ModTime() &&
          Get16(local + kLocDate) == first.ModDate() &&
          Get32(local + kLocCompSize) == first.CompressedSize32() &&
          Get32(local + kLocUncompSize) == first.UncompressedSize32();
      if (same) {
        dir.StubOffset = hit;
        break;
      }
    }
    from = hit + 1;
  }

  // Data prepended without adjusting the offsets: every item's offset is
  // short by the stub's length.
  const std::uint32_t stub = static_cast<std::uint32_t>(dir.StubOffset);
  for (int i = 0; i < dir.Items.Count(); ++i) {
    const TDirItem& probe = dir.Items.Items(i);
    if (probe.CompressedSize32() == 0) continue;
    if (probe.LocalHeaderOffset32() < stub) {
      for (int j = 0; j < dir.Items.Count(); ++j) {
        TDirItem& item = dir.Items.Items(j);
        if (item.ExternalAttributes() & 0x10) continue;
        // A saturated offset lives in the ZIP64 field; shift that one instead
        // of breaking the marker.
        if (item.LocalHeaderOffset32() == kSaturated32)
          item.Zip64HeaderOffset += stub;
        else
          Put32(item.Header + kCenOffset, item.LocalHeaderOffset32() + stub);
      }
    }
    break;
  }
}

// --- Rebuild from local headers --------------------------------------------------------------------

void TZABaseArchiver::RebuildCatalogue() {
  TZADirManager& dir = *FDir;
  TStream& s = *FStream;
  const std::int64_t length = s.Size();
  std::int64_t from = 0;
  std::int64_t previousEnd = 0;    // end of the last accepted header and name
  std::int64_t descriptorAt = -2;  // cached search for data descriptors: -2 none yet, -1 none left
  bool anyHit = false;
  std::uint8_t local[kLocalSize];
  std::vector<std::uint8_t> name;
  while (true) {
    const std::int64_t hit = FindSignature(s, from, length, kLocalSig, 65535);
    if (hit < 0 || length - hit < kLocalSize) break;
    anyHit = true;
    from = hit + 4;
    if (hit < previousEnd) continue;  // inside the header or name of the item before
    s.SetPosition(hit);
    s.ReadBuffer(local, kLocalSize);
    if (Get32(local + kLocCompSize) >= static_cast<std::uint64_t>(length) ||
        Get16(local + kLocExtraLen) > 260)
      continue;

    TDirItem& item = dir.Items.Add();
    std::uint8_t* h = item.Header;
    Put32(h, kLocalSig);
    Put16(h + kCenMadeBy, Get16(local + kLocVersion));
    Put16(h + kCenVersion, Get16(local + kLocVersion));
    Put16(h + kCenFlags, Get16(local + kLocFlags));
    Put16(h + kCenMethod, Get16(local + kLocMethod));
    Put16(h + kCenTime, Get16(local + kLocTime));
    Put16(h + kCenDate, Get16(local + kLocDate));
    Put32(h + kCenCrc, Get32(local + kLocCrc));
    Put32(h + kCenCompSize, Get32(local + kLocCompSize));
    Put32(h + kCenUncompSize, Get32(local + kLocUncompSize));
    Put16(h + kCenNameLen, Get16(local + kLocNameLen));
    Put16(h + kCenExtraLen, Get16(local + kLocExtraLen));
    const std::uint16_t flags = Get16(local + kLocFlags);
    // A zero-length item without a data descriptor is taken for a folder.
    Put32(h + kCenExtAttr, (Get32(local + kLocUncompSize) != 0 || (flags & kFlagDescriptor)) ? 0x20 : 0x10);
    Put32(h + kCenOffset, static_cast<std::uint32_t>(hit));

    const std::int64_t nameLen =
        std::min<std::int64_t>({static_cast<std::int64_t>(Get16(local + kLocNameLen)),
                                static_cast<std::int64_t>(kMaxNameLength), length - hit - kLocalSize});
    name.resize(static_cast<std::size_t>(nameLen));
    s.ReadBuffer(name.data(), nameLen);
    std::string n = CutName(name.data(), name.size());
    if (FOptions.OEMFileNames) n = OemToAnsi(n);
    std::replace(n.begin(), n.end(), '\\', '/');
    item.Name = std::move(n);
    previousEnd = hit + kLocalSize + Get16(local + kLocNameLen);

    if (flags & kFlagDescriptor) {
      // The descriptor search moves forward only: one scan of the file serves
      // every item, however many headers a damaged file holds.
      if (descriptorAt != -1 && descriptorAt < hit)
        descriptorAt = FindSignature(s, hit, length, kDescriptorSig, 65535);
      if (descriptorAt >= 0 && length - descriptorAt >= kDescriptorSize) {
        std::uint8_t desc[kDescriptorSize];
        s.SetPosition(descriptorAt);
        s.ReadBuffer(desc, kDescriptorSize);
        Put32(h + kCenCrc, Get32(desc + 4));
        Put32(h + kCenCompSize, Get32(desc + 8));
        Put32(h + kCenUncompSize, Get32(desc + 12));
      }
    }
  }
  if (!anyHit) throw EZAException(ZA_ERR_INVALID_ARCHIVE, nullptr);
}

}  // namespace velmorak
