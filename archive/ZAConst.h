// ZAConst: what every part of the archive reader shares — the enumerations
// of its published properties and events, the message table of its
// exception with the table that maps native error codes to messages, and the
// texts of its default dialogs (string resources 64801 to 64810).
#pragma once

#include <cstdint>

namespace velmorak {

enum TZACompressionLevel { clNone, clFastest, clNormal, clMax };
enum TZAProcessOperation {
  poAdd,
  poMove,
  poDelete,
  poUpdate,
  poExtract,
  poTest,
  poRename,
  poChangeAttr,
  poChangeComment,
  poMakeSFX
};
enum TZAProgressPhase { ppStart, ppProcess, ppEnd };
enum TZAAction { fxaRetry, fxaIgnore, fxaAbort };
enum TZAOverwriteMode { omPrompt, omAlways, omNever, omIfNewer, omIfOlder };
enum TZAFileShareMode { smShareCompat, smShareExclusive, smShareDenyWrite, smShareDenyRead, smShareDenyNone };
enum TZAStorePathMode { spNoPath, spRelativePath, spFullPath, spFullPathWithDrive };
enum TZip64Mode { zmDisabled, zmAuto, zmAlways };
enum TZASpanningMode { smNone, smSpanning, smSplitting };
enum TZAVolumeSize {
  vsAutoDetect,
  vsCustom,
  vs1_44MB,
  vs100MB,
  vs200MB,
  vs250MB,
  vs600MB,
  vs650MB,
  vs700MB,
  vs4700MB
};

// The message table of EZAException; ZAMessage(i) is entry i. Entry 34 is
// the refusal of an item whose path leaves the destination folder (native
// error 57, which the code table otherwise reserves).
constexpr int kZAMessageCount = 35;
const char* ZAMessage(int index);

// The message index of a native error: the first row of the code table with
// that code, -1 for the reserved codes 58 to 60, 0 when no row matches.
int ZAErrorCodeOf(int nativeError);

// The native errors the reader raises.
enum : int {
  ZA_ERR_INDEX_OUT_OF_BOUNDS = 1,  // 1 to 4: catalogue index
  ZA_ERR_INVALID_COMPRESSION_MODE = 5,
  ZA_ERR_CORRUPTED = 8,
  ZA_ERR_BLANK_FILE_NAME = 9,
  ZA_ERR_NOT_OPEN = 13,
  ZA_ERR_EXTRACT_INDEX = 16,
  ZA_ERR_CANNOT_CREATE_FILE = 19,
  ZA_ERR_CANNOT_CREATE_DIR = 20,
  ZA_ERR_UPDATE_NOT_ENDED = 26,
  ZA_ERR_BLANK_FILE_NAME_MEMORY = 29,
  ZA_ERR_INVALID_ARCHIVE = 35,
  ZA_ERR_NO_ZIP64_END = 40,
  ZA_ERR_OPEN_ABORTED = 44,
  ZA_ERR_DEFLATE64 = 55,
  ZA_ERR_PATH_OUTSIDE = 57,
};

// String resources of the default dialogs.
enum : int {
  SConfirmOverwrite = 64801,   // "Overwrite file "%s" with "%s""
  SPasswordTitle = 64802,      // "Password for "%s""
  SPasswordPrompt = 64803,     // "Enter password: "
  SInsertBlankVolume = 64804,  // "Please insert a blank disk #%d"
  SInsertFirstVolume = 64805,
  SInsertLastVolume = 64806,
  SInsertVolume = 64807,
  SDiskFull = 64808,
  SProcessFileFailure = 64809,  // "%s. File processing error, possibly disk is full"
  SFileNotFoundOnDisk = 64810,
};
// The text of a string resource above; "" for any other identifier.
const char* ZALoadStr(int ident);

// The version text of the component: 2.64 with two decimals, a space and an
// empty edition text.
constexpr const char* kZACurrentVersion = "2.64 ";

}  // namespace velmorak
