// ZipExtract: turning selected items into files — the item loop with its
// progress, confirmation and failure hooks (ProcessItems), the destination
// path, folders and overwrite rules (ExtractItem), and the decoding of an
// item's data with its size and CRC-32 checks (ExtractToStream and the
// decoders). Inflate is zlib's, fed block by block: input blocks of at most
// 1 MiB, output through a fixed buffer of the same size, so memory does not
// grow with the item's size or its compression ratio.
//
// Per item:
//   selected -> confirmed -> folders made -> skipped
//                                        -> destination created -> decoded -> dated
//                                             -> kept (with attributes) | deleted
// A retry (failure hook answer fxaRetry) starts the item over.
#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "archive/ZACrc.h"
#include "archive/ZAStrFunc.h"
#include "archive/ZipArchiver.h"
#include "archive/ZipCrypt.h"
#include "platform/classes/CodePages.h"
#include "platform/classes/SyncObjs.h"
#include "platform/os/FileSystem.h"

namespace velmorak {

using namespace zipfmt;

namespace {

// Serialises every extraction of the process; re-entrant for the thread that
// holds it, so hooks may start another operation.
TCriticalSection& ExtractionLock() {
  static TCriticalSection section;
  return section;
}

constexpr std::int64_t kBlockSize = 1048576;

// The output of a test: bytes are counted and dropped.
class TDiscardStream : public TStream {
 public:
  std::int64_t Read(void*, std::int64_t) override { return 0; }
  std::int64_t Write(const void*, std::int64_t Count) override {
    FSize += Count;
    return Count;
  }
  std::int64_t Seek(std::int64_t, TSeekOrigin) override { return FSize; }

 private:
  std::int64_t FSize = 0;
};

std::string BaseFolderOf(const std::string& baseDir) {
  if (baseDir.empty()) return std::string(".") + os::PathDelim();
  return ZAIncludeTrailingDelimiter(baseDir, os::PathDelim());
}

}  // namespace

// --- Selection and the item loop -------------------------------------------------------

void TZABaseArchiver::SelectMatching(const std::string& FileMask, std::uint32_t SearchAttr,
                                     const std::string& ExcludeMask) {
  if (!FIsOpen) throw EZAException(ZA_ERR_NOT_OPEN, this);
  if (FUpdateDepth != 0) throw EZAException(ZA_ERR_UPDATE_NOT_ENDED, this);
  for (int i = 0; i < FDir->Items.Count(); ++i) FDir->Items.Items(i).Selected = false;
  TZAArchiveItem f;
  for (bool found = FirstMatch(FileMask, f, ExcludeMask, SearchAttr); found; found = NextMatch(f))
    FDir->Items.Items(static_cast<int>(f.Search.NextIndex)).Selected = true;
}

void TZABaseArchiver::ExtractMatching(const std::string& FileMask, std::uint32_t SearchAttr,
                                      const std::string& ExcludeMask) {
  SelectMatching(FileMask, SearchAttr, ExcludeMask);
  ProcessItems(poExtract);
}

void TZABaseArchiver::TestMatching(const std::string& FileMask, std::uint32_t SearchAttr,
                                   const std::string& ExcludeMask) {
  SelectMatching(FileMask, SearchAttr, ExcludeMask);
  ProcessItems(poTest);
}

void TZABaseArchiver::ProcessItems(TZAProcessOperation Operation) {
  TCriticalSectionGuard guard(ExtractionLock());
  FDoneCount = 0;
  FSelectedCount = 0;
  FCancelRequested = false;
  FBlockProgress = true;
  for (int i = 0; i < FDir->Items.Count(); ++i)
    if (FDir->Items.Items(i).Selected) ++FSelectedCount;

  const bool decoding = Operation == poExtract || Operation == poTest;
  bool cancel = false;
  if (decoding) {
    DoOverallProgress(0, Operation, ppStart, cancel);
    FCancelRequested = cancel;
  }

  bool stopped = false;
  FLastFolder.clear();
  for (int index = 0; !FCancelRequested && !stopped && index < FDir->Items.Count(); ++index) {
    if (!FDir->Items.Items(index).Selected) continue;
    FDir->Items.Items(index).Operation = static_cast<std::uint8_t>(Operation);
    bool retry;
    do {
      retry = false;
      TZAAction action = fxaIgnore;
      const std::string name = ZAToDelimiter(AnsiToUtf8(FDir->Items.Items(index).Name), os::PathDelim());
      try {
        bool confirm = true;
        DoConfirmProcessFile(name, Operation, confirm);
        if (!confirm) break;
        const std::string base = BaseFolderOf(BaseDir);
        if (decoding) {
          DoFileProgress(name, 0, Operation, ppStart, cancel);
          FCancelRequested = FCancelRequested || cancel;
          if (FCancelRequested) {
            stopped = true;
            break;
          }
        }
        if (Operation == poExtract) {
          ExtractItem(index, name, base);
        } else if (Operation == poTest) {
          TDiscardStream sink;
          FSkipFile = false;
          ExtractToStream(index, sink);
        }
        const bool wasCancelled = FCancelRequested;
        if (decoding) DoFileProgress(name, 100, Operation, ppEnd, cancel);
        FCancelRequested = wasCancelled || cancel;
        if (FCancelRequested) {
          stopped = true;
          break;
        }
        ++FDoneCount;
      } catch (const EZAException& e) {
        FLastFolder.clear();  // a retry looks at the folder afresh
        DoProcessFileFailure(name, Operation, e.NativeError(), e.ErrorCode(), e.Message(), action);
        if (action == fxaRetry) retry = true;
        if (action == fxaAbort) stopped = true;
      }
    } while (retry);
  }

  if (decoding) {
    const bool wasCancelled = FCancelRequested;
    DoOverallProgress(100, Operation, ppEnd, cancel);
    FCancelRequested = wasCancelled || cancel;
  }
  if (FCancelRequested || stopped) FUpdateDepth = 0;
}

// --- One item to one file ------------------------------------------------------------------

void TZABaseArchiver::ExtractItem(int Index, std::string Name, const std::string& BaseFolder) {
  const TDirItem& item = FDir->Items.Items(Index);
  std::uint32_t fileAttr = item.ExternalAttributes();
  DoExtractFile(Name, fileAttr, item.Comment);

  // Extraction stays under the base folder: names that are absolute (a root,
  // a drive, a network path) or climb out with ".." are refused, whatever
  // the archive or a handler says.
  auto refuseOutside = [&](const std::string& n) {
    if (!ZAIsNameInsideBase(n)) throw EZAException(ZA_ERR_PATH_OUTSIDE, this, {n});
  };
  refuseOutside(Name);

  const char delim = os::PathDelim();
  if (!FOptions.CreateDirs) {
    Name = ZAExtractFileName(Name);
    refuseOutside(Name);
  } else {
    // The items of a folder come one after another: the folder is looked at
    // (and made) once for the run of them.
    const std::string folder = BaseFolder + ZAToDelimiter(ZAExtractFilePath(Name), delim);
    if (folder != FLastFolder) {
      if (!os::DirectoryExists(folder) && !os::ForceDirectories(folder))
        throw EZAException(ZA_ERR_CANNOT_CREATE_DIR, this, {folder});
      FLastFolder = folder;
    }
  }
  if ((item.ExternalAttributes() & 0x10) || (!item.Name.empty() && item.Name.back() == '/')) return;

  std::string dest = BaseFolder + ZAToDelimiter(Name, delim);
  // One look tells whether a file or a folder is in the way, and its
  // attributes.
  std::uint32_t attr = os::FileGetAttr(dest);
  if (attr != os::InvalidAttributes) {
    if (!FOptions.ReplaceReadOnly && (attr & os::faReadOnly)) return;
    switch (FOptions.OverwriteMode) {
      case omPrompt: {
        bool confirm = true;
        DoConfirmOverwrite(Name, dest, confirm);
        if (!confirm) return;
        // The handler may have moved the file aside or renamed the target.
        attr = os::FileGetAttr(dest);
        break;
      }
      case omAlways:
        break;
      case omNever:
        return;
      case omIfNewer:
      case omIfOlder: {
        std::uint32_t existing = 0;
        const os::THandle h = os::FileOpen(dest, os::fmOpenRead | os::fmShareDenyNone);
        if (h != os::InvalidHandle) {
          existing = os::FileGetDosDateTime(h);
          os::FileClose(h);
        }
        const std::int32_t fileTime = static_cast<std::int32_t>(existing);
        const std::int32_t itemTime = static_cast<std::int32_t>(item.DosDateTime());
        if (FOptions.OverwriteMode == omIfNewer ? !(fileTime < itemTime) : !(fileTime > itemTime)) return;
        break;
      }
    }
  }

  std::unique_ptr<TFileStream> file;
  try {
    if (attr != os::InvalidAttributes) {
      os::FileSetAttr(dest, 0);
      if (!os::FileDelete(dest)) throw EZAException(ZA_ERR_CANNOT_CREATE_FILE, this, {dest});
    }
    file = std::make_unique<TFileStream>(dest, TFileStream::fmCreate);
  } catch (const EZAException&) {
    throw;
  } catch (const EStreamError&) {
    throw EZAException(ZA_ERR_CANNOT_CREATE_FILE, this, {dest});
  }

  bool failed = false;
  std::exception_ptr error;
  try {
    FSkipFile = false;
    ExtractToStream(Index, *file);
  } catch (...) {
    failed = true;
    error = std::current_exception();
  }
  os::FileSetDosDateTime(file->Handle(), item.DosDateTime());
  if (FOptions.FlushBuffers && os::IsRemovableDrive(dest)) os::FileFlush(file->Handle());
  file.reset();
  if (FSkipFile || FCancelRequested || failed) {
    os::FileDelete(dest);
  } else if (FOptions.SetAttributes) {
    os::FileSetAttr(dest, fileAttr);
  }
  if (error) std::rethrow_exception(error);
}

// --- Decoding ----------------------------------------------------------------------------------

bool TZABaseArchiver::ExtractToStream(int Index, TStream& Output) {
  if (!FDir || Index < 0 || Index >= FDir->Items.Count()) throw EZAException(ZA_ERR_EXTRACT_INDEX, this);
  const TDirItem& item = FDir->Items.Items(Index);
  TStream& s = *FStream;
  const std::string name = ZAToDelimiter(AnsiToUtf8(item.Name), os::PathDelim());

  // The local header: its own name and extra lengths say where the data
  // starts; sizes and method come from the central directory.
  const std::uint64_t offset = item.LocalHeaderOffset();
  if (offset > static_cast<std::uint64_t>(INT64_MAX)) throw EReadError("Stream read error");
  std::uint8_t local[kLocalSize];
  s.SetPosition(static_cast<std::int64_t>(offset));
  s.ReadBuffer(local, kLocalSize);
  s.Seek(Get16(local + kLocNameLen) + Get16(local + kLocExtraLen), TSeekOrigin::soCurrent);

  const std::int64_t dataPos = s.Position();
  std::uint64_t size64 = item.CompressedSize();
  std::int64_t size =
      size64 > static_cast<std::uint64_t>(INT64_MAX) ? INT64_MAX : static_cast<std::int64_t>(size64);
  // Item data never extends into the central directory.
  if (dataPos >= FDir->DirectoryStart)
    size = 0;
  else if (size > FDir->DirectoryStart - dataPos)
    size = FDir->DirectoryStart - dataPos;
  FTotal = size;
  FProcessed = 0;
  FSkipFile = false;

  std::uint64_t written = 0;
  std::uint32_t crc = 0;
  bool ok;
  const std::uint16_t method = item.Method();
  if (method == 0 || method == 8) {
    ok = DecodeStoredOrDeflated(item, name, size, local, Output, written, crc);
  } else if (method == 9) {
    throw EZAException(ZA_ERR_DEFLATE64, nullptr);
  } else if (item.VersionNeeded() > 10) {
    ok = DecodeBlockFormat(item, name, Output, written, crc);
  } else {
    ok = false;
  }
  if (ok && written != item.UncompressedSize()) ok = false;
  if (ok && !FSkipFile && crc != item.Crc()) ok = false;
  if (!ok && !FCancelRequested && !ExtractCorruptedFiles && !FSkipFile)
    throw EZAException(ZA_ERR_CORRUPTED, this);
  return ok;
}

bool TZABaseArchiver::DecodeStoredOrDeflated(const TDirItem& Item, const std::string& Name, std::int64_t Size,
                                             const std::uint8_t* LocalHeader, TStream& Output,
                                             std::uint64_t& Written, std::uint32_t& Crc) {
  TStream& s = *FStream;
  FSkipFile = false;
  zipcrypt::TKeys keys;
  const bool encrypted = Item.IsEncrypted();
  if (encrypted) {
    // The password loop: test the header with the current password, ask the
    // hook for another until one passes or the item is given up.
    if (Size < kEncryptionHeaderSize) return false;
    Size -= kEncryptionHeaderSize;
    const std::int64_t headerPos = s.Position();
    const std::uint16_t flags = Get16(LocalHeader + kLocFlags);
    const std::uint8_t check = (flags & kFlagDescriptor)
                                   ? static_cast<std::uint8_t>(Get16(LocalHeader + kLocTime) >> 8)
                                   : static_cast<std::uint8_t>(Get32(LocalHeader + kLocCrc) >> 24);
    while (true) {
      std::uint8_t header[kEncryptionHeaderSize];
      s.SetPosition(headerPos);
      s.ReadBuffer(header, kEncryptionHeaderSize);
      keys.Init(Password);
      keys.Decrypt(header, kEncryptionHeaderSize);
      if (header[kEncryptionHeaderSize - 1] == check) break;
      DoPassword(AnsiToUtf8(Item.Name), Password, FSkipFile);  // the stored name, as stored
      if (FSkipFile) return false;
    }
  }

  const std::uint64_t expected = Item.UncompressedSize();
  const bool deflated = Item.Method() == 8;
  // The block buffers outlive the item: the items of a package reuse them
  // instead of allocating and clearing up to 2 MiB each. They only grow, and
  // are addressed afresh after every hook (a hook may run another extraction).
  static thread_local std::vector<std::uint8_t> in, out;
  const std::size_t inSize =
      static_cast<std::size_t>(std::min<std::int64_t>(kBlockSize, std::max<std::int64_t>(Size, 1)));
  if (in.size() < inSize) in.resize(inSize);
  std::size_t outSize = 0;
  z_stream z{};
  if (deflated) {
    // Raw deflate: ZIP stores the deflate data without the zlib wrapper, and
    // the CRC-32 is the only check of the data.
    if (inflateInit2(&z, -MAX_WBITS) != Z_OK) return false;
    // Small items need no 1 MiB buffer; a lying size only costs more rounds.
    outSize = static_cast<std::size_t>(std::clamp<std::uint64_t>(expected, 16384, kBlockSize));
    if (out.size() < outSize) out.resize(outSize);
  }
  struct TInflateEnd {
    z_stream* Z;
    ~TInflateEnd() {
      if (Z) inflateEnd(Z);
    }
  } inflateEnd{deflated ? &z : nullptr};

  // Writes one piece of output; false when the item would exceed its
  // declared size (a lying header does not fill the disk) or the write falls
  // short (a full disk).
  auto emit = [&](const std::uint8_t* data, std::size_t n) {
    if (n == 0) return true;
    if (n > expected - Written) return false;
    Crc = ZACrc32(Crc, data, n);
    if (Output.Write(data, static_cast<std::int64_t>(n)) != static_cast<std::int64_t>(n)) return false;
    Written += n;
    return true;
  };

  Crc = static_cast<std::uint32_t>(crc32(0, nullptr, 0));
  std::int64_t processed = 0;
  bool streamEnded = false;
  while (processed < Size && !streamEnded) {
    if (FBlockProgress) {
      const double part = FTotal > 0 ? double(processed) / double(FTotal) : 0.0;
      bool cancel = false;
      DoFileProgress(Name, part * 100.0, static_cast<TZAProcessOperation>(Item.Operation), ppProcess, cancel);
      bool cancelAll = false;
      const double overall = FSelectedCount > 0 ? (part + FDoneCount) / FSelectedCount * 100.0 : 100.0;
      DoOverallProgress(overall, static_cast<TZAProcessOperation>(Item.Operation), ppProcess, cancelAll);
      if (cancel || cancelAll) {
        FCancelRequested = true;
        return true;
      }
    }
    const std::int64_t n = std::min<std::int64_t>(kBlockSize, Size - processed);
    if (s.Read(in.data(), n) != n) return false;
    if (encrypted) keys.Decrypt(in.data(), static_cast<std::size_t>(n));
    if (!deflated) {
      if (!emit(in.data(), static_cast<std::size_t>(n))) return false;
    } else {
      z.next_in = in.data();
      z.avail_in = static_cast<uInt>(n);
      // Inflate until the block's input is used up and no output is pending;
      // the end of the deflate stream ends the item even with input left.
      do {
        z.next_out = out.data();
        z.avail_out = static_cast<uInt>(outSize);
        const int r = inflate(&z, Z_NO_FLUSH);
        if (r != Z_OK && r != Z_STREAM_END && r != Z_BUF_ERROR) return false;
        const std::size_t produced = outSize - z.avail_out;
        if (!emit(out.data(), produced)) return false;
        if (r == Z_STREAM_END) {
          streamEnded = true;
          break;
        }
        if (r == Z_BUF_ERROR && produced == 0) break;
      } while (z.avail_in > 0 || z.avail_out == 0);
    }
    processed += n;
    FProcessed = processed;
  }
  return true;
}

// The component family's block format: a 50-byte header, then blocks of a
// 4-byte packed length and the packed bytes.
//   0  4  uncompressed length of each block but the last
//   8  4  total uncompressed length
//  16  4  number of blocks
//  20  1  compression algorithm (0 = zlib)
//  21  1  non-zero when blocks are compressed
//  22  2  encryption algorithm (0xFFFF = none)
//  24  4  password check value
//  28 16  password check block
bool TZABaseArchiver::DecodeBlockFormat(const TDirItem& Item, const std::string& Name, TStream& Output,
                                        std::uint64_t& Written, std::uint32_t& Crc) {
  constexpr int kHeaderSize = 50, kBlockLen = 0, kTotalLen = 8, kBlockCount = 16, kAlgorithm = 20,
                kCompressed = 21, kEncryption = 22, kCheckValue = 24, kCheckBlock = 28;
  TStream& s = *FStream;
  std::uint8_t h[kHeaderSize];
  if (s.Read(h, kHeaderSize) != kHeaderSize) return false;
  if (h[kAlgorithm] != 0) return false;
  const std::uint64_t blockLen = Get32(h + kBlockLen);
  const std::uint64_t total =
      Item.UncompressedSize32() == kSaturated32 ? Item.Zip64UncompressedSize : Get32(h + kTotalLen);
  const std::uint32_t blocks = Get32(h + kBlockCount);
  if (Get16(h + kEncryption) != 0xFFFF) {
    // The format's cipher leaves the check block as it is, so the password
    // cannot change the outcome; the hook decides whether to go on asking.
    while (true) {
      const std::uint32_t check = static_cast<std::uint32_t>(crc32(0, h + kCheckBlock, 16));
      if (check == Get32(h + kCheckValue)) break;
      DoPassword(AnsiToUtf8(Item.Name), Password, FSkipFile);  // the stored name, as stored
      if (FSkipFile) return false;
    }
  }
  FTotal = s.Size();
  const std::uint64_t expected = Item.UncompressedSize();
  Crc = static_cast<std::uint32_t>(crc32(0, nullptr, 0));
  std::vector<std::uint8_t> packed, plain;
  std::int64_t processed = 0;
  for (std::uint32_t b = 0; b < blocks; ++b) {
    if (FBlockProgress) {
      bool cancel = false, cancelAll = false;
      const double part = FTotal > 0 ? double(processed) / double(FTotal) : 0.0;
      DoFileProgress(Name, part * 100.0, static_cast<TZAProcessOperation>(Item.Operation), ppProcess, cancel);
      DoOverallProgress(FSelectedCount > 0 ? (part + FDoneCount) / FSelectedCount * 100.0 : 100.0,
                        static_cast<TZAProcessOperation>(Item.Operation), ppProcess, cancelAll);
      if (cancel || cancelAll) {
        FCancelRequested = true;
        return true;
      }
    }
    std::uint8_t lenBytes[4];
    if (s.Read(lenBytes, 4) != 4) return false;
    const std::uint32_t packedLen = Get32(lenBytes);
    if (packedLen > s.Size() - s.Position() || packedLen > static_cast<std::uint32_t>(64 * kBlockSize))
      return false;
    const std::uint64_t outLen = b + 1 < blocks ? blockLen : (total >= Written ? total - Written : 0);
    // A block never holds more than the item's declared size.
    if (outLen > expected - Written || outLen > static_cast<std::uint64_t>(64) * kBlockSize) return false;
    packed.resize(packedLen);
    if (s.Read(packed.data(), packedLen) != packedLen) return false;
    if (h[kCompressed]) {
      plain.assign(static_cast<std::size_t>(outLen), 0);
      uLongf produced = static_cast<uLongf>(outLen);
      if (uncompress(plain.data(), &produced, packed.data(), packedLen) != Z_OK || produced == 0)
        return false;
      // A block that decodes to another length than announced is damaged.
      if (produced != outLen) return false;
    } else {
      if (packedLen != outLen) return false;
      plain = packed;
    }
    Crc = ZACrc32(Crc, plain.data(), plain.size());
    if (Output.Write(plain.data(), static_cast<std::int64_t>(plain.size())) !=
        static_cast<std::int64_t>(plain.size()))
      return false;
    Written += plain.size();
    processed += 4 + packedLen;
  }
  return true;
}

}  // namespace velmorak
