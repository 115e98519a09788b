// ZipArchiver: the archive component. TZipArchiver opens a ZIP archive (or a
// new in-memory one), loads its central directory into a catalogue, selects
// items by mask and attribute filter, and extracts them into a folder —
// decrypting PKWARE traditional encryption and inflating deflated data —
// reporting progress and failures through events whose defaults are
// dialogs of the platform's dialog service. The writing side of the
// component family (adding items, multi-volume and self-extracting output)
// is not part of this reader; its properties exist with their defaults and
// setter rules.
//
// Text: the catalogue (TDirItem::Name, TZAArchiveItem) holds names as the
// archive stores them, ANSI bytes of the Windows code page. Everything the
// component hands out — event file names, destination paths, exception and
// dialog texts — is UTF-8, and working names use the platform's path
// delimiter ("\" on Windows, "/" elsewhere). FileName and BaseDir are
// platform paths (UTF-8).
//
// Lifecycle (one archive at a time):
//
//   Closed --Open [Open]--> Open --Close [Close]--> Closed
//   Open   --Open--> (Close, then as from Closed)
//   Open   --ExtractMatching / TestMatching--> Open
//
// A failed Open leaves IsOpen clear (a stream it opened stays held until
// Close). The sources are split by responsibility: ZipArchiver.cpp (the
// component, properties, Open/Close, search), ZipCatalogue.cpp (end records,
// central directory, rebuild, stub search), ZipExtract.cpp (the item loop,
// destination files, decoders) and ZipCrypt.h (traditional encryption).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "archive/ZAConst.h"
#include "archive/ZAExcept.h"
#include "archive/ZipFormat.h"
#include "platform/classes/Classes.h"

namespace velmorak {

// --- Option records -------------------------------------------------------------

class TZAOptions : public TPersistent {
 public:
  const char* ClassName() const override { return "TZAOptions"; }
  // Copies every option of another TZAOptions except ShareMode.
  void Assign(const TPersistent* Source) override;

  TZAStorePathMode StorePath = spRelativePath;
  bool Recurse = true;
  TZAFileShareMode ShareMode = smShareDenyNone;
  TZAOverwriteMode OverwriteMode = omAlways;
  bool CreateDirs = true;
  bool ReplaceReadOnly = true;
  bool SetAttributes = true;
  std::uint32_t SearchAttr = 10431;  // 0x28BF: any file, normal, compressed, not content-indexed
  bool FlushBuffers = true;
  bool OEMFileNames = true;
};

class TZASpanningOptions : public TPersistent {
 public:
  const char* ClassName() const override { return "TZASpanningOptions"; }
  void Assign(const TPersistent* Source) override;

  bool AdvancedNaming = true;
  std::int64_t FirstVolumeSize = 0;
  TZAVolumeSize VolumeSize = vsAutoDetect;

  std::int64_t CustomVolumeSize() const { return FCustomVolumeSize; }
  // Values below 65,536 are raised to 65,536.
  void SetCustomVolumeSize(std::int64_t Value) { FCustomVolumeSize = Value < 65536 ? 65536 : Value; }
  // The size of volume Index (0 = first); 0 means no fixed size.
  std::int64_t VolumeSizeOf(int Index) const;

 private:
  std::int64_t FCustomVolumeSize = 0;
  bool FInternal = false;
};

// --- Catalogue --------------------------------------------------------------------

struct TZAExtraBlock {
  std::uint16_t HeaderId = 0;
  std::uint16_t DataSize = 0;
  std::vector<std::uint8_t> Data;  // DataSize bytes, owned by the item
};

struct TDirItem {
  std::uint8_t Header[zipfmt::kCentralSize] = {};  // the fixed central header, byte for byte
  std::string Name;                                // stored name, OEM-converted, "\" turned into "/"
  std::string Comment;                             // not converted
  std::vector<TZAExtraBlock> ExtraBlocks;
  std::uint8_t HasZip64Info = 0;
  std::uint64_t Zip64UncompressedSize = 0;
  std::uint64_t Zip64CompressedSize = 0;
  std::uint64_t Zip64HeaderOffset = 0;
  std::uint32_t Zip64DiskStart = 0;
  bool Selected = false;
  std::uint8_t Operation = 0;  // the TZAProcessOperation being applied

  // Fields of Header.
  std::uint16_t VersionMadeBy() const { return zipfmt::Get16(Header + zipfmt::kCenMadeBy); }
  std::uint16_t VersionNeeded() const { return zipfmt::Get16(Header + zipfmt::kCenVersion); }
  std::uint16_t Flags() const { return zipfmt::Get16(Header + zipfmt::kCenFlags); }
  std::uint16_t Method() const { return zipfmt::Get16(Header + zipfmt::kCenMethod); }
  std::uint16_t ModTime() const { return zipfmt::Get16(Header + zipfmt::kCenTime); }
  std::uint16_t ModDate() const { return zipfmt::Get16(Header + zipfmt::kCenDate); }
  std::uint32_t Crc() const { return zipfmt::Get32(Header + zipfmt::kCenCrc); }
  std::uint32_t CompressedSize32() const { return zipfmt::Get32(Header + zipfmt::kCenCompSize); }
  std::uint32_t UncompressedSize32() const { return zipfmt::Get32(Header + zipfmt::kCenUncompSize); }
  std::uint16_t DiskStart16() const { return zipfmt::Get16(Header + zipfmt::kCenDiskStart); }
  std::uint32_t ExternalAttributes() const { return zipfmt::Get32(Header + zipfmt::kCenExtAttr); }
  std::uint32_t LocalHeaderOffset32() const { return zipfmt::Get32(Header + zipfmt::kCenOffset); }
  // The 64-bit values: the ZIP64 field where the 32-bit one is saturated.
  std::uint64_t CompressedSize() const;
  std::uint64_t UncompressedSize() const;
  std::uint64_t LocalHeaderOffset() const;
  std::uint32_t DosDateTime() const { return (std::uint32_t(ModDate()) << 16) | ModTime(); }
  bool IsEncrypted() const { return Flags() & zipfmt::kFlagEncrypted; }
};

// The item array. It grows in steps that double from 500 up to 10,000; the
// capacity becomes the larger of capacity + step and the requested count.
class TZADirArray {
 public:
  int Count() const { return static_cast<int>(FItems.size()); }
  int Capacity() const { return FCapacity; }
  // Count 0 releases every item.
  void SetCount(int Value);
  TDirItem& Add();
  // Raises EZAException native error 1 outside 0..Count-1.
  TDirItem& Items(int Index);
  const TDirItem& Items(int Index) const;

 private:
  std::vector<TDirItem> FItems;
  int FCapacity = 0;
  int FGrowStep = 500;
};

class TZADirManager {
 public:
  std::uint8_t EndRecord[zipfmt::kEndSize] = {};
  std::uint8_t Zip64Locator[zipfmt::kZip64LocatorSize] = {};
  std::uint8_t Zip64EndRecord[zipfmt::kZip64EndSize] = {};
  bool IsZip64 = false;
  std::string CommentText;
  std::int64_t StubOffset = 0;
  std::int64_t DirectoryStart = 0;  // item data never extends past it
  TZADirArray Items;

  // Empty catalogue: no items, an end record carrying only its signature.
  void Reset();
};

struct TInternalSearchRec {
  std::uint32_t NextIndex = 0;
  char Mask[260] = {};
  bool HasWildcards = false;
  std::uint32_t AttrFilter = 0;
  std::string ExcludeMask;
  bool UseMaskLists = false;
};

struct TZAArchiveItem {
  std::string ItemName;  // file-name part, ANSI, "\"-separated
  std::string ItemPath;  // path part with trailing "\"
  std::int64_t PackedSize = 0;
  std::int64_t UnpackedSize = 0;
  double Ratio = 0;  // percent
  bool IsEncrypted = false;
  std::uint16_t ModDate = 0;
  std::uint16_t ModTime = 0;
  std::uint32_t Crc = 0;
  std::uint32_t Attributes = 0;
  std::string Comment;
  TInternalSearchRec Search;
};

// --- Events -------------------------------------------------------------------------

using TNotifyEvent = std::function<void(TObject* Sender)>;
using TZAProgressEvent = std::function<void(TObject* Sender, double Progress, TZAProcessOperation Operation,
                                            TZAProgressPhase ProgressPhase, bool& Cancel)>;
using TZAFileProgressEvent =
    std::function<void(TObject* Sender, const std::string& FileName, double Progress,
                       TZAProcessOperation Operation, TZAProgressPhase ProgressPhase, bool& Cancel)>;
using TZAConfirmOverwriteEvent = std::function<void(TObject* Sender, const std::string& SourceFileName,
                                                    std::string& DestFileName, bool& Confirm)>;
using TZAConfirmProcessFileEvent = std::function<void(TObject* Sender, const std::string& FileName,
                                                      TZAProcessOperation Operation, bool& Confirm)>;
using TZAPasswordEvent = std::function<void(TObject* Sender, const std::string& FileName,
                                            std::string& NewPassword, bool& SkipFile)>;
using TZAProcessFileFailureEvent =
    std::function<void(TObject* Sender, const std::string& FileName, TZAProcessOperation Operation,
                       int NativeError, int ErrorCode, const std::string& ErrorMessage, TZAAction& Action)>;
using TZARequestVolumeEvent =
    std::function<void(TObject* Sender, int VolumeNumber, std::string& VolumeFileName, bool& Cancel)>;
using TZADiskFullEvent =
    std::function<void(TObject* Sender, int VolumeNumber, std::string& VolumeFileName, bool& Cancel)>;
using TZAStoreFileEvent = std::function<void(TObject* Sender, std::string& FileName, std::uint32_t& FileAttr,
                                             std::string& Comment, const std::string& OriginalFileName)>;
using TZAExtractFileEvent = std::function<void(TObject* Sender, std::string& FileName,
                                               std::uint32_t& FileAttr, const std::string& Comment)>;

// --- The component ---------------------------------------------------------------------

class TZABaseArchiver : public TComponent {
 public:
  explicit TZABaseArchiver(TComponent* AOwner);
  ~TZABaseArchiver() override;
  const char* ClassName() const override { return "TZABaseArchiver"; }

  // Published properties.
  bool ExtractCorruptedFiles = false;
  TZACompressionLevel CompressionLevel() const { return FCompressionLevel; }
  void SetCompressionLevel(TZACompressionLevel Value);
  std::uint8_t CompressionMode() const { return FCompressionMode; }
  // Above 9: native error 5, the property keeps its value.
  void SetCompressionMode(std::uint8_t Value);
  std::string CurrentVersion() const { return kZACurrentVersion; }
  void SetCurrentVersion(const std::string&) {}  // read-only in effect
  std::string Password;
  std::string FileName;
  std::string BaseDir;  // empty: the current directory
  std::string TempDir;
  TZASpanningMode SpanningMode() const { return FSpanningMode; }
  // On an open archive: Exception "Cannot set spanning mode on open archive".
  void SetSpanningMode(TZASpanningMode Value);
  TZASpanningOptions& SpanningOptions() { return FSpanningOptions; }
  void SetSpanningOptions(const TZASpanningOptions& Value) { FSpanningOptions.Assign(&Value); }
  std::string SFXStub;
  TZAOptions& Options() { return FOptions; }
  const TZAOptions& Options() const { return FOptions; }
  void SetOptions(const TZAOptions& Value) { FOptions.Assign(&Value); }
  // Consulted only by the list-based matching branch that no operation enables.
  std::vector<std::string> FileMasks, ExclusionMasks, NoCompressionMasks;
  bool InMemory() const { return FInMemory; }
  void SetInMemory(bool Value);

  TZAFileProgressEvent OnFileProgress;
  TZAProgressEvent OnOverallProgress;
  TZAProgressEvent OnCopyTempFileProgress;
  TZAConfirmOverwriteEvent OnConfirmOverwrite;
  TZAConfirmProcessFileEvent OnConfirmProcessFile;
  TNotifyEvent AfterOpen;
  TZAPasswordEvent OnPassword;
  TZAProcessFileFailureEvent OnProcessFileFailure;
  TZARequestVolumeEvent OnRequestBlankVolume, OnRequestFirstVolume, OnRequestLastVolume,
      OnRequestMiddleVolume;
  TZADiskFullEvent OnDiskFull;
  TZAStoreFileEvent OnStoreFile;
  TZAExtractFileEvent OnExtractFile;

  // State.
  bool IsOpen() const { return FIsOpen; }
  // 0xFFFF create, 0x22 read-write deny-write, 0x40 read-only deny-none.
  std::uint16_t OpenMode() const { return FOpenMode; }
  int UpdateDepth() const { return FUpdateDepth; }
  // Update brackets of the writing side; this reader only counts them
  // (reading operations refuse to run inside one).
  void BeginUpdate() { ++FUpdateDepth; }
  void EndUpdate() {
    if (FUpdateDepth > 0) --FUpdateDepth;
  }

  // Opens FileName (or a new in-memory archive) and loads the catalogue.
  // Raises EZAException (see ZAConst.h) or the platform's stream errors.
  void Open();
  // Closes the archive; never raises. A created archive never written gets
  // the 22-byte empty end record.
  void Close();

  // The catalogue of the open archive (nullptr when none).
  TZADirManager* DirManager() { return FDir.get(); }
  int ItemCount() const { return FDir ? FDir->Items.Count() : 0; }
  // Raises native error 2 outside 0..ItemCount-1.
  TDirItem& Items(int Index);
  // The archive stream (nullptr when closed); owned by the component.
  TStream* ArchiveStream() { return FStream.get(); }

  // Search. FirstMatch prepares F.Search and returns the first item matching
  // FileMask and SearchAttr; NextMatch the next one. ExcludeMask is kept in
  // the search state and not consulted.
  bool FirstMatch(const std::string& FileMask, TZAArchiveItem& F, const std::string& ExcludeMask,
                  std::uint32_t SearchAttr);
  bool NextMatch(TZAArchiveItem& F);
  static bool MaskMatch(const std::string& Name, const std::string& Mask);
  static bool WildcardMatch(const std::string& Name, const std::string& Mask, bool IgnoreCase);

  // Extracts every item matching FileMask and SearchAttr under BaseDir. Item
  // failures go to OnProcessFileFailure (default: the Abort/Retry/Ignore
  // dialog) and never reach the caller; raises native error 13 when no
  // archive is open, 26 inside an update bracket, and lets the platform's
  // stream errors through (a truncated local header).
  void ExtractMatching(const std::string& FileMask = "*.*", std::uint32_t SearchAttr = 10431,
                       const std::string& ExcludeMask = "");
  // Decodes and checks every matching item without writing it anywhere.
  void TestMatching(const std::string& FileMask = "*.*", std::uint32_t SearchAttr = 10431,
                    const std::string& ExcludeMask = "");

  // Work state of the running operation.
  int SelectedCount() const { return FSelectedCount; }
  int DoneCount() const { return FDoneCount; }
  bool CancelRequested() const { return FCancelRequested; }

 protected:
  // Hooks, one per event: each calls its handler, or applies the default.
  virtual std::uint16_t StoredMethod() const = 0;  // writing only
  virtual void DoOverallProgress(double Progress, TZAProcessOperation Operation, TZAProgressPhase Phase,
                                 bool& Cancel);
  virtual void DoFileProgress(const std::string& FileName, double Progress, TZAProcessOperation Operation,
                              TZAProgressPhase Phase, bool& Cancel);
  virtual void DoCopyTempFileProgress(double Progress, TZAProgressPhase Phase, bool& Cancel);
  virtual void DoConfirmOverwrite(const std::string& SourceFileName, std::string& DestFileName,
                                  bool& Confirm);
  virtual void DoConfirmProcessFile(const std::string& FileName, TZAProcessOperation Operation,
                                    bool& Confirm);
  virtual void DoPassword(const std::string& FileName, std::string& NewPassword, bool& SkipFile);
  virtual void DoProcessFileFailure(const std::string& FileName, TZAProcessOperation Operation,
                                    int NativeError, int ErrorCode, const std::string& ErrorMessage,
                                    TZAAction& Action);
  virtual void DoRequestBlankVolume(int VolumeNumber, std::string& VolumeFileName, bool& Cancel);
  virtual void DoRequestFirstVolume(std::string& VolumeFileName, bool& Cancel);
  virtual void DoRequestLastVolume(std::string& VolumeFileName, bool& Cancel);
  virtual void DoRequestMiddleVolume(int VolumeNumber, std::string& VolumeFileName, bool& Cancel);
  virtual void DoDiskFull(int VolumeNumber, std::string& VolumeFileName, bool& Cancel);
  virtual void DoVolumeFailure(int VolumeNumber, std::string& VolumeFileName, bool& Cancel);
  virtual void DoStoreFile(std::string& FileName, std::uint32_t& FileAttr, std::string& Comment,
                           const std::string& OriginalFileName);
  virtual void DoExtractFile(std::string& FileName, std::uint32_t& FileAttr, const std::string& Comment);

 private:
  // ZipCatalogue.cpp
  void LoadCatalogue();
  bool FindEndRecord(std::int64_t& EndPos);
  void RebuildCatalogue();
  void FindStubAndFixOffsets(std::int64_t EndPos);
  // ZipExtract.cpp
  void SelectMatching(const std::string& FileMask, std::uint32_t SearchAttr, const std::string& ExcludeMask);
  void ProcessItems(TZAProcessOperation Operation);
  void ExtractItem(int Index, std::string Name, const std::string& BaseFolder);
  bool ExtractToStream(int Index, TStream& Output);
  bool DecodeStoredOrDeflated(const TDirItem& Item, const std::string& Name, std::int64_t Size,
                              const std::uint8_t* LocalHeader, TStream& Output, std::uint64_t& Written,
                              std::uint32_t& Crc);
  bool DecodeBlockFormat(const TDirItem& Item, const std::string& Name, TStream& Output,
                         std::uint64_t& Written, std::uint32_t& Crc);
  bool SearchItems(TZAArchiveItem& F);

  std::unique_ptr<TStream> FStream;
  std::unique_ptr<TZADirManager> FDir;
  TZAOptions FOptions;
  TZASpanningOptions FSpanningOptions;
  TZACompressionLevel FCompressionLevel = clFastest;
  std::uint8_t FCompressionMode = 1;
  TZASpanningMode FSpanningMode = smNone;
  bool FInMemory = false;
  bool FIsOpen = false;
  std::uint16_t FOpenMode = 0;
  int FUpdateDepth = 0;

  int FSelectedCount = 0;
  int FDoneCount = 0;
  bool FCancelRequested = false;
  bool FBlockProgress = false;
  bool FSkipFile = false;
  // The folder the last extracted item went to, known to exist (one run of
  // ProcessItems; cleared when an item fails).
  std::string FLastFolder;
  std::int64_t FProcessed = 0, FTotal = 0;

 protected:
  // The ZIP64 mode the base would use; TZipArchiver fixes zmDisabled.
  TZip64Mode FZip64Mode = zmAuto;
};

class TZipArchiver : public TZABaseArchiver {
 public:
  explicit TZipArchiver(TComponent* AOwner);
  const char* ClassName() const override { return "TZipArchiver"; }

  // Matters only to writing; ZIP64 archives are read whatever its value.
  TZip64Mode Zip64Mode() const { return FZip64Mode; }
  void SetZip64Mode(TZip64Mode Value) { FZip64Mode = Value; }

 protected:
  std::uint16_t StoredMethod() const override { return CompressionMode() != 0 ? 8 : 0; }
};

}  // namespace velmorak
