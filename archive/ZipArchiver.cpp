// ZipArchiver: the component itself — option records, properties and their
// setter rules, Open and Close, the item search, and the default behaviour
// of each event hook (the dialogs go through platform/forms).
#include "archive/ZipArchiver.h"

#include <cstring>

#include "archive/ZAMasks.h"
#include "archive/ZAStrFunc.h"
#include "platform/classes/CodePages.h"
#include "platform/forms/Dialogs.h"
#include "platform/os/FileSystem.h"
#include "platform/os/Locale.h"

namespace velmorak {

using namespace zipfmt;

// --- Option records -------------------------------------------------------------

void TZAOptions::Assign(const TPersistent* Source) {
  const auto* src = dynamic_cast<const TZAOptions*>(Source);
  if (!src) return TPersistent::Assign(Source);
  StorePath = src->StorePath;
  Recurse = src->Recurse;
  OverwriteMode = src->OverwriteMode;
  CreateDirs = src->CreateDirs;
  ReplaceReadOnly = src->ReplaceReadOnly;
  SetAttributes = src->SetAttributes;
  SearchAttr = src->SearchAttr;
  FlushBuffers = src->FlushBuffers;
  OEMFileNames = src->OEMFileNames;
}

void TZASpanningOptions::Assign(const TPersistent* Source) {
  const auto* src = dynamic_cast<const TZASpanningOptions*>(Source);
  if (!src) return TPersistent::Assign(Source);
  AdvancedNaming = src->AdvancedNaming;
  FirstVolumeSize = src->FirstVolumeSize;
  VolumeSize = src->VolumeSize;
  FCustomVolumeSize = src->FCustomVolumeSize;
  FInternal = src->FInternal;
}

std::int64_t TZASpanningOptions::VolumeSizeOf(int Index) const {
  if (Index == 0 && FirstVolumeSize > 0) return FirstVolumeSize;
  switch (VolumeSize) {
    case vsAutoDetect:
      return 0;
    case vsCustom:
      return FCustomVolumeSize;
    case vs1_44MB:
      return 1457664;
    case vs100MB:
      return 104857600;
    case vs200MB:
      return 209715200;
    case vs250MB:
      return 262144000;
    case vs600MB:
      return 629145600;
    case vs650MB:
      return 681574400;
    case vs700MB:
      return 734003200;
    case vs4700MB:
      return 4928307200LL;
  }
  return 0;
}

// --- Catalogue items --------------------------------------------------------------

std::uint64_t TDirItem::CompressedSize() const {
  return CompressedSize32() == kSaturated32 ? Zip64CompressedSize : CompressedSize32();
}
std::uint64_t TDirItem::UncompressedSize() const {
  return UncompressedSize32() == kSaturated32 ? Zip64UncompressedSize : UncompressedSize32();
}
std::uint64_t TDirItem::LocalHeaderOffset() const {
  return LocalHeaderOffset32() == kSaturated32 ? Zip64HeaderOffset : LocalHeaderOffset32();
}

// --- The component -------------------------------------------------------------------

TZABaseArchiver::TZABaseArchiver(TComponent* AOwner) : TComponent(AOwner) {}

TZABaseArchiver::~TZABaseArchiver() {
  Close();
}

TZipArchiver::TZipArchiver(TComponent* AOwner) : TZABaseArchiver(AOwner) {
  FZip64Mode = zmDisabled;
}

void TZABaseArchiver::SetCompressionLevel(TZACompressionLevel Value) {
  static const std::uint8_t modes[] = {0, 1, 6, 9};
  FCompressionLevel = Value;
  FCompressionMode = modes[Value];
}

void TZABaseArchiver::SetCompressionMode(std::uint8_t Value) {
  if (Value > 9) throw EZAException(ZA_ERR_INVALID_COMPRESSION_MODE, this);
  FCompressionMode = Value;
  FCompressionLevel = Value == 0 ? clNone : Value <= 3 ? clFastest : Value <= 6 ? clNormal : clMax;
}

void TZABaseArchiver::SetSpanningMode(TZASpanningMode Value) {
  if (FIsOpen) throw Exception("Cannot set spanning mode on open archive");
  FSpanningMode = Value;
}

void TZABaseArchiver::SetInMemory(bool Value) {
  if (Value == FInMemory) return;
  if (!FIsOpen) {
    FInMemory = Value;
    return;
  }
  if (Value) {
    Close();
    FInMemory = true;
    Open();
    return;
  }
  // Leaving memory: the archive goes to FileName first, then is read back.
  if (ZAExtractFileName(FileName).empty()) throw EZAException(ZA_ERR_BLANK_FILE_NAME_MEMORY, this);
  if (auto* memory = dynamic_cast<TMemoryStream*>(FStream.get())) memory->SaveToFile(FileName);
  Close();
  FInMemory = false;
  Open();
}

TDirItem& TZABaseArchiver::Items(int Index) {
  if (!FDir || Index < 0 || Index >= FDir->Items.Count()) throw EZAException(2, nullptr);
  return FDir->Items.Items(Index);
}

// --- Open and Close ------------------------------------------------------------------

void TZABaseArchiver::Open() {
  if (!FInMemory && ZAExtractFileName(FileName).empty()) throw EZAException(ZA_ERR_BLANK_FILE_NAME, this);

  // The open mode: create when there is nothing to open; read-write with
  // deny-write sharing when the file allows it (the test handle is closed at
  // once and never read from), else read-only with deny-none sharing.
  std::uint16_t mode;
  if (FInMemory || !os::FileExists(FileName)) {
    mode = 0xFFFF;
  } else {
    const os::THandle test = os::FileOpen(FileName, os::fmOpenReadWrite | os::fmShareDenyWrite);
    if (test != os::InvalidHandle) {
      os::FileClose(test);
      mode = os::fmOpenReadWrite | os::fmShareDenyWrite;
    } else {
      mode = os::fmOpenRead | os::fmShareDenyNone;
    }
  }

  Close();
  FOpenMode = mode;
  FDir = std::make_unique<TZADirManager>();
  FDir->Reset();
  if (mode == 0xFFFF) {
    if (FInMemory)
      FStream = std::make_unique<TMemoryStream>();
    else
      FStream = std::make_unique<TFileStream>(FileName, TFileStream::fmCreate);
  } else {
    // A single file on a fixed drive is all this reader handles; the layout
    // detection of multi-volume and self-extracting files ends here in smNone.
    FSpanningMode = smNone;
    FStream = std::make_unique<TFileStream>(FileName, mode);
    LoadCatalogue();
  }
  FIsOpen = true;
  if (AfterOpen) AfterOpen(this);
}

void TZABaseArchiver::Close() {
  if (FIsOpen) {
    try {
      if (FStream && FStream->Size() == 0) {
        std::uint8_t end[kEndSize] = {};
        Put32(end, kEndSig);
        FStream->SetPosition(0);
        FStream->WriteBuffer(end, kEndSize);
      }
    } catch (...) {
      // Closing never fails: a read-only medium simply keeps the empty file.
    }
    FIsOpen = false;
  }
  FStream.reset();
  FDir.reset();
}

// --- Search ------------------------------------------------------------------------------

bool TZABaseArchiver::MaskMatch(const std::string& Name, const std::string& Mask) {
  return velmorak::MaskMatch(Name, Mask);
}

bool TZABaseArchiver::WildcardMatch(const std::string& Name, const std::string& Mask, bool IgnoreCase) {
  return velmorak::WildcardMatch(Name, Mask, IgnoreCase);
}

bool TZABaseArchiver::FirstMatch(const std::string& FileMask, TZAArchiveItem& F,
                                 const std::string& ExcludeMask, std::uint32_t SearchAttr) {
  std::string mask = FileMask;
  // The drive part of a mask ("C:") names nothing stored unless full paths
  // with drives are stored.
  if (mask.size() >= 2 && mask[1] == ':' && FOptions.StorePath != spFullPathWithDrive) mask.erase(0, 2);
  for (char& c : mask)
    if (c == '\\') c = '/';
  F.Search = TInternalSearchRec{};
  const std::size_t n = std::min<std::size_t>(mask.size(), sizeof F.Search.Mask - 1);
  std::memcpy(F.Search.Mask, mask.data(), n);
  F.Search.Mask[n] = '\0';
  F.Search.HasWildcards = mask.find_first_of("*?") != std::string::npos;
  F.Search.ExcludeMask = ExcludeMask;
  F.Search.UseMaskLists = false;
  F.Search.AttrFilter = SearchAttr;
  F.Search.NextIndex = 0;
  return SearchItems(F);
}

bool TZABaseArchiver::NextMatch(TZAArchiveItem& F) {
  ++F.Search.NextIndex;
  return SearchItems(F);
}

bool TZABaseArchiver::SearchItems(TZAArchiveItem& F) {
  if (!FDir) return false;
  const std::string mask = F.Search.Mask;
  auto dirOf = [](std::string s) {
    for (char& c : s)
      if (c == '/') c = '\\';
    const std::size_t p = s.rfind('\\');
    return os::AnsiLowerCase(p == std::string::npos ? std::string() : s.substr(0, p));
  };
  const std::string maskDir = FOptions.Recurse ? std::string() : dirOf(mask);
  for (int i = static_cast<int>(F.Search.NextIndex); i < FDir->Items.Count(); ++i) {
    const TDirItem& item = FDir->Items.Items(i);
    if (!FOptions.Recurse) {
      std::string name = item.Name;
      if (!name.empty() && name.back() == '/') name.pop_back();
      if (dirOf(name) != maskDir) continue;
    }
    const std::string name(ZAExcludeTrailingDelimiter(item.Name));
    bool match;
    if (F.Search.UseMaskLists) {
      match = false;
      for (const std::string& m : FileMasks) match = match || velmorak::MaskMatch(name, m);
      for (const std::string& m : ExclusionMasks) match = match && !velmorak::MaskMatch(name, m);
    } else {
      match = velmorak::MaskMatch(name, mask) || velmorak::MaskMatch(ZAExtractFileName(name), mask);
    }
    if (!match) continue;
    if ((item.ExternalAttributes() & 0x1E & ~F.Search.AttrFilter) != 0) continue;

    F.Search.NextIndex = static_cast<std::uint32_t>(i);
    const std::string n = ZAToDelimiter(name, '\\');
    F.ItemName = ZAExtractFileName(n);
    F.ItemPath = ZAExtractFilePath(n);
    F.PackedSize = static_cast<std::int64_t>(item.CompressedSize());
    F.UnpackedSize = static_cast<std::int64_t>(item.UncompressedSize());
    F.Ratio = F.UnpackedSize > 0 ? (1.0 - double(F.PackedSize) / double(F.UnpackedSize)) * 100.0 : 100.0;
    if (F.Ratio < 0) F.Ratio = 0;
    F.IsEncrypted = item.IsEncrypted();
    F.ModDate = item.ModDate();
    F.ModTime = item.ModTime();
    F.Crc = item.Crc();
    F.Attributes = item.ExternalAttributes();
    F.Comment = item.Comment;
    return true;
  }
  return false;
}

// --- Event hooks and their defaults ----------------------------------------------------------

void TZABaseArchiver::DoOverallProgress(double Progress, TZAProcessOperation Operation,
                                        TZAProgressPhase Phase, bool& Cancel) {
  Cancel = false;
  if (OnOverallProgress) OnOverallProgress(this, Progress, Operation, Phase, Cancel);
}

void TZABaseArchiver::DoFileProgress(const std::string& FileName, double Progress,
                                     TZAProcessOperation Operation, TZAProgressPhase Phase, bool& Cancel) {
  Cancel = false;
  if (OnFileProgress) OnFileProgress(this, FileName, Progress, Operation, Phase, Cancel);
}

void TZABaseArchiver::DoCopyTempFileProgress(double Progress, TZAProgressPhase Phase, bool& Cancel) {
  Cancel = false;
  if (OnCopyTempFileProgress) OnCopyTempFileProgress(this, Progress, poUpdate, Phase, Cancel);
}

void TZABaseArchiver::DoConfirmOverwrite(const std::string& SourceFileName, std::string& DestFileName,
                                         bool& Confirm) {
  if (OnConfirmOverwrite) return OnConfirmOverwrite(this, SourceFileName, DestFileName, Confirm);
  const std::string prompt =
      EZAException::FillText(ZALoadStr(SConfirmOverwrite), {DestFileName, SourceFileName});
  switch (MessageDlg(prompt, TMsgDlgType::mtConfirmation, mbYes | mbNo | mbNoToAll | mbYesToAll)) {
    case mrYes:
      Confirm = true;
      break;
    case mrYesToAll:
      Confirm = true;
      FOptions.OverwriteMode = omAlways;
      break;
    case mrNoToAll:
      Confirm = false;
      FOptions.OverwriteMode = omNever;
      break;
    default:
      Confirm = false;
      break;
  }
}

void TZABaseArchiver::DoConfirmProcessFile(const std::string& FileName, TZAProcessOperation Operation,
                                           bool& Confirm) {
  if (OnConfirmProcessFile) OnConfirmProcessFile(this, FileName, Operation, Confirm);
}

void TZABaseArchiver::DoPassword(const std::string& FileName, std::string& NewPassword, bool& SkipFile) {
  if (OnPassword) return OnPassword(this, FileName, NewPassword, SkipFile);
  const std::string caption = EZAException::FillText(ZALoadStr(SPasswordTitle), {FileName});
  std::string value = AnsiToUtf8(NewPassword);
  if (InputQuery(caption, ZALoadStr(SPasswordPrompt), value))
    NewPassword = Utf8ToAnsi(value);
  else
    SkipFile = true;
}

void TZABaseArchiver::DoProcessFileFailure(const std::string& FileName, TZAProcessOperation Operation,
                                           int NativeError, int ErrorCode, const std::string& ErrorMessage,
                                           TZAAction& Action) {
  if (OnProcessFileFailure)
    return OnProcessFileFailure(this, FileName, Operation, NativeError, ErrorCode, ErrorMessage, Action);
  const std::string text = EZAException::FillText(ZALoadStr(SProcessFileFailure), {ErrorMessage});
  switch (MessageDlg(text, TMsgDlgType::mtConfirmation, mbAbort | mbRetry | mbIgnore)) {
    case mrRetry:
      Action = fxaRetry;
      break;
    case mrIgnore:
      Action = fxaIgnore;
      break;
    default:
      Action = fxaAbort;
      break;
  }
}

// Volume requests belong to multi-volume archives, which this reader does not
// open; their hooks only hand the question to a handler.
void TZABaseArchiver::DoRequestBlankVolume(int VolumeNumber, std::string& VolumeFileName, bool& Cancel) {
  if (OnRequestBlankVolume) OnRequestBlankVolume(this, VolumeNumber, VolumeFileName, Cancel);
}
void TZABaseArchiver::DoRequestFirstVolume(std::string& VolumeFileName, bool& Cancel) {
  if (OnRequestFirstVolume) OnRequestFirstVolume(this, 0, VolumeFileName, Cancel);
}
void TZABaseArchiver::DoRequestLastVolume(std::string& VolumeFileName, bool& Cancel) {
  if (OnRequestLastVolume) OnRequestLastVolume(this, -1, VolumeFileName, Cancel);
}
void TZABaseArchiver::DoRequestMiddleVolume(int VolumeNumber, std::string& VolumeFileName, bool& Cancel) {
  if (OnRequestMiddleVolume) OnRequestMiddleVolume(this, VolumeNumber, VolumeFileName, Cancel);
}
void TZABaseArchiver::DoDiskFull(int VolumeNumber, std::string& VolumeFileName, bool& Cancel) {
  if (OnDiskFull) OnDiskFull(this, VolumeNumber, VolumeFileName, Cancel);
}
void TZABaseArchiver::DoVolumeFailure(int, std::string&, bool& Cancel) {
  Cancel = true;
}
void TZABaseArchiver::DoStoreFile(std::string& FileName, std::uint32_t& FileAttr, std::string& Comment,
                                  const std::string& OriginalFileName) {
  if (OnStoreFile) OnStoreFile(this, FileName, FileAttr, Comment, OriginalFileName);
}
void TZABaseArchiver::DoExtractFile(std::string& FileName, std::uint32_t& FileAttr,
                                    const std::string& Comment) {
  if (OnExtractFile) OnExtractFile(this, FileName, FileAttr, Comment);
}

}  // namespace velmorak
